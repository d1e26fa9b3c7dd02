// The encoder's process on Windows: CreateProcess with an anonymous pipe for standard input.
// A write to a pipe whose reader is gone fails with EPIPE/EINVAL here; there is no SIGPIPE. Stopping
// is TerminateProcess, at once: Windows has no polite request that a console program must obey.
#include "capture/encoder.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "files/file_system.h"

const char* const EncoderMissingText =
    "ffmpeg.exe was found neither beside sideways-capture.exe nor on PATH; download a Windows build of ffmpeg "
    "(ffmpeg.org lists them), put ffmpeg.exe beside sideways-capture.exe or in a folder on PATH, or leave out -o";

std::string FindOnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "";
    // Beside this program first, where Windows itself looks first for a program to start.
    char self[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string program(self, length > 0 && length < MAX_PATH ? length : 0);
    if (program.find_last_of("\\/") != std::string::npos)
        dirs = program.substr(0, program.find_last_of("\\/")) + ";" + dirs;
    const bool hasExtension = name.size() > 4 && _stricmp(name.c_str() + name.size() - 4, ".exe") == 0;
    const std::string file = hasExtension ? name : name + ".exe";
    for (size_t start = 0; start <= dirs.size();) {
        size_t end = dirs.find(';', start);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
        const std::string candidate = dir + "\\" + file;
        const DWORD attributes = GetFileAttributesA(candidate.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

// One argument quoted so that the C runtime's parser in the child reads it back unchanged.
static void AppendQuoted(std::string* line, const std::string& arg)
{
    if (!line->empty())
        *line += ' ';
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) {
        *line += arg;
        return;
    }
    *line += '"';
    size_t backslashes = 0;
    for (const char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped; elsewhere they stand.
        line->append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        *line += c;
    }
    line->append(backslashes * 2, '\\');
    *line += '"';
}

static std::string LastError()
{
    char text[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, GetLastError(), 0, text,
                   sizeof text, nullptr);
    std::string s = text;
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' '))
        s.pop_back();
    return s;
}

bool StartEncoder(Encoder* e, const EncoderSettings& settings, std::string* error)
{
    e->pid = 0;
    e->pipe = -1;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        *error = "cannot make a pipe to ffmpeg: " + LastError();
        return false;
    }
    // Only the child's end is inherited.
    SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
    std::string line;
    for (const std::string& arg : EncoderArguments(settings))
        AppendQuoted(&line, arg);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = readEnd;
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessA(settings.ffmpeg.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    const std::string why = started ? "" : LastError();
    CloseHandle(readEnd);
    if (!started) {
        CloseHandle(writeEnd);
        *error = "cannot run " + settings.ffmpeg + ": " + why;
        return false;
    }
    CloseHandle(process.hThread);
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(writeEnd), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(writeEnd);
        TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hProcess);
        *error = "cannot make a pipe to ffmpeg: " + std::string(std::strerror(errno));
        return false;
    }
    e->pid = reinterpret_cast<intptr_t>(process.hProcess);
    e->pipe = fd;
    return true;
}

// Waits for the process and releases its handle; its exit code. A stop request ends it at once.
static DWORD Wait(Encoder* e)
{
    const HANDLE process = reinterpret_cast<HANDLE>(e->pid);
    while (WaitForSingleObject(process, 100) == WAIT_TIMEOUT)
        if (StopSignal != 0)
            TerminateProcess(process, 1);
    DWORD code = 1;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    e->pid = 0;
    return code;
}

bool FinishEncoder(Encoder* e, std::string* error)
{
    if (e->pipe >= 0)
        _close(e->pipe);
    e->pipe = -1;
    if (e->pid == 0)
        return true;
    const DWORD code = Wait(e);
    if (code == 0 && StopSignal == 0)
        return true;
    *error = StopSignal != 0 ? "interrupted" : "ffmpeg failed with exit status " + std::to_string(code);
    return false;
}

void StopEncoder(Encoder* e)
{
    if (e->pipe >= 0)
        _close(e->pipe);
    e->pipe = -1;
    if (e->pid == 0)
        return;
    TerminateProcess(reinterpret_cast<HANDLE>(e->pid), 1);
    Wait(e);
}
