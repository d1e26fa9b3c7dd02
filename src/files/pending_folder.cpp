#include "files/pending_folder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "files/files.h"

// A staging folder carries this file, written when it is made: a leftover that lacks it is never
// emptied, whatever its name, so a folder someone named like our temporaries is left alone.
static constexpr char MarkName[] = ".sideways-staging";
static constexpr char MarkText[] = "sideways: a capture's files, staged until it commits\n";
// An earlier file the commit replaces waits in the staging folder under this prefix until the
// commit is through, so that a failure can put it back.
static constexpr char AsidePrefix[] = ".was-";

static bool Contains(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

static std::string Reason(int err) { return std::strerror(err); }

void RemoveStaleTemporaries(const FolderHold& in)
{
    std::vector<std::string> names;
    if (!ListFolder(in, &names))
        return;  // nothing to tidy where nothing can be listed
    for (const std::string& name : names)
        if (IsTemporaryName(name))
            RemoveIfStaleAt(in, name, MarkName, MarkText);
}

static bool WriteMark(const FolderHold& staging)
{
    Descriptor mark(CreateFileAt(staging, MarkName));
    return mark.fd >= 0 && WriteAll(mark.fd, MarkText, sizeof MarkText - 1) && CloseDescriptor(&mark);
}

// Removes the staging folder's files (links included, never what they name) and the folder.
static void RemoveStaging(PendingFolder* f)
{
    if (f->staging.handle == -1)
        return;
    std::vector<std::string> names;
    if (ListFolder(f->staging, &names))
        for (const std::string& name : names)
            if (KindAt(f->staging, name) != FileKind::Folder && !RemoveAt(f->staging, name)) {
            }  // left, and then so is the folder: a leftover the next run can see
    ReleaseFolder(&f->staging);
    if (!RemoveFolderAt(f->beside ? f->parent : f->folder, f->stagingName)) {
    }  // something else went in meanwhile: the folder stays with it
    f->stagingName.clear();
}

static bool MakeStaging(PendingFolder* f, const FolderHold& in, const std::string& hint)
{
    bool made = false;
    do {
        f->stagingName = TempName(hint);
        made = CreateHeldFolderAt(in, f->stagingName, &f->staging);
    } while (!made && errno == EEXIST);
    if (!made) {
        f->stagingName.clear();
        return false;
    }
    if (WriteMark(f->staging))
        return true;
    const int err = errno;
    RemoveStaging(f);
    errno = err;
    return false;
}

bool OpenPendingFolder(PendingFolder* f, const std::string& path, const std::string& folder, std::string* error)
{
    f->path = path;
    f->name = NameOf(folder);
    const bool hasParent = !f->name.empty() && f->name != "." && f->name != "..";
    if (hasParent && !OpenFolder(FolderOf(folder), &f->parent)) {
        *error = "cannot write into " + path + ": " + Reason(errno);
        return false;
    }
    if (hasParent && KindAt(f->parent, f->name) == FileKind::Missing) {
        f->made = MakeFolderAt(f->parent, f->name);
        if (!f->made) {
            *error = "cannot make the folder " + path + ": " + Reason(errno);
            return false;
        }
    }
    if (!(hasParent ? OpenFolderAt(f->parent, f->name, &f->folder) : OpenFolder(folder, &f->folder))) {
        *error = "cannot read the folder " + path + " to see what it holds: " + Reason(errno);
        return false;
    }
    if (!ClaimFolder(&f->folder)) {
        *error = errno == EBUSY ? path + " is being written by another capture; wait for it or name another folder"
                                : "cannot write into " + path + ": " + Reason(errno);
        return false;
    }
    // A read-only mount or a folder closed to us: said now, before anything is drawn.
    if (!CanAddFiles(f->folder)) {
        *error = "cannot write into " + path + ": " + Reason(errno);
        return false;
    }
    RemoveStaleTemporaries(f->folder);
    if (hasParent)
        RemoveStaleTemporaries(f->parent);
    if (!ListFolder(f->folder, &f->present)) {
        *error = "cannot read the folder " + path + " to see what it holds: " + Reason(errno);
        return false;
    }
    // Beside the folder, so that the commit can exchange the two; inside it where the folder is
    // the root of a mount (a rename out of it cannot work) or its parent is closed to us.
    f->beside = hasParent && OnOneMount(f->parent, f->folder) && MakeStaging(f, f->parent, f->name);
    if (f->beside || MakeStaging(f, f->folder, "staging"))
        return true;
    *error = "cannot write into " + path + ": " + Reason(errno);
    return false;
}

bool WritePendingFolderFile(PendingFolder* f, const std::string& name, std::span<const uint8_t> bytes,
                            std::string* error)
{
    Descriptor file(CreateFileAt(f->staging, name));
    if (file.fd >= 0)
        f->written.push_back(name);
    if (file.fd >= 0 && WriteAll(file.fd, bytes.data(), bytes.size()) && CloseDescriptor(&file))
        return true;
    *error = WriteFailure(f->path + "/" + name, errno);
    return false;
}

bool CheckPendingFolder(const PendingFolder* f, const std::vector<std::string>& replaceable, std::string* error)
{
    std::vector<std::string> names;
    if (!ListFolder(f->folder, &names)) {
        *error = "cannot write into " + f->path + ": " + Reason(errno);
        return false;
    }
    for (const std::string& name : names) {
        if (Contains(f->written, name) && !Contains(replaceable, name)) {
            *error = "cannot write " + f->path + "/" + name + ": something took that name during the capture";
            return false;
        }
    }
    return true;
}

// Exchanges the staging folder, completed with second names of the files the folder keeps, for
// the folder in one step; then clears the old folder out of the way. False when the file system
// cannot (or the folder holds a folder), with everything as it was.
static bool Exchange(PendingFolder* f, const std::vector<std::string>& replaceable)
{
    std::vector<std::string> names, kept;
    const auto undo = [&] {
        for (const std::string& name : kept)
            if (!RemoveAt(f->staging, name)) {
            }  // a second name left in staging goes with it at the discard
        return false;
    };
    if (!ListFolder(f->folder, &names))
        return false;
    for (const std::string& name : names) {
        if (Contains(replaceable, name))
            continue;
        if (KindAt(f->folder, name) == FileKind::Folder || !LinkAt(f->folder, name, f->staging, name))
            return undo();
        kept.push_back(name);
    }
    if (!KeepFolderModeAndOwner(f->staging, f->folder) || !RemoveAt(f->staging, MarkName))
        return undo();
    if (!ExchangeAt(f->parent, f->stagingName, f->name)) {
        if (!WriteMark(f->staging)) {
        }  // unmarked, a leftover of a killed run would only stay, never be emptied
        return undo();
    }
    // The old folder now lies at the staging name: the replaced files and the second names of the
    // kept ones go; anything else that came meanwhile goes back.
    std::swap(f->folder, f->staging);
    for (const std::string& name : replaceable)
        if (!RemoveAt(f->staging, name)) {
        }  // not there: an earlier file the run did not find again
    for (const std::string& name : kept)
        if (KeyAt(f->staging, name) == KeyAt(f->folder, name) && !RemoveAt(f->staging, name)) {
        }  // left in the old folder, which then stays as a leftover
    if (ListFolder(f->staging, &names))
        for (const std::string& name : names)
            if (KindAt(f->folder, name) == FileKind::Missing && !MoveAt(f->staging, name, f->folder, name)) {
            }  // stays in the old folder, which is then kept
    return true;
}

// One step of the file-by-file commit: `name` moved in from staging (when in), and an earlier
// file of that name set aside into staging first (when aside).
struct Step {
    std::string name;
    bool aside, in;
};

// Moves back every step taken, the last first; false when an earlier file could not go back.
static bool MoveBack(PendingFolder* f, const std::vector<Step>& steps)
{
    bool all = true;
    for (auto s = steps.rbegin(); s != steps.rend(); ++s) {
        if (s->in && !MoveAt(f->folder, s->name, f->staging, s->name)) {
        }  // a new file the folder could not give back stays in it, and is replaced next time
        if (s->aside && !MoveAt(f->staging, AsidePrefix + s->name, f->folder, s->name))
            all = false;
    }
    return all;
}

static bool Take(PendingFolder* f, const std::string& name, bool in, std::vector<Step>* steps, std::string* error)
{
    const bool aside = KindAt(f->folder, name) != FileKind::Missing;
    if (aside && !f->move(f->folder, name, f->staging, AsidePrefix + name)) {
        *error = "cannot replace " + f->path + "/" + name + ": " + Reason(errno);
        return false;
    }
    if (in && !f->move(f->staging, name, f->folder, name)) {
        *error = WriteFailure(f->path + "/" + name, errno);
        if (aside)
            steps->push_back({name, true, false});  // to be moved back with the others
        return false;
    }
    if (aside || in)
        steps->push_back({name, aside, in});
    return true;
}

bool CommitPendingFolder(PendingFolder* f, const std::vector<std::string>& replaceable, const std::string& record,
                         bool* oneStep, std::string* error)
{
    *oneStep = f->beside && Exchange(f, replaceable);
    if (!*oneStep) {
        std::vector<Step> steps;
        bool done = true;
        for (const std::string& name : f->written)
            done = done && (name == record || Take(f, name, true, &steps, error));
        for (const std::string& name : replaceable)
            done = done && (Contains(f->written, name) || KindAt(f->folder, name) == FileKind::Missing ||
                            Take(f, name, false, &steps, error));
        // The record last, so that it never names a file not yet in place.
        done = done && (!Contains(f->written, record) || Take(f, record, true, &steps, error));
        if (!done && !MoveBack(f, steps)) {
            // The staging folder keeps what could not go back, unmarked so that no run empties it.
            *error += "; the files that could not be put back are in " + f->path +
                      (f->beside ? "/../" : "/") + f->stagingName;
            if (!RemoveAt(f->staging, MarkName)) {
            }  // marked still: the message above is the user's notice
            ReleaseFolder(&f->staging);
            f->stagingName.clear();
        }
        if (!done)
            return false;
    }
    if (*oneStep) {
        // The old folder, emptied of what the commit replaced: anything left in it stays.
        ReleaseFolder(&f->staging);
        if (!RemoveFolderAt(f->parent, f->stagingName)) {
        }  // something could not go back into the folder: it stays, for the user to see
        f->stagingName.clear();
    }
    RemoveStaging(f);
    ReleaseFolder(&f->folder);
    f->made = false;
    return true;
}

void DiscardPendingFolder(PendingFolder* f)
{
    RemoveStaging(f);
    ReleaseFolder(&f->folder);
    if (f->made && !RemoveFolderAt(f->parent, f->name)) {
    }  // something else went in meanwhile: the folder stays with it
    f->made = false;
    ReleaseFolder(&f->parent);
}
