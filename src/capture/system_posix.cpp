#include "capture/system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

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

bool MakeFolder(const std::string& path) { return mkdir(path.c_str(), 0777) == 0; }

bool IsFolder(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MoveIntoPlace(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

void CatchInterrupts(void (*onInterrupt)(int))
{
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    std::signal(SIGHUP, onInterrupt);
}
