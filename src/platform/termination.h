#pragma once

#include "coreexport.h"

#include <QObject>

class QSocketNotifier;

// Ctrl+C (SIGINT), SIGTERM and SIGHUP end the program in order instead of on the spot: the
// signal handler only notes the signal and wakes the event loop, which then emits requested()
// so that a transfer ends at its current wait with the port closed and the trace ended. One
// object at a time; the default actions come back when it goes.
class DURVEX_CORE_EXPORT Termination : public QObject
{
    Q_OBJECT

public:
    explicit Termination(QObject *parent = nullptr);
    ~Termination() override;

    // The first of the signals that came, or 0.
    static int received();
    // The exit status a shell gives a process that the signal ended: 128 and its number.
    static constexpr int exitCode(int signal) { return 128 + signal; }

signals:
    void requested(int signal);

private:
    QSocketNotifier *m_notifier = nullptr;
};
