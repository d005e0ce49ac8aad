#include "displayguard.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace DisplayGuard {
namespace {

struct Held
{
    QtMsgType type;
    QByteArray file, function, category;
    int line;
    QString message;
};

QtMessageHandler previous = nullptr;
QList<Held> held;
int failureExit = 1;

void handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtFatalMsg) {
        held.append({type, context.file, context.function, context.category, context.line, message});
        return;
    }
    std::fputs("durvex-config: no display found to show the window on; the commands write, read, verify, "
               "ports and check run without one (see --help)\n",
               stderr);
    std::fflush(stderr);
    std::_Exit(failureExit);
}

} // namespace

void arm(int exitCode)
{
    failureExit = exitCode;
    held.clear();
    previous = qInstallMessageHandler(handler);
}

void disarm()
{
    qInstallMessageHandler(previous);
    for (const Held &h : std::exchange(held, {})) {
        const QMessageLogContext context(h.file.isNull() ? nullptr : h.file.constData(), h.line,
                                         h.function.isNull() ? nullptr : h.function.constData(),
                                         h.category.isNull() ? nullptr : h.category.constData());
        qt_message_output(h.type, context, h.message);
    }
}

} // namespace DisplayGuard
