// sideways-capture: the show rendered offline to video, pictures, sound and raw buffers, frame by
// frame in step with the music, on the same library, timeline and effects as the live program.
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "capture/encoder.h"
#include "capture/landscape.h"
#include "capture/options.h"
#include "capture/output_files.h"
#include "capture/show_music.h"
#include "capture/show_player.h"
#include "capture/system.h"
#include "display/convert.h"
#include "effects/effects.h"
#include "frame/frame.h"
#include "effects/tables.h"
#include "sound/music.h"

static volatile sig_atomic_t Interrupted = 0;

static void OnSignal(int) { Interrupted = 1; }

// Everything a run writes, so that a failure can take all of it back.
struct Outputs {
    PendingFile video, wav, csv;
    bool hasVideo, hasWav, hasCsv;
    OutputFolder png, raw;
    bool hasPng, hasRaw;
    Encoder encoder;
};

static void TakeBack(Outputs* out)
{
    StopEncoder(&out->encoder);
    if (out->hasVideo)
        DiscardFile(&out->video);
    if (out->hasWav)
        DiscardFile(&out->wav);
    if (out->hasCsv)
        DiscardFile(&out->csv);
    if (out->hasRaw)
        RemoveFolderFiles(&out->raw);
    if (out->hasPng)
        RemoveFolderFiles(&out->png);
}

static int Fail(Outputs* out, const std::string& why)
{
    TakeBack(out);
    std::fprintf(stderr, "sideways-capture: %s\n", Interrupted ? "interrupted; nothing was kept" : why.c_str());
    return Interrupted ? 130 : 1;
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

static int Capture(const CaptureOptions& o, Outputs* out)
{
    std::string error;
    std::string ffmpeg;
    if (!o.video.empty()) {
        ffmpeg = FindOnPath("ffmpeg");
        if (ffmpeg.empty())
            return Fail(out, "ffmpeg is not installed (not found on PATH); install the Debian package ffmpeg "
                             "(apt-get install ffmpeg) or leave out -o");
        if (!OpenPending(&out->video, o.video, &error))
            return Fail(out, error);
        out->hasVideo = true;
    }
    // The video's sound comes from a WAV: the one asked for, or a temporary beside the video.
    if (!o.wavFile.empty() || !o.video.empty()) {
        if (!OpenPending(&out->wav, o.wavFile.empty() ? o.video + ".wav" : o.wavFile, &error))
            return Fail(out, error);
        out->hasWav = true;
    }
    if (!o.pngDir.empty()) {
        if (!OpenFolder(&out->png, o.pngDir, &error))
            return Fail(out, error);
        out->hasPng = true;
    }
    if (!o.rawDir.empty()) {
        if (!OpenFolder(&out->raw, o.rawDir, &error))
            return Fail(out, error);
        out->hasRaw = true;
        if (!OpenPending(&out->csv, o.rawDir + "/frames.csv", &error))
            return Fail(out, error);
        out->hasCsv = true;
    }

    // Start-up as the driver makes it: a black buffer, then the tables, the font and the text.
    std::vector<uint16_t> pixels(BufferPixels);
    Framebuffer = pixels.data();
    Region whole = {};
    FadePicture(RegionFull(&whole), 0);
    if (!BuildTables(&whole))
        return Fail(out, "out of memory for the lookup tables");

    ShowMusic music;
    Stretch stretch;
    if (!RenderShow(&music, o.fps, o.fromOrder, o.toOrder, &stretch))
        return Fail(out, "the embedded music could not be played to the end of order " + std::to_string(o.toOrder));

    if (out->hasWav) {
        const uint64_t begin = FrameFirstSample(stretch.first, o.fps), end = FrameFirstSample(stretch.videoEnd, o.fps);
        const std::vector<uint8_t> header = WavHeader(static_cast<uint32_t>(end - begin), MusicRate);
        if (!WritePending(&out->wav, header.data(), header.size(), &error) ||
            !WritePending(&out->wav, music.samples.data() + 2 * begin, (end - begin) * 4, &error) ||
            !FinishWriting(&out->wav, &error))
            return Fail(out, error);
    }
    const int scale = o.scale;
    if (out->hasVideo) {
        if (!FinishWriting(&out->video, &error))
            return Fail(out, error);
        const EncoderSettings settings = {ffmpeg, out->video.temp, o.video.substr(o.video.size() - 3), out->wav.temp,
                                          LandscapeWidth * scale, LandscapeHeight * scale, o.fps};
        if (!StartEncoder(&out->encoder, settings, &error))
            return Fail(out, error);
    }

    std::vector<uint8_t> staging(StagingBytes);
    std::vector<uint8_t> picture(LandscapeBytes(1));
    std::vector<uint8_t> videoFrame(out->hasVideo ? LandscapeBytes(scale) : 0);
    std::string csv = "frame,order,row,millis,written\n";
    ShowPlayer player;
    StartPlayer(&player, &music);
    Progress progress = {isatty(STDERR_FILENO) != 0, std::chrono::steady_clock::now(), {}};
    const uint32_t total = stretch.last - stretch.first + 1;
    for (uint32_t frame = stretch.first; frame <= stretch.last; ++frame) {
        if (Interrupted)
            return Fail(out, "interrupted");
        PlayFrame(&player, frame);
        if (out->hasRaw) {
            const bool written = frame % o.rawEvery == 0 || frame == stretch.first;
            csv += std::to_string(frame) + "," + std::to_string(player.show.order) + "," +
                   std::to_string(player.show.row) + "," + std::to_string(ElapsedMillis) + "," +
                   (written ? "1" : "0") + "\n";
            if (written && !WriteFolderFile(&out->raw, FrameFileName(frame, "rgb565"), BufferBytes(Framebuffer), &error))
                return Fail(out, error);
        }
        const bool inVideo = out->hasVideo && frame < stretch.videoEnd;
        if (out->hasPng || inVideo)
            ConvertFrame(Framebuffer, staging.data());
        if (out->hasPng) {
            LandscapePicture(staging.data(), 1, picture.data());
            const std::vector<uint8_t> png = EncodePng(picture.data(), LandscapeWidth, LandscapeHeight);
            if (png.empty())
                return Fail(out, "out of memory for a PNG");
            if (!WriteFolderFile(&out->png, FrameFileName(frame, "png"), png, &error))
                return Fail(out, error);
        }
        if (inVideo) {
            LandscapePicture(staging.data(), scale, videoFrame.data());
            if (!EncodeFrame(&out->encoder, videoFrame.data(), videoFrame.size(), &error)) {
                std::string status;
                FinishEncoder(&out->encoder, &status);
                return Fail(out, error + ": " + status);
            }
        }
        const uint32_t position = PackPosition(uint32_t(player.show.order), uint32_t(player.show.row));
        ShowProgress(&progress, frame - stretch.first + 1, total, frame, position, o.fps, frame == stretch.last);
    }

    if (out->hasVideo && !FinishEncoder(&out->encoder, &error))
        return Fail(out, error);
    if (out->hasCsv && !WritePending(&out->csv, csv.data(), csv.size(), &error))
        return Fail(out, error);
    // Everything is complete: put it in place. The video's temporary WAV goes.
    if ((out->hasVideo && !CommitFile(&out->video, &error)) || (out->hasCsv && !CommitFile(&out->csv, &error)))
        return Fail(out, error);
    if (o.wavFile.empty())
        DiscardFile(&out->wav);
    else if (out->hasWav && !CommitFile(&out->wav, &error))
        return Fail(out, error);
    Framebuffer = nullptr;
    return 0;
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
    Outputs outputs = {};
    return Capture(options, &outputs);
}
