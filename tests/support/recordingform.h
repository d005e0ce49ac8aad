#pragma once

#include "model/forminterface.h"

#include <QCoreApplication>

// A window stand-in for link tests: keeps the status line and runs events.
class RecordingForm : public FormInterface
{
public:
    QString status;
    StatusColour colour = StatusColour::Yellow;
    bool statusVisible = false;

    QString detail;
    void setStatusText(const QString &text, const QString &d) override
    {
        status = text;
        detail = d;
    }
    QString statusText() const override { return status; }
    void setStatusColour(StatusColour c) override { colour = c; }
    void setStatusVisible(bool visible) override { statusVisible = visible; }
    int position(const QString &) const override { return -1; }
    int itemValue(const QString &, int) const override { return 0; }
    void selectPosition(const QString &, int) override {}
    QString boxText(const QString &) const override { return {}; }
    void setBoxText(const QString &, const QString &) override {}
    void setBoxVisible(const QString &, bool) override {}
    QString caption(const QString &) const override { return {}; }
    void showSwitchView() override {}
    void messageBox(const QString &, const QString &) override {}
    std::optional<QString> saveFileDialog(const QString &, const QString &, const QString &) override { return {}; }
    std::optional<QString> openFileDialog(const QString &, const QString &) override { return {}; }
    void pumpEvents(bool waitForMore) override
    {
        QCoreApplication::processEvents(waitForMore ? QEventLoop::WaitForMoreEvents : QEventLoop::AllEvents);
    }
};
