#include "termination.h"

#include "exitcode.h"

#include <QMetaObject>
#include <QPointer>

#include <atomic>
#include <csignal>

#include <windows.h>

// Ctrl+C and Ctrl+Break count as SIGINT; closing the console, logging off and shutting down
// as SIGTERM. The system calls the handler on a thread of its own.
static_assert(Termination::exitCode(SIGINT) == ExitCode::Interrupted
              && Termination::exitCode(SIGTERM) == ExitCode::Terminated);

namespace {

std::atomic<int> first{0};
std::atomic<Termination *> current{nullptr};

// The system ends the process once the handler of a closing console returns (or after about
// five seconds): it stays, for up to three, while the run ends its transfer and writes its
// records; the process ending ends the wait too.
constexpr DWORD closingGrace = 3000;

BOOL WINAPI onControl(DWORD event)
{
    const bool closing = event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
    const int signal = closing ? SIGTERM : SIGINT;
    int none = 0;
    first.compare_exchange_strong(none, signal);
    if (Termination *termination = current.load())
        QMetaObject::invokeMethod(termination, [termination] { emit termination->requested(first.load()); },
                                  Qt::QueuedConnection);
    if (closing)
        ::Sleep(closingGrace);
    return TRUE;
}

} // namespace

Termination::Termination(QObject *parent)
    : QObject(parent)
{
    first = 0;
    current = this;
    ::SetConsoleCtrlHandler(onControl, TRUE);
}

Termination::~Termination()
{
    ::SetConsoleCtrlHandler(onControl, FALSE);
    current = nullptr;
}

int Termination::received()
{
    return first;
}
