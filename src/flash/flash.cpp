#include "flash/flash.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "flash/runs.h"
#include "frame/frame.h"

namespace {

constexpr int PictureWidth = BufferHeight, PictureHeight = BufferWidth;  // the landscape picture

// Linear intensity of a channel as the screen shows it: the channel's bits moved up to seven
// (display/convert.h) and scaled to 8 bits, then sRGB decoded.
double Linear(uint32_t value, uint32_t step)
{
    const double c = std::round(value * step * 255.0 / 127.0) / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

struct PixelTables {
    std::vector<uint16_t> luminance, red;
    PixelTables() : luminance(65536), red(65536)
    {
        for (uint32_t p = 0; p < 65536; ++p) {
            const double r = Linear(p >> 11, 4), g = Linear((p >> 5) & 63, 2), b = Linear(p & 31, 4);
            luminance[p] = static_cast<uint16_t>(std::lround((0.2126 * r + 0.7152 * g + 0.0722 * b) * 10000));
            const double q = std::max(0.0, r - g - b) * 320 * 50;
            const bool saturated = r + g + b > 0 && r >= 0.8 * (r + g + b);
            red[p] = static_cast<uint16_t>(std::lround(q) | (saturated ? RedSaturated : 0));
        }
    }
};

const PixelTables& Tables()
{
    static const PixelTables tables;
    return tables;
}

// The first picture column and row of cell k (k = 6: the picture's width or height).
int CellLeft(int k) { return (k * PictureWidth + Cells - 1) / Cells; }
int CellTop(int k) { return k * PictureHeight / Cells; }

// The pixels of window w: two cells across, two down.
uint32_t WindowPixels(int w)
{
    const int cx = w % FlashGrid, cy = w / FlashGrid;
    return static_cast<uint32_t>((CellLeft(cx + 2) - CellLeft(cx)) * (CellTop(cy + 2) - CellTop(cy)));
}

// A window's transition in a frame where up and down of its pixels made one: none unless they
// cover a quarter of it together (flashes that happen at once add up, whichever way they go);
// both ways when the smaller group is at least half the larger, else the larger group's way.
uint8_t WindowWay(uint32_t up, uint32_t down, uint32_t pixels)
{
    if ((up + down) * 4 < pixels)
        return 0;
    if (std::min(up, down) * 2 >= std::max(up, down))
        return RunUp | RunDown;
    return up > down ? RunUp : RunDown;
}

// Counts the period of the last fps frames up to `frame` for the second it starts in, and the
// stretch's worst. A period is taken to start at its first transition (it then holds the same
// ones), so that its time says where the flashing begins.
void CountPeriod(FlashAnalysis* a, uint32_t frame, int w, int kind)
{
    const uint32_t flashes = a->inPeriod[w][kind] / 2;
    if (flashes == 0 || !a->tally)
        return;
    uint32_t start = frame + 1 >= a->firstFrame + a->fps ? frame + 1 - a->fps : a->firstFrame;
    while (a->recent[w][kind][start % a->fps] == 0)
        ++start;
    const uint32_t second = start / a->fps - a->firstFrame / a->fps;
    FlashPeak* peak = kind == 0 ? &a->seconds[second].general : &a->seconds[second].red;
    if (flashes > peak->flashes)
        *peak = {flashes, w, start};
}

// Enters frame `frame`'s transitions of every window (ways[w][kind]: bit 0 up, bit 1 down) into the
// last second's record.
void EnterTransitions(FlashAnalysis* a, uint32_t frame, const uint8_t (*ways)[2])
{
    const uint32_t slot = frame % a->fps;
    const uint32_t firstSecond = a->firstFrame / a->fps;
    // Every second the stretch reaches has its row, flashing or not.
    while (a->tally && a->frames > 0 && a->seconds.size() <= (a->firstFrame + a->frames - 1) / a->fps - firstSecond)
        a->seconds.push_back({firstSecond + static_cast<uint32_t>(a->seconds.size()), {}, {}});
    for (int w = 0; w < FlashWindows; ++w)
        for (int kind = 0; kind < 2; ++kind) {
            uint8_t way = ways[w][kind];
            // Both ways at once (two groups of pixels out of step): the one opposite to the last.
            if (way == (RunUp | RunDown))
                way = a->lastWay[w][kind] == RunUp ? RunDown : RunUp;
            const bool counted = way != 0 && way != a->lastWay[w][kind];
            if (counted)
                a->lastWay[w][kind] = way;
            std::vector<uint8_t>& recent = a->recent[w][kind];
            a->inPeriod[w][kind] = a->inPeriod[w][kind] + (counted ? 1u : 0u) - recent[slot];
            recent[slot] = counted ? 1 : 0;
            CountPeriod(a, frame, w, kind);
        }
}

}  // namespace

const uint16_t* LuminanceTable() { return Tables().luminance.data(); }
const uint16_t* RedTable() { return Tables().red.data(); }
uint16_t PixelLuminance(uint16_t pixel) { return LuminanceTable()[pixel]; }

void StartFlashAnalysis(FlashAnalysis* a, uint32_t fps, uint32_t firstFrame)
{
    *a = FlashAnalysis{};
    a->fps = fps;
    a->firstFrame = firstFrame;
    for (auto& window : a->recent)
        for (auto& kind : window)
            kind.assign(fps, 0);
}

void AnalyseFrame(FlashAnalysis* a, const uint16_t* frame)
{
    const uint16_t* luminance = LuminanceTable();
    const uint16_t* red = RedTable();
    const uint32_t n = a->firstFrame + a->frames++;
    if (a->previous.empty()) {
        a->previous.assign(frame, frame + BufferPixels);
        a->anchor.assign(BufferPixels, 0);
        a->redAnchor.assign(BufferPixels, 0);
        a->runs.assign(BufferPixels, 0);
        static constexpr uint8_t None[FlashWindows][2] = {};
        EnterTransitions(a, n, None);
        return;
    }
    // Per cell, how many pixels made a transition each way: general up, down, red up, down.
    uint32_t made[Cells * Cells][4] = {};
    size_t i = 0;
    for (int y = 0; y < BufferHeight; ++y) {
        uint32_t(*row)[4] = made + RowCell(y);
        for (int x = 0; x < BufferWidth; ++x, ++i) {
            const uint16_t now = frame[i], was = a->previous[i];
            if (now == was)
                continue;
            a->previous[i] = now;
            uint32_t* cell = row[Cells * (x / CellColumns)];
            uint8_t general = a->runs[i] & 15, redRun = a->runs[i] >> 4;
            const uint8_t g = TrackRun(luminance[now], luminance[was], &a->anchor[i], &general, false);
            const uint8_t r = TrackRun(red[now], red[was], &a->redAnchor[i], &redRun, true);
            a->runs[i] = static_cast<uint8_t>(general | redRun << 4);
            if (g != 0)
                ++cell[g - 1];
            if (r != 0)
                ++cell[r + 1];
        }
    }
    uint8_t ways[FlashWindows][2] = {};
    for (int w = 0; w < FlashWindows; ++w) {
        uint32_t sum[4] = {};
        const int c = (w / FlashGrid) * Cells + w % FlashGrid;
        for (const int cell : {c, c + 1, c + Cells, c + Cells + 1})
            for (int k = 0; k < 4; ++k)
                sum[k] += made[cell][k];
        const uint32_t pixels = WindowPixels(w);
        ways[w][0] = WindowWay(sum[0], sum[1], pixels);
        ways[w][1] = WindowWay(sum[2], sum[3], pixels);
    }
    EnterTransitions(a, n, ways);
}

void FinishFlashAnalysis(FlashAnalysis* a)
{
    static constexpr uint8_t None[FlashWindows][2] = {};
    const uint32_t last = a->firstFrame + a->frames - 1;
    for (uint32_t f = last + 1; a->frames > 0 && f < last + a->fps; ++f)
        EnterTransitions(a, f, None);
}

FlashPeak WorstFlashes(const FlashAnalysis* a, bool red)
{
    FlashPeak worst;
    for (const FlashSecond& s : a->seconds) {
        const FlashPeak& p = red ? s.red : s.general;
        if (p.flashes > worst.flashes)
            worst = p;
    }
    return worst;
}

uint32_t SecondsOverLimit(const FlashAnalysis* a)
{
    return static_cast<uint32_t>(std::count_if(a->seconds.begin(), a->seconds.end(), [](const FlashSecond& s) {
        return s.general.flashes > FlashLimit || s.red.flashes > FlashLimit;
    }));
}

// ",flashes,x,y" of a peak; the window stays empty when nothing flashed.
static void AppendPeak(std::string* csv, const FlashPeak& p)
{
    char text[40];
    if (p.flashes == 0)
        std::snprintf(text, sizeof text, ",0,,");
    else
        std::snprintf(text, sizeof text, ",%u,%d,%d", p.flashes, CellLeft(p.window % FlashGrid),
                      CellTop(p.window / FlashGrid));
    csv->append(text);
}

std::string FlashReportCsv(const FlashAnalysis* a)
{
    std::string csv = "second,general,general_x,general_y,red,red_x,red_y\n";
    for (const FlashSecond& s : a->seconds) {
        csv.append(std::to_string(s.second));
        AppendPeak(&csv, s.general);
        AppendPeak(&csv, s.red);
        csv.push_back('\n');
    }
    return csv;
}

static std::string Describe(const FlashAnalysis* a, const char* kind, const FlashPeak& p)
{
    char line[160];
    if (p.flashes == 0)
        std::snprintf(line, sizeof line, "no %s flash", kind);
    else
        std::snprintf(line, sizeof line, "worst %s %u in the second from %u.%02u s at %d,%d", kind, p.flashes,
                      p.startFrame / a->fps, p.startFrame % a->fps * 100 / a->fps, CellLeft(p.window % FlashGrid),
                      CellTop(p.window / FlashGrid));
    return line;
}

std::string FlashSummary(const FlashAnalysis* a)
{
    const auto over = [a](bool red) {
        return static_cast<unsigned>(std::count_if(a->seconds.begin(), a->seconds.end(), [red](const FlashSecond& s) {
            return (red ? s.red : s.general).flashes > FlashLimit;
        }));
    };
    char line[120];
    std::snprintf(line, sizeof line, "flashes: %u of %zu seconds over %u (general %u, red %u); ", SecondsOverLimit(a),
                  a->seconds.size(), FlashLimit, over(false), over(true));
    std::string summary = line;
    summary.append(Describe(a, "general", WorstFlashes(a, false)));
    summary.append("; ");
    summary.append(Describe(a, "red", WorstFlashes(a, true)));
    return summary;
}
