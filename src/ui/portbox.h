#pragma once

#include "link/portchoice.h"

#include <QComboBox>
#include <functional>

// The port box: an editable list of the serial ports the system offers, read anew each
// time it opens, so an adapter plugged in after start shows up. A port picked from the
// list, or a name or path typed and confirmed with Enter or by leaving the box, is chosen.
class PortBox : public QComboBox
{
    Q_OBJECT

public:
    using Lister = std::function<QList<PortChoice::Port>()>;

    explicit PortBox(QWidget *parent = nullptr);

    // Replaces the system's port list (tests).
    void setLister(Lister lister) { m_lister = std::move(lister); }
    // Shows the port in use; this is no choice of the user's.
    void setPort(const QString &name);
    // Whether the choice will hold for the next run too; when not, the tooltip and the
    // accessible description say so and name the settings file.
    void setRemembered(bool remembered, const QString &settingsFile);
    void showPopup() override;

signals:
    void chosen(const QString &name);

private:
    void commit(const QString &name);

    Lister m_lister = &PortChoice::available;
    QString m_port;
    QString m_toolTip; // the box's own, before any word about remembering
};
