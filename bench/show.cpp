// The Show subject: every frame of the show at 60 fps, in order, drawn with the play position and
// clock an offline capture gives it, plus the conversion, each frame timed on its own.
#include "show.h"

#include <algorithm>
#include <ctime>
#include <cstring>
#include <vector>

#include "app/driver.h"
#include "app/show_timing.h"
#include "assets/assets.h"
#include "display/convert.h"
#include "frame/frame.h"
#include "sound/music.h"

namespace {

constexpr uint32_t ShowFps = 60;

std::vector<PlannedFrame> Frames;
std::vector<std::vector<double>> FrameSeconds;  // per frame, one entry per pass
std::vector<uint16_t> ScrollerAtStart;

// The CPU time of this thread: the time the frame ran, not the time other programs had the core.
double ThreadSeconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

bool PlanShow()
{
    MusicDecoder* m = OpenMusic(MusicModule.data(), MusicModule.size());
    if (m == nullptr)
        return false;
    // The position reported after each slice of 147 sample frames, the last good one kept.
    std::vector<uint32_t> slices;
    std::vector<float> scratch(2 * MusicSliceFrames);
    uint32_t position = PackPosition(0, 0);
    Frames.clear();
    for (uint32_t frame = 0;; ++frame) {
        // Frame k starts at sample floor(k * 44100 / 60) and takes the position of that sample's slice.
        const uint64_t slice = uint64_t{frame} * MusicRate / ShowFps / MusicSliceFrames;
        while (slices.size() <= slice) {
            if (RenderMusic(m, scratch.data(), MusicSliceFrames) == 0)
                break;
            if (const uint32_t reported = MusicPosition(m); reported != PositionUnknown)
                position = reported;
            slices.push_back(position);
        }
        if (slices.size() <= slice)
            break;
        const uint32_t at = slices[slice];
        Frames.push_back({static_cast<uint32_t>(uint64_t{frame} * 1000 / ShowFps), at});
        // The first frame of the end order is the show's black end frame, and its last.
        if (static_cast<int32_t>(PositionOrder(at)) >= LastOrder)
            break;
    }
    CloseMusic(m);
    ScrollerAtStart.assign(ScrollerPicture, ScrollerPicture + BufferPixels);
    FrameSeconds.assign(Frames.size(), {});
    return !Frames.empty() && static_cast<int32_t>(PositionOrder(Frames.back().position)) >= LastOrder;
}

std::span<const PlannedFrame> ShowFrames()
{
    return Frames;
}

void PlayShow(uint8_t* staging)
{
    // The scroller rewrites ScrollerPicture, which a later order shows: every pass starts as the
    // first one did.
    std::memcpy(ScrollerPicture, ScrollerAtStart.data(), sizeof ScrollerPicture);
    ShowState show = {};
    RegionFull(&show.records[0]);
    for (size_t k = 0; k < Frames.size(); ++k) {
        const double start = ThreadSeconds();
        DrawShowFrame(&show, Frames[k].millis, Frames[k].position);
        ConvertFrame(Framebuffer, staging);
        FrameSeconds[k].push_back(ThreadSeconds() - start);
    }
}

size_t ShowPasses()
{
    return FrameSeconds.empty() ? 0 : FrameSeconds.front().size();
}

std::vector<double> ShowFrameMedians()
{
    std::vector<double> medians;
    for (std::vector<double> times : FrameSeconds) {
        if (times.empty())
            return {};
        std::sort(times.begin(), times.end());
        const size_t n = times.size();
        medians.push_back(n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2);
    }
    return medians;
}
