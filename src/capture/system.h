// The few operating-system calls the capture makes beyond standard C++: private files, folders,
// replacing a file, and stopping cleanly on an interrupt. One implementation each for POSIX
// (system_posix.cpp) and Windows (system_win32.cpp). Main thread only.
#pragma once
#include <cstdio>
#include <string>

// Creates a new file whose name is *path with its trailing "XXXXXX" made unique, opened for
// binary writing with the permissions a plain create gives, not inherited by child processes.
// Returns nullptr with errno set when it cannot.
std::FILE* CreateUniqueFile(std::string* path);
// Creates a new file for binary writing, failing when the name exists, not inherited by child
// processes. Returns nullptr with errno set when it cannot.
std::FILE* CreateNewFile(const std::string& path);
// Opens an existing device or named pipe for binary writing (a named pipe waits for a reader).
std::FILE* OpenStream(const std::string& path);
// A key equal for any two paths to one existing file (its device and inode, where there are
// such); empty when nothing is there.
std::string ExistingFileKey(const std::string& path);
// This process's id.
long ProcessId();
// True while process pid runs sideways-capture (and not some other program that got its number).
bool CaptureProcessRuns(long pid);
// Makes the folder; true when it was made, false with errno set (EEXIST when it was there).
bool MakeFolder(const std::string& path);
// True when the path names a folder.
bool IsFolder(const std::string& path);
// Puts file `from` in place of `to`, replacing any file there; false with errno set.
bool MoveIntoPlace(const std::string& from, const std::string& to);
// Calls onInterrupt(the signal number, or 0 where there is none) on the asynchronous context the system uses (a signal handler, or a
// console control thread) when the user or the system asks the program to stop.
void CatchInterrupts(void (*onInterrupt)(int));
