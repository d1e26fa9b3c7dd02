// Where a capture writes, without damaging what is on disk. A regular file or a new name is written
// under a visible temporary name beside it ("sideways-capture-PID-N-NAME.part") and renamed into
// place only when complete; a device or a named pipe is written straight, as a stream; a symbolic
// link is followed to the file it names. Temporaries that a stopped capture left behind are
// removed by the next capture into the same folder. Failures come back as a message naming the
// path. Main thread only.
#pragma once
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

// Follows the symbolic links of path to the name finally written; false when a link cannot be
// read or the links go round.
bool ResolveTarget(const std::string& path, std::string* target, std::string* error);
// A key for the file at target (links already followed) however the path is spelled: equal keys
// name the same file, whether it exists yet or not. Empty when its folder does not exist.
std::string FileKey(const std::string& target);
// The folder part of a path ("" for a bare name) and the name after the last slash.
std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);

struct PendingFile {
    std::string path;        // the name given
    std::string target;      // path with its symbolic links followed: the file written in the end
    std::string temp;        // the temporary while pending; empty when streaming or done
    FILE* file = nullptr;    // open for writing until FinishWriting
    bool streaming = false;  // the target is a device or a named pipe, written straight
};

// Opens path for writing: a temporary beside the target, or the device or named pipe itself
// (which waits for a reader). Refuses a folder and anything else that is no file, device or pipe.
bool OpenPending(PendingFile* f, const std::string& path, std::string* error);
// Opens a temporary beside the file beside, named after it and hint, for DiscardFile to remove.
bool OpenScratch(PendingFile* f, const std::string& beside, const char* hint, std::string* error);
// Writes bytes at the end; false (with the reason) when the disk refuses them.
bool WritePending(PendingFile* f, const void* data, size_t bytes, std::string* error);
// Flushes and closes; a temporary stays pending, so that another program can read or write it.
bool FinishWriting(PendingFile* f, std::string* error);
// Finishes writing if needed and renames the temporary to the target.
bool CommitFile(PendingFile* f, std::string* error);
// Closes and removes the temporary, if any.
void DiscardFile(PendingFile* f);

// Writes a whole file through a pending one; nothing is left at path on failure.
bool WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes, std::string* error);

// The files a capture puts into a folder: "NNNNNN.<extension>" (the frame number, six digits or
// more) and an optional index file.
struct FrameFiles {
    const char* extension;
    const char* index;  // nullptr when none
};
constexpr FrameFiles PngFrames = {"png", nullptr};
constexpr FrameFiles RawFrames = {"rgb565", "frames.csv"};
// True when name is one of those files.
bool IsFrameFile(const FrameFiles& kind, const std::string& name);

// A folder of files written in one run. They go into a temporary subfolder and move into the
// folder only when the whole run succeeded, so that a failed run leaves the folder as it was.
struct OutputFolder {
    std::string path;
    std::string staging;               // the subfolder the run writes into
    FrameFiles kind;
    bool made;                         // the run made the folder
    std::vector<std::string> files;    // written into staging
    std::vector<std::string> earlier;  // files of an earlier capture, replaced on commit
};
// Makes the folder if missing and the staging subfolder in it. Files of an earlier capture found
// there are refused unless replace is true, and then replaced by CommitFolder.
bool OpenFolder(OutputFolder* folder, const std::string& path, FrameFiles kind, bool replace, std::string* error);
// Writes a whole file into the staging subfolder and remembers it.
bool WriteFolderFile(OutputFolder* folder, const std::string& name, std::span<const uint8_t> bytes, std::string* error);
// Moves the run's files into the folder and removes the earlier capture's files it replaces.
bool CommitFolder(OutputFolder* folder, std::string* error);
// Removes the staging subfolder with what the run wrote, and the folder if the run made it.
void DiscardFolder(OutputFolder* folder);
// The name of a frame's file: "NNNNNN.ext", the frame in six digits.
std::string FrameFileName(uint32_t frame, const char* extension);

// The 44-byte header of a WAV file of frames 16-bit stereo sample pairs at rate Hz.
std::vector<uint8_t> WavHeader(uint32_t frames, uint32_t rate);
// An RGB picture (3 bytes a pixel, row-major) as PNG bytes, the same bytes for the same pixels;
// empty when memory runs out. Thread-safe.
std::vector<uint8_t> EncodePng(const uint8_t* rgb, int width, int height);
