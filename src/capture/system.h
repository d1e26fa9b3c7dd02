// Stopping cleanly on an interrupt, one implementation each for POSIX (system_posix.cpp) and
// Windows (system_win32.cpp).
#pragma once

// Sets StopSignal (files/file_system.h) to the signal when the user or the system asks the
// program to stop (Ctrl-C, SIGTERM, SIGHUP; on Windows the console's events, as SIGINT), and from
// then on wakes the main thread at least once a second, so that no blocking write, open or wait
// keeps it. A pipe whose reader went away shows as a failed write (EPIPE), not as a signal. Called
// once by main, on the main thread, before anything else.
void CatchInterrupts();
// Blocks (true) or unblocks (false) the interrupts in the calling thread. Threads started while
// they are blocked keep them blocked, so that only the main thread is woken.
void HoldInterrupts(bool hold);
