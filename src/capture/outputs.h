// Everything a capture writes, and when it reaches the disk. Every path is checked before the
// first frame; a run writes beside its targets and commits only at the end, after checking every
// final step, so that a failed or interrupted run leaves every file and folder as it was.
// - A file (-o, --wav) goes to a held temporary beside it (files/files.h) and is renamed over it,
//   keeping its mode and owner; a symbolic link is written through to the file it names.
// - A stream is written straight, in the mode it was opened with: an open descriptor named as
//   "/dev/stdout", "/dev/stderr", "/dev/fd/N" or "/proc/self/fd/N", a device, a named pipe.
//   --wav writes its stream at the commit; a video stream gets ffmpeg's output as it comes.
// - A folder (--png, --raw) is held for the run, so that a second capture into it is refused. Its
//   frames and frames.csv, the record of what the capture wrote, go into a held folder beside it;
//   the commit swaps the two in one step where the file system can, else moves the files in.
//   --replace removes only files an earlier frames.csv records; any other name in the way is
//   refused.
// Main thread only.
#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "capture/encoder.h"
#include "capture/options.h"
#include "files/files.h"
#include "offline/show_music.h"

// What a frame showed, for frames.csv.
struct FrameRecord {
    uint32_t frame;
    int32_t order, row;
    uint32_t millis;
};

struct FileOutput {
    const char* option = nullptr;  // nullptr when the output was not asked for
    std::string path, target, key;
    int stream = -1;               // a descriptor written straight; -1 for a file
    PendingFile file;
};

struct FolderOutput {
    const char* option = nullptr;
    std::string path, dir, key;     // as given; links followed, no trailing slash; its key
    bool png = false;               // frames as PNG, else raw buffers
    bool made = false;              // this run made dir
    intptr_t held = -1, stagingHeld = -1;
    std::string staging;            // where the run writes, beside dir or inside it
    bool beside = false;
    std::vector<std::string> present;  // dir's names when opened
    std::vector<std::string> earlier;  // files an earlier capture's frames.csv records, frames.csv included
    std::vector<std::string> written;  // into staging
    std::string index;              // frames.csv
};

struct Outputs {
    FileOutput video, wav;
    FolderOutput png, raw;
    uint32_t rawEvery = 1, fps = 60, first = 0, videoEnd = 0;
    int scale = 1;
    std::string container;          // the video's: "mkv" or "mp4", as the options chose it
    std::string ffmpeg;
    Encoder encoder;
    int soundFd = -1;               // the video's sound, a WAV nobody else sees
    std::string soundName;          // its name where it must have one (Windows)
    std::span<const int16_t> sound; // the stretch's samples, for a --wav stream written at the end
    std::vector<uint8_t> videoFrame;
    std::string committed;          // the outputs put in place so far, for the message of a stop
};

// Checks every output and opens it: refuses a path that cannot be written, two outputs naming one
// file or folder, a folder that cannot be listed, an earlier capture without --replace, and a
// folder another capture holds. A named pipe's open waits here for its reader.
bool OpenOutputs(const CaptureOptions& o, Outputs* out, std::string* error);
// With the stretch known: refuses a frame name that anything but an earlier capture's file holds,
// writes the sound of the stretch (samples interleaved from its first frame on; they must stay
// valid until the commit) and starts ffmpeg.
bool StartOutputs(Outputs* out, const Stretch& stretch, std::span<const int16_t> sound, std::string* error);
// Which forms of frame n the outputs take: its buffer, its PNG, its landscape picture.
bool WantsRaw(const Outputs* out, uint32_t frame);
bool WantsPng(const Outputs* out);
bool WantsPicture(const Outputs* out, uint32_t frame);
// Hands one frame, in order: its raw bytes, its PNG (each empty when not wanted) and the landscape
// picture for the video (nullptr when not wanted).
bool WriteFrame(Outputs* out, const FrameRecord& record, std::span<const uint8_t> raw, std::span<const uint8_t> png,
                const uint8_t* picture, std::string* error);
// Waits for ffmpeg, checks every final step, then puts everything in place. Stops committing as
// soon as a signal has arrived; out->committed then says what was already in place.
bool CommitOutputs(Outputs* out, std::string* error);
// Stops ffmpeg and removes everything not committed.
void DiscardOutputs(Outputs* out);

// The name of a frame's file: "NNNNNN.ext", the frame in six digits or more.
std::string FrameFileName(uint32_t frame, const char* extension);
