#include "app/check/StopSignals.h"

#include <csignal>
#include <initializer_list>
#include <unistd.h>

namespace qv::StopSignals {

namespace {
volatile std::sig_atomic_t g_caught = 0;

void onSignal(int signal)
{
    if (g_caught != 0)
        ::_exit(128 + signal); // asked twice: the user wants out now
    g_caught = signal;
}
} // namespace

void install()
{
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : { SIGINT, SIGTERM, SIGHUP })
        ::sigaction(signal, &action, nullptr);
}

int caught()
{
    return g_caught;
}

const char* name(int signal)
{
    switch (signal) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    default:
        return "a signal";
    }
}

} // namespace qv::StopSignals
