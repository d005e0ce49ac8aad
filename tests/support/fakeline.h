#pragma once

#include "link/serialline.h"

#include <QTimer>
#include <functional>
#include <optional>

// An in-process line for fast protocol tests: records what is sent and lets the test
// deliver replies at once, after a delay, or exactly at a tick of the link's timer, and
// act at the moment anything goes out or is taken.
class FakeLine : public SerialLine
{
    Q_OBJECT

public:
    using SerialLine::SerialLine;

    std::function<void(const QByteArray &)> onOutput;
    std::function<void(const QByteArray &)> onInput; // with what was taken
    QByteArray sent;
    QByteArray buffer;
    std::optional<OpenFailure> openFailure; // the open fails with it
    bool opened = false;

    void deliver(const QByteArray &bytes) { buffer += bytes; }
    void deliverAfter(int ms, const QByteArray &bytes)
    {
        QTimer::singleShot(ms, Qt::PreciseTimer, this, [this, bytes] { buffer += bytes; });
    }

    QString name = QStringLiteral("FAKE");
    QString portName() const override { return name; }
    void setPortName(const QString &n) override { name = n; }
    bool open(OpenFailure *failure) override
    {
        if (openFailure) {
            *failure = *openFailure;
            return false;
        }
        opened = true;
        return true;
    }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    void output(const QByteArray &bytes) override
    {
        sent += bytes;
        if (onOutput)
            onOutput(bytes);
    }
    qint64 inBufferCount() const override { return buffer.size(); }
    QByteArray input() override
    {
        const QByteArray taken = std::exchange(buffer, QByteArray());
        if (onInput)
            onInput(taken);
        return taken;
    }
};
