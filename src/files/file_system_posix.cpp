// Holding is flock(2): the kernel drops the lock when its holder ends, however it ends, so a file
// whose lock can be taken has no living writer, in whatever process, container or host it ran.
// Folders are worked in through their descriptors (openat and the other *at calls), never by a
// path a link or a swapped name could redirect.
#include "files/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept
{
    if (this != &other) {
        if (fd >= 0)
            close(fd);
        fd = other.fd;
        other.fd = -1;
    }
    return *this;
}

Descriptor::~Descriptor()
{
    if (fd >= 0)
        close(fd);
}

bool CloseDescriptor(Descriptor* d)
{
    const int fd = d->fd;
    d->fd = -1;
    return fd < 0 || CloseFile(fd);
}

FolderHold::FolderHold(FolderHold&& other) noexcept : handle(other.handle), path(std::move(other.path))
{
    other.handle = -1;
}

FolderHold& FolderHold::operator=(FolderHold&& other) noexcept
{
    if (this != &other) {
        ReleaseFolder(this);
        handle = other.handle;
        path = std::move(other.path);
        other.handle = -1;
    }
    return *this;
}

FolderHold::~FolderHold() { ReleaseFolder(this); }

void ReleaseFolder(FolderHold* h)
{
    if (h->handle >= 0)
        close(static_cast<int>(h->handle));
    h->handle = -1;
}

static int Fd(const FolderHold& h) { return static_cast<int>(h.handle); }

// A lock that another process has is refused; a file system without locks gives every claim.
static bool Claim(int fd) { return flock(fd, LOCK_EX | LOCK_NB) == 0 || (errno != EWOULDBLOCK && errno != EINTR); }

static bool Same(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

bool OpenFolder(const std::string& path, FolderHold* h)
{
    ReleaseFolder(h);
    const int fd = open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    h->handle = fd;
    h->path = path;
    return true;
}

bool OpenFolderAt(const FolderHold& in, const std::string& name, FolderHold* h)
{
    ReleaseFolder(h);
    const int fd = openat(Fd(in), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    h->handle = fd;
    h->path = in.path + "/" + name;
    return true;
}

bool ClaimFolder(FolderHold* h)
{
    if (Claim(Fd(*h)))
        return true;
    errno = EBUSY;
    return false;
}

bool MakeFolderAt(const FolderHold& in, const std::string& name) { return mkdirat(Fd(in), name.c_str(), 0777) == 0; }

bool CreateHeldFolderAt(const FolderHold& in, const std::string& name, FolderHold* h)
{
    if (mkdirat(Fd(in), name.c_str(), 0777) != 0)
        return false;
    // Another process may have claimed the name as stale between the make and the lock: the name
    // must still lead to the folder locked.
    struct stat opened, named;
    if (!OpenFolderAt(in, name, h) || !Claim(Fd(*h)) || fstat(Fd(*h), &opened) != 0 ||
        fstatat(Fd(in), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 || !Same(opened, named)) {
        if (h->handle >= 0 && fstatat(Fd(in), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            fstat(Fd(*h), &opened) == 0 && Same(opened, named))
            if (unlinkat(Fd(in), name.c_str(), AT_REMOVEDIR) != 0) {
            }  // an unheld, unmarked empty folder: harmless, and never ours to empty later
        ReleaseFolder(h);
        errno = EEXIST;  // the caller tries another name
        return false;
    }
    return true;
}

bool ListFolder(const FolderHold& h, std::vector<std::string>* names)
{
    names->clear();
    const int fd = openat(Fd(h), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd < 0 ? nullptr : fdopendir(fd);
    if (dir == nullptr) {
        if (fd >= 0)
            close(fd);
        return false;
    }
    errno = 0;
    for (const dirent* entry; (entry = readdir(dir)) != nullptr; errno = 0) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names->push_back(name);
    }
    const int err = errno;
    closedir(dir);
    errno = err;
    return err == 0;
}

int CreateFileAt(const FolderHold& in, const std::string& name)
{
    return openat(Fd(in), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

int OpenFileAt(const FolderHold& in, const std::string& name)
{
    return openat(Fd(in), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
}

bool MoveAt(const FolderHold& from, const std::string& fromName, const FolderHold& to, const std::string& toName)
{
    return renameat(Fd(from), fromName.c_str(), Fd(to), toName.c_str()) == 0;
}

bool ExchangeAt(const FolderHold& in, const std::string& a, const std::string& b)
{
    return renameat2(Fd(in), a.c_str(), Fd(in), b.c_str(), RENAME_EXCHANGE) == 0;
}

bool LinkAt(const FolderHold& from, const std::string& fromName, const FolderHold& to, const std::string& toName)
{
    return linkat(Fd(from), fromName.c_str(), Fd(to), toName.c_str(), 0) == 0;
}

bool RemoveAt(const FolderHold& in, const std::string& name) { return unlinkat(Fd(in), name.c_str(), 0) == 0; }

bool RemoveFolderAt(const FolderHold& in, const std::string& name)
{
    return unlinkat(Fd(in), name.c_str(), AT_REMOVEDIR) == 0;
}

bool OnOneMount(const FolderHold& a, const FolderHold& b)
{
    // A bind mount shares its device with its source: the mount's own id tells them apart.
    struct statx x, y;
    if (statx(Fd(a), "", AT_EMPTY_PATH, STATX_MNT_ID, &x) == 0 && statx(Fd(b), "", AT_EMPTY_PATH, STATX_MNT_ID, &y) == 0 &&
        (x.stx_mask & y.stx_mask & STATX_MNT_ID) != 0)
        return x.stx_mnt_id == y.stx_mnt_id;
    struct stat s, t;
    return fstat(Fd(a), &s) == 0 && fstat(Fd(b), &t) == 0 && s.st_dev == t.st_dev;
}

bool CanAddFiles(const FolderHold& h) { return faccessat(Fd(h), ".", W_OK | X_OK, AT_EACCESS) == 0; }

// The folder at fd holds the file mark with exactly the text markText.
static bool HasMark(int fd, const std::string& mark, const std::string& markText)
{
    const int m = openat(fd, mark.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (m < 0)
        return false;
    char text[64] = {};
    struct stat st;
    const ssize_t n = fstat(m, &st) == 0 && S_ISREG(st.st_mode) ? read(m, text, sizeof text) : -1;
    close(m);
    return n >= 0 && std::string(text, static_cast<size_t>(n)) == markText;
}

void RemoveIfStaleAt(const FolderHold& in, const std::string& name, const std::string& mark,
                     const std::string& markText)
{
    FolderHold leftover;
    leftover.handle = OpenFileAt(in, name);
    struct stat opened, named;
    // Removed while the lock is ours, so that no writer can take the name back meanwhile.
    if (leftover.handle < 0 || fstat(Fd(leftover), &opened) != 0 || flock(Fd(leftover), LOCK_EX | LOCK_NB) != 0)
        return;
    const auto stillThere = [&] {
        return fstatat(Fd(in), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && Same(opened, named);
    };
    if (S_ISREG(opened.st_mode)) {
        if (stillThere() && !RemoveAt(in, name)) {
        }  // gone meanwhile, or not ours to remove: left as it is
        return;
    }
    if (!S_ISDIR(opened.st_mode) || !HasMark(Fd(leftover), mark, markText))
        return;
    std::vector<std::string> names;
    if (!ListFolder(leftover, &names))
        return;
    for (const std::string& child : names) {
        struct stat st;
        // Files and links only, through the locked folder's own descriptor; a folder in it is not ours.
        if (child != mark && fstatat(Fd(leftover), child.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(st.st_mode) &&
            !RemoveAt(leftover, child))
            return;
    }
    if (RemoveAt(leftover, mark) && stillThere() && !RemoveFolderAt(in, name)) {
    }  // something came in meanwhile: left, without its mark
}

int CreateHeldFile(const std::string& path)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return -1;
    // Another process may have claimed the name as stale between the create and the lock.
    struct stat opened, named;
    if (!Claim(fd) || fstat(fd, &opened) != 0 || stat(path.c_str(), &named) != 0 || !Same(opened, named)) {
        close(fd);
        errno = EEXIST;  // the caller tries another name
        return -1;
    }
    return fd;
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
        const std::string path = folder + TempName(hint);
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 && unlink(path.c_str()) != 0) {
        }  // then the name stays until the next run finds it unheld and removes it
        if (fd >= 0 || errno != EEXIST || attempt == 100)
            return fd;
    }
}

// Calls io again when a signal interrupted it, until the program is asked to stop.
template <class Call>
static auto Retried(Call io)
{
    for (;;) {
        const auto n = io();
        if (n >= 0 || errno != EINTR || StopSignal != 0)
            return n;
    }
}

int OpenStream(const std::string& path)
{
    return Retried([&] { return open(path.c_str(), O_WRONLY | O_CLOEXEC); });
}

int DuplicateDescriptor(int n) { return fcntl(n, F_DUPFD_CLOEXEC, 3); }

std::ptrdiff_t ReadSome(int fd, void* into, size_t most)
{
    return Retried([&] { return read(fd, into, most); });
}

std::ptrdiff_t WriteSome(int fd, const void* data, size_t most)
{
    return Retried([&] { return write(fd, data, most); });
}

bool RewindFile(int fd) { return lseek(fd, 0, SEEK_SET) == 0; }

bool CloseFile(int fd) { return close(fd) == 0 || errno == EINTR; }

static bool KeepModeAndOwnerOf(int fd, const struct stat& st)
{
    // The owner first: changing it may clear the set-id bits that fchmod then puts back. An owner
    // we may not give is left as it is (a file we write is ours); a group we belong to still goes over.
    if (fchown(fd, st.st_uid, st.st_gid) != 0 && fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) {
    }
    return fchmod(fd, st.st_mode & 07777) == 0;
}

bool KeepModeAndOwner(int fd, const std::string& of)
{
    struct stat st;
    return stat(of.c_str(), &st) != 0 || KeepModeAndOwnerOf(fd, st);
}

bool KeepFolderModeAndOwner(const FolderHold& h, const FolderHold& of)
{
    struct stat st;
    return fstat(Fd(of), &st) == 0 && KeepModeAndOwnerOf(Fd(h), st);
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
    if (!RemoveFile(temp)) {
    }  // removed meanwhile: nothing left to take back
    close(fd);
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }

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

static FileKind KindOfStat(int result, const struct stat& st)
{
    if (result != 0)
        return errno == ENOENT ? FileKind::Missing : FileKind::Unknown;
    if (S_ISREG(st.st_mode))
        return FileKind::File;
    if (S_ISDIR(st.st_mode))
        return FileKind::Folder;
    if (S_ISLNK(st.st_mode))
        return FileKind::Link;
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        return FileKind::Device;
    return S_ISFIFO(st.st_mode) ? FileKind::Pipe : FileKind::Other;
}

FileKind KindOf(const std::string& path)
{
    struct stat st;
    const int result = stat(path.c_str(), &st);
    return KindOfStat(result, st);
}

FileKind KindAt(const FolderHold& in, const std::string& name)
{
    struct stat st;
    const int result = fstatat(Fd(in), name.c_str(), &st, AT_SYMLINK_NOFOLLOW);
    return KindOfStat(result, st);
}

std::string KeyAt(const FolderHold& in, const std::string& name)
{
    struct stat st;
    return fstatat(Fd(in), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 ? KeyOf(st) : std::string();
}

bool MakeFolder(const std::string& path) { return mkdir(path.c_str(), 0777) == 0; }

const char PathSeparators[] = "/";

long ProcessId() { return static_cast<long>(getpid()); }
