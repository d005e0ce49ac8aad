#pragma once

#include "session/configcomparison.h"

#include <QDialog>

class QPushButton;
class QTableWidget;

// COMPARE WITH SWITCH PANEL: the rows a compare found, one per item (ITEM, WINDOW, PANEL,
// A WRITE SENDS), with the takes, the save of what the panel holds, and CLOSE. It stays
// open beside the window, which it leaves free to use; Esc closes it. Each row reads to a
// screen reader as one sentence.
class CompareDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CompareDialog(QWidget *parent = nullptr);

    // The rows to show, after a compare or a take; the selected row stays where it can.
    void setComparison(const ConfigComparison &comparison);
    const ConfigComparison &comparison() const { return m_comparison; }
    QTableWidget *table() const { return m_table; }

signals:
    void takeRequested(int address);
    void takeAllRequested();
    void saveRequested();

private:
    void updateButtons();
    int currentAddress() const;

    ConfigComparison m_comparison;
    QTableWidget *m_table;
    QPushButton *m_take, *m_takeAll, *m_save, *m_close;
};
