#include "display/convert.h"

#include <algorithm>
#include <array>

#include "frame/frame.h"

#if defined(__x86_64__)
#define SIDEWAYS_X86_CONVERT 1
#include <immintrin.h>
#endif

static void ConvertPlain(const uint16_t* frame, uint8_t* staging)
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

#ifdef SIDEWAYS_X86_CONVERT

// The vector routines' shifts and masks make these steps (red and blue times 4, green times 2).
static_assert(RedTexelStep == 4 && GreenTexelStep == 2 && BlueTexelStep == 4);

// SSE2 has no byte shuffle, so the bytes are moved into place with shifts: each pixel becomes a
// 32-bit lane R | G << 8 | B << 16, each 64-bit lane's two pixels are closed up to six bytes,
// each vector's two halves to twelve, and four such runs make the 48 bytes of sixteen pixels.
static inline __m128i SpreadLow(__m128i redGreen, __m128i blue) { return _mm_unpacklo_epi16(redGreen, blue); }
static inline __m128i SpreadHigh(__m128i redGreen, __m128i blue) { return _mm_unpackhi_epi16(redGreen, blue); }

// Four 32-bit lanes R G B 0 to twelve bytes at the bottom of the vector, the rest zero.
static inline __m128i CloseUp(__m128i lanes)
{
    const __m128i pairLow = _mm_set1_epi64x(0x0000000000FFFFFF);
    const __m128i pairHigh = _mm_set1_epi64x(0x0000FFFFFF000000);
    const __m128i six = _mm_or_si128(_mm_and_si128(lanes, pairLow), _mm_and_si128(_mm_srli_epi64(lanes, 8), pairHigh));
    const __m128i lowSix = _mm_set_epi32(0, 0, 0x0000FFFF, -1);
    return _mm_or_si128(_mm_and_si128(six, lowSix), _mm_andnot_si128(lowSix, _mm_srli_si128(six, 2)));
}

static void ConvertSse2(const uint16_t* frame, uint8_t* staging)
{
    const __m128i redMask = _mm_set1_epi16(0x00FC), greenMask = _mm_set1_epi16(0x7E00);
    const __m128i blueMask = _mm_set1_epi16(0x007C);
    for (int y = 0; y < BufferHeight; ++y, frame += BufferWidth, staging += StagingSize * 3) {
        uint8_t* dst = staging;
        for (int x = 0; x < BufferWidth; x += 16, dst += 48) {
            __m128i runs[4];
            for (int half = 0; half < 2; ++half) {
                const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(frame + x + 8 * half));
                const __m128i redGreen = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(p, 9), redMask),
                                                      _mm_and_si128(_mm_slli_epi16(p, 4), greenMask));
                const __m128i blue = _mm_and_si128(_mm_slli_epi16(p, 2), blueMask);
                runs[2 * half] = CloseUp(SpreadLow(redGreen, blue));
                runs[2 * half + 1] = CloseUp(SpreadHigh(redGreen, blue));
            }
            __m128i* out = reinterpret_cast<__m128i*>(dst);
            _mm_storeu_si128(out, _mm_or_si128(runs[0], _mm_slli_si128(runs[1], 12)));
            _mm_storeu_si128(out + 1, _mm_or_si128(_mm_srli_si128(runs[1], 4), _mm_slli_si128(runs[2], 8)));
            _mm_storeu_si128(out + 2, _mm_or_si128(_mm_srli_si128(runs[2], 8), _mm_slli_si128(runs[3], 4)));
        }
    }
}

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

__attribute__((target("ssse3"))) static void ConvertSsse3(const uint16_t* frame, uint8_t* staging)
{
    for (int y = 0; y < BufferHeight; ++y, frame += BufferWidth, staging += StagingSize * 3)
        for (int x = 0; x < BufferWidth; x += GroupPixels)
            ConvertGroup(frame + x, staging + 3 * x);
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

// A processor that runs a routine runs every one before it.
static const ConvertRoutine AllRoutines[] = {
    {"Plain", ConvertPlain},
#ifdef SIDEWAYS_X86_CONVERT
    {"Sse2", ConvertSse2},
    {"Ssse3", ConvertSsse3},
    {"Avx2", ConvertAvx2},
    {"Avx512", ConvertAvx512},
#endif
};

std::span<const ConvertRoutine> ConvertRoutines()
{
    static const size_t count = [] {
        size_t n = 1;
#ifdef SIDEWAYS_X86_CONVERT
        // Every x86-64 processor has SSE2.
        __builtin_cpu_init();
        n = 2;
        if (__builtin_cpu_supports("ssse3")) {
            n = 3;
            if (__builtin_cpu_supports("avx2")) {
                n = 4;
                if (__builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi"))
                    n = 5;
            }
        }
#endif
        return n;
    }();
    return std::span<const ConvertRoutine>(AllRoutines, count);
}

void ConvertFrame(const uint16_t* frame, uint8_t* staging)
{
    static const auto convert = ConvertRoutines().back().convert;
    convert(frame, staging);
}
