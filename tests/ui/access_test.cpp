// The status line, the one place the program reports failures, as assistive
// technology reads it: its text is its name, "Status" its label. That each
// new text is announced is checked by announce_test.cpp.
#include "uitest.h"

#include "platform/widgets/notedialog.h"

#include <QAccessible>
#include <QApplication>
#include <QInputDialog>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

TEST_F(PanelsTest, StatusLineIsReadByItsTextAndLabelledStatus) {
    QWidget *status = Widget(main, P_TEXTStatus);
    ASSERT_NE(status, nullptr);
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(status);
    ASSERT_NE(iface, nullptr);

    QStringList labels;
    for (const auto &[other, relation] : iface->relations(QAccessible::Label))
        labels << other->text(QAccessible::Name);
    EXPECT_TRUE(labels.contains(QStringLiteral("Status"))) << labels.join(u',').toStdString();

    for (const char *text : {"Timeout RS232-Line!", "Line Ok!", "Error reading parameter file!"}) {
        ASSERT_EQ(SetCtrlVal(main, P_TEXTStatus, text), 0);
        EXPECT_EQ(iface->text(QAccessible::Name).toStdString(), text);
    }
}

// The note box of the report from the keyboard alone: it was left only by
// Escape (Tab typed a tab, OK had no Alt letter) and had no name.
TEST_F(PanelsTest, NoteBoxIsLeftByTabAndAcceptedByCtrlReturn) {
    std::string accepted = "(none)";
    NoteDialogThen("Report", "A note:", "kept", [&](const std::string &note) { accepted = note; });
    QPointer<QInputDialog> dialog;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<QInputDialog *>(w); d && d->isVisible()) dialog = d;
    ASSERT_NE(dialog, nullptr);
    auto *box = dialog->findChild<QPlainTextEdit *>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->accessibleName().toStdString(), "Note");
    QStringList buttons;
    for (auto *b : dialog->findChildren<QPushButton *>())
        buttons << b->text();
    buttons.sort();
    EXPECT_EQ(buttons.join(u',').toStdString(), "&Cancel,&OK");

    dialog->activateWindow(); // its shortcuts work in the active window
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    box->setFocus();
    box->moveCursor(QTextCursor::End);
    QTest::keyClick(box, Qt::Key_Tab);
    EXPECT_EQ(box->toPlainText().toStdString(), "kept") << "Tab typed into the note";
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClicks(box, "line 2");
    QTest::keyClick(box, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(accepted, "kept\nline 2");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog || !dialog->isVisible(); }, 10000));
}
