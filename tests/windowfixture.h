#pragma once

#include "fakeline.h"
#include "ui/controlnames.h"
#include "ui/mainwindow.h"
#include "ui/selectorlist.h"

#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QRadioButton>
#include <QSettings>
#include <QTest>
#include <memory>

// A fresh window for one test, talking to an in-process line, keeping its port choice in
// the test's settings, if any.
inline std::unique_ptr<MainWindow> makeWindow(std::unique_ptr<SerialLine> line = std::make_unique<FakeLine>(),
                                              QSettings *settings = nullptr)
{
    auto window = std::make_unique<MainWindow>(std::move(line), settings);
    window->show();
    return window;
}

// A window that has the keyboard, so that its shortcuts work.
inline std::unique_ptr<MainWindow> activeWindow(std::unique_ptr<SerialLine> line = std::make_unique<FakeLine>())
{
    auto w = makeWindow(std::move(line));
    w->activateWindow();
    if (!QTest::qWaitForWindowActive(w.get()))
        qWarning("the window did not become active");
    return w;
}

inline SelectorList *listOf(MainWindow &w, const QString &name) { return w.control<SelectorList>(name); }

// Shown as far as the window goes: its own flag, whatever its frame shows.
inline bool shown(MainWindow &w, const QString &name) { return !w.control(name)->isHidden(); }

inline QColor statusColour(MainWindow &w)
{
    return w.control<QLabel>(QStringLiteral("Text1"))->palette().color(QPalette::Window);
}

// Clicks an entry of a list as a user does.
inline void pick(MainWindow &w, const QString &listName, int position)
{
    SelectorList *list = listOf(w, listName);
    QListWidgetItem *item = list->item(position);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

inline const QColor yellow(255, 255, 0), red(255, 0, 0), green(0, 255, 0);
