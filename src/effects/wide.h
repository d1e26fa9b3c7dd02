// The effects' 512-bit pixel loops: x86-64 processors with AVX-512 F, BW and VL run them, every other
// processor the plain loops beside them, which draw the same pixels.
#pragma once
#include <cstdint>

// True while the effects draw with the 512-bit loops (see UseEffectLoops); never elsewhere.
bool WideLoops();

#if defined(__x86_64__)
#define SIDEWAYS_WIDE_EFFECTS 1
#include <immintrin.h>

#define WIDE_LOOP __attribute__((target("avx512f,avx512bw,avx512vl")))

// True when this processor has the instructions of the 512-bit loops; checked once.
inline bool ProcessorRunsWideLoops()
{
    static const bool wide = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl");
    }();
    return wide;
}

// A mask of the first n of 16 lanes (n at most 16).
WIDE_LOOP inline __mmask16 FirstLanes16(int n)
{
    return static_cast<__mmask16>((1u << n) - 1);
}
// A mask of the first n of 32 lanes (n at most 32).
WIDE_LOOP inline __mmask32 FirstLanes32(int n)
{
    return static_cast<__mmask32>((uint64_t{1} << n) - 1);
}

// The zero-masked forms with every lane kept: the plain ones start from an undefined vector, which
// this compiler reports as a use of an uninitialised value.
WIDE_LOOP inline __m512i ShiftRight32(__m512i v, unsigned n)
{
    return _mm512_maskz_srli_epi32(0xFFFF, v, n);
}
WIDE_LOOP inline __m256i Narrow32To16(__m512i v)
{
    return _mm512_maskz_cvtepi32_epi16(0xFFFF, v);
}

// Sixteen texels read at 32-bit indices from a table of 16-bit texels, as 16-bit lanes. Reads two
// bytes past the last texel indexed: a table read this way keeps one texel to spare at its end.
WIDE_LOOP inline __m256i GatherTexels(__mmask16 lanes, __m512i index, const uint16_t* table)
{
    const __m512i pairs = _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), lanes, index, table, 2);
    return Narrow32To16(pairs);
}
#endif
