// Files written whole or not at all, for the tools and the capture. A file is written under a
// held temporary name beside it ("sideways-PID-N-NAME.part") and renamed over its name only when
// complete, keeping the mode and owner of the file it replaces; a symbolic link is written
// through to the file it names. A temporary is stale when no living process holds it (file_system.h),
// and stale ones are removed by the next writer into the same folder. Failures come back as one
// sentence naming the path. Main thread only.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "files/file_system.h"

// Writes bytes to path through a pending file; nothing is left at path's folder on failure.
[[nodiscard]] bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes, std::string* error);
[[nodiscard]] bool WriteFileAtomically(const std::string& path, std::string_view text, std::string* error);

struct PendingFile {
    std::string path;    // the name given, for messages
    std::string target;  // path with its symbolic links followed: the file replaced in the end
    std::string temp;    // the held temporary while pending; empty when committed or discarded
    int fd = -1;         // open for writing until committed or discarded
};
// Opens a temporary for target (links already followed), which must be a file or a new name.
[[nodiscard]] bool OpenPending(PendingFile* f, const std::string& path, const std::string& target, std::string* error);
[[nodiscard]] bool WritePending(PendingFile* f, const void* data, size_t bytes, std::string* error);
// True when CommitPending can still put the file in place: its folder is there and nothing but a
// file has taken its name. Checked for every output before any is committed.
[[nodiscard]] bool CheckPending(const PendingFile* f, std::string* error);
// Gives the temporary the mode and owner of the file it replaces and renames it into place.
[[nodiscard]] bool CommitPending(PendingFile* f, std::string* error);
// Closes and removes the temporary, if any.
void DiscardPending(PendingFile* f);

// True when name has the form of our temporaries.
[[nodiscard]] bool IsTemporaryName(const std::string& name);

// A file to write that may be a stream: an open descriptor named as "/dev/stdout", "/dev/stderr",
// "/dev/fd/N" or "/proc/self/fd/N", a device or a named pipe is written straight (stream); any
// other name through a pending file (file).
struct FileTarget {
    std::string path, target, key;  // as given; links followed; FileKey, or the descriptor's key
    Descriptor stream;
    PendingFile file;
};
// Follows path's links and refuses a folder; a named descriptor is duplicated here.
[[nodiscard]] bool ResolveFileTarget(FileTarget* f, const std::string& path, std::string* error);
// Opens a device or named pipe (a named pipe waits here for its reader), or a pending file.
[[nodiscard]] bool OpenFileTarget(FileTarget* f, std::string* error);
// Follows the links of a folder's path (given without trailing slashes) into *folder, and its key
// into *key; refuses anything but a folder or a new name.
[[nodiscard]] bool ResolveFolderTarget(const std::string& path, std::string* folder, std::string* key,
                                       std::string* error);

// Follows the symbolic links of path to the name finally written; false when a link cannot be
// read or the links go round. *stream is set to N when a step names an open descriptor
// ("/dev/stdout", "/dev/stderr", "/dev/fd/N", "/proc/self/fd/N"), which is then not followed.
[[nodiscard]] bool ResolveTarget(const std::string& path, std::string* target, int* stream, std::string* error);
// A key for the file at target (links followed) however the path is spelled: equal keys name
// the same file, whether it exists yet or not. Empty when its folder does not exist.
std::string FileKey(const std::string& target);
// The folder part of a path ("" for a bare name, else ending in a slash) and the name after it.
std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);
// "cannot write PATH: " and the reason errno gives, naming the folder when it refuses new files.
std::string WriteFailure(const std::string& path, int err);
