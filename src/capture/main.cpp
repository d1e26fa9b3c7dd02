// sideways-capture: the show rendered offline to video, pictures, sound and raw buffers, frame by
// frame in step with the music, on the same library, timeline and effects as the live program.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "app/driver.h"
#include "capture/encoder.h"
#include "capture/frame_workers.h"
#include "capture/options.h"
#include "capture/outputs.h"
#include "capture/system.h"
#include "display/convert.h"
#include "files/file_system.h"
#include "files/files.h"
#include "flash/flash.h"
#include "flash/gentle.h"
#include "frame/frame.h"
#include "offline/landscape.h"
#include "offline/png.h"
#include "offline/show_music.h"
#include "offline/show_player.h"
#include "sound/music.h"

// Takes back everything not committed and says why the run failed.
static int Fail(Outputs* out, const std::string& why)
{
    DiscardOutputs(out);
    if (StopSignal == 0) {
        std::fprintf(stderr, "sideways-capture: %s\n", why.c_str());
        return ExitFailed;
    }
    if (out->committed.empty())
        std::fprintf(stderr, "sideways-capture: interrupted; nothing was kept\n");
    else
        std::fprintf(stderr, "sideways-capture: interrupted; %s put in place, nothing else\n", out->committed.c_str());
    return ExitSignalBase + StopSignal;
}

// A line on the terminal, redrawn at most four times a second; nothing when stderr is no terminal.
struct Progress {
    bool on;
    std::chrono::steady_clock::time_point start, shown;
};

// done of total frames; the last one drawn is frame `at`, at position.
static void ShowProgress(Progress* p, uint32_t done, uint32_t total, uint32_t at, uint32_t position, uint32_t fps,
                         bool last)
{
    if (!p->on)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!last && now - p->shown < std::chrono::milliseconds(250))
        return;
    p->shown = now;
    const double wall = std::chrono::duration<double>(now - p->start).count();
    const double speed = wall > 0 ? done / static_cast<double>(fps) / wall : 0;
    const double left = done > 0 ? wall / done * (total - done) : 0;
    const int leftSeconds = static_cast<int>(left + 0.5);
    const uint32_t showSeconds = at / fps;
    std::fprintf(stderr, "\rframe %u of %u  show %u:%02u order %2u row %2u  %5.1fx real time  %d:%02d left ", done,
                 total, showSeconds / 60, showSeconds % 60, PositionOrder(position), PositionRow(position), speed, leftSeconds / 60,
                 leftSeconds % 60);
    if (last)
        std::fputc('\n', stderr);
    std::fflush(stderr);
}

// Start-up as the live program makes it, and the music of the whole stretch.
static bool StartUp(const CaptureOptions& o, std::vector<uint16_t>* pixels, ShowMusic* music, Stretch* stretch,
                    std::string* error)
{
    ShowState start;
    return PrepareOfflineShow(pixels, &start, error) &&
           RenderShowMusic(music, o.fps, o.fromOrder, o.toOrder, stretch, error);
}

// One frame on its way to the outputs: drawn on the main thread, finished on a worker thread,
// written by the main thread in the order drawn.
struct FrameSlot {
    uint32_t frame = 0, position = 0, millis = 0;
    bool raw = false, png = false, landscape = false;  // what the frame goes to
    std::vector<uint16_t> buffer;                    // the Framebuffer as drawn, for raw
    std::vector<uint8_t> picture;                    // the landscape picture, for PNG and video
    std::vector<uint8_t> rawBytes, pngBytes;         // made by the worker
    bool outOfMemory = false;
};

// A worker's part: the compressing and packing, which take time and touch nothing shared.
static void FinishSlot(FrameSlot* s)
{
    try {
        if (s->raw)
            s->rawBytes = BufferBytes(s->buffer.data());
        if (s->png)
            s->pngBytes = EncodePng(s->picture.data(), LandscapeWidth, LandscapeHeight);
        s->outOfMemory = s->png && s->pngBytes.empty();
    } catch (const std::bad_alloc&) {
        s->outOfMemory = true;
    }
}

// Writes a finished frame to its outputs, in the order the frames were drawn.
static bool WriteSlot(Outputs* out, const FrameSlot* s, std::string* error)
{
    if (s->outOfMemory) {
        *error = "out of memory for frame " + std::to_string(s->frame);
        return false;
    }
    const FrameRecord record = {s->frame, static_cast<int32_t>(PositionOrder(s->position)),
                                static_cast<int32_t>(PositionRow(s->position)), s->millis};
    return WriteFrame(out, record, s->raw ? std::span<const uint8_t>(s->rawBytes) : std::span<const uint8_t>(),
                      s->png ? std::span<const uint8_t>(s->pngBytes) : std::span<const uint8_t>(),
                      s->landscape ? s->picture.data() : nullptr, error);
}

// What the frames go through besides the outputs: gentle mode and the flash screen, when asked.
struct FrameFilters {
    GentleMode gentle;
    FlashAnalysis flash;
};

// The frame as the outputs take it: the Framebuffer as drawn, or as gentle mode shows it.
static const uint16_t* FilterFrame(const CaptureOptions& o, FrameFilters* f, uint32_t frame)
{
    const uint16_t* shown = Framebuffer;
    if (o.gentle)
        shown = GentleFrame(&f->gentle, Framebuffer, static_cast<uint32_t>(uint64_t{frame} * 1000 / o.fps));
    if (!o.flashReport.empty())
        AnalyseFrame(&f->flash, shown);
    return shown;
}

// Draws every frame of the stretch on this thread and hands it to the outputs. Worker threads,
// one a processor, compress and pack the frames drawn ahead of the one being written.
static bool RenderFrames(const CaptureOptions& o, Outputs* out, const ShowMusic& music, const Stretch& stretch,
                         FrameFilters* filters, std::string* error)
{
    // On a 64-byte boundary, where the conversion takes its fastest path; one run at a time.
    alignas(64) static uint8_t staging[StagingBytes];
    const int threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    std::vector<FrameSlot> slots(static_cast<size_t>(2 * threads + 2));
    FrameWorkers workers;
    if (!StartWorkers(&workers, threads, [&slots](int slot) { FinishSlot(&slots[size_t(slot)]); }, error))
        return false;
    ShowPlayer player;
    StartPlayer(&player, &music);
    Progress progress = {isatty(STDERR_FILENO) != 0, std::chrono::steady_clock::now(), {}};
    const uint32_t total = stretch.last - stretch.first + 1;
    // Frame first + n goes to slot n mod slots, which the frame slots.size() before it must leave.
    const auto writeOut = [&](uint32_t n) {
        FrameSlot* s = &slots[n % slots.size()];
        TakeSlot(&workers, static_cast<int>(n % slots.size()));
        if (!WriteSlot(out, s, error))
            return false;
        ShowProgress(&progress, n + 1, total, s->frame, s->position, o.fps, n + 1 == total);
        return true;
    };
    for (uint32_t n = 0; n < total; ++n) {
        if (StopSignal != 0 || (n >= slots.size() && !writeOut(n - uint32_t(slots.size()))))
            return false;
        const uint32_t frame = stretch.first + n;
        PlayFrame(&player, frame);
        const uint16_t* shown = FilterFrame(o, filters, frame);
        FrameSlot* s = &slots[n % slots.size()];
        s->frame = frame;
        s->position = PackPosition(uint32_t(player.show.order), uint32_t(player.show.row));
        s->millis = ElapsedMillis;
        s->raw = WantsRaw(out, frame);
        s->png = WantsPng(out);
        s->landscape = WantsPicture(out, frame);
        if (s->raw)
            s->buffer.assign(shown, shown + BufferPixels);
        if (s->landscape) {
            ConvertFrame(shown, staging);
            s->picture.resize(LandscapeBytes(1));
            LandscapePicture(staging, s->picture.data());
        }
        HandSlot(&workers, static_cast<int>(n % slots.size()));
    }
    for (uint32_t n = total > slots.size() ? total - uint32_t(slots.size()) : 0; n < total; ++n)
        if (StopSignal != 0 || !writeOut(n))
            return false;
    return true;
}

// Writes the flash screen's report and prints its summary.
static bool WriteFlashReport(const CaptureOptions& o, FrameFilters* filters, std::string* error)
{
    if (o.flashReport.empty())
        return true;
    FinishFlashAnalysis(&filters->flash);
    if (!WriteFileAtomically(o.flashReport, FlashReportCsv(&filters->flash), error))
        return false;
    std::printf("%s\n", FlashSummary(&filters->flash).c_str());
    return true;
}

static int Capture(const CaptureOptions& o, Outputs* out)
{
    std::string error;
    std::vector<uint16_t> pixels;
    ShowMusic music;
    Stretch stretch;
    FrameFilters filters;
    bool done = OpenOutputs(o, out, &error) && StartUp(o, &pixels, &music, &stretch, &error);
    if (done) {
        const uint64_t begin = FrameFirstSample(stretch.first, o.fps), end = FrameFirstSample(stretch.videoEnd, o.fps);
        const std::span<const int16_t> sound(music.samples.data() + 2 * begin, 2 * (end - begin));
        StartGentle(&filters.gentle, o.fps);
        StartFlashAnalysis(&filters.flash, o.fps, stretch.first);
        done = StartOutputs(out, stretch, sound, &error) && RenderFrames(o, out, music, stretch, &filters, &error) &&
               CommitOutputs(out, &error) && WriteFlashReport(o, &filters, &error);
    }
    Framebuffer = nullptr;
    if (!done || StopSignal != 0)
        return Fail(out, done ? "interrupted" : error);
    for (size_t at = 0, end; (end = out->notes.find('\n', at)) != std::string::npos; at = end + 1)
        std::fprintf(stderr, "sideways-capture: %s\n", out->notes.substr(at, end - at).c_str());
    DiscardOutputs(out);
    return ExitDone;
}

int main(int argc, char** argv)
{
    CatchInterrupts();
    CaptureOptions options;
    std::string error;
    if (!ParseOptions(argc - 1, argv + 1, &options, &error)) {
        std::fprintf(stderr, "sideways-capture: %s\n%s", error.c_str(), UsageText);
        return ExitBadArguments;
    }
    if (options.help) {
        std::fputs(UsageText, stdout);
        return ExitDone;
    }
    Outputs outputs;
    return Capture(options, &outputs);
}
