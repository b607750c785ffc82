// The note and confirmation dialogs.
#include "platform/widgets/notedialog.h"

#include "platform/widgets/dialogseam.h"
#include "platform/widgets/panel.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QShortcut>

DialogSeam dialogSeam = {};

namespace {

// The note box, fit for the keyboard and screen readers: Tab and Shift+Tab
// leave the box (a note needs no tab), Ctrl+Return accepts, OK and Cancel
// have Alt letters, and the box is named.
QInputDialog *NewNoteDialog(const char *title, const char *prompt, const std::string &start) {
    auto *dialog = new QInputDialog(QApplication::activeWindow());
    dialog->setWindowTitle(QString::fromUtf8(title ? title : ""));
    dialog->setLabelText(QString::fromUtf8(prompt ? prompt : ""));
    dialog->setOption(QInputDialog::UsePlainTextEditForTextInput);
    dialog->setTextValue(QString::fromStdString(start));
    dialog->setOkButtonText(QStringLiteral("&OK"));
    dialog->setCancelButtonText(QStringLiteral("&Cancel"));
    if (auto *box = dialog->findChild<QPlainTextEdit *>()) {
        box->setTabChangesFocus(true);
        box->setAccessibleName(QStringLiteral("Note"));
        box->setAccessibleDescription(dialog->labelText());
    }
    for (const QKeySequence &keys :
         {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)})
        QObject::connect(new QShortcut(keys, dialog), &QShortcut::activated, dialog,
                         &QDialog::accept);
    return dialog;
}

} // namespace

int NoteDialog(const char *title, const char *prompt, std::string *note) {
    Panel::noteModalDialog();
    if (dialogSeam.note) {
        std::string answer = *note;
        const int answered = dialogSeam.note(&answer);
        if (answered == 1) *note = answer;
        if (answered >= 0) return answered;
    }
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) return 0;
    QInputDialog *dialog = NewNoteDialog(title, prompt, *note);
    const bool ok = dialog->exec() == QDialog::Accepted;
    if (ok) *note = dialog->textValue().toStdString();
    delete dialog;
    return ok ? 1 : 0;
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
    QInputDialog *dialog = NewNoteDialog(title, prompt, start);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
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
