// Holding is flock(2): the kernel drops the lock when its holder ends, however it ends, so a file
// whose lock can be taken has no living writer, in whatever process, container or host it ran.
#include "files/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

volatile std::sig_atomic_t StopSignal = 0;

// Takes the lock on a file or folder just made, and checks that the name still leads to it:
// another process may have claimed the name as stale between the create and the lock.
// A file system without locks (some network and FUSE ones) holds nothing: there a leftover is
// never judged stale, and nothing is refused for want of a lock.
static bool Lock(int fd) { return flock(fd, LOCK_EX | LOCK_NB) == 0 || (errno != EWOULDBLOCK && errno != EINTR); }

static bool HoldNew(int fd, const std::string& path)
{
    struct stat opened, named;
    if (!Lock(fd) || fstat(fd, &opened) != 0 || stat(path.c_str(), &named) != 0 ||
        opened.st_dev != named.st_dev || opened.st_ino != named.st_ino) {
        close(fd);
        errno = EEXIST;  // the caller tries another name
        return false;
    }
    return true;
}

int CreateHeldFile(const std::string& path)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    return fd >= 0 && HoldNew(fd, path) ? fd : -1;
}

int CreateNewFile(const std::string& path) { return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); }

bool CreateHeldFolder(const std::string& path, intptr_t* held)
{
    if (mkdir(path.c_str(), 0777) != 0)
        return false;
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || !HoldNew(fd, path)) {
        const int err = errno;
        rmdir(path.c_str());
        errno = err;
        return false;
    }
    *held = fd;
    return true;
}

bool HoldFolder(const std::string& path, intptr_t* held)
{
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    if (!Lock(fd)) {
        close(fd);
        errno = EBUSY;
        return false;
    }
    *held = fd;
    return true;
}

void ReleaseFolder(intptr_t* held)
{
    if (*held >= 0)
        close(static_cast<int>(*held));
    *held = -1;
}

// Removes a folder's entries, and the folders among them with theirs; the folder itself stays.
static void EmptyFolder(const std::string& path)
{
    DIR* dir = opendir(path.c_str());
    if (dir == nullptr)
        return;
    for (const dirent* entry; (entry = readdir(dir)) != nullptr;) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string child = path + "/" + name;
        struct stat st;
        if (lstat(child.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            EmptyFolder(child);
            rmdir(child.c_str());
        } else {
            unlink(child.c_str());
        }
    }
    closedir(dir);
}

void RemoveIfStale(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return;
    struct stat st;
    // Removed while the lock is ours, so that no writer can take the name back meanwhile.
    if (fstat(fd, &st) == 0 && flock(fd, LOCK_EX | LOCK_NB) == 0) {
        if (S_ISDIR(st.st_mode)) {
            EmptyFolder(path);
            rmdir(path.c_str());
        } else if (S_ISREG(st.st_mode)) {
            unlink(path.c_str());
        }
    }
    close(fd);
}

int CreateHiddenFile(const std::string& folder, const std::string& hint, std::string* name)
{
    name->clear();
#ifdef O_TMPFILE
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return fd;
#endif
    // No unnamed files here: a name of our own, unlinked at once.
    for (int attempt = 0;; ++attempt) {
        const std::string path = folder + "sideways-" + std::to_string(getpid()) + "-h" + std::to_string(attempt) +
                                 "-" + hint + ".part";
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0)
            unlink(path.c_str());
        if (fd >= 0 || errno != EEXIST || attempt == 100)
            return fd;
    }
}

int OpenStream(const std::string& path)
{
    for (;;) {
        const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd >= 0 || errno != EINTR || StopSignal != 0)
            return fd;
    }
}

int DuplicateDescriptor(int n) { return fcntl(n, F_DUPFD_CLOEXEC, 3); }

bool WriteAll(int fd, const void* data, size_t bytes)
{
    const char* at = static_cast<const char*>(data);
    while (bytes > 0) {
        const ssize_t n = write(fd, at, bytes);
        if (n < 0 && errno == EINTR && StopSignal == 0)
            continue;
        if (n <= 0)
            return false;
        at += n;
        bytes -= static_cast<size_t>(n);
    }
    return true;
}

bool RewindFile(int fd) { return lseek(fd, 0, SEEK_SET) == 0; }

bool CloseFile(int fd) { return close(fd) == 0 || errno == EINTR; }

void KeepModeAndOwner(int fd, const std::string& of)
{
    struct stat st;
    if (stat(of.c_str(), &st) != 0)
        return;
    // The owner first: changing it may clear the set-id bits that fchmod then puts back. An owner
    // we may not give is left as it is; a group we belong to still goes over.
    if (fchown(fd, st.st_uid, st.st_gid) != 0 && fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) {
    }
    fchmod(fd, st.st_mode & 07777);
}

void KeepFolderModeAndOwner(const std::string& folder, const std::string& of)
{
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        KeepModeAndOwner(fd, of);
        close(fd);
    }
}

bool CommitHeldFile(int fd, const std::string& temp, const std::string& target)
{
    const bool moved = std::rename(temp.c_str(), target.c_str()) == 0;
    const int err = errno;
    const bool closed = CloseFile(fd);
    errno = moved ? errno : err;
    return moved && closed;
}

void DiscardHeldFile(int fd, const std::string& temp)
{
    unlink(temp.c_str());
    close(fd);
}

bool MoveIntoPlace(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

bool ExchangeFolders(const std::string& a, const std::string& b)
{
    return renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
}

bool LinkFile(const std::string& from, const std::string& to) { return link(from.c_str(), to.c_str()) == 0; }

static std::string KeyOf(const struct stat& st) { return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino); }

std::string ExistingFileKey(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? KeyOf(st) : std::string();
}

std::string DescriptorKey(int fd)
{
    struct stat st;
    return fstat(fd, &st) == 0 ? KeyOf(st) : std::string();
}

FileKind KindOf(const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return errno == ENOENT ? FileKind::Missing : FileKind::Unknown;
    if (S_ISREG(st.st_mode))
        return FileKind::File;
    if (S_ISDIR(st.st_mode))
        return FileKind::Folder;
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        return FileKind::Device;
    return S_ISFIFO(st.st_mode) ? FileKind::Pipe : FileKind::Other;
}

bool MakeFolder(const std::string& path) { return mkdir(path.c_str(), 0777) == 0; }

const char PathSeparators[] = "/";

long ProcessId() { return static_cast<long>(getpid()); }
