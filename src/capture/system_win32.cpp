#include "capture/system.h"

#include <windows.h>

#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

std::FILE* CreateUniqueFile(std::string* path)
{
    // _mktemp_s only picks a free name; _O_EXCL turns a race for it into a retry.
    const std::string pattern = *path;
    for (int attempt = 0; attempt < 100; ++attempt) {
        *path = pattern;
        if (_mktemp_s(path->data(), path->size() + 1) != 0)
            return nullptr;
        const int fd = _open(path->c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                             _S_IREAD | _S_IWRITE);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return nullptr;
        std::FILE* file = _fdopen(fd, "wb");
        if (file == nullptr) {
            _close(fd);
            _unlink(path->c_str());
        }
        return file;
    }
    errno = EEXIST;
    return nullptr;
}

std::FILE* CreateNewFile(const std::string& path)
{
    const int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd < 0)
        return nullptr;
    std::FILE* file = _fdopen(fd, "wb");
    if (file == nullptr) {
        _close(fd);
        _unlink(path.c_str());
    }
    return file;
}

std::FILE* OpenStream(const std::string& path) { return std::fopen(path.c_str(), "wb"); }

std::string ExistingFileKey(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::canonical(path, ec);
    return ec ? std::string() : full.string();
}

long ProcessId() { return static_cast<long>(GetCurrentProcessId()); }

bool CaptureProcessRuns(long pid)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr)
        return false;
    DWORD code = 0;
    const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

bool MakeFolder(const std::string& path) { return _mkdir(path.c_str()) == 0; }

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool MoveIntoPlace(const std::string& from, const std::string& to)
{
    // rename() refuses an existing target on Windows.
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return false;
}

static void (*Interrupt)(int) = nullptr;

// Runs on a thread of its own that the console starts: Ctrl+C, Ctrl+Break, the console window
// closing, logoff or shutdown.
static BOOL WINAPI OnConsoleEvent(DWORD event)
{
    Interrupt(0);
    // Past Ctrl+C and Ctrl+Break the process ends when this returns: give the main thread the
    // time to take back what it wrote and exit, which ends this thread too.
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        Sleep(INFINITE);
    return TRUE;
}

void CatchInterrupts(void (*onInterrupt)(int))
{
    Interrupt = onInterrupt;
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}
