// The file-system calls the writers make beyond standard C++: one implementation each for POSIX
// (file_system_posix.cpp) and Windows (file_system_win32.cpp). Descriptors are the C runtime's
// (POSIX descriptors, or the CRT's on Windows); a folder is held through a Held handle. Calls that
// fail return false or -1 with errno set. Main thread only, unless a line says otherwise.
#pragma once
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <string>

// The signal that asked the program to stop, 0 while none has; set by the program's own handler.
// A write or open here that a signal interrupts gives up (errno EINTR) once it is set.
extern volatile std::sig_atomic_t StopSignal;

// Creates a new file for writing (failing when the name exists) and holds it: while the
// descriptor is open, no other process can claim it as stale. Not inherited by child processes.
int CreateHeldFile(const std::string& path);
// Creates a new file for writing, failing when the name exists; not inherited by child processes.
int CreateNewFile(const std::string& path);
// Makes a new folder and holds it the same way; *held is released by ReleaseFolder.
bool CreateHeldFolder(const std::string& path, intptr_t* held);
// Holds an existing folder for this run; false with errno EBUSY when another process holds it.
bool HoldFolder(const std::string& path, intptr_t* held);
void ReleaseFolder(intptr_t* held);
// Removes path (a file, or a folder with the files in it) when no living process holds it.
void RemoveIfStale(const std::string& path);
// A file nobody else sees, in folder, open for reading and writing: unnamed where the system can
// do it (*name left empty), else under a held temporary name in *name that the caller removes.
int CreateHiddenFile(const std::string& folder, const std::string& hint, std::string* name);

// Opens an existing device or named pipe for writing; a named pipe waits for its reader.
int OpenStream(const std::string& path);
// A second descriptor for the open descriptor n, as a stream target ("/dev/fd/N") names it.
int DuplicateDescriptor(int n);
// Writes every byte; false at the first error (EPIPE when a pipe's reader went away).
bool WriteAll(int fd, const void* data, size_t bytes);
// Puts the file position back at the start.
bool RewindFile(int fd);
// Closes; false when the last writes failed (a full disk shows here on some file systems).
bool CloseFile(int fd);

// Gives the file behind fd the permission bits and, where this process may, the owner of the
// existing file `of`: what an editor keeps when it replaces a file. Nothing when `of` is missing.
void KeepModeAndOwner(int fd, const std::string& of);
void KeepFolderModeAndOwner(const std::string& folder, const std::string& of);
// Renames a held file's temporary over target and lets go of it (holding it through the rename
// where the system allows); DiscardHeldFile removes the temporary instead.
bool CommitHeldFile(int fd, const std::string& temp, const std::string& target);
void DiscardHeldFile(int fd, const std::string& temp);
// Puts `from` in place of `to`, replacing a file there.
bool MoveIntoPlace(const std::string& from, const std::string& to);
// Swaps two folders in one step; false (ENOSYS, EINVAL, ...) where the file system cannot.
bool ExchangeFolders(const std::string& a, const std::string& b);
// A second name for an existing file.
bool LinkFile(const std::string& from, const std::string& to);

// A key equal for any two paths to one existing file (device and inode, where there are such);
// empty when nothing is there. DescriptorKey is the same for an open descriptor.
std::string ExistingFileKey(const std::string& path);
std::string DescriptorKey(int fd);
// What is at path, symbolic links followed.
enum class FileKind : uint8_t { Missing, File, Folder, Device, Pipe, Other, Unknown };
FileKind KindOf(const std::string& path);
bool MakeFolder(const std::string& path);
// The characters that end a folder's name in a path: "/", and on Windows also "\\".
extern const char PathSeparators[];
// This process's id, for unique temporary names (never to judge whether a file is stale).
long ProcessId();
