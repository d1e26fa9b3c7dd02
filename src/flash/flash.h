// A screen for flashing in the frames as drawn, after WCAG 2.3.1's definitions (a screen, not a
// certified test). The picture is the 320 x 240 landscape one the viewer sees; its windows are a
// third of its width and height, sliding by a sixth (5 x 5 windows). A pixel's relative luminance
// comes from sRGB; it makes a transition when it moves 0.1 or more from its last turning point
// with the darker side below 0.8, and a red transition when it moves more than 20 in
// max(0, R - G - B) x 320 (linear R, G, B) to or from a saturated red (R / (R + G + B) >= 0.8).
// A window makes a transition in a frame where at least a quarter of its pixels make one (flashes
// at the same time add up, whichever way they go); its transitions count when they alternate. A flash is two transitions; more than 3 in any
// one second fails. Main thread; everything here is plain memory.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

constexpr int FlashGrid = 5;                         // windows across and down
constexpr int FlashWindows = FlashGrid * FlashGrid;  // window w: column w % 5, row w / 5
constexpr uint32_t FlashLimit = 3;                   // flashes allowed in any one second

// The worst one-second period of a stretch: flashes, the window and the frame it starts at.
struct FlashPeak {
    uint32_t flashes = 0;
    int window = 0;
    uint32_t startFrame = 0;
};

// One whole second of the show: the worst period starting in it, general and red.
struct FlashSecond {
    uint32_t second;
    FlashPeak general, red;
};

struct FlashAnalysis {
    uint32_t fps = 60, firstFrame = 0, frames = 0;
    std::vector<uint16_t> previous;   // the last frame analysed
    std::vector<uint16_t> anchor;     // each pixel's luminance at its last turning point
    std::vector<uint16_t> redAnchor;  // and its red value there (bit 15: a saturated red)
    std::vector<uint8_t> runs;        // each pixel's run: low nibble luminance, high nibble red
    // Per window and kind (general, red): the last counted direction, and which of the last fps
    // frames made a counted transition, with their number.
    uint8_t lastWay[FlashWindows][2] = {};
    std::vector<uint8_t> recent[FlashWindows][2];
    uint32_t inPeriod[FlashWindows][2] = {};
    std::vector<FlashSecond> seconds;
    bool tally = true;                // false: keep no seconds, only the last second's counts
};

// Starts an analysis of frames shown fps times a second, the first of them numbered firstFrame
// (its time in the show is firstFrame / fps).
void StartFlashAnalysis(FlashAnalysis* a, uint32_t fps, uint32_t firstFrame);
// Adds the next frame: a 240 x 320 RGB565 buffer as drawn (frame/frame.h).
void AnalyseFrame(FlashAnalysis* a, const uint16_t* frame);
// Ends the stretch: the periods that start in its last second are counted to its end.
void FinishFlashAnalysis(FlashAnalysis* a);

// The worst period of the whole stretch (the earliest among equals), general or red.
FlashPeak WorstFlashes(const FlashAnalysis* a, bool red);
// Seconds whose worst period, general or red, has more than FlashLimit flashes.
uint32_t SecondsOverLimit(const FlashAnalysis* a);
// The report as CSV: a header, then per second the worst flashes and window (its left and top
// pixel in the landscape picture), general and red.
std::string FlashReportCsv(const FlashAnalysis* a);
// One line: the seconds over the limit and the worst periods.
std::string FlashSummary(const FlashAnalysis* a);

// A pixel's relative luminance, 0..10000 for 0..1.
uint16_t PixelLuminance(uint16_t pixel);
