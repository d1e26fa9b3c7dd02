#include "files/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "files/file_system.h"
#include "files/pending_folder.h"

namespace fs = std::filesystem;

volatile std::sig_atomic_t StopSignal = 0;

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of(PathSeparators);
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path)
{
    const size_t slash = path.find_last_of(PathSeparators);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WriteFailure(const std::string& path, int err)
{
    if (err == EPIPE)
        return "cannot write " + path + ": its reader went away";
    return "cannot write " + path + ": " + std::strerror(err);
}

// Said when a folder refuses a new file: the folder is what the user must fix.
static std::string CreateFailure(const std::string& path, const std::string& folder, int err)
{
    if (err != EACCES && err != EROFS && err != EPERM)
        return WriteFailure(path, err);
    return "cannot write " + path + ": the folder " + (folder.empty() ? "." : folder) + " does not let us add files (" +
           std::strerror(err) + ")";
}

// The descriptor a stream name stands for, -1 when it is no such name.
static int StreamDescriptor(const std::string& path)
{
    if (path == "/dev/stdout")
        return 1;
    if (path == "/dev/stderr")
        return 2;
    for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        const size_t n = std::strlen(prefix);
        if (path.size() > n && path.size() <= n + 6 && path.compare(0, n, prefix) == 0 &&
            path.find_first_not_of("0123456789", n) == std::string::npos)
            return std::stoi(path.substr(n));
    }
    return -1;
}

bool ResolveTarget(const std::string& path, std::string* target, int* stream, std::string* error)
{
    std::string at = path;
    *stream = -1;
    for (int hops = 0; hops < 40; ++hops) {
        *stream = StreamDescriptor(at);
        std::error_code ec;
        if (*stream >= 0 || !fs::is_symlink(at, ec)) {
            *target = at;
            return true;
        }
        const std::string to = fs::read_symlink(at, ec).string();
        if (ec || to.empty()) {
            *error = WriteFailure(path, ec ? ec.value() : ENOENT);
            return false;
        }
        at = to[0] == '/' ? to : FolderOf(at) + to;
    }
    *error = WriteFailure(path, ELOOP);
    return false;
}

std::string FileKey(const std::string& target)
{
    const std::string key = ExistingFileKey(target);
    if (!key.empty())
        return key;
    const std::string folder = ExistingFileKey(FolderOf(target).empty() ? "." : FolderOf(target));
    return folder.empty() ? "" : folder + "/" + NameOf(target);
}

bool WriteAll(int fd, const void* data, size_t bytes)
{
    const char* at = static_cast<const char*>(data);
    while (bytes > 0) {
        const std::ptrdiff_t n = WriteSome(fd, at, bytes);
        if (n <= 0)
            return false;
        at += n;
        bytes -= static_cast<size_t>(n);
    }
    return true;
}

bool ReadWhole(int fd, std::string* text)
{
    char block[4096];
    for (;;) {
        const std::ptrdiff_t n = ReadSome(fd, block, sizeof block);
        if (n <= 0)
            return n == 0;
        text->append(block, static_cast<size_t>(n));
    }
}

// Temporaries are "sideways-PID-N-HINT.part": the process id and a count keep names apart, and
// the hint, cut so that the whole name fits in NAME_MAX bytes, says what they become.
static constexpr char TempPrefix[] = "sideways-";
static constexpr char TempSuffix[] = ".part";

std::string TempName(const std::string& hint)
{
    constexpr size_t NameMax = 255;  // bytes in a file name on the file systems we write to
    static uint32_t count = 0;
    const std::string head = TempPrefix + std::to_string(ProcessId()) + "-" + std::to_string(++count) + "-";
    const size_t room = NameMax - head.size() - (sizeof TempSuffix - 1);
    return head + hint.substr(0, room) + TempSuffix;
}

bool IsTemporaryName(const std::string& name)
{
    constexpr size_t prefix = sizeof TempPrefix - 1, suffix = sizeof TempSuffix - 1;
    if (name.size() <= prefix + suffix || name.compare(0, prefix, TempPrefix) != 0 ||
        name.compare(name.size() - suffix, suffix, TempSuffix) != 0)
        return false;
    const size_t digits = name.find_first_not_of("0123456789", prefix);
    return digits > prefix && digits != std::string::npos && name[digits] == '-';
}

bool ResolveFileTarget(FileTarget* f, const std::string& path, std::string* error)
{
    f->path = path;
    int named = -1;
    if (!ResolveTarget(path, &f->target, &named, error))
        return false;
    if (named >= 0) {
        f->stream = Descriptor(DuplicateDescriptor(named));
        if (f->stream.fd < 0) {
            *error = "cannot write " + path + ": descriptor " + std::to_string(named) + " is not open";
            return false;
        }
        f->key = DescriptorKey(f->stream.fd);
        return true;
    }
    if (NameOf(f->target).empty() || KindOf(f->target) == FileKind::Folder) {
        *error = "cannot write " + path + ": it is a folder";
        return false;
    }
    f->key = FileKey(f->target);
    return true;
}

bool OpenFileTarget(FileTarget* f, std::string* error)
{
    if (f->stream.fd >= 0)
        return true;
    const FileKind kind = KindOf(f->target);
    if (kind == FileKind::Device || kind == FileKind::Pipe) {
        f->stream = Descriptor(OpenStream(f->target));
        if (f->stream.fd < 0)
            *error = WriteFailure(f->path, errno);
        return f->stream.fd >= 0;
    }
    return OpenPending(&f->file, f->path, f->target, error);
}

bool ResolveFolderTarget(const std::string& path, std::string* folder, std::string* key, std::string* error)
{
    int named = -1;
    if (!ResolveTarget(path, folder, &named, error))
        return false;
    const FileKind kind = KindOf(*folder);
    if (named >= 0 || (kind != FileKind::Folder && kind != FileKind::Missing)) {
        *error = "cannot write into " + path + ": it is not a folder";
        return false;
    }
    *key = FileKey(*folder);
    return true;
}

bool OpenPending(PendingFile* f, const std::string& path, const std::string& target, std::string* error)
{
    *f = PendingFile{path, target, "", -1};
    const FileKind kind = KindOf(target);
    if (NameOf(target).empty() || kind == FileKind::Folder) {
        *error = "cannot write " + path + ": it is a folder";
        return false;
    }
    if (kind != FileKind::File && kind != FileKind::Missing) {
        *error = kind == FileKind::Unknown ? WriteFailure(path, errno)
                                           : "cannot write " + path + ": it is no file, device or named pipe";
        return false;
    }
    const std::string folder = FolderOf(target);
    FolderHold in;
    if (OpenFolder(folder, &in))
        RemoveStaleTemporaries(in);
    do {
        f->temp = folder + TempName(NameOf(target));
        f->fd = CreateHeldFile(f->temp);
    } while (f->fd < 0 && errno == EEXIST);
    if (f->fd < 0) {
        *error = CreateFailure(path, folder, errno);
        f->temp.clear();
        return false;
    }
    // A private file stays private while it is written.
    if (KeepModeAndOwner(f->fd, target))
        return true;
    *error = WriteFailure(path, errno);
    DiscardPending(f);
    return false;
}

bool WritePending(PendingFile* f, const void* data, size_t bytes, std::string* error)
{
    if (WriteAll(f->fd, data, bytes))
        return true;
    *error = WriteFailure(f->path, errno);
    return false;
}

bool CheckPending(const PendingFile* f, std::string* error)
{
    const FileKind kind = KindOf(f->target);
    if (kind != FileKind::File && kind != FileKind::Missing) {
        *error = "cannot write " + f->path + ": something other than a file took its name meanwhile";
        return false;
    }
    if (KindOf(f->temp) != FileKind::File) {
        *error = "cannot write " + f->path + ": its temporary " + f->temp + " was removed meanwhile";
        return false;
    }
    return true;
}

bool CommitPending(PendingFile* f, std::string* error)
{
    const bool kept = KeepModeAndOwner(f->fd, f->target);
    const bool done = kept && CommitHeldFile(f->fd, f->temp, f->target);
    if (!done) {
        *error = WriteFailure(f->path, errno);
        if (!kept && !CloseFile(f->fd)) {
        }  // failed already: the reason above is the one to give
        if (!RemoveFile(f->temp)) {
        }  // gone already: nothing is left behind either way
    }
    f->fd = -1;
    f->temp.clear();
    return done;
}

void DiscardPending(PendingFile* f)
{
    if (f->fd >= 0)
        DiscardHeldFile(f->fd, f->temp);
    f->fd = -1;
    f->temp.clear();
}

bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes, std::string* error)
{
    std::string target;
    int stream = -1;
    PendingFile f;
    if (!ResolveTarget(path, &target, &stream, error))
        return false;
    if (stream >= 0) {
        *error = "cannot write " + path + ": it names an open descriptor, not a file";
        return false;
    }
    if (!OpenPending(&f, path, target, error))
        return false;
    if (WritePending(&f, bytes.data(), bytes.size(), error) && CheckPending(&f, error) && CommitPending(&f, error))
        return true;
    DiscardPending(&f);
    return false;
}

bool WriteFileAtomically(const std::string& path, std::string_view text, std::string* error)
{
    return WriteFileAtomically(path, {reinterpret_cast<const uint8_t*>(text.data()), text.size()}, error);
}
