// The encoder's process on POSIX: posix_spawn with a pipe for standard input, waitpid.
#include "capture/encoder.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "files/file_system.h"

extern char** environ;

const char* const EncoderMissingText =
    "ffmpeg is not installed (not found on PATH); install it with the system's packages (on Debian, Ubuntu and "
    "Raspberry Pi OS: apt install ffmpeg) or leave out -o";

std::string FindOnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    for (size_t start = 0; start <= dirs.size();) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
        const std::string candidate = dir + "/" + name;
        struct stat st;
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

bool StartEncoder(Encoder* e, const EncoderSettings& settings, std::string* error)
{
    e->pid = 0;
    e->pipe = -1;
    signal(SIGPIPE, SIG_IGN);  // an ffmpeg that stopped shows as a failed write
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        *error = std::string("cannot make a pipe to ffmpeg: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    if (settings.outputFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, settings.outputFd, STDOUT_FILENO);
    if (settings.audioFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, settings.audioFd, 3);
    // We ignore SIGPIPE to hear of a dead ffmpeg as a failed write; ffmpeg gets the default.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    const std::vector<std::string> args = EncoderArguments(settings);
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int result = posix_spawn(&pid, settings.ffmpeg.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(fds[0]);
    if (result != 0) {
        close(fds[1]);
        *error = "cannot run " + settings.ffmpeg + ": " + std::strerror(result);
        return false;
    }
    e->pid = pid;
    e->pipe = fds[1];
    return true;
}

// Waits for the process; false when a signal came first (StopSignal set).
static bool Wait(pid_t pid, int* status)
{
    for (;;) {
        if (waitpid(pid, status, 0) == pid)
            return true;
        if (errno != EINTR || StopSignal != 0)
            return false;
    }
}

bool FinishEncoder(Encoder* e, std::string* error)
{
    if (e->pipe >= 0)
        close(e->pipe);
    e->pipe = -1;
    if (e->pid == 0)
        return true;
    int status = 0;
    if (!Wait(static_cast<pid_t>(e->pid), &status)) {
        StopEncoder(e);
        *error = "interrupted";
        return false;
    }
    e->pid = 0;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return true;
    if (WIFEXITED(status))
        *error = "ffmpeg failed with exit status " + std::to_string(WEXITSTATUS(status));
    else
        *error = "ffmpeg was ended by signal " + std::to_string(WTERMSIG(status));
    return false;
}

void StopEncoder(Encoder* e)
{
    if (e->pipe >= 0)
        close(e->pipe);
    e->pipe = -1;
    if (e->pid == 0)
        return;
    // ffmpeg ends on SIGTERM, unless its output stalls: then SIGKILL after two seconds.
    const pid_t pid = static_cast<pid_t>(e->pid);
    kill(pid, SIGTERM);
    int status = 0;
    for (int waited = 0; waited < 100 && waitpid(pid, &status, WNOHANG) == 0; ++waited)
        usleep(20000);
    if (waitpid(pid, &status, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    e->pid = 0;
}
