// sideways-capture: the show rendered offline to video, pictures, sound and raw buffers, frame by
// frame in step with the music, on the same library, timeline and effects as the live program.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "app/driver.h"
#include "capture/encoder.h"
#include "capture/frame_workers.h"
#include "capture/landscape.h"
#include "capture/options.h"
#include "capture/output_files.h"
#include "capture/show_music.h"
#include "capture/show_player.h"
#include "capture/system.h"
#include "display/convert.h"
#include "frame/frame.h"
#include "sound/music.h"

// The signal that asked the capture to stop, 0 while none has.
static volatile sig_atomic_t StopSignal = 0;

static void OnSignal(int signal) { StopSignal = signal != 0 ? signal : SIGINT; }

enum class OutputKind : uint8_t { Video, Wav, Png, Raw };

struct Output {
    OutputKind kind;
    PendingFile file;     // Video, Wav
    OutputFolder folder;  // Png, Raw
};

// Everything a run writes, so that a failure can take all of it back.
struct Run {
    std::vector<Output> outputs;  // in the order opened
    PendingFile videoSound;       // the video's sound, unless a --wav file can be read back
    Encoder encoder;
    std::string ffmpeg;
    std::string csv;              // frames.csv, kept until the raw folder is committed
};

static Output* Find(Run* run, OutputKind kind)
{
    for (Output& out : run->outputs)
        if (out.kind == kind)
            return &out;
    return nullptr;
}

static void TakeBack(Run* run)
{
    StopEncoder(&run->encoder);
    DiscardFile(&run->videoSound);
    for (auto out = run->outputs.rbegin(); out != run->outputs.rend(); ++out) {
        DiscardFile(&out->file);
        DiscardFolder(&out->folder);
    }
}

static int Fail(Run* run, const std::string& why)
{
    TakeBack(run);
    if (StopSignal != 0) {
        std::fprintf(stderr, "sideways-capture: interrupted; nothing was kept\n");
        return 128 + StopSignal;
    }
    std::fprintf(stderr, "sideways-capture: %s\n", why.c_str());
    return 1;
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

// The key of a folder, which need not exist yet, however spelled ("raw", "./raw/").
static std::string FolderKey(std::string folder)
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return FileKey(folder.empty() ? "." : folder);
}

// Refuses two outputs that would write the same file, however their paths are spelled: two file
// outputs, or a file output that is one of a folder output's frame files.
static bool CheckDistinct(const CaptureOptions& o, std::string* error)
{
    struct Named {
        const char* option;
        std::string path, key;
    };
    std::vector<Named> files;
    for (const auto& [option, path] : {std::pair{"-o", o.video}, std::pair{"--wav", o.wavFile}}) {
        std::string target;
        if (path.empty() || !ResolveTarget(path, &target, error))
            continue;
        files.push_back({option, path, FileKey(target)});
        for (const auto& [folderOption, folder, kind] : {std::tuple{"--png", o.pngDir, PngFrames},
                                                          std::tuple{"--raw", o.rawDir, RawFrames}}) {
            if (!folder.empty() && IsFrameFile(kind, NameOf(target)) && !FolderKey(FolderOf(target)).empty() &&
                FolderKey(FolderOf(target)) == FolderKey(folder)) {
                *error = std::string(option) + " " + path + " is one of the files " + folderOption + " writes";
                return false;
            }
        }
    }
    if (files.size() == 2 && !files[0].key.empty() && files[0].key == files[1].key) {
        *error = "-o " + files[0].path + " and --wav " + files[1].path + " name the same file";
        return false;
    }
    return true;
}

// Checks and opens every output before anything is drawn.
static bool OpenOutputs(const CaptureOptions& o, Run* run, std::string* error)
{
    if (!o.video.empty()) {
        run->ffmpeg = FindOnPath("ffmpeg");
        if (run->ffmpeg.empty()) {
            *error = EncoderMissingText;
            return false;
        }
    }
    if (!CheckDistinct(o, error))
        return false;
    const std::pair<OutputKind, const std::string*> wanted[] = {
        {OutputKind::Video, &o.video}, {OutputKind::Wav, &o.wavFile},
        {OutputKind::Png, &o.pngDir}, {OutputKind::Raw, &o.rawDir}};
    run->outputs.reserve(4);
    for (const auto& [kind, path] : wanted) {
        if (path->empty())
            continue;
        Output& out = run->outputs.emplace_back(Output{kind, {}, {}});
        const bool opened = kind == OutputKind::Video || kind == OutputKind::Wav
                                ? OpenPending(&out.file, *path, error)
                                : OpenFolder(&out.folder, *path, kind == OutputKind::Png ? PngFrames : RawFrames,
                                             o.replace, error);
        if (!opened)
            return false;
    }
    // ffmpeg reads the video's sound from a finished WAV: the --wav file, unless that streams.
    const Output* wav = Find(run, OutputKind::Wav);
    const Output* video = Find(run, OutputKind::Video);
    if (video == nullptr || (wav != nullptr && !wav->file.streaming))
        return true;
    // Beside the video, or in the temporary folder when the video goes to a device or a pipe.
    const char* temp = std::getenv("TMPDIR");
    const std::string beside = video->file.streaming ? std::string(temp != nullptr && *temp ? temp : "/tmp") + "/" +
                                                           NameOf(video->file.target)
                                                     : video->file.target;
    return OpenScratch(&run->videoSound, beside, ".wav", error);
}

// Start-up as the live program makes it, and the music of the whole stretch.
static bool StartUp(const CaptureOptions& o, std::vector<uint16_t>* pixels, ShowMusic* music, Stretch* stretch,
                    std::string* error)
{
    pixels->assign(BufferPixels, 0);
    Framebuffer = pixels->data();
    ShowState start;
    if (!PrepareShow(&start, nullptr, error))
        return false;
    if (!RenderShow(music, o.fps, o.fromOrder, o.toOrder, stretch)) {
        *error = "the embedded music could not be played to the end of order " + std::to_string(o.toOrder);
        return false;
    }
    return true;
}

static bool WriteSound(PendingFile* f, const ShowMusic& music, const Stretch& stretch, std::string* error)
{
    const uint64_t begin = FrameFirstSample(stretch.first, music.fps), end = FrameFirstSample(stretch.videoEnd, music.fps);
    const std::vector<uint8_t> header = WavHeader(static_cast<uint32_t>(end - begin), MusicRate);
    return WritePending(f, header.data(), header.size(), error) &&
           WritePending(f, music.samples.data() + 2 * begin, (end - begin) * 4, error) && FinishWriting(f, error);
}

// Writes the sound and starts the encoder: what must be in place before the first frame.
static bool StartOutputs(const CaptureOptions& o, Run* run, const ShowMusic& music, const Stretch& stretch,
                         std::string* error)
{
    Output* wav = Find(run, OutputKind::Wav);
    if (wav != nullptr && !WriteSound(&wav->file, music, stretch, error))
        return false;
    Output* video = Find(run, OutputKind::Video);
    if (video == nullptr)
        return true;
    if (run->videoSound.file != nullptr && !WriteSound(&run->videoSound, music, stretch, error))
        return false;
    PendingFile* out = &video->file;
    if (!out->streaming && !FinishWriting(out, error))
        return false;
    EncoderSettings settings = {run->ffmpeg, out->temp, o.video.substr(o.video.size() - 3),
                                run->videoSound.temp.empty() ? wav->file.temp : run->videoSound.temp,
                                LandscapeWidth * o.scale, LandscapeHeight * o.scale, o.fps};
    if (out->streaming)
        settings.outputFd = fileno(out->file);
    return StartEncoder(&run->encoder, settings, error);
}

// One frame on its way to the outputs: drawn on the main thread, finished on a worker thread,
// written by the main thread in the order drawn.
struct FrameSlot {
    uint32_t frame = 0, position = 0;
    bool raw = false, png = false, video = false;  // what the frame goes to
    std::vector<uint16_t> buffer;                  // the Framebuffer as drawn, for raw
    std::vector<uint8_t> picture;                  // the landscape picture, for PNG and video
    std::vector<uint8_t> rawBytes, pngBytes;       // made by the worker
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

// Writes a finished frame to its outputs, in the order the frames were drawn. The video frame is
// enlarged here, into one buffer for the whole run: it may be large, and ffmpeg takes longer to
// encode it than this takes to make it.
static bool WriteSlot(Run* run, const FrameSlot* s, int scale, std::vector<uint8_t>* videoFrame, std::string* error)
{
    if (s->outOfMemory) {
        *error = "out of memory for frame " + std::to_string(s->frame);
        return false;
    }
    for (Output& out : run->outputs) {
        bool written = true;
        if (out.kind == OutputKind::Raw && s->raw)
            written = WriteFolderFile(&out.folder, FrameFileName(s->frame, "rgb565"), s->rawBytes, error);
        else if (out.kind == OutputKind::Png)
            written = WriteFolderFile(&out.folder, FrameFileName(s->frame, "png"), s->pngBytes, error);
        else if (out.kind == OutputKind::Video && s->video) {
            videoFrame->resize(LandscapeBytes(scale));
            ScalePicture(s->picture.data(), scale, videoFrame->data());
            if (!EncodeFrame(&run->encoder, videoFrame->data(), videoFrame->size(), error)) {
                std::string status;
                FinishEncoder(&run->encoder, &status);
                *error += ": " + status;
                written = false;
            }
        }
        if (!written)
            return false;
    }
    return true;
}

// Draws every frame of the stretch on this thread and hands it to the outputs. Worker threads,
// one a processor, compress and pack the frames drawn ahead of the one being written.
static bool RenderFrames(const CaptureOptions& o, Run* run, const ShowMusic& music, const Stretch& stretch,
                         std::string* error)
{
    // On a 64-byte boundary, where the conversion takes its fastest path; one run at a time.
    alignas(64) static uint8_t staging[StagingBytes];
    const bool raw = Find(run, OutputKind::Raw) != nullptr, png = Find(run, OutputKind::Png) != nullptr,
               video = Find(run, OutputKind::Video) != nullptr;
    if (raw)
        run->csv = "frame,order,row,millis,written\n";
    const int threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    std::vector<FrameSlot> slots(static_cast<size_t>(2 * threads + 2));
    std::vector<uint8_t> videoFrame;
    std::optional<FrameWorkers> workers;
    try {
        workers.emplace(threads, [&slots](int slot) { FinishSlot(&slots[size_t(slot)]); });
    } catch (const std::system_error& e) {
        *error = std::string("cannot start the worker threads: ") + e.what();
        return false;
    }
    ShowPlayer player;
    StartPlayer(&player, &music);
    Progress progress = {isatty(STDERR_FILENO) != 0, std::chrono::steady_clock::now(), {}};
    const uint32_t total = stretch.last - stretch.first + 1;
    // Frame first + n goes to slot n mod slots, which the frame slots.size() before it must leave.
    const auto writeOut = [&](uint32_t n) {
        FrameSlot* s = &slots[n % slots.size()];
        workers->Take(static_cast<int>(n % slots.size()));
        if (!WriteSlot(run, s, o.scale, &videoFrame, error))
            return false;
        ShowProgress(&progress, n + 1, total, s->frame, s->position, o.fps, n + 1 == total);
        return true;
    };
    for (uint32_t n = 0; n < total; ++n) {
        if (StopSignal != 0 || (n >= slots.size() && !writeOut(n - uint32_t(slots.size()))))
            return false;
        const uint32_t frame = stretch.first + n;
        PlayFrame(&player, frame);
        FrameSlot* s = &slots[n % slots.size()];
        s->frame = frame;
        s->position = PackPosition(uint32_t(player.show.order), uint32_t(player.show.row));
        s->raw = raw && (frame % o.rawEvery == 0 || frame == stretch.first);
        s->png = png;
        s->video = video && frame < stretch.videoEnd;
        if (raw)
            run->csv += std::to_string(frame) + "," + std::to_string(player.show.order) + "," +
                        std::to_string(player.show.row) + "," + std::to_string(ElapsedMillis) + "," +
                        (s->raw ? "1" : "0") + "\n";
        if (s->raw)
            s->buffer.assign(Framebuffer, Framebuffer + BufferPixels);
        if (s->png || s->video) {
            ConvertFrame(Framebuffer, staging);
            s->picture.resize(LandscapeBytes(1));
            LandscapePicture(staging, s->picture.data());
        }
        workers->Hand(static_cast<int>(n % slots.size()));
    }
    for (uint32_t n = total > slots.size() ? total - uint32_t(slots.size()) : 0; n < total; ++n)
        if (StopSignal != 0 || !writeOut(n))
            return false;
    return true;
}

// Everything is complete: the encoder is done, and every output goes into place.
static bool CommitOutputs(Run* run, std::string* error)
{
    if (!FinishEncoder(&run->encoder, error))
        return false;
    DiscardFile(&run->videoSound);
    for (Output& out : run->outputs) {
        if (out.kind == OutputKind::Raw &&
            !WriteFolderFile(&out.folder, "frames.csv",
                             {reinterpret_cast<const uint8_t*>(run->csv.data()), run->csv.size()}, error))
            return false;
        const bool done = out.kind == OutputKind::Video || out.kind == OutputKind::Wav
                              ? CommitFile(&out.file, error)
                              : CommitFolder(&out.folder, error);
        if (!done)
            return false;
    }
    return true;
}

static int Capture(const CaptureOptions& o, Run* run)
{
    std::string error;
    std::vector<uint16_t> pixels;
    ShowMusic music;
    Stretch stretch;
    const bool done = OpenOutputs(o, run, &error) && StartUp(o, &pixels, &music, &stretch, &error) &&
                      StartOutputs(o, run, music, stretch, &error) && RenderFrames(o, run, music, stretch, &error) &&
                      CommitOutputs(run, &error);
    Framebuffer = nullptr;
    return done ? 0 : Fail(run, error);
}

int main(int argc, char** argv)
{
    CaptureOptions options;
    std::string error;
    if (!ParseOptions(argc - 1, argv + 1, &options, &error)) {
        std::fprintf(stderr, "sideways-capture: %s\n%s", error.c_str(), UsageText);
        return 2;
    }
    if (options.help) {
        std::fputs(UsageText, stdout);
        return 0;
    }
    CatchInterrupts(OnSignal);
    Run run;
    return Capture(options, &run);
}
