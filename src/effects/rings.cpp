// Two-color moirés of concentric rings around centres that wander with time. The distance of a
// pixel from a centre comes from a table: row |y - cy| (absolute buffer rows), column
// |stride - cx - (x - x0)|, i.e. the centre mirrored across the row and counted from the
// rectangle's left edge, which is what makes the quadrant scenes repeat the same columns.
#include "effects/rings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "effects/effects.h"
#include "effects/loops.h"
#include "effects/vector_loops.h"
#include "frame/tables.h"

namespace {

// How centre i moves: x = centerX + (centerX - margin) * sin(sin(i + M * rate) * M / a_i),
// y = centerY + spread * i + (centerY - margin) * cos(i + M / b_i).
struct Motion {
    double rate;
    double a0, aStep;
    double b0, bStep;
    int32_t margin, spread;
};

constexpr Motion Xor3Motion = {1.0 / 6400, 3000, 600, 3000, 1000, 30, 15};
constexpr Motion Sum2Motion = {1.0 / 2400, 2300, 300, 2000, 200, 50, 10};

template <size_t N>
std::array<RingCentre, N> MoveCentres(const Region* r, const Motion& motion)
{
    const double m = static_cast<double>(r->millis);
    const int32_t ampX = int32_t{r->centerX} - motion.margin;
    const int32_t ampY = int32_t{r->centerY} - motion.margin;
    std::array<RingCentre, N> centres;
    for (size_t i = 0; i < N; ++i) {
        const double k = static_cast<double>(i);
        const double a = motion.a0 - motion.aStep * k;
        const double b = motion.b0 - motion.bStep * k;
        // Both swings truncate toward zero; the sums wrap at 16 bits.
        const int32_t dx = static_cast<int32_t>(ampX * std::sin(std::sin(k + m * motion.rate) * (m / a)));
        const int32_t dy = static_cast<int32_t>(ampY * std::cos(k + m / b));
        centres[i].x = static_cast<uint16_t>(r->centerX + dx);
        centres[i].y = static_cast<uint16_t>(r->centerY + motion.spread * static_cast<int32_t>(i) + dy);
    }
    return centres;
}

// Along a row, centre k's column term |h[k] - j| (j = x - x0) falls to 0 at j = h[k] and rises
// after it. Cut at those turning points, the row falls into at most N + 1 runs over each of which every
// term moves one way, so each centre's table row is read as a straight (or reversed) run. The cuts
// are the same for every row; only the table rows change.
template <size_t N>
struct RowPlan {
    struct Run {
        int32_t start, length;
        std::array<int32_t, N> column;  // each centre's column term at the run's first pixel
        unsigned falling;               // bit k: centre k's term falls along the run
    };
    std::array<Run, N + 1> runs;
    size_t count = 0;
};

template <size_t N>
RowPlan<N> SplitRowIntoRuns(const Region* r, const std::array<RingCentre, N>& centres)
{
    RowPlan<N> plan;
    const int32_t stride = r->stride;
    const int32_t width = std::min(int32_t{r->x1} - r->x0, stride);
    if (width <= 0 || r->y0 >= r->y1)
        return plan;
    // h[k] = stride - cx[k]: the column, counted from x0, where centre k's term turns.
    std::array<int32_t, N> h;
    std::array<int32_t, N + 2> cuts;
    for (size_t k = 0; k < N; ++k) {
        // A centre so far out that a term would pass the table's last column is pulled in; the
        // program's centres (columns 30..210) never are.
        h[k] = std::clamp(stride - centres[k].x, width - stride, stride - 1);
        cuts[k] = std::clamp(h[k], 0, width);
    }
    cuts[N] = 0;
    cuts[N + 1] = width;
    std::sort(cuts.begin(), cuts.end());
    for (size_t c = 0; c + 1 < cuts.size(); ++c) {
        if (cuts[c] == cuts[c + 1])
            continue;
        auto& run = plan.runs[plan.count++];
        run.start = cuts[c];
        run.length = cuts[c + 1] - cuts[c];
        run.falling = 0;
        for (size_t k = 0; k < N; ++k) {
            run.column[k] = std::abs(h[k] - run.start);
            if (run.start < h[k])
                run.falling |= 1u << k;
        }
    }
    return plan;
}

constexpr int32_t Step(unsigned falling, unsigned k)
{
    return (falling >> k) & 1 ? -1 : 1;
}

// One run; each table pointer steps one entry forward or back per pixel. Bit 4 of three
// distances: odd parity is dark; the other pixels are light, or left alone when overlaying.
template <bool Overlay, unsigned Falling>
void XorRun(uint16_t* out, const uint16_t* a, const uint16_t* b, const uint16_t* c, int32_t n)
{
    constexpr int32_t da = Step(Falling, 0), db = Step(Falling, 1), dc = Step(Falling, 2);
    for (int32_t j = 0; j < n; ++j, a += da, b += db, c += dc) {
        const uint16_t acc = *a ^ *b ^ *c;
        out[j] = acc != 0 ? RingDark : Overlay ? out[j] : RingLight;
    }
}

// Bit 3 of the 16-bit sum of two distances: set is dark, clear is light.
template <unsigned Falling>
void SumRun(uint16_t* out, const uint16_t* a, const uint16_t* b, int32_t n)
{
    constexpr int32_t da = Step(Falling, 0), db = Step(Falling, 1);
    for (int32_t j = 0; j < n; ++j, a += da, b += db) {
        // Wraps at 16 bits (distances are at most 398, so it never does here).
        const uint16_t sum = static_cast<uint16_t>(*a + *b);
        out[j] = sum & 8 ? RingDark : RingLight;
    }
}


// One kernel per combination of directions, indexed by a run's falling bits.
using XorKernel = void (*)(uint16_t*, const uint16_t*, const uint16_t*, const uint16_t*, int32_t);
using SumKernel = void (*)(uint16_t*, const uint16_t*, const uint16_t*, int32_t);

template <bool Overlay, unsigned... Falling>
constexpr std::array<XorKernel, sizeof...(Falling)> XorKernels(std::integer_sequence<unsigned, Falling...>)
{
    return {&XorRun<Overlay, Falling>...};
}

template <unsigned... Falling>
constexpr std::array<SumKernel, sizeof...(Falling)> SumKernels(std::integer_sequence<unsigned, Falling...>)
{
    return {&SumRun<Falling>...};
}


struct RingKernels {
    std::array<XorKernel, 8> xorPaint, xorOverlay;
    std::array<SumKernel, 4> sumPaint;
};
constexpr RingKernels PlainKernels = {XorKernels<false>(std::make_integer_sequence<unsigned, 8>{}),
                                      XorKernels<true>(std::make_integer_sequence<unsigned, 8>{}),
                                      SumKernels(std::make_integer_sequence<unsigned, 4>{})};

// The vector passes take the same runs, the centres' columns padded to three.
template <size_t N>
std::array<RingRun, N + 1> VectorRuns(const RowPlan<N>& plan)
{
    std::array<RingRun, N + 1> runs{};
    for (size_t i = 0; i < plan.count; ++i) {
        runs[i] = {plan.runs[i].start, plan.runs[i].length, {}, plan.runs[i].falling};
        std::copy(plan.runs[i].column.begin(), plan.runs[i].column.end(), runs[i].column.begin());
    }
    return runs;
}

template <size_t N>
RingPass MakeRingPass(const Region* r, const uint16_t* table, const std::array<RingCentre, N>& centres,
                      std::span<const RingRun> runs)
{
    RingPass pass{table, Framebuffer + size_t{r->y0} * r->stride + r->x0, r->y0, r->y1, r->stride, {}, runs};
    for (size_t k = 0; k < N; ++k)
        pass.centreY[k] = centres[k].y;
    return pass;
}

}  // namespace

std::array<RingCentre, 3> RingsXor3Centres(const Region* r)
{
    return MoveCentres<3>(r, Xor3Motion);
}

std::array<RingCentre, 2> RingsSum2Centres(const Region* r)
{
    return MoveCentres<2>(r, Sum2Motion);
}

void RingsXor3(const Region* r, uint16_t flag)
{
    const std::array<RingCentre, 3> centres = RingsXor3Centres(r);
    const RowPlan<3> plan = SplitRowIntoRuns(r, centres);
    if (plan.count == 0)
        return;
    if (!PlainLoops()) {
        const auto runs = VectorRuns(plan);
        const RingPass pass = MakeRingPass(r, RingTable, centres, std::span(runs.data(), plan.count));
        RingsXor3Vector(&pass, flag == 0);
        return;
    }
    const auto& kernels = flag != 0 ? PlainKernels.xorPaint : PlainKernels.xorOverlay;
    const int32_t stride = r->stride;
    uint16_t* row = Framebuffer + size_t{r->y0} * r->stride + r->x0;
    for (int32_t y = r->y0; y < r->y1; ++y, row += stride) {
        const uint16_t* t0 = RingTable + RingTableRow(y, centres[0].y, stride);
        const uint16_t* t1 = RingTable + RingTableRow(y, centres[1].y, stride);
        const uint16_t* t2 = RingTable + RingTableRow(y, centres[2].y, stride);
        for (size_t i = 0; i < plan.count; ++i) {
            const auto& run = plan.runs[i];
            kernels[run.falling](row + run.start, t0 + run.column[0], t1 + run.column[1], t2 + run.column[2], run.length);
        }
    }
}

void RingsSum2(const Region* r)
{
    const std::array<RingCentre, 2> centres = RingsSum2Centres(r);
    const RowPlan<2> plan = SplitRowIntoRuns(r, centres);
    if (plan.count == 0)
        return;
    if (!PlainLoops()) {
        const auto runs = VectorRuns(plan);
        const RingPass pass = MakeRingPass(r, DistanceTable, centres, std::span(runs.data(), plan.count));
        RingsSum2Vector(&pass);
        return;
    }
    const auto& kernels = PlainKernels.sumPaint;
    const int32_t stride = r->stride;
    uint16_t* row = Framebuffer + size_t{r->y0} * r->stride + r->x0;
    for (int32_t y = r->y0; y < r->y1; ++y, row += stride) {
        const uint16_t* t0 = DistanceTable + RingTableRow(y, centres[0].y, stride);
        const uint16_t* t1 = DistanceTable + RingTableRow(y, centres[1].y, stride);
        for (size_t i = 0; i < plan.count; ++i) {
            const auto& run = plan.runs[i];
            kernels[run.falling](row + run.start, t0 + run.column[0], t1 + run.column[1], run.length);
        }
    }
}
