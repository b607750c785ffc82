// The status line, the one place the program reports failures, as assistive
// technology reads it: its text is its name, "Status" its label. That each
// new text is announced is checked by announce_test.cpp.
#include "uitest.h"

#include <QAccessible>

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
