#pragma once

#include "model/formhost.h"

#include <QCoreApplication>
#include <QStringList>

// A host for the form without a window: records the boxes.
class RecordingHost : public FormHost
{
public:
    QStringList boxes; // "title|text"

    void messageBox(const QString &text, const QString &title) override { boxes << title + QLatin1Char('|') + text; }
};
