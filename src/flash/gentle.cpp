#include "flash/gentle.h"

#include <algorithm>

#include "flash/runs.h"
#include "frame/frame.h"

namespace {

constexpr uint32_t DrawnFlashing = 4;             // transitions in a second that start the blending
constexpr uint32_t ShownNearLimit = 2 * FlashLimit - 1;  // transitions shown that all but stop it
constexpr uint32_t FollowShift = 3, HoldShift = 8;  // a 60th of a second's step to the drawing: 1/8, 1/256
constexpr int32_t ContrastDivisor = 4;              // following, the drawing's contrast about the mean

// The most transitions of the last second among the windows that hold cell (cx, cy).
uint32_t CellTransitions(const FlashAnalysis* a, int cx, int cy)
{
    uint32_t most = 0;
    for (int wy = std::max(cy - 1, 0); wy <= std::min(cy, FlashGrid - 1); ++wy)
        for (int wx = std::max(cx - 1, 0); wx <= std::min(cx, FlashGrid - 1); ++wx)
            for (const uint32_t n : a->inPeriod[wy * FlashGrid + wx])
                most = std::max(most, n);
    return most;
}

}  // namespace

void StartGentle(GentleMode* g, uint32_t fps)
{
    *g = GentleMode{};
    StartFlashAnalysis(&g->drawn, fps, 0);
    StartFlashAnalysis(&g->shown, fps, 0);
    g->drawn.tally = g->shown.tally = false;
}

const uint16_t* GentleFrame(GentleMode* g, const uint16_t* drawn, uint32_t millis)
{
    AnalyseFrame(&g->drawn, drawn);
    if (!g->started) {
        g->started = true;
        g->millis = millis;
        g->picture.assign(drawn, drawn + BufferPixels);
        g->blend.resize(BufferPixels * 3);
        for (size_t i = 0; i < BufferPixels; ++i) {
            g->blend[3 * i] = static_cast<uint16_t>((drawn[i] >> 11) << 8);
            g->blend[3 * i + 1] = static_cast<uint16_t>(((drawn[i] >> 5) & 63) << 8);
            g->blend[3 * i + 2] = static_cast<uint16_t>((drawn[i] & 31) << 8);
        }
        AnalyseFrame(&g->shown, g->picture.data());
        return g->picture.data();
    }
    // A 60th of a second's weight is 256 >> shift; a frame's, that scaled by its length.
    const uint32_t elapsed = millis > g->millis ? std::min<uint32_t>(millis - g->millis, 1000) : 1000 / 60;
    g->millis = millis;
    // Per cell: show the drawing (Exact), follow it (its running mean, taking a weight of 256 in a
    // 60th of a second, with the drawing at a quarter of its contrast about it) or all but stop
    // (the mean alone, moving 256 times slower).
    enum Mode : uint8_t { Exact, Follow, Hold };
    const auto weightOf = [elapsed](uint32_t shift) {
        return static_cast<int32_t>(std::clamp<uint32_t>((elapsed * 256 * 60 / 1000) >> shift, 1, 256));
    };
    const int32_t weights[3] = {256, weightOf(FollowShift), weightOf(HoldShift)};
    Mode mode[Cells][Cells];
    for (int cy = 0; cy < Cells; ++cy)
        for (int cx = 0; cx < Cells; ++cx)
            mode[cx][cy] = CellTransitions(&g->shown, cx, cy) >= ShownNearLimit   ? Hold
                           : CellTransitions(&g->drawn, cx, cy) >= DrawnFlashing ? Follow
                                                                                  : Exact;
    size_t i = 0;
    for (int y = 0; y < BufferHeight; ++y) {
        const Mode* rowModes = mode[RowCell(y)];
        for (int x = 0; x < BufferWidth; ++x, ++i) {
            const uint16_t d = drawn[i];
            uint16_t* b = &g->blend[3 * i];
            const Mode m = rowModes[x / CellColumns];
            const int32_t target[3] = {(d >> 11) << 8, ((d >> 5) & 63) << 8, (d & 31) << 8};
            if (m == Exact) {
                g->picture[i] = d;
                for (int c = 0; c < 3; ++c)
                    b[c] = static_cast<uint16_t>(target[c]);
                continue;
            }
            int32_t shown[3];
            for (int c = 0; c < 3; ++c) {
                b[c] = static_cast<uint16_t>(b[c] + (target[c] - b[c]) * weights[m] / 256);
                shown[c] = (b[c] + (m == Follow ? (target[c] - b[c]) / ContrastDivisor : 0) + 128) >> 8;
            }
            g->picture[i] = static_cast<uint16_t>(shown[0] << 11 | shown[1] << 5 | shown[2]);
        }
    }
    AnalyseFrame(&g->shown, g->picture.data());
    return g->picture.data();
}
