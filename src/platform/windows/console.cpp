// The show is a Windows GUI program, so it gets no console window of its own. Started from a
// console, whatever it prints (--help, the reason it cannot start, the frame rate) should still
// reach that console: before main runs, standard output and error that lead nowhere are
// connected to the parent's console. Ones the parent redirected (a file, a pipe) stay as they are.
#include <windows.h>

#include <cstdio>

static bool LeadsNowhere(DWORD which)
{
    const HANDLE h = GetStdHandle(which);
    return h == nullptr || h == INVALID_HANDLE_VALUE;
}

static const bool AttachedToParentConsole = [] {
    const bool out = LeadsNowhere(STD_OUTPUT_HANDLE), err = LeadsNowhere(STD_ERROR_HANDLE);
    if (!(out || err) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return false;
    if (out)
        std::freopen("CONOUT$", "w", stdout);
    if (err)
        std::freopen("CONOUT$", "w", stderr);
    return true;
}();
