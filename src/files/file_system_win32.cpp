// Holding is a share mode: a writer keeps its file or folder open without delete sharing, so the
// name cannot be removed while it lives, and an exclusive open of it fails. A folder is claimed
// for a run by a named mutex made from its file id, which the system drops when its holder ends.
// Windows has no calls relative to an open folder: the calls "at" a folder join its path with the
// name, and do not follow a link (a reparse point) at the last step. It has no unnamed files that
// a child process can read, no folder exchange, no owners to keep.
#include "files/file_system.h"

#include <windows.h>

#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <cerrno>
#include <utility>

static void SetErrno()
{
    const DWORD code = GetLastError();
    errno = code == ERROR_ACCESS_DENIED ? EACCES
            : code == ERROR_SHARING_VIOLATION ? EBUSY
            : code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? ENOENT
            : code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS ? EEXIST
            : code == ERROR_DISK_FULL ? ENOSPC
            : code == ERROR_NOT_SAME_DEVICE ? EXDEV
            : code == ERROR_WRITE_PROTECT ? EROFS
            : code == ERROR_DIR_NOT_EMPTY ? ENOTEMPTY
            : EIO;
}

static bool Failed()
{
    SetErrno();
    return false;
}

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept
{
    if (this != &other) {
        if (fd >= 0)
            _close(fd);
        fd = std::exchange(other.fd, -1);
    }
    return *this;
}

Descriptor::~Descriptor()
{
    if (fd >= 0)
        _close(fd);
}

bool CloseDescriptor(Descriptor* d)
{
    const int fd = std::exchange(d->fd, -1);
    return fd < 0 || CloseFile(fd);
}

FolderHold::FolderHold(FolderHold&& other) noexcept
    : handle(std::exchange(other.handle, -1)), claim(std::exchange(other.claim, -1)), path(std::move(other.path))
{
}

FolderHold& FolderHold::operator=(FolderHold&& other) noexcept
{
    if (this != &other) {
        ReleaseFolder(this);
        handle = std::exchange(other.handle, -1);
        claim = std::exchange(other.claim, -1);
        path = std::move(other.path);
    }
    return *this;
}

FolderHold::~FolderHold() { ReleaseFolder(this); }

void ReleaseFolder(FolderHold* h)
{
    for (intptr_t* handle : {&h->claim, &h->handle})
        if (*handle != -1)
            CloseHandle(reinterpret_cast<HANDLE>(std::exchange(*handle, -1)));
}

static HANDLE Handle(const FolderHold& h) { return reinterpret_cast<HANDLE>(h.handle); }

// The path of `name` in the folder.
static std::string At(const FolderHold& in, const std::string& name)
{
    if (in.path.empty())
        return name;
    const char last = in.path.back();
    return in.path + (last == '/' || last == '\\' || last == ':' ? "" : "/") + name;
}

// A folder handle that lets others read and write inside it but neither remove nor rename it.
static HANDLE OpenFolderHandle(const std::string& path, DWORD share)
{
    return CreateFileA(path.empty() ? "." : path.c_str(), FILE_LIST_DIRECTORY, share, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

static bool IsLink(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

static bool OpenHeld(const std::string& path, FolderHold* h)
{
    ReleaseFolder(h);
    const HANDLE handle = OpenFolderHandle(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (handle == INVALID_HANDLE_VALUE)
        return Failed();
    h->handle = reinterpret_cast<intptr_t>(handle);
    h->path = path;
    return true;
}

bool OpenFolder(const std::string& path, FolderHold* h) { return OpenHeld(path, h); }

bool OpenFolderAt(const FolderHold& in, const std::string& name, FolderHold* h)
{
    if (IsLink(At(in, name))) {
        errno = ELOOP;
        return false;
    }
    return OpenHeld(At(in, name), h);
}

bool ClaimFolder(FolderHold* h)
{
    // One step, so that two runs cannot both pass a check and then both take the folder.
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(Handle(*h), &info))
        return Failed();
    const std::string name = "Global\\sideways-folder-" + std::to_string(info.dwVolumeSerialNumber) + "-" +
                             std::to_string(info.nFileIndexHigh) + "-" + std::to_string(info.nFileIndexLow);
    const HANDLE claim = CreateMutexA(nullptr, FALSE, name.c_str());
    if (claim == nullptr)
        return Failed();
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(claim);
        errno = EBUSY;
        return false;
    }
    h->claim = reinterpret_cast<intptr_t>(claim);
    return true;
}

bool MakeFolderAt(const FolderHold& in, const std::string& name) { return _mkdir(At(in, name).c_str()) == 0; }

bool CreateHeldFolderAt(const FolderHold& in, const std::string& name, FolderHold* h)
{
    if (!MakeFolderAt(in, name))
        return false;
    if (OpenHeld(At(in, name), h))
        return true;
    const int err = errno;
    if (_rmdir(At(in, name).c_str()) != 0) {
    }  // an empty folder nobody holds: harmless, and never ours to empty later
    errno = err;
    return false;
}

bool ListFolder(const FolderHold& h, std::vector<std::string>* names)
{
    names->clear();
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(At(h, "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return Failed();
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            names->push_back(name);
    } while (FindNextFileA(search, &found));
    const bool done = GetLastError() == ERROR_NO_MORE_FILES;
    FindClose(search);
    return done || Failed();
}

int CreateFileAt(const FolderHold& in, const std::string& name)
{
    return _open(At(in, name).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                 _S_IREAD | _S_IWRITE);
}

int OpenFileAt(const FolderHold& in, const std::string& name)
{
    if (IsLink(At(in, name))) {
        errno = ELOOP;
        return -1;
    }
    return _open(At(in, name).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

static bool MoveIntoPlace(const std::string& from, const std::string& to)
{
    // rename() refuses an existing target on Windows.
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) || Failed();
}

bool MoveAt(const FolderHold& from, const std::string& fromName, const FolderHold& to, const std::string& toName)
{
    return MoveIntoPlace(At(from, fromName), At(to, toName));
}

bool ExchangeAt(const FolderHold&, const std::string&, const std::string&)
{
    errno = ENOSYS;
    return false;
}

bool LinkAt(const FolderHold& from, const std::string& fromName, const FolderHold& to, const std::string& toName)
{
    return CreateHardLinkA(At(to, toName).c_str(), At(from, fromName).c_str(), nullptr) || Failed();
}

bool RemoveAt(const FolderHold& in, const std::string& name) { return DeleteFileA(At(in, name).c_str()) || Failed(); }

bool RemoveFolderAt(const FolderHold& in, const std::string& name)
{
    return RemoveDirectoryA(At(in, name).c_str()) || Failed();
}

bool OnOneMount(const FolderHold& a, const FolderHold& b)
{
    BY_HANDLE_FILE_INFORMATION x, y;
    return GetFileInformationByHandle(Handle(a), &x) && GetFileInformationByHandle(Handle(b), &y) &&
           x.dwVolumeSerialNumber == y.dwVolumeSerialNumber;
}

// A folder's read-only attribute does not stop new files on Windows: the staging folder's
// creation is the test.
bool CanAddFiles(const FolderHold&) { return true; }

// The names in a folder, listed through a handle open on it (FindFirstFile would open it again).
static bool ListThrough(HANDLE folder, std::vector<std::string>* names)
{
    alignas(8) char buffer[16384];
    for (FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;; kind = FileIdBothDirectoryInfo) {
        if (!GetFileInformationByHandleEx(folder, kind, buffer, sizeof buffer))
            return GetLastError() == ERROR_NO_MORE_FILES;
        for (const char* at = buffer;;) {
            const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
            const std::wstring wide(entry->FileName, entry->FileNameLength / sizeof(WCHAR));
            char name[MAX_PATH * 4];
            const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), name,
                                              sizeof name, nullptr, nullptr);
            const bool folder = (entry->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                                (entry->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
            if (n > 0 && !folder)
                names->emplace_back(name, static_cast<size_t>(n));
            if (entry->NextEntryOffset == 0)
                break;
            at += entry->NextEntryOffset;
        }
    }
}

static bool HasMark(const std::string& path, const std::string& markText)
{
    const int fd = IsLink(path) ? -1 : _open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    std::string text;
    const bool read = fd >= 0 && ReadWhole(fd, &text);
    if (fd >= 0)
        _close(fd);
    return read && text == markText;
}

void RemoveIfStaleAt(const FolderHold& in, const std::string& name, const std::string& mark,
                     const std::string& markText)
{
    const std::string path = At(in, name);
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return;  // gone, or a link: never followed
    const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // An exclusive open fails while a living writer holds it; while it is ours, nobody can remove
    // or rename the leftover, so its path keeps leading to it.
    const HANDLE h = CreateFileA(path.c_str(), folder ? FILE_LIST_DIRECTORY : GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;
    if (!folder) {
        CloseHandle(h);  // its writer is gone, and no new writer takes a name that exists
        if (!DeleteFileA(path.c_str())) {
        }  // taken meanwhile: left
        return;
    }
    std::vector<std::string> names;
    const bool ours = HasMark(path + "/" + mark, markText) && ListThrough(h, &names);
    for (size_t i = 0; ours && i < names.size(); ++i)
        if (names[i] != mark && !DeleteFileA((path + "/" + names[i]).c_str())) {
        }  // left, and then so is the folder
    const bool unmarked = ours && DeleteFileA((path + "/" + mark).c_str());
    CloseHandle(h);
    if (unmarked && !RemoveDirectoryA(path.c_str())) {
    }  // something is left in it: it stays, without its mark
}

int CreateHeldFile(const std::string& path)
{
    // The runtime's files share reading and writing, never deletion: that is the hold.
    return _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

int CreateHiddenFile(const std::string& folder, const std::string& hint, std::string* name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = folder + TempName(hint);
        const int fd = _sopen(name->c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
                              _S_IREAD | _S_IWRITE);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

int OpenStream(const std::string& path) { return _open(path.c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT); }

int DuplicateDescriptor(int n) { return _dup(n); }

// The CRT reads and writes at most INT_MAX bytes a call.
static unsigned Chunk(size_t bytes) { return bytes > (1u << 30) ? (1u << 30) : static_cast<unsigned>(bytes); }

std::ptrdiff_t ReadSome(int fd, void* into, size_t most) { return _read(fd, into, Chunk(most)); }

std::ptrdiff_t WriteSome(int fd, const void* data, size_t most)
{
    const int n = _write(fd, data, Chunk(most));
    if (n <= 0 && StopSignal != 0)
        errno = EINTR;
    return n;
}

bool RewindFile(int fd) { return _lseeki64(fd, 0, SEEK_SET) == 0; }

bool CloseFile(int fd) { return _close(fd) == 0; }

bool KeepModeAndOwner(int, const std::string&) { return true; }

bool KeepFolderModeAndOwner(const FolderHold&, const FolderHold&) { return true; }

// A file open without delete sharing cannot be renamed: let go first.
bool CommitHeldFile(int fd, const std::string& temp, const std::string& target)
{
    return CloseFile(fd) && MoveIntoPlace(temp, target);
}

void DiscardHeldFile(int fd, const std::string& temp)
{
    _close(fd);
    if (!RemoveFile(temp)) {
    }  // removed meanwhile: nothing left to take back
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) || Failed(); }

static std::string KeyOfHandle(HANDLE h)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info))
        return {};
    return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexHigh) + ":" +
           std::to_string(info.nFileIndexLow);
}

// The file id of whatever the path names, opened for nothing but its attributes.
static std::string KeyOfPath(const std::string& path, DWORD flags)
{
    const HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    const std::string key = KeyOfHandle(h);
    CloseHandle(h);
    return key;
}

std::string ExistingFileKey(const std::string& path) { return KeyOfPath(path, 0); }

std::string DescriptorKey(int fd)
{
    const std::string key = KeyOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(fd)));
    return key.empty() ? "fd:" + std::to_string(fd) : key;
}

FileKind KindOf(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        SetErrno();
        return errno == ENOENT ? FileKind::Missing : FileKind::Unknown;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return FileKind::Folder;
    return (attributes & FILE_ATTRIBUTE_DEVICE) != 0 ? FileKind::Device : FileKind::File;
}

FileKind KindAt(const FolderHold& in, const std::string& name)
{
    return IsLink(At(in, name)) ? FileKind::Link : KindOf(At(in, name));
}

std::string KeyAt(const FolderHold& in, const std::string& name)
{
    return KeyOfPath(At(in, name), FILE_FLAG_OPEN_REPARSE_POINT);
}

bool MakeFolder(const std::string& path) { return _mkdir(path.c_str()) == 0; }

const char PathSeparators[] = "/\\";

long ProcessId() { return static_cast<long>(GetCurrentProcessId()); }
