#include "warnings.h"

#include <QMutex>
#include <QSet>

#include <cstdio>

namespace Warnings {

namespace {

QMutex mutex;
QSet<QString> said;
std::function<void(const QString &)> current;

} // namespace

void sayOnce(const QString &text)
{
    std::function<void(const QString &)> sink;
    {
        const QMutexLocker lock(&mutex);
        if (said.contains(text))
            return;
        said.insert(text);
        sink = current;
    }
    if (sink)
        sink(text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

void setSink(std::function<void(const QString &)> sink)
{
    const QMutexLocker lock(&mutex);
    current = std::move(sink);
}

} // namespace Warnings
