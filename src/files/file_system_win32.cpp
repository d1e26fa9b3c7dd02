// Holding is a share mode: a writer keeps its file or folder open without delete sharing, so the
// name cannot be removed while it lives, and an exclusive open of it fails. Windows has no
// unnamed files that a child process can read, no folder exchange, no owners to keep.
#include "files/file_system.h"

#include <windows.h>

#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

volatile std::sig_atomic_t StopSignal = 0;

static void SetErrno()
{
    const DWORD code = GetLastError();
    errno = code == ERROR_ACCESS_DENIED ? EACCES
            : code == ERROR_SHARING_VIOLATION ? EBUSY
            : code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? ENOENT
            : code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS ? EEXIST
            : code == ERROR_DISK_FULL ? ENOSPC
            : EIO;
}

int CreateNewFile(const std::string& path)
{
    return _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

// The runtime's files share reading and writing, never deletion: that is the hold.
int CreateHeldFile(const std::string& path) { return CreateNewFile(path); }

// A folder handle that lets others read and write inside it but neither remove nor hold it.
static HANDLE OpenFolder(const std::string& path, DWORD share)
{
    return CreateFileA(path.c_str(), FILE_LIST_DIRECTORY, share, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                       nullptr);
}

bool CreateHeldFolder(const std::string& path, intptr_t* held)
{
    if (_mkdir(path.c_str()) != 0)
        return false;
    const HANDLE h = OpenFolder(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (h == INVALID_HANDLE_VALUE) {
        SetErrno();
        _rmdir(path.c_str());
        return false;
    }
    *held = reinterpret_cast<intptr_t>(h);
    return true;
}

bool HoldFolder(const std::string& path, intptr_t* held)
{
    // An exclusive open fails while any other process has the folder open.
    const HANDLE probe = OpenFolder(path, 0);
    if (probe == INVALID_HANDLE_VALUE) {
        SetErrno();
        return false;
    }
    CloseHandle(probe);
    const HANDLE h = OpenFolder(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (h == INVALID_HANDLE_VALUE) {
        SetErrno();
        return false;
    }
    *held = reinterpret_cast<intptr_t>(h);
    return true;
}

void ReleaseFolder(intptr_t* held)
{
    if (*held != -1)
        CloseHandle(reinterpret_cast<HANDLE>(*held));
    *held = -1;
}

void RemoveIfStale(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const HANDLE h = CreateFileA(path.c_str(), folder ? FILE_LIST_DIRECTORY : GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;  // in use: a living writer holds it
    // Let go before removing, which opens it again: its writer is gone, and no new writer takes a
    // name that exists.
    CloseHandle(h);
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

int CreateHiddenFile(const std::string& folder, const std::string& hint, std::string* name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = folder + "sideways-" + std::to_string(GetCurrentProcessId()) + "-h" + std::to_string(attempt) + "-" +
                hint + ".part";
        const int fd = _sopen(name->c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
                              _S_IREAD | _S_IWRITE);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

int OpenStream(const std::string& path) { return _open(path.c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT); }

int DuplicateDescriptor(int n) { return _dup(n); }

bool WriteAll(int fd, const void* data, size_t bytes)
{
    const char* at = static_cast<const char*>(data);
    while (bytes > 0) {
        const unsigned chunk = bytes > (1u << 30) ? (1u << 30) : static_cast<unsigned>(bytes);
        const int n = _write(fd, at, chunk);
        if (n <= 0) {
            if (StopSignal != 0)
                errno = EINTR;
            return false;
        }
        at += n;
        bytes -= static_cast<size_t>(n);
    }
    return true;
}

bool RewindFile(int fd) { return _lseeki64(fd, 0, SEEK_SET) == 0; }

bool CloseFile(int fd) { return _close(fd) == 0; }

void KeepModeAndOwner(int, const std::string&) {}

void KeepFolderModeAndOwner(const std::string&, const std::string&) {}

// A file open without delete sharing cannot be renamed: let go first.
bool CommitHeldFile(int fd, const std::string& temp, const std::string& target)
{
    return CloseFile(fd) && MoveIntoPlace(temp, target);
}

void DiscardHeldFile(int fd, const std::string& temp)
{
    _close(fd);
    DeleteFileA(temp.c_str());
}

bool MoveIntoPlace(const std::string& from, const std::string& to)
{
    // rename() refuses an existing target on Windows.
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    SetErrno();
    return false;
}

bool ExchangeFolders(const std::string&, const std::string&)
{
    errno = ENOSYS;
    return false;
}

bool LinkFile(const std::string& from, const std::string& to)
{
    if (CreateHardLinkA(to.c_str(), from.c_str(), nullptr))
        return true;
    SetErrno();
    return false;
}

std::string ExistingFileKey(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::canonical(path, ec);
    return ec ? std::string() : full.string();
}

std::string DescriptorKey(int fd)
{
    BY_HANDLE_FILE_INFORMATION info;
    const HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (h == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(h, &info))
        return "fd:" + std::to_string(fd);
    return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexHigh) + ":" +
           std::to_string(info.nFileIndexLow);
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

bool MakeFolder(const std::string& path) { return _mkdir(path.c_str()) == 0; }

const char PathSeparators[] = "/\\";

long ProcessId() { return static_cast<long>(GetCurrentProcessId()); }
