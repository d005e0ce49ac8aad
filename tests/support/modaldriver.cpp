#include "modaldriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>

ModalDriver::ModalDriver()
{
    connect(&m_timer, &QTimer::timeout, this, &ModalDriver::poll);
    m_timer.start(10);
}

void ModalDriver::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    if (modal == m_last) {
        if (++m_ticksOpen > 500)
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
        return;
    }
    m_last = modal;
    m_ticksOpen = 0;
    // Answer from a fresh call, not from inside this slot, so a nested modal cannot block it.
    QTimer::singleShot(0, this, [this, target = QPointer<QWidget>(modal)] {
        if (!target)
            return;
        if (handler && handler(target))
            return;
        if (auto *box = qobject_cast<QMessageBox *>(target.data())) {
            boxes.append({box->windowTitle(), box->text()});
            box->button(QMessageBox::Ok)->click();
        }
    });
}
