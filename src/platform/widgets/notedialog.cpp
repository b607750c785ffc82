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

void NoteDialogThen(const char *title, const char *prompt, const std::string &start,
                    std::function<void(const std::string &note)> then) {
    Panel::noteModalDialog();
    if (dialogSeam.note) {
        std::string note = start;
        const int answered = dialogSeam.note(&note);
        if (answered == 1) then(note);
        if (answered >= 0) return;
    }
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) return;
    auto *dialog = new QInputDialog(QApplication::activeWindow());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QString::fromUtf8(title ? title : ""));
    dialog->setLabelText(QString::fromUtf8(prompt ? prompt : ""));
    dialog->setOption(QInputDialog::UsePlainTextEditForTextInput);
    dialog->setTextValue(QString::fromStdString(start));
    QObject::connect(dialog, &QInputDialog::textValueSelected, dialog,
                     [then](const QString &text) { then(text.toStdString()); });
    dialog->open();
}

void ConfirmDialogThen(const char *title, const char *question, std::function<void()> yes) {
    Panel::noteModalDialog();
    if (dialogSeam.confirm) {
        const int answered = dialogSeam.confirm(question ? question : "");
        if (answered == 1) yes();
        if (answered >= 0) return;
    }
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) return;
    auto *box = new QMessageBox(QMessageBox::Question, QString::fromUtf8(title ? title : ""),
                                QString::fromUtf8(question ? question : ""),
                                QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setDefaultButton(QMessageBox::No);
    QObject::connect(box, &QMessageBox::finished, box, [box, yes](int) {
        if (box->clickedButton() == box->button(QMessageBox::Yes)) yes();
    });
    box->open();
}
