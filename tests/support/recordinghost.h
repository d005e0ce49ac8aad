#pragma once

#include "model/formhost.h"

#include <QCoreApplication>
#include <QStringList>

// A host for the form without a window: records the boxes, answers no dialog.
class RecordingHost : public FormHost
{
public:
    QStringList boxes; // "title|text"

    void messageBox(const QString &text, const QString &title) override { boxes << title + QLatin1Char('|') + text; }
    std::optional<QString> saveFileDialog(const QString &, const QString &, const QString &) override { return {}; }
    std::optional<QString> openFileDialog(const QString &, const QString &) override { return {}; }
};
