#include "capture/system.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

std::FILE* CreateUniqueFile(std::string* path)
{
    const int fd = mkostemp(path->data(), O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    // mkostemp makes the file private; give it the mode a plain create would.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        close(fd);
        unlink(path->c_str());
    }
    return file;
}

std::FILE* CreateNewFile(const std::string& path)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        close(fd);
        unlink(path.c_str());
    }
    return file;
}

std::FILE* OpenStream(const std::string& path)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr)
        close(fd);
    return file;
}

std::string ExistingFileKey(const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return {};
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

long ProcessId() { return static_cast<long>(getpid()); }

bool CaptureProcessRuns(long pid)
{
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM)
        return false;
    std::FILE* comm = std::fopen(("/proc/" + std::to_string(pid) + "/comm").c_str(), "r");
    if (comm == nullptr)
        return true;
    char name[32] = {};
    const bool read = std::fgets(name, sizeof name, comm) != nullptr;
    std::fclose(comm);
    return !read || std::strncmp(name, "sideways-captur", 15) == 0;
}

bool MakeFolder(const std::string& path) { return mkdir(path.c_str(), 0777) == 0; }

bool IsFolder(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MoveIntoPlace(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

void CatchInterrupts(void (*onInterrupt)(int))
{
    // No SA_RESTART: a signal also ends a wait for the reader of a named pipe.
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}
