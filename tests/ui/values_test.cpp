// Values and attributes: the conversions between the program's variables and
// the controls, coercion into a control's range, texts in Windows-1252.
#include "uitest.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>

#include <cstring>
#include <string>

// Writes as int or double, reads back through every integer and real view.
TEST_F(PanelsTest, WritesAreCoercedAndReadBackInEveryWidth) {
    struct Case {
        const char *what;
        bool popupPanel;
        int control;
        double write;
        bool asInt;
        unsigned short u16;
        int i32;
        double real;
    } cases[] = {
        {"u16 full scale", false, PANEL_NUMPower, 65535, true, 0xFFFF, 65535, 65535},
        {"above the range", false, PANEL_NUMPower, 70000, true, 65535, 65535, 65535},
        {"below the range", false, PANEL_NUMVideoThreshold, -5, true, 0, 0, 0},
        {"threshold top", false, PANEL_NUMVideoThreshold, 5000, true, 1023, 1023, 1023},
        {"real into an integer control", false, PANEL_NEDITSetpoint, 3.99, false, 3, 3, 3},
        {"negative real truncates to zero", true, POPUP_NUMIntersect, -0.5, false, 0, 0, -0.5},
        {"offset bottom", true, POPUP_NUMIntersect, -40000, false, 35536, -30000, -30000},
        {"offset top", true, POPUP_NUMIntersect, 40000, false, 35535, 35535, 35535},
        {"port by value", false, PANEL_DropDCom, 3, true, 3, 3, 3},
        {"port beyond the items", false, PANEL_DropDCom, 12, true, 8, 8, 8},
        {"port below the items", false, PANEL_DropDCom, 0, true, 1, 1, 1},
        {"selector index", false, PANEL_DropEvalMode, 2, true, 2, 2, 2},
        {"selector above", false, PANEL_DropTolMode, 9, true, 6, 6, 6},
        {"radio", false, PANEL_RBTFile, 1, true, 1, 1, 1},
        {"switch", false, PANEL_SWITCHOpMode, 5, true, 1, 1, 1},
    };
    for (const Case &c : cases) {
        const int h = c.popupPanel ? popup : main;
        ASSERT_EQ(
            c.asInt ? SetCtrlVal(h, c.control, int(c.write)) : SetCtrlVal(h, c.control, c.write), 0)
            << c.what;
        unsigned short u = 1;
        int i = 1;
        double d = 1;
        EXPECT_EQ(GetCtrlVal(h, c.control, &u), 0);
        EXPECT_EQ(GetCtrlVal(h, c.control, &i), 0);
        EXPECT_EQ(GetCtrlVal(h, c.control, &d), 0);
        EXPECT_EQ(u, c.u16) << c.what;
        EXPECT_EQ(i, c.i32) << c.what;
        EXPECT_EQ(d, c.real) << c.what;
    }
}

// The slope field holds every word / 1024 (and / 512) exactly, so a write
// followed by a read gives back the word the program started from.
TEST_F(PanelsTest, SlopeKeepsEveryWordExactly) {
    for (double divisor : {1024.0, 512.0}) {
        for (int word = 0; word <= 65535; ++word) {
            const double s = word / divisor;
            if (s > 63.9990234375) break; // above the field's range
            SetCtrlVal(popup, POPUP_NUMSlope, s);
            float back = -1;
            GetCtrlVal(popup, POPUP_NUMSlope, &back);
            ASSERT_EQ(int(double(back) * divisor), word) << "divisor " << divisor;
        }
    }
    SetCtrlVal(popup, POPUP_NUMSlope, 65536 / 1024.0);
    float top = 0;
    GetCtrlVal(popup, POPUP_NUMSlope, &top);
    EXPECT_EQ(top, 65535 / 1024.0f) << "64.0 is coerced to the largest word";
    SetCtrlVal(popup, POPUP_NUMSlope, 0.99999);
    GetCtrlVal(popup, POPUP_NUMSlope, &top);
    EXPECT_EQ(int(double(top) * 1024), 1023);
    EXPECT_EQ(SetCtrlRange(popup, POPUP_NUMSlope, 0, 65535 / 512.0), 0);
    SetCtrlVal(popup, POPUP_NUMSlope, 40000 / 512.0);
    GetCtrlVal(popup, POPUP_NUMSlope, &top);
    EXPECT_EQ(int(double(top) * 512), 40000) << "the range can be widened for m = 512";
}

TEST_F(PanelsTest, SlopeShowsASensibleNumberOfDigits) {
    const struct {
        double value;
        const char *shown;
    } cases[] = {{1.0, "1.000"}, {1023 / 1024.0, "0.9990234375"}, {2.5, "2.500"}};
    for (const auto &c : cases) {
        SetCtrlVal(popup, POPUP_NUMSlope, c.value);
        char text[260];
        GetCtrlVal(popup, POPUP_NUMSlope, text);
        EXPECT_STREQ(text, c.shown);
    }
}

// The program's texts are Windows-1252: 0xB5 is the micro sign on screen and
// comes back as 0xB5.
TEST_F(PanelsTest, TextsRoundTripThroughWindows1252) {
    const char micro[] = "Pixel 14 \xB5m, \x80 5 <b>x</b>";
    SetCtrlVal(main, PANEL_TEXTStatus, micro);
    EXPECT_EQ(static_cast<QLabel *>(Widget(main, PANEL_TEXTStatus))->text(),
              QString::fromUtf8("Pixel 14 \u00B5m, \u20AC 5 <b>x</b>"));
    EXPECT_EQ(static_cast<QLabel *>(Widget(main, PANEL_TEXTStatus))->textFormat(), Qt::PlainText)
        << "a status text is shown as written, markup included";
    char back[260];
    GetCtrlVal(main, PANEL_TEXTStatus, back);
    EXPECT_STREQ(back, micro);

    const std::string longText(400, 'x');
    SetCtrlVal(main, PANEL_TEXTStatus, longText.c_str());
    std::memset(back, 'z', sizeof back);
    GetCtrlVal(main, PANEL_TEXTStatus, back);
    EXPECT_EQ(std::strlen(back), 259u) << "cut to the buffer, terminator included";
}

TEST_F(PanelsTest, TextBoxLinesAreReplacedAndAdded) {
    SetCtrlVal(popup, POPUP_TEXTBOXSensor, "");
    ReplaceTextBoxLine(popup, POPUP_TEXTBOXSensor, 1, "14 \xB5m pixels");
    ReplaceTextBoxLine(popup, POPUP_TEXTBOXSensor, 0, "CCD 1024");
    ReplaceTextBoxLine(popup, POPUP_TEXTBOXSensor, 0, "CCD 2048");
    EXPECT_EQ(static_cast<QPlainTextEdit *>(Widget(popup, POPUP_TEXTBOXSensor))->toPlainText(),
              QString::fromUtf8("CCD 2048\n14 \u00B5m pixels"));
    EXPECT_LT(ReplaceTextBoxLine(popup, POPUP_TEXTBOXSensor, -1, "x"), 0);
}

TEST_F(PanelsTest, AttributesShow) {
    DisplayPanel(main);
    // The logo moves in pixels of the panel (531 left, 532 top).
    SetCtrlAttribute(main, PANEL_PICTLogo, 532, 10);
    SetCtrlAttribute(main, PANEL_PICTLogo, 531, 300);
    QWidget *logo = Widget(main, PANEL_PICTLogo);
    EXPECT_EQ(logo->mapTo(logo->window(), QPoint(0, 0)), QPoint(300, 10));

    SetCtrlAttribute(main, PANEL_SWITCHOpMode, ATTR_ON_TEXT, "ADC-CNV");
    SetCtrlAttribute(main, PANEL_SWITCHOpMode, ATTR_OFF_TEXT, "DIG-CMP");
    EXPECT_EQ(Widget(main, PANEL_SWITCHOpMode)->property("offText").toString(), "DIG-CMP");
    EXPECT_EQ(Widget(main, PANEL_SWITCHOpMode)->property("onText").toString(), "ADC-CNV");

    // Colour of the header band, read back from what is painted.
    SetCtrlAttribute(main, PANEL_DECOLogo, ATTR_FRAME_COLOR, 0x123456);
    QApplication::processEvents();
    QWidget *band = Widget(main, PANEL_DECOLogo);
    const QImage shot = band->grab().toImage();
    EXPECT_EQ(shot.pixelColor(shot.width() - 2, shot.height() / 2), QColor(0x12, 0x34, 0x56));

    EXPECT_LT(SetCtrlAttribute(main, PANEL_NUMPower, 12345, 1), 0) << "unknown attribute";
    EXPECT_LT(SetCtrlAttribute(main, PANEL_NUMPower, ATTR_ON_TEXT, "x"), 0) << "not a switch";
}

// Text messages made at run time: numbers above the file's, placed in pixels
// of the panel, styled by the text attributes.
TEST_F(PanelsTest, NewTextMessages) {
    const int a = NewCtrl(main, CTRL_TEXT_MSG, "", 35, 300);
    const int b = NewCtrl(main, CTRL_TEXT_MSG, "", 40, 450);
    EXPECT_GT(a, 55);
    EXPECT_GT(b, a);
    SetCtrlAttribute(main, a, ATTR_TEXT_FONT, "NoSuchFontFamily");
    SetCtrlAttribute(main, a, ATTR_TEXT_BGCOLOR, 0x0080FF);
    SetCtrlAttribute(main, a, ATTR_TEXT_COLOR, 0xFFFFFF);
    SetCtrlAttribute(main, a, ATTR_TEXT_POINT_SIZE, 18);
    SetCtrlVal(main, a, "VORTELIX-Riror");
    auto *l = static_cast<QLabel *>(Widget(main, a));
    EXPECT_EQ(l->text(), "VORTELIX-Riror");
    EXPECT_EQ(l->pos(), QPoint(300, 35));
    EXPECT_EQ(l->font().pixelSize(), 18);
    EXPECT_EQ(l->font().family(), QApplication::font().family());
    int color = 0;
    GetCtrlAttribute(main, a, ATTR_TEXT_COLOR, &color);
    EXPECT_EQ(color, 0xFFFFFF);
    EXPECT_GE(l->width(), l->fontMetrics().horizontalAdvance("VORTELIX-Riror"))
        << "the message grows with its text";
    EXPECT_LT(NewCtrl(main, 7, "", 0, 0), 0) << "only text messages";
}
