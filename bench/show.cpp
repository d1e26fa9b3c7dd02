// The Show subject: every frame of the show at 60 fps, in order, drawn with the play position and
// clock an offline capture gives it, plus the conversion, each frame timed on its own.
#include "show.h"

#include <algorithm>
#include <ctime>
#include <vector>

#include "app/driver.h"
#include "display/convert.h"
#include "frame/frame.h"
#include "offline/show_music.h"
#include "show/show_timing.h"
#include "sound/music.h"

namespace {

constexpr uint32_t ShowFps = 60;

std::vector<PlannedFrame> Frames;

// The CPU time of this thread: the time the frame ran, not the time other programs had the core.
double ThreadSeconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

bool PlanShow(std::string* error)
{
    ShowMusic music;
    Stretch show;
    Frames.clear();
    if (!RenderShowMusic(&music, ShowFps, 0, LastOrder, &show, error))
        return false;
    for (uint32_t frame = 0; frame <= show.last; ++frame)
        Frames.push_back({FrameMillis(frame, ShowFps), FramePosition(&music, frame)});
    return true;
}

std::span<const PlannedFrame> ShowFrames()
{
    return Frames;
}

std::vector<double> TimeShow(uint8_t* staging, size_t passes)
{
    std::vector<std::vector<double>> seconds(Frames.size());  // per frame, one entry per pass
    for (size_t pass = 0; pass < passes; ++pass) {
        // The scroller rewrites ScrollerPicture, which a later order shows: every pass starts afresh.
        ShowState show;
        StartShowAt(&show, 0);
        for (size_t k = 0; k < Frames.size(); ++k) {
            const double start = ThreadSeconds();
            DrawShowFrame(&show, Frames[k].millis, Frames[k].position);
            ConvertFrame(Framebuffer, staging);
            seconds[k].push_back(ThreadSeconds() - start);
        }
    }
    std::vector<double> medians;
    for (std::vector<double>& times : seconds) {
        std::sort(times.begin(), times.end());
        const size_t n = times.size();
        medians.push_back(n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2);
    }
    return medians;
}
