#pragma once

#include <QString>
#include <QStringList>

// The status line as the command line prints it: each new text once, with its detail on
// the lines after it, indented; a detail that grows under the same text adds its new lines.
class StatusEcho
{
public:
    // The lines to print for the status now showing; none when nothing new shows.
    QStringList update(const QString &text, const QString &detail);
    QString text() const { return m_text; }

private:
    QString m_text, m_detail;
};
