// The note and confirmation dialogs.
#include "platform/widgets/notedialog.h"

#include "platform/widgets/dialogseam.h"
#include "platform/widgets/panel.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

DialogSeam dialogSeam = {};

int NoteDialog(const char *title, const char *prompt, std::string *note) {
    Panel::noteModalDialog();
    if (dialogSeam.note) {
        std::string answer = *note;
        const int answered = dialogSeam.note(&answer);
        if (answered == 1) *note = answer;
        if (answered >= 0) return answered;
    }
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) return 0;
    bool ok = false;
    const QString text = QInputDialog::getMultiLineText(
        QApplication::activeWindow(), QString::fromUtf8(title ? title : ""),
        QString::fromUtf8(prompt ? prompt : ""), QString::fromStdString(*note), &ok);
    if (!ok) return 0;
    *note = text.toStdString();
    return 1;
}

int ConfirmDialog(const char *title, const char *question) {
    Panel::noteModalDialog();
    if (dialogSeam.confirm) {
        const int answered = dialogSeam.confirm(question ? question : "");
        if (answered >= 0) return answered;
    }
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) return 0;
    return QMessageBox::question(
               QApplication::activeWindow(), QString::fromUtf8(title ? title : ""),
               QString::fromUtf8(question ? question : ""), QMessageBox::Yes | QMessageBox::No,
               QMessageBox::No) == QMessageBox::Yes;
}
