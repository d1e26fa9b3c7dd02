// Everything a capture writes, and when it reaches the disk. Every path is checked before the
// first frame; a run writes beside its targets and commits only at the end, after checking every
// final step, so that a failed or interrupted run leaves every file and folder as it was.
// - A file (-o, --wav) goes to a held temporary beside it (files/files.h) and is renamed over it,
//   keeping its mode and owner; a symbolic link is written through to the file it names.
// - A stream is written straight, in the mode it was opened with: an open descriptor named as
//   "/dev/stdout", "/dev/stderr", "/dev/fd/N" or "/proc/self/fd/N", a device, a named pipe.
//   --wav writes its stream at the commit; a video stream gets ffmpeg's output as it comes.
// - A folder (--png, --raw) is a pending folder (files/pending_folder.h), held for the run so
//   that a second capture into it is refused; its frames and frames.csv (capture/frame_record.h)
//   go in together at the commit. --replace removes only files an earlier frames.csv records;
//   any other name in the way is refused.
// Main thread only.
#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "capture/encoder.h"
#include "capture/frame_record.h"
#include "capture/options.h"
#include "files/files.h"
#include "files/pending_folder.h"
#include "offline/show_music.h"

struct FileOutput : FileTarget {
    const char* option = nullptr;  // nullptr when the output was not asked for
};

struct FolderOutput {
    const char* option = nullptr;
    std::string path, dir, key;        // as given; links followed, no trailing slash; its key
    bool png = false;                  // frames as PNG, else raw buffers
    PendingFolder folder;
    std::vector<std::string> earlier;  // files an earlier capture's frames.csv records, frames.csv included
    std::string record;                // the text of this run's frames.csv so far
};

struct Outputs {
    FileOutput video, wav;
    FolderOutput png, raw;
    uint32_t rawEvery = 1, fps = 60, first = 0, videoEnd = 0;
    int scale = 1;
    std::string container;          // the video's: "mkv" or "mp4", as the options chose it
    std::string ffmpeg;
    Encoder encoder;
    VideoSound videoSound;
    std::span<const int16_t> sound; // the stretch's samples, for a --wav stream written at the end
    std::vector<uint8_t> videoFrame;
    std::string committed;          // the outputs put in place so far, for the message of a stop
    std::string notes;              // lines for the user about how the commit went, each ending in "\n"
};

// Checks every output and opens it: refuses a path that cannot be written, two outputs naming one
// file or folder, a folder that cannot be listed, an earlier capture without --replace, and a
// folder another capture holds. A named pipe's open waits here for its reader.
[[nodiscard]] bool OpenOutputs(const CaptureOptions& o, Outputs* out, std::string* error);
// With the stretch known: refuses a frame name that anything but an earlier capture's file holds,
// writes the sound of the stretch (samples interleaved from its first frame on; they must stay
// valid until the commit) and starts ffmpeg.
[[nodiscard]] bool StartOutputs(Outputs* out, const Stretch& stretch, std::span<const int16_t> sound,
                                std::string* error);
// Which forms of frame n the outputs take: its buffer, its PNG, its landscape picture.
[[nodiscard]] bool WantsRaw(const Outputs* out, uint32_t frame);
[[nodiscard]] bool WantsPng(const Outputs* out);
[[nodiscard]] bool WantsPicture(const Outputs* out, uint32_t frame);
// Hands one frame, in order: its raw bytes, its PNG (each empty when not wanted) and the landscape
// picture for the video (nullptr when not wanted).
[[nodiscard]] bool WriteFrame(Outputs* out, const FrameRecord& record, std::span<const uint8_t> raw,
                              std::span<const uint8_t> png, const uint8_t* picture, std::string* error);
// Waits for ffmpeg, checks every final step, then puts everything in place. Stops committing as
// soon as a signal has arrived; out->committed then says what was already in place.
[[nodiscard]] bool CommitOutputs(Outputs* out, std::string* error);
// Stops ffmpeg and removes everything not committed.
void DiscardOutputs(Outputs* out);

