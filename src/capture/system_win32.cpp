#include "capture/system.h"

#include <windows.h>

#include <csignal>

#include "files/file_system.h"

static HANDLE MainThread = nullptr;

// Runs on a thread of its own that the console starts: Ctrl+C, Ctrl+Break, the console window
// closing, logoff or shutdown. It cancels the main thread's blocking reads and writes for a few
// seconds, the same wake-up the POSIX build gets from its alarm.
static BOOL WINAPI OnConsoleEvent(DWORD event)
{
    if (StopSignal == 0)
        StopSignal = SIGINT;
    for (int tries = 0; tries < 50; ++tries) {
        CancelSynchronousIo(MainThread);
        Sleep(100);
    }
    // Past Ctrl+C and Ctrl+Break the process ends when this returns: give the main thread the
    // time to take back what it wrote and exit, which ends this thread too.
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        Sleep(INFINITE);
    return TRUE;
}

void CatchInterrupts()
{
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &MainThread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void HoldInterrupts(bool) {}
