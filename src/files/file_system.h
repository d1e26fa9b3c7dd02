// The file-system calls the writers make beyond standard C++: one implementation each for POSIX
// (file_system_posix.cpp) and Windows (file_system_win32.cpp). Descriptors are the C runtime's
// (POSIX descriptors, or the CRT's on Windows). Calls that fail return false or -1 with errno set.
// Main thread only, unless a line says otherwise.
#pragma once
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The signal that asked the program to stop, 0 while none has. A program's own signal handler
// sets it (the capture's, capture/system.h); the writers here read it: a write, open or wait
// that a signal interrupts gives up (errno EINTR) once it is set.
extern volatile std::sig_atomic_t StopSignal;

// An open descriptor, closed when it goes out of scope; moved, never copied.
struct Descriptor {
    int fd = -1;
    Descriptor() = default;
    explicit Descriptor(int f) : fd(f) {}
    Descriptor(Descriptor&& other) noexcept : fd(other.fd) { other.fd = -1; }
    Descriptor& operator=(Descriptor&& other) noexcept;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor();
};
// Closes now; false when the last writes failed (a full disk shows here on some file systems).
[[nodiscard]] bool CloseDescriptor(Descriptor* d);

// An open folder that the calls below work in by name, never by path: a link or a swapped name
// can never lead them elsewhere. Where the system allows (POSIX) it is a descriptor; on Windows
// a handle and the folder's path. Released when it goes out of scope; moved, never copied.
struct FolderHold {
    intptr_t handle = -1;
    intptr_t claim = -1;  // on Windows, the named object that claims the folder (ClaimFolder)
    std::string path;     // as opened, for messages (and the calls on Windows)
    FolderHold() = default;
    FolderHold(FolderHold&& other) noexcept;
    FolderHold& operator=(FolderHold&& other) noexcept;
    FolderHold(const FolderHold&) = delete;
    FolderHold& operator=(const FolderHold&) = delete;
    ~FolderHold();
};
void ReleaseFolder(FolderHold* h);

// Opens an existing folder (links in its path followed: the user named it so).
[[nodiscard]] bool OpenFolder(const std::string& path, FolderHold* h);
// Opens the folder `name` inside `in`, not following a link.
[[nodiscard]] bool OpenFolderAt(const FolderHold& in, const std::string& name, FolderHold* h);
// Claims an open folder for this run: false with errno EBUSY when another process holds it. On a
// file system without locks (some network and FUSE ones) every claim succeeds.
[[nodiscard]] bool ClaimFolder(FolderHold* h);
// Makes the folder `name` in `in`.
[[nodiscard]] bool MakeFolderAt(const FolderHold& in, const std::string& name);
// Makes the folder `name` in `in`, opens and claims it; false (EEXIST) when the name is taken.
[[nodiscard]] bool CreateHeldFolderAt(const FolderHold& in, const std::string& name, FolderHold* h);
// The names in a folder, "." and ".." left out.
[[nodiscard]] bool ListFolder(const FolderHold& h, std::vector<std::string>* names);
// Creates a new file in a folder, failing when the name exists; not inherited by child processes.
int CreateFileAt(const FolderHold& in, const std::string& name);
// Opens an existing file of a folder for reading, not following a link.
int OpenFileAt(const FolderHold& in, const std::string& name);
// Renames within or between two folders of one file system, replacing a file at `toName`.
[[nodiscard]] bool MoveAt(const FolderHold& from, const std::string& fromName, const FolderHold& to,
                          const std::string& toName);
// Swaps two names of one folder in one step; false (ENOSYS, EINVAL, ...) where the system cannot.
[[nodiscard]] bool ExchangeAt(const FolderHold& in, const std::string& a, const std::string& b);
// A second name `toName` in `to` for the file `fromName` in `from`.
[[nodiscard]] bool LinkAt(const FolderHold& from, const std::string& fromName, const FolderHold& to,
                          const std::string& toName);
// Removes a file (or a link, never what it names), or an empty folder.
[[nodiscard]] bool RemoveAt(const FolderHold& in, const std::string& name);
[[nodiscard]] bool RemoveFolderAt(const FolderHold& in, const std::string& name);
// True when both folders are on one mount, so that a rename between them can work.
[[nodiscard]] bool OnOneMount(const FolderHold& a, const FolderHold& b);
// Fails (EROFS, EACCES, ...) when this process cannot add files to the folder.
[[nodiscard]] bool CanAddFiles(const FolderHold& h);
// Removes the leftover `name` in `in` when no living process holds it: a file, or a folder that
// holds `mark` with the text `markText` (then only its files and links go, with the mark last).
// Never follows a link: the leftover is emptied through the descriptor that holds its lock.
void RemoveIfStaleAt(const FolderHold& in, const std::string& name, const std::string& mark,
                     const std::string& markText);

// Creates a new file for writing (failing when the name exists) and holds it: while the
// descriptor is open, no other process can claim it as stale. Not inherited by child processes.
int CreateHeldFile(const std::string& path);
// A file nobody else sees, in folder, open for reading and writing: unnamed where the system can
// do it (*name left empty), else under a held temporary name in *name that the caller removes.
int CreateHiddenFile(const std::string& folder, const std::string& hint, std::string* name);

// Opens an existing device or named pipe for writing; a named pipe waits for its reader.
int OpenStream(const std::string& path);
// A second descriptor for the open descriptor n, as a stream target ("/dev/fd/N") names it.
int DuplicateDescriptor(int n);
// One read or write of up to most bytes: the count done, 0 at the end of a file, -1 with errno
// set; a signal interrupts it only once StopSignal is set.
std::ptrdiff_t ReadSome(int fd, void* into, size_t most);
std::ptrdiff_t WriteSome(int fd, const void* data, size_t most);
// Writes every byte; false at the first error (EPIPE when a pipe's reader went away).
[[nodiscard]] bool WriteAll(int fd, const void* data, size_t bytes);
// Reads from fd to the end of the file into *text.
[[nodiscard]] bool ReadWhole(int fd, std::string* text);
// Puts the file position back at the start.
[[nodiscard]] bool RewindFile(int fd);
// Closes; false when the last writes failed (a full disk shows here on some file systems).
[[nodiscard]] bool CloseFile(int fd);

// Gives the file behind fd the permission bits and, where this process may, the owner of the
// existing file `of`: what an editor keeps when it replaces a file. Nothing when `of` is missing;
// false only when the permission bits could not be given.
[[nodiscard]] bool KeepModeAndOwner(int fd, const std::string& of);
// The same for a folder from the folder `of`.
[[nodiscard]] bool KeepFolderModeAndOwner(const FolderHold& h, const FolderHold& of);
// Renames a held file's temporary over target and lets go of it (holding it through the rename
// where the system allows); DiscardHeldFile removes the temporary instead.
[[nodiscard]] bool CommitHeldFile(int fd, const std::string& temp, const std::string& target);
void DiscardHeldFile(int fd, const std::string& temp);
// Removes a file by its path.
[[nodiscard]] bool RemoveFile(const std::string& path);

// A key equal for any two paths to one existing file (device and inode, where there are such);
// empty when nothing is there. DescriptorKey is the same for an open descriptor.
std::string ExistingFileKey(const std::string& path);
std::string DescriptorKey(int fd);
// What is at path, symbolic links followed; KindAt follows none.
enum class FileKind : uint8_t { Missing, File, Folder, Device, Pipe, Link, Other, Unknown };
FileKind KindOf(const std::string& path);
FileKind KindAt(const FolderHold& in, const std::string& name);
// ExistingFileKey for a name in a folder, not following a link.
std::string KeyAt(const FolderHold& in, const std::string& name);
[[nodiscard]] bool MakeFolder(const std::string& path);
// The characters that end a folder's name in a path: "/", and on Windows also "\\".
extern const char PathSeparators[];
// This process's id, for unique temporary names (never to judge whether a file is stale).
long ProcessId();
// A temporary name for hint, unique to this process: "sideways-PID-N-HINT.part", the hint cut so
// that the whole fits in a file name. Never used to judge whether a file is stale.
std::string TempName(const std::string& hint);
