// The status line, the one place the program reports failures, as assistive
// technology reads it: its text is its name, "Status" its label. That each
// new text is announced is checked by announce_test.cpp.
#include "uitest.h"

#include "platform/widgets/notedialog.h"

#include <QAccessible>
#include <QApplication>
#include <QInputDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

TEST_F(PanelsTest, StatusLineIsReadByItsTextAndLabelledStatus) {
    QWidget *status = Widget(main, PANEL_TEXTStatus);
    ASSERT_NE(status, nullptr);
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(status);
    ASSERT_NE(iface, nullptr);

    QStringList labels;
    for (const auto &[other, relation] : iface->relations(QAccessible::Label))
        labels << other->text(QAccessible::Name);
    EXPECT_TRUE(labels.contains(QStringLiteral("Status"))) << labels.join(u',').toStdString();

    for (const char *text : {"Timeout RS232-Line!", "Line Ok!", "Error reading parameter file!"}) {
        ASSERT_EQ(SetCtrlVal(main, PANEL_TEXTStatus, text), 0);
        EXPECT_EQ(iface->text(QAccessible::Name).toStdString(), text);
    }
}

// The report's note box from the keyboard: it was left only by Escape (Tab
// typed a tab, OK had no Alt letter) and had no name.
TEST_F(PanelsTest, NoteBoxIsLeftByTabAndAcceptedByCtrlReturn) {
    std::string accepted = "(none)";
    NoteDialogThen("Report", "A note:", "kept", [&](const std::string &note) { accepted = note; });
    auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
    ASSERT_TRUE(dialog && QTest::qWaitForWindowActive(dialog));
    auto *box = dialog->findChild<QPlainTextEdit *>();
    EXPECT_EQ(box->accessibleName().toStdString(), "Note");
    QStringList buttons;
    for (auto *b : dialog->findChildren<QPushButton *>())
        buttons << b->text();
    EXPECT_TRUE(buttons.contains("&OK") && buttons.contains("&Cancel")) << buttons.size();
    box->moveCursor(QTextCursor::End);
    QTest::keyClick(box, Qt::Key_Tab);
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(accepted, "kept\n") << "Tab typed into the note, or Ctrl+Return did not accept";
}
