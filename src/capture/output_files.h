// Files that appear under their names only when complete. Each is written under a hidden
// temporary name in the same folder and renamed into place by CommitFile; a file discarded, or
// never committed, leaves nothing behind. Failures come back as a message naming the path.
#pragma once
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

struct PendingFile {
    std::string path;  // the final name
    std::string temp;  // where it is written until committed; empty when nothing is pending
    FILE* file;        // open for writing while pending, nullptr after FinishWriting
};

// Creates the temporary beside path (.NAME.XXXXXX), open for writing and closed on exec.
bool OpenPending(PendingFile* f, const std::string& path, std::string* error);
// Writes bytes at the end; false (with the reason) when the disk refuses them.
bool WritePending(PendingFile* f, const void* data, size_t bytes, std::string* error);
// Flushes and closes the temporary, which stays pending, so that another program can read it.
bool FinishWriting(PendingFile* f, std::string* error);
// Finishes writing if needed and renames the temporary to the final name.
bool CommitFile(PendingFile* f, std::string* error);
// Closes and removes the temporary, if any.
void DiscardFile(PendingFile* f);

// Writes a whole file through a pending one; nothing is left at path on failure.
bool WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes, std::string* error);

// A folder of files written in one run, made if missing; everything is removed again by
// RemoveFolderFiles when the run fails.
struct OutputFolder {
    std::string path;
    bool made;                       // the run made the folder
    std::vector<std::string> files;  // files the run put there
};
// Makes the folder if missing and checks that files can be written in it.
bool OpenFolder(OutputFolder* folder, const std::string& path, std::string* error);
// Writes a whole file into the folder (through a pending one) and remembers it.
bool WriteFolderFile(OutputFolder* folder, const std::string& name, std::span<const uint8_t> bytes, std::string* error);
// Removes the files the run wrote, and the folder if the run made it and it is empty then.
void RemoveFolderFiles(OutputFolder* folder);
// The name of a frame's file: "NNNNNN.ext", the frame in six digits.
std::string FrameFileName(uint32_t frame, const char* extension);

// The 44-byte header of a WAV file of frames 16-bit stereo sample pairs at rate Hz.
std::vector<uint8_t> WavHeader(uint32_t frames, uint32_t rate);
// An RGB picture (3 bytes a pixel, row-major) as PNG bytes, the same bytes for the same pixels.
std::vector<uint8_t> EncodePng(const uint8_t* rgb, int width, int height);
