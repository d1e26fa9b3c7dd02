// The effects' vector passes (vector_loops.h) in one source that Highway compiles once for each
// instruction set: foreach_target.h includes this file again for every target, each copy in a
// namespace of its own, and HWY_DYNAMIC_DISPATCH calls the copy for the best one the processor runs.
//
// Every pass steps a whole vector at a time. The last step of a row starts one vector before the
// row's end and draws again some pixels the step before drew, which gets them the same values:
// each pixel depends only on its own position (and, overlaying, on itself). Rows narrower than a
// vector take 128-bit vectors, and rows narrower than those one pixel at a time.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "effects/vector_loops.cpp"
#include <hwy/foreach_target.h>  // must come before highway.h
#include <hwy/highway.h>

#include <utility>

#include "effects/rings.h"
#include "effects/vector_loops.h"

HWY_BEFORE_NAMESPACE();
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Runs rows(d) with the widest vectors of T that the span is as long as, or plain() where it is
// shorter than even a 128-bit one.
template <class T, class Rows, class Plain>
HWY_INLINE void InWidestVectors(int32_t length, Rows rows, Plain plain)
{
    const hn::ScalableTag<T> d;
    const hn::CappedTag<T, 16 / sizeof(T)> d128;
    if (length >= static_cast<int32_t>(hn::Lanes(d)))
        rows(d);
    else if (length >= static_cast<int32_t>(hn::Lanes(d128)))
        rows(d128);
    else
        plain();
}

#if HWY_ARCH_X86 && HWY_TARGET <= HWY_AVX3
constexpr bool MaskedStores = true;
#else
constexpr bool MaskedStores = false;
#endif

// Rings: 16-bit lanes of table entries. A falling run's next entries are the ones below it, read
// as one vector and reversed.
template <bool Falling, class D>
HWY_INLINE hn::Vec<D> LoadRun(D d, const uint16_t* p, int32_t j)
{
    if constexpr (Falling)
        return hn::Reverse(d, hn::LoadU(d, p - j - static_cast<int32_t>(hn::Lanes(d)) + 1));
    else
        return hn::LoadU(d, p + j);
}

template <bool Falling>
HWY_INLINE uint16_t Entry(const uint16_t* p, int32_t j)
{
    return Falling ? p[-j] : p[j];
}

template <bool Overlay, unsigned Falling, class D>
HWY_INLINE void XorSpan(D d, uint16_t* out, const uint16_t* a, const uint16_t* b, const uint16_t* c, int32_t n)
{
    const auto dark = hn::Set(d, RingDark), light = hn::Set(d, RingLight);
    const int32_t lanes = static_cast<int32_t>(hn::Lanes(d));
    for (int32_t j = 0; j < n; j += lanes) {
        const int32_t at = std::min(j, n - lanes);
        const auto acc = hn::Xor(hn::Xor(LoadRun<(Falling & 1) != 0>(d, a, at), LoadRun<(Falling & 2) != 0>(d, b, at)),
                                 LoadRun<(Falling & 4) != 0>(d, c, at));
        const auto odd = hn::Ne(acc, hn::Zero(d));
        // Overlaying stores only the dark lanes: with AVX-512's masked store, as reading the
        // vector back costs more there; elsewhere a masked store of 16-bit lanes is a slow
        // emulation, and the vector is read back and blended.
        if constexpr (Overlay && MaskedStores)
            hn::BlendedStore(dark, odd, d, out + at);
        else
            hn::StoreU(hn::IfThenElse(odd, dark, Overlay ? hn::LoadU(d, out + at) : light), d, out + at);
    }
}

template <bool Overlay, unsigned Falling>
void XorRun(uint16_t* out, const uint16_t* a, const uint16_t* b, const uint16_t* c, int32_t n)
{
    InWidestVectors<uint16_t>(n, [=](auto d) { XorSpan<Overlay, Falling>(d, out, a, b, c, n); }, [=] {
        for (int32_t j = 0; j < n; ++j) {
            const uint16_t acc = Entry<(Falling & 1) != 0>(a, j) ^ Entry<(Falling & 2) != 0>(b, j) ^ Entry<(Falling & 4) != 0>(c, j);
            out[j] = acc != 0 ? RingDark : Overlay ? out[j] : RingLight;
        }
    });
}

template <unsigned Falling, class D>
HWY_INLINE void SumSpan(D d, uint16_t* out, const uint16_t* a, const uint16_t* b, int32_t n)
{
    const auto dark = hn::Set(d, RingDark), light = hn::Set(d, RingLight), bit = hn::Set(d, uint16_t{8});
    const int32_t lanes = static_cast<int32_t>(hn::Lanes(d));
    for (int32_t j = 0; j < n; j += lanes) {
        const int32_t at = std::min(j, n - lanes);
        const auto sum = hn::Add(LoadRun<(Falling & 1) != 0>(d, a, at), LoadRun<(Falling & 2) != 0>(d, b, at));
        hn::StoreU(hn::IfThenElse(hn::TestBit(sum, bit), dark, light), d, out + at);
    }
}

template <unsigned Falling>
void SumRun(uint16_t* out, const uint16_t* a, const uint16_t* b, const uint16_t*, int32_t n)
{
    InWidestVectors<uint16_t>(n, [=](auto d) { SumSpan<Falling>(d, out, a, b, n); }, [=] {
        for (int32_t j = 0; j < n; ++j) {
            const uint16_t sum = static_cast<uint16_t>(Entry<(Falling & 1) != 0>(a, j) + Entry<(Falling & 2) != 0>(b, j));
            out[j] = sum & 8 ? RingDark : RingLight;
        }
    });
}

// One kernel per combination of directions, indexed by a run's falling bits; the sum's ignores
// its third table.
using RunKernel = void (*)(uint16_t*, const uint16_t*, const uint16_t*, const uint16_t*, int32_t);

template <bool Overlay, unsigned... Falling>
constexpr std::array<RunKernel, sizeof...(Falling)> XorKernels(std::integer_sequence<unsigned, Falling...>)
{
    return {&XorRun<Overlay, Falling>...};
}

template <unsigned... Falling>
constexpr std::array<RunKernel, sizeof...(Falling)> SumKernels(std::integer_sequence<unsigned, Falling...>)
{
    return {&SumRun<Falling>...};
}

void RingRows(const RingPass* pass, const RunKernel* kernels)
{
    uint16_t* row = pass->firstRow;
    for (int32_t y = pass->y0; y < pass->y1; ++y, row += pass->stride) {
        const uint16_t* t0 = pass->table + RingTableRow(y, pass->centreY[0], pass->stride);
        const uint16_t* t1 = pass->table + RingTableRow(y, pass->centreY[1], pass->stride);
        const uint16_t* t2 = pass->table + RingTableRow(y, pass->centreY[2], pass->stride);
        for (const RingRun& run : pass->runs)
            kernels[run.falling](row + run.start, t0 + run.column[0], t1 + run.column[1], t2 + run.column[2], run.length);
    }
}

void DrawRingsXor3(const RingPass* pass, bool overlay)
{
    static constexpr auto paint = XorKernels<false>(std::make_integer_sequence<unsigned, 8>{});
    static constexpr auto over = XorKernels<true>(std::make_integer_sequence<unsigned, 8>{});
    RingRows(pass, overlay ? over.data() : paint.data());
}

void DrawRingsSum2(const RingPass* pass)
{
    static constexpr auto kernels = SumKernels(std::make_integer_sequence<unsigned, 4>{});
    RingRows(pass, kernels.data());
}

// The texture reads: 32-bit lanes hold texel indices, stored and read back one by one. Highway's
// gathers (32- and 64-bit lanes only, so 16-bit texels would be read as 32 bits and cut) were
// slower on AVX2 and AVX-512 than these plain loads on the processors measured, and processors
// without a gather instruction read lanes one by one anyway.
constexpr size_t MostLanes = 64;  // 2048-bit vectors of 32-bit lanes

template <class D>
HWY_INLINE void StoreTexels(D d, const uint16_t* texture, hn::Vec<D> index, uint16_t* out)
{
    HWY_ALIGN uint32_t at[MostLanes];
    hn::Store(index, d, at);
    for (size_t i = 0; i < hn::Lanes(d); ++i)
        out[i] = texture[at[i]];
}

// The rotozoomer: only bits 8..15 of an accumulator pick a texel, and the low 16 bits of a sum
// depend only on the low 16 bits of its terms, so 32-bit lanes walk exactly as the plain loop's.
template <class D>
HWY_INLINE void RotoRows(D d, const RotoPass* p)
{
    const int32_t lanes = static_cast<int32_t>(hn::Lanes(d));
    const auto rowMask = hn::Set(d, 0xFF00u), columnMask = hn::Set(d, 0xFFu), swizzleMask = hn::Set(d, 0xE0u);
    const auto steps = hn::Iota(d, 0);
    const auto toU = static_cast<uint32_t>(p->pixelU), toV = static_cast<uint32_t>(p->pixelV);
    // Lane i of a row's first step is i pixels on.
    auto rowU = hn::Add(hn::Set(d, static_cast<uint32_t>(p->startU)), hn::Mul(steps, hn::Set(d, toU)));
    auto rowV = hn::Add(hn::Set(d, static_cast<uint32_t>(p->startV)), hn::Mul(steps, hn::Set(d, toV)));
    const auto nextRowU = hn::Set(d, static_cast<uint32_t>(p->rowU)), nextRowV = hn::Set(d, static_cast<uint32_t>(p->rowV));
    const auto blockU = hn::Set(d, static_cast<uint32_t>(lanes) * toU), blockV = hn::Set(d, static_cast<uint32_t>(lanes) * toV);
    // The last step's lanes start this much further on than a whole step would put them.
    const int32_t last = (p->width - 1) / lanes * lanes, lastBack = last - (p->width - lanes);
    const auto backU = hn::Set(d, static_cast<uint32_t>(lastBack) * toU), backV = hn::Set(d, static_cast<uint32_t>(lastBack) * toV);

    uint16_t* row = p->firstRow;
    for (int32_t y = 0; y < p->rows; ++y, row += p->stride, rowU = hn::Add(rowU, nextRowU), rowV = hn::Add(rowV, nextRowV)) {
        auto u = rowU, v = rowV;
        for (int32_t x = 0; x < p->width; x += lanes, u = hn::Add(u, blockU), v = hn::Add(v, blockV)) {
            int32_t at = x;
            if (x == last && lastBack != 0) {
                at = p->width - lanes;
                u = hn::Sub(u, backU);
                v = hn::Sub(v, backV);
            }
            // Texture row v = V's high byte, kept in place as v << 8; column u = U's high byte,
            // swizzled by bits 3..5 of the row.
            const auto rowBits = hn::And(v, rowMask);
            const auto column = hn::Xor(hn::And(hn::ShiftRight<8>(u), columnMask), hn::And(hn::ShiftRight<6>(rowBits), swizzleMask));
            StoreTexels(d, p->texture, hn::Or(rowBits, column), row + at);
        }
    }
}

void DrawRotozoom(const RotoPass* p)
{
    InWidestVectors<uint32_t>(p->width, [p](auto d) { RotoRows(d, p); }, [p] {
        uint16_t* row = p->firstRow;
        uint32_t rowU = static_cast<uint32_t>(p->startU), rowV = static_cast<uint32_t>(p->startV);
        for (int32_t y = 0; y < p->rows; ++y, row += p->stride, rowU += static_cast<uint32_t>(p->rowU), rowV += static_cast<uint32_t>(p->rowV)) {
            uint32_t u = rowU, v = rowV;
            for (int32_t x = 0; x < p->width; ++x, u += static_cast<uint32_t>(p->pixelU), v += static_cast<uint32_t>(p->pixelV)) {
                const uint32_t rowBits = v & 0xFF00;
                row[x] = p->texture[rowBits | (((u >> 8) & 0xFF) ^ ((rowBits >> 6) & 0xE0))];
            }
        }
    });
}

// The tunnel, as TunnelTexelOf: each field of entry + shift wraps at 128, which picks the texel of
// the 128 x 128 texture; entries marked 1 << 15 read the black texel after it. The entries are
// widened to 32-bit lanes: reading 16-bit indices back from a stored vector was slower.
template <class D>
HWY_INLINE void TunnelRows(D d, const TunnelPass* p)
{
    const int32_t lanes = static_cast<int32_t>(hn::Lanes(d));
    const hn::Rebind<uint16_t, D> d16;
    const auto add = hn::Set(d, p->shift), angleMask = hn::Set(d, 0x7Fu), depthMask = hn::Set(d, 0x7F00u);
    const auto blackMark = hn::Set(d, 0x8000u), black = hn::Set(d, uint32_t{TunnelBlackTexel});
    uint16_t* row = p->firstRow;
    const uint16_t* walk = p->firstWalk;
    for (int32_t y = 0; y < p->rows; ++y, row += p->stride, walk += p->walkStride)
        for (int32_t x = 0; x < p->width; x += lanes) {
            const int32_t at = std::min(x, p->width - lanes);
            const auto entry = hn::PromoteTo(d, hn::LoadU(d16, walk + at));
            const auto sum = hn::Add(entry, add);
            const auto index = hn::Or(hn::ShiftRight<1>(hn::And(sum, depthMask)), hn::And(sum, angleMask));
            StoreTexels(d, p->texture, hn::IfThenElse(hn::TestBit(entry, blackMark), black, index), row + at);
        }
}

void DrawTunnel(const TunnelPass* p)
{
    InWidestVectors<uint32_t>(p->width, [p](auto d) { TunnelRows(d, p); }, [p] {
        uint16_t* row = p->firstRow;
        const uint16_t* walk = p->firstWalk;
        for (int32_t y = 0; y < p->rows; ++y, row += p->stride, walk += p->walkStride)
            for (int32_t x = 0; x < p->width; ++x)
                row[x] = p->texture[TunnelTexelOf(walk[x], p->shift)];
    });
}

// The fade: 16-bit lanes, one high multiply a channel.
template <class D>
HWY_INLINE void FadeSpan(D d, const uint16_t* picture, uint16_t* out, size_t n, uint16_t fraction)
{
    const auto f = hn::Set(d, fraction), six = hn::Set(d, uint16_t{63}), five = hn::Set(d, uint16_t{31});
    for (size_t k = 0; k < n; k += hn::Lanes(d)) {
        const size_t at = std::min(k, n - hn::Lanes(d));
        const auto p = hn::LoadU(d, picture + at);
        const auto red = hn::MulHigh(hn::ShiftRight<11>(p), f);
        const auto green = hn::MulHigh(hn::And(hn::ShiftRight<5>(p), six), f);
        const auto blue = hn::MulHigh(hn::And(p, five), f);
        hn::StoreU(hn::Or(hn::Or(hn::ShiftLeft<11>(red), hn::ShiftLeft<5>(green)), blue), d, out + at);
    }
}

void DrawFade(const uint16_t* picture, uint16_t* out, size_t n, uint16_t fraction)
{
    InWidestVectors<uint16_t>(static_cast<int32_t>(std::min<size_t>(n, INT32_MAX)),
                              [=](auto d) { FadeSpan(d, picture, out, n, fraction); }, [] {});
}

}  // namespace HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
HWY_EXPORT(DrawRingsXor3);
HWY_EXPORT(DrawRingsSum2);
HWY_EXPORT(DrawRotozoom);
HWY_EXPORT(DrawTunnel);
HWY_EXPORT(DrawFade);

void RingsXor3Vector(const RingPass* pass, bool overlay)
{
    HWY_DYNAMIC_DISPATCH(DrawRingsXor3)(pass, overlay);
}

void RingsSum2Vector(const RingPass* pass)
{
    HWY_DYNAMIC_DISPATCH(DrawRingsSum2)(pass);
}

void RotozoomVector(const RotoPass* pass)
{
    HWY_DYNAMIC_DISPATCH(DrawRotozoom)(pass);
}

void TunnelVector(const TunnelPass* pass)
{
    HWY_DYNAMIC_DISPATCH(DrawTunnel)(pass);
}
void FadeVector(const uint16_t* picture, uint16_t* out, size_t n, uint16_t fraction)
{
    HWY_DYNAMIC_DISPATCH(DrawFade)(picture, out, n, fraction);
}
#endif
