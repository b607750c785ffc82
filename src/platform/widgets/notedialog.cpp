// The note and confirmation dialogs, and the answers tests give them.
#include "platform/widgets/notedialog.h"

#include "platform/widgets/panel.h"
#include "platform/widgets/testhooks.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

#include <optional>

static std::optional<std::optional<std::string>>
    noteAnswer; // outer set: answered; inner empty: Cancel
static std::optional<int> confirmAnswer;
static std::string lastQuestion;

void SetNoteDialogAnswer(const char *note) {
    noteAnswer = note ? std::optional<std::string>(note) : std::nullopt;
}

void SetConfirmDialogAnswer(int yes) {
    confirmAnswer = yes;
}

void ClearDialogAnswers(void) {
    noteAnswer.reset();
    confirmAnswer.reset();
    lastQuestion.clear();
}

const std::string &LastConfirmQuestion(void) {
    return lastQuestion;
}

int NoteDialog(const char *title, const char *prompt, std::string *note) {
    Panel::noteModalDialog();
    if (noteAnswer) {
        const std::optional<std::string> answer = *noteAnswer;
        noteAnswer.reset();
        if (!answer) return 0;
        *note = *answer;
        return 1;
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
    lastQuestion = question ? question : "";
    Panel::noteModalDialog();
    if (confirmAnswer) {
        const int yes = *confirmAnswer;
        confirmAnswer.reset();
        return yes;
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
    if (noteAnswer || !qobject_cast<QApplication *>(QCoreApplication::instance())) {
        std::string note = start;
        if (NoteDialog(title, prompt, &note)) then(note);
        return;
    }
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
    if (confirmAnswer || !qobject_cast<QApplication *>(QCoreApplication::instance())) {
        if (ConfirmDialog(title, question)) yes();
        return;
    }
    lastQuestion = question ? question : "";
    Panel::noteModalDialog();
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
