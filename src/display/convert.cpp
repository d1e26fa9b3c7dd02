#include "display/convert.h"

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
            dst[0] = static_cast<uint8_t>((p >> 9) & 0xFC);
            dst[1] = static_cast<uint8_t>(((p >> 5) & 0x3F) << 1);
            dst[2] = static_cast<uint8_t>((p & 0x1F) << 2);
        }
    }
}

#ifdef SIDEWAYS_X86_CONVERT

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

#endif

// A processor that runs a routine runs every one before it.
static const ConvertRoutine AllRoutines[] = {
    {"Plain", ConvertPlain},
#ifdef SIDEWAYS_X86_CONVERT
    {"Ssse3", ConvertSsse3},
    {"Avx2", ConvertAvx2},
#endif
};

std::span<const ConvertRoutine> ConvertRoutines()
{
    static const size_t count = [] {
        size_t n = 1;
#ifdef SIDEWAYS_X86_CONVERT
        __builtin_cpu_init();
        if (__builtin_cpu_supports("ssse3"))
            n = __builtin_cpu_supports("avx2") ? 3 : 2;
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
