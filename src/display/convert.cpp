// The buffer conversion in one source that Highway compiles once for each instruction set (see
// effects/vector_loops.cpp), beside the plain loop that every form matches byte for byte.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "display/convert.cpp"
#include <hwy/foreach_target.h>  // must come before highway.h
#include <hwy/highway.h>

#include <algorithm>

#include "display/convert.h"
#include "effects/loops.h"
#include "frame/frame.h"

HWY_BEFORE_NAMESPACE();
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// The shifts and masks below make these steps (red and blue times 4, green times 2).
static_assert(RedTexelStep == 4 && GreenTexelStep == 2 && BlueTexelStep == 4);

#if HWY_TARGET != HWY_SCALAR
// The low byte of each 16-bit lane of `low`, then of `high`.
template <class D8, class V16>
HWY_INLINE hn::Vec<D8> LowBytes(D8 d8, V16 high, V16 low)
{
    return hn::ConcatEven(d8, hn::BitCast(d8, high), hn::BitCast(d8, low));
}

// One byte vector's worth of pixels a step, taken as two vectors of 16-bit lanes; each channel is
// worked out in 16-bit lanes, their low bytes closed up into one byte vector, and the three
// vectors stored interleaved, R G B. The last step of a row starts one step before its end and
// writes again some texels the step before wrote, with the same bytes.
template <class D8>
HWY_INLINE void ConvertRows(D8 d8, const uint16_t* frame, uint8_t* staging)
{
    const hn::Repartition<uint16_t, D8> d16;
    const int32_t pixels = static_cast<int32_t>(hn::Lanes(d8)), half = static_cast<int32_t>(hn::Lanes(d16));
    const auto greenMask = hn::Set(d16, uint16_t{0x7E}), blueMask = hn::Set(d16, uint16_t{0x7C});
    for (int32_t y = 0; y < BufferHeight; ++y, frame += BufferWidth, staging += StagingSize * 3)
        for (int32_t x = 0; x < BufferWidth; x += pixels) {
            const int32_t at = std::min(x, BufferWidth - pixels);
            const auto low = hn::LoadU(d16, frame + at), high = hn::LoadU(d16, frame + at + half);
            // R = (p >> 11) * 4, G = ((p >> 5) & 63) * 2 = (p >> 4) & 0x7E, B = (p & 31) * 4 = (p << 2) & 0x7C.
            const auto red = LowBytes(d8, hn::ShiftLeft<2>(hn::ShiftRight<11>(high)), hn::ShiftLeft<2>(hn::ShiftRight<11>(low)));
            const auto green = LowBytes(d8, hn::And(hn::ShiftRight<4>(high), greenMask), hn::And(hn::ShiftRight<4>(low), greenMask));
            const auto blue = LowBytes(d8, hn::And(hn::ShiftLeft<2>(high), blueMask), hn::And(hn::ShiftLeft<2>(low), blueMask));
            hn::StoreInterleaved3(red, green, blue, d8, staging + 3 * at);
        }
}

#endif

void ConvertVector(const uint16_t* frame, uint8_t* staging)
{
#if HWY_TARGET == HWY_SCALAR
    // Highway's one-lane form (the fallback where GCC's 128-bit emulation is broken) has no
    // byte-closing operations; it is the plain loop.
    ConvertPlain(frame, staging);
#else
    const hn::ScalableTag<uint8_t> d8;
    if (hn::Lanes(d8) <= BufferWidth)
        ConvertRows(d8, frame, staging);
    else
        ConvertRows(hn::CappedTag<uint8_t, 16>(), frame, staging);
#endif
}

}  // namespace HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
HWY_EXPORT(ConvertVector);

void ConvertPlain(const uint16_t* frame, uint8_t* staging)
{
    for (int y = 0; y < BufferHeight; ++y) {
        const uint16_t* src = frame + y * BufferWidth;
        uint8_t* dst = staging + y * StagingSize * 3;
        for (int x = 0; x < BufferWidth; ++x, dst += 3) {
            const uint32_t p = src[x];
            dst[0] = static_cast<uint8_t>((p >> 11) * RedTexelStep);
            dst[1] = static_cast<uint8_t>(((p >> 5) & 0x3F) * GreenTexelStep);
            dst[2] = static_cast<uint8_t>((p & 0x1F) * BlueTexelStep);
        }
    }
}

#if HWY_ARCH_X86_64
// On x86-64 the AVX2 and AVX-512 forms convert with the two routines below, written for those
// instruction sets alone: they run faster than Highway's portable form (two 128-bit loads joined
// per 256-bit vector, and VBMI's byte permutes and multishift, which Highway does not offer).
#include <immintrin.h>

#include <array>

// The vector routines' shifts and masks make these steps (red and blue times 4, green times 2).
static_assert(RedTexelStep == 4 && GreenTexelStep == 2 && BlueTexelStep == 4);

// The vector routines work on groups of sixteen pixels, 48 texture bytes, stored as three 16-byte
// blocks. Block b holds the group's bytes 16b .. 16b + 15, which come from at most six pixels,
// all among the eight that start at pixel BlockFirstPixel[b] of the group; no load reaches past
// the group. Each pixel is first spread over two 16-bit lanes, R | G << 8 in one vector and B in
// the low byte of another, then one byte shuffle of each puts the bytes of the block in place.
constexpr int GroupPixels = 16;
constexpr std::array<int, 3> BlockFirstPixel = {0, 5, 8};
static_assert(BufferWidth % GroupPixels == 0, "a buffer row is a whole number of groups");

struct BlockShuffle {
    std::array<uint8_t, 16> redGreen, blue;  // source byte of each block byte; 0x80 makes it 0
};
constexpr std::array<BlockShuffle, 3> MakeShuffles()
{
    std::array<BlockShuffle, 3> shuffles{};
    for (int b = 0; b < 3; ++b)
        for (int j = 0; j < 16; ++j) {
            const int byte = 16 * b + j;
            const int lane = byte / 3 - BlockFirstPixel[b];
            const int channel = byte % 3;
            shuffles[b].redGreen[j] = channel == 2 ? 0x80 : static_cast<uint8_t>(2 * lane + channel);
            shuffles[b].blue[j] = channel == 2 ? static_cast<uint8_t>(2 * lane) : 0x80;
        }
    return shuffles;
}
constexpr std::array<BlockShuffle, 3> Shuffles = MakeShuffles();

static const __m128i* Vector(const void* p) { return static_cast<const __m128i*>(p); }

// R = (p >> 9) & 0xFC in the low byte and G = ((p >> 5) & 63) * 2 = (p << 4) & 0x7E00 in the high
// byte of each lane; B = (p << 2) & 0x7C in the low byte.
__attribute__((target("ssse3"))) static inline __m128i Block(const uint16_t* pixels, const BlockShuffle& shuffle)
{
    const __m128i p = _mm_loadu_si128(Vector(pixels));
    const __m128i redGreen = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(p, 9), _mm_set1_epi16(0x00FC)),
                                          _mm_and_si128(_mm_slli_epi16(p, 4), _mm_set1_epi16(0x7E00)));
    const __m128i blue = _mm_and_si128(_mm_slli_epi16(p, 2), _mm_set1_epi16(0x007C));
    return _mm_or_si128(_mm_shuffle_epi8(redGreen, _mm_loadu_si128(Vector(shuffle.redGreen.data()))),
                        _mm_shuffle_epi8(blue, _mm_loadu_si128(Vector(shuffle.blue.data()))));
}

__attribute__((target("ssse3"))) static void ConvertGroup(const uint16_t* src, uint8_t* dst)
{
    for (int b = 0; b < 3; ++b)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16 * b), Block(src + BlockFirstPixel[b], Shuffles[b]));
}

// Two blocks at once, one in each 128-bit half (the byte shuffle stays within its half): two
// groups, 32 pixels, are three 32-byte stores of blocks (0, 1), (2, 0) and (1, 2). The last group
// of a row (240 = 7 * 32 + 16) goes through the 128-bit form.
struct BlockPair {
    int firstPixel[2];
    __m256i redGreen, blue;
};

__attribute__((target("avx2"))) static void ConvertAvx2(const uint16_t* frame, uint8_t* staging)
{
    BlockPair pairs[3];
    for (int k = 0; k < 3; ++k) {
        const int low = 2 * k, high = 2 * k + 1;  // blocks of the two groups, 0..5
        const BlockShuffle& a = Shuffles[low % 3];
        const BlockShuffle& b = Shuffles[high % 3];
        pairs[k].firstPixel[0] = low / 3 * GroupPixels + BlockFirstPixel[low % 3];
        pairs[k].firstPixel[1] = high / 3 * GroupPixels + BlockFirstPixel[high % 3];
        pairs[k].redGreen = _mm256_setr_m128i(_mm_loadu_si128(Vector(a.redGreen.data())), _mm_loadu_si128(Vector(b.redGreen.data())));
        pairs[k].blue = _mm256_setr_m128i(_mm_loadu_si128(Vector(a.blue.data())), _mm_loadu_si128(Vector(b.blue.data())));
    }
    const __m256i redMask = _mm256_set1_epi16(0x00FC), greenMask = _mm256_set1_epi16(0x7E00);
    const __m256i blueMask = _mm256_set1_epi16(0x007C);
    constexpr int PairPixels = 2 * GroupPixels;
    constexpr int TailStart = BufferWidth / PairPixels * PairPixels;

    for (int y = 0; y < BufferHeight; ++y, frame += BufferWidth, staging += StagingSize * 3) {
        uint8_t* dst = staging;
        for (int x = 0; x < TailStart; x += PairPixels)
            for (const BlockPair& pair : pairs) {
                const __m256i p = _mm256_setr_m128i(_mm_loadu_si128(Vector(frame + x + pair.firstPixel[0])),
                                                    _mm_loadu_si128(Vector(frame + x + pair.firstPixel[1])));
                const __m256i redGreen = _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi16(p, 9), redMask),
                                                         _mm256_and_si256(_mm256_slli_epi16(p, 4), greenMask));
                const __m256i blue = _mm256_and_si256(_mm256_slli_epi16(p, 2), blueMask);
                const __m256i bytes = _mm256_or_si256(_mm256_shuffle_epi8(redGreen, pair.redGreen),
                                                      _mm256_shuffle_epi8(blue, pair.blue));
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), bytes);
                dst += 32;
            }
        for (int x = TailStart; x < BufferWidth; x += GroupPixels)
            ConvertGroup(frame + x, staging + 3 * x);
    }
}


// With AVX-512 VBMI, a group of 64 pixels is two 64-byte loads and 192 output bytes, three whole
// 64-byte stores. For each store, a two-source word permute puts in each 64-bit lane the (at most
// four) pixels whose bytes that lane of the output holds; one multishift then picks each output
// byte from its pixel as 8 bits at any bit offset, and a mask clears the bits that came from a
// neighbour. A row is three groups and a last one of 48 pixels.
constexpr int WidePixels = 64;
constexpr int WideStores = 3;
constexpr int WideTail = BufferWidth % WidePixels;
static_assert(WideTail % 32 == 16, "the last group of a row is one and a half vectors");

struct WideStore {
    std::array<uint16_t, 32> pixel;  // source pixel of each word, four to an output lane
    std::array<uint8_t, 64> offset;  // bit offset of each output byte within its lane
    std::array<uint8_t, 64> mask;    // the bits of each output byte that belong to its channel
};
constexpr std::array<WideStore, WideStores> MakeWideStores()
{
    std::array<WideStore, WideStores> stores{};
    for (int n = 0; n < WideStores; ++n)
        for (int lane = 0; lane < 8; ++lane) {
            const int firstByte = 64 * n + 8 * lane;
            const int firstPixel = firstByte / 3;
            for (int i = 0; i < 4; ++i)
                stores[n].pixel[4 * lane + i] = static_cast<uint16_t>(std::min(firstPixel + i, WidePixels - 1));
            for (int j = 0; j < 8; ++j) {
                const int byte = firstByte + j;
                const int channel = byte % 3;
                const int base = 16 * (byte / 3 - firstPixel);
                // R is bits 11..15 at byte bits 2..6, G bits 5..10 at 1..6, B bits 0..4 at 2..6;
                // B's window starts two bits below its pixel, wrapping within the lane.
                const int offset = channel == 0 ? base + 9 : channel == 1 ? base + 4 : base - 2;
                stores[n].offset[8 * lane + j] = static_cast<uint8_t>((offset + 64) % 64);
                stores[n].mask[8 * lane + j] = channel == 1 ? 0x7E : 0x7C;
            }
        }
    return stores;
}
constexpr std::array<WideStore, WideStores> WideLayout = MakeWideStores();

struct WideVectors {
    __m512i pixel, offset, mask;
};

// The zero-masked forms with every lane kept: the plain ones start from an undefined vector, which
// this compiler reports as a use of an uninitialised value.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) static inline __m512i WideBytes(const WideVectors& v, __m512i low,
                                                                                       __m512i high)
{
    const __m512i words = _mm512_permutex2var_epi16(low, v.pixel, high);
    return _mm512_and_si512(_mm512_maskz_multishift_epi64_epi8(~__mmask64{0}, v.offset, words), v.mask);
}

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) static void ConvertAvx512(const uint16_t* frame, uint8_t* staging)
{
    WideVectors v[WideStores];
    for (int n = 0; n < WideStores; ++n)
        v[n] = {_mm512_loadu_si512(WideLayout[n].pixel.data()), _mm512_loadu_si512(WideLayout[n].offset.data()),
                _mm512_loadu_si512(WideLayout[n].mask.data())};
    constexpr int TailStart = BufferWidth - WideTail;
    // The last group: 48 pixels, 144 bytes; nothing read or written beyond them.
    constexpr __mmask32 TailHigh = (1u << (WideTail - 32)) - 1;
    constexpr __mmask64 TailLastStore = (__mmask64{1} << (3 * WideTail - 128)) - 1;

    for (int y = 0; y < BufferHeight; ++y, frame += BufferWidth, staging += StagingSize * 3) {
        uint8_t* dst = staging;
        for (int x = 0; x < TailStart; x += WidePixels, dst += 3 * WidePixels) {
            const __m512i low = _mm512_loadu_si512(frame + x), high = _mm512_loadu_si512(frame + x + 32);
            for (int n = 0; n < WideStores; ++n)
                _mm512_storeu_si512(dst + 64 * n, WideBytes(v[n], low, high));
        }
        const __m512i low = _mm512_loadu_si512(frame + TailStart);
        const __m512i high = _mm512_maskz_loadu_epi16(TailHigh, frame + TailStart + 32);
        _mm512_storeu_si512(dst, WideBytes(v[0], low, high));
        _mm512_storeu_si512(dst + 64, WideBytes(v[1], low, high));
        _mm512_mask_storeu_epi8(dst + 128, TailLastStore, WideBytes(v[2], low, high));
    }
}
#endif

void ConvertFrame(const uint16_t* frame, uint8_t* staging)
{
    if (PlainLoops()) {
        ConvertPlain(frame, staging);
        return;
    }
#if HWY_ARCH_X86_64
    // Highway numbers the x86 forms from the widest down: AVX-512 forms below HWY_AVX2.
    static const bool vbmi = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi");
    }();
    const int64_t target = ChosenLoops().target;
    if (target < HWY_AVX2 && vbmi) {
        ConvertAvx512(frame, staging);
        return;
    }
    if (target <= HWY_AVX2) {
        ConvertAvx2(frame, staging);
        return;
    }
#endif
    HWY_DYNAMIC_DISPATCH(ConvertVector)(frame, staging);
}
#endif
