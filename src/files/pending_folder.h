// A folder whose new files appear together or not at all. The run writes into a staging folder
// (a held temporary beside the folder, or inside it where the folder is the root of a mount or its
// parent is closed to us) and commits at the end: in one exchange of the two folders where the
// file system can, else file by file with the given record last, moving back what it moved when a
// step fails, so that the folder ends as it was. Everything is done by name inside held folders,
// never by path, and no link is followed. It knows nothing of what the files are: the caller
// names which earlier files the commit replaces or removes. Main thread only.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "files/file_system.h"

struct PendingFolder {
    std::string path;                  // as given, for messages
    std::string name, stagingName;     // the folder's name in parent, the staging folder's in its own
    FolderHold parent, folder, staging;  // parent is open only where the folder has a name in it
    bool made = false;                 // this run made the folder (removed again when discarded)
    bool beside = false;               // staging sits in parent, so the two can be exchanged
    std::vector<std::string> present;  // the folder's names when opened
    std::vector<std::string> written;  // into staging, in order
    // The commit's renames; tests put a failing one here to see the commit move everything back.
    bool (*move)(const FolderHold&, const std::string&, const FolderHold&, const std::string&) = MoveAt;
};

// Opens (making it when missing) and claims the folder at `folder` (links already followed),
// removes the stale temporaries in it and beside it, lists it and makes the staging folder. A
// folder another run holds, or one this process cannot add files to, is refused with the
// system's reason; so is one whose staging folder would sit on another file system.
[[nodiscard]] bool OpenPendingFolder(PendingFolder* f, const std::string& path, const std::string& folder,
                                     std::string* error);
// Writes one new file into the staging folder; names are plain (no folder part, no leading dot).
[[nodiscard]] bool WritePendingFolderFile(PendingFolder* f, const std::string& name, std::span<const uint8_t> bytes,
                                          std::string* error);
// True when nothing but one of `replaceable` has taken a written name in the folder meanwhile.
[[nodiscard]] bool CheckPendingFolder(const PendingFolder* f, const std::vector<std::string>& replaceable,
                                      std::string* error);
// Puts the written files in place, `record` last, and removes the names of `replaceable` that the
// run did not write. On failure everything is as it was, and *error says why. *oneStep tells
// whether the folder was exchanged in one step.
[[nodiscard]] bool CommitPendingFolder(PendingFolder* f, const std::vector<std::string>& replaceable,
                                       const std::string& record, bool* oneStep, std::string* error);
// Removes the staging folder and, when this run made it and nothing went in, the folder.
void DiscardPendingFolder(PendingFolder* f);
// Removes the temporaries in a folder that no living process holds.
void RemoveStaleTemporaries(const FolderHold& in);
