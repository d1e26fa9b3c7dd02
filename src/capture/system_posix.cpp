#include "capture/system.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include "files/file_system.h"

// Once a stop is asked for, SIGALRM comes every second: a signal that arrived just before a
// blocking call began cannot leave that call waiting for ever.
static void OnAlarm(int)
{
    if (StopSignal != 0)
        alarm(1);
}

static void OnInterrupt(int signal)
{
    if (StopSignal == 0)
        StopSignal = signal;
    alarm(1);
}

void CatchInterrupts()
{
    // No SA_RESTART: a signal ends a blocking call with EINTR, which every wait checks.
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    action.sa_handler = OnAlarm;
    sigaction(SIGALRM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

void HoldInterrupts(bool hold)
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGALRM})
        sigaddset(&set, signal);
    pthread_sigmask(hold ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}
