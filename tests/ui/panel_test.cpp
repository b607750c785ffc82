// Loading panels: failures, the control catalogue of the resource file, its
// start states, labels and accessible names.
#include "uitest.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <map>
#include <set>

namespace {

QString WriteFile(const QTemporaryDir &dir, const char *name, const QByteArray &content) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(content);
    return path;
}

const QByteArray kOnePanel = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0"><class>W</class>
 <widget class="QWidget" name="W">
  <layout class="QHBoxLayout" name="l">
   <item><widget class="QWidget" name="A">
    <property name="panel" stdset="0"><number>1</number></property>
    <layout class="QVBoxLayout" name="la">
     <item><widget class="QPushButton" name="B">
      <property name="control" stdset="0"><number>4</number></property>
      <property name="callback" stdset="0"><string>CC_Nobody</string></property>
     </widget></item>
     <item><widget class="QPushButton" name="C">
      <property name="control" stdset="0"><number>%1</number></property>
     </widget></item>
    </layout>
   </widget></item>
  </layout>
 </widget>
</ui>
)";

} // namespace

TEST(LoadPanel, FailuresGiveTheirNegativeCode) {
    QTemporaryDir dir;
    const QString good =
        WriteFile(dir, "good.uir", QString::fromLatin1(kOnePanel).arg(5).toLatin1());
    const QString twice =
        WriteFile(dir, "twice.uir", QString::fromLatin1(kOnePanel).arg(4).toLatin1());
    const QString cut = WriteFile(dir, "cut.uir", kOnePanel.left(kOnePanel.size() / 2));
    const QString junk = WriteFile(dir, "junk.uir", "this is not a panel file\n");
    const QString other = WriteFile(dir, "other.uir", "<?xml version=\"1.0\"?><html/>");
    struct Case {
        const char *what;
        QString file;
        int panel;
        int code;
    } cases[] = {
        {"missing file", dir.filePath("absent.uir"), 1, LOADPANEL_NOT_FOUND},
        {"XML cut in half", cut, 1, LOADPANEL_BAD_FILE},
        {"not XML", junk, 1, LOADPANEL_BAD_FILE},
        {"XML but no panels", other, 1, LOADPANEL_BAD_FILE},
        {"control number twice", twice, 1, LOADPANEL_BAD_FILE},
        {"panel number absent", good, 2, LOADPANEL_NO_SUCH_PANEL},
        {"panel 0", good, 0, LOADPANEL_NO_SUCH_PANEL},
    };
    for (const Case &c : cases)
        EXPECT_EQ(LoadPanel(0, QFile::encodeName(c.file).constData(), c.panel), c.code) << c.what;

    const int ok = LoadPanel(0, QFile::encodeName(good).constData(), 1);
    EXPECT_GT(ok, 0);
    DiscardPanel(ok);
}

// A callback name nobody registered is reported and left unbound: the button
// still works and nothing is called.
TEST(LoadPanel, UnknownCallbackIsReportedAndUnbound) {
    QTemporaryDir dir;
    const QString file = WriteFile(dir, "p.uir", QString::fromLatin1(kOnePanel).arg(5).toLatin1());
    static QStringList warnings;
    warnings.clear();
    QtMessageHandler old = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &m) { warnings << m; });
    const int h = LoadPanel(0, QFile::encodeName(file).constData(), 1);
    qInstallMessageHandler(old);
    ASSERT_GT(h, 0);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains("CC_Nobody"));
    static_cast<QAbstractButton *>(Widget(h, 4))->click();
    DiscardPanel(h);
}

// The program addresses controls only through the numbers of controls.h:
// each must name, in the resource file, the control of that name and of the
// kind its prefix says. CTRL names address a group by one of its members.
TEST_F(PanelsTest, EveryNumberTheProgramUsesNamesItsControlAndKind) {
    QFile header(QStringLiteral(VTLX_CONTROLS_H));
    ASSERT_TRUE(header.open(QIODevice::ReadOnly));
    const QRegularExpression entry(QStringLiteral(R"(^\s*(PANEL|POPUP)_(\w+) = (\d+),)"),
                                   QRegularExpression::MultilineOption);
    const std::pair<const char *, const char *> kinds[] = {{"TEXTBOX", "QPlainTextEdit"},
                                                           {"TEXT", "QLabel"},
                                                           {"TOGGBTN", "QPushButton"},
                                                           {"BTN", "QPushButton"},
                                                           {"Button", "QPushButton"},
                                                           {"Drop", "QComboBox"},
                                                           {"RBT", "QRadioButton"},
                                                           {"NUM", "QAbstractSpinBox"},
                                                           {"NEDIT", "QAbstractSpinBox"},
                                                           {"DECO", "QFrame"},
                                                           {"PICT", "QLabel"},
                                                           {"SWITCH", "SwitchButton"},
                                                           {"CHART", "StripChart"},
                                                           {"GRAPHHistogram", "HistogramPlot"},
                                                           {"GRAPH", "GraphPlot"},
                                                           {"Check", "QCheckBox"},
                                                           {"Activate", "QPushButton"},
                                                           {"Discard", "QPushButton"},
                                                           {"CTRL", "QWidget"}};
    int seen = 0;
    for (auto it = entry.globalMatch(QString::fromUtf8(header.readAll())); it.hasNext(); seen++) {
        const auto m = it.next();
        const QString name = m.captured(2);
        QWidget *w =
            Widget(m.captured(1) == QLatin1String("PANEL") ? main : popup, m.captured(3).toInt());
        ASSERT_NE(w, nullptr) << m.captured(0).toStdString();
        const char *kind = nullptr;
        for (const auto &[prefix, cls] : kinds)
            if (!kind && name.startsWith(QLatin1String(prefix))) kind = cls;
        ASSERT_NE(kind, nullptr) << "no kind for the prefix of " << name.toStdString();
        if (!name.startsWith(QLatin1String("CTRL"))) {
            EXPECT_EQ(w->objectName().toStdString(), name.toStdString());
        }
        EXPECT_TRUE(w->inherits(kind))
            << name.toStdString() << " is a " << w->metaObject()->className();
    }
    EXPECT_GE(seen, 60) << "controls.h no longer reads as expected";
}

// The nine command buttons are found by their callbacks' names.
TEST_F(PanelsTest, CommandButtonsAreBoundByName) {
    const struct {
        int panel, number;
        const char *callback;
    } cases[] = {
        {PANEL, PANEL_CTRLLoopLock1, "CC_BTNRun"},
        {PANEL, PANEL_BTNStop, "CC_BTNStop"},
        {PANEL, PANEL_CTRLLoopLock2, "CC_BTNVideo"},
        {PANEL, PANEL_BTNSend, "CC_BTNSend"},
        {PANEL, PANEL_CTRLPostLoop, "CC_BTNGet"},
        {PANEL, PANEL_ButtonTeach, "CC_ButtonTeach"},
        {PANEL, PANEL_CTRLAnalogGroup, "CC_ButtonReset"},
        {POPUP, POPUP_ActivateCalibration, "CC_ActivateCalibration"},
        {POPUP, POPUP_DiscardCalibration, "CC_DiscardCalibration"},
    };
    for (const auto &c : cases) {
        const int h = c.panel == PANEL ? main : popup;
        SetCtrlAttribute(h, c.number, ATTR_DIMMED, 0);
        auto *b = qobject_cast<QAbstractButton *>(Widget(h, c.number));
        ASSERT_NE(b, nullptr) << c.callback;
        EXPECT_EQ(b->property("callback").toString(), c.callback);
        Recorded().clear();
        b->click();
        EXPECT_EQ(Recorded(), (std::vector<Event>{{h, c.number, EVENT_LEFT_CLICK},
                                                  {h, c.number, EVENT_COMMIT}}))
            << c.callback;
    }
}

TEST_F(PanelsTest, StartStates) {
    const struct {
        bool popupPanel;
        int number;
        int attribute;
        int want;
    } cases[] = {
        {false, PANEL_RBTRam, 0, 1},
        {false, PANEL_RBTEeprom, 0, 0},
        {false, PANEL_RBTFile, 0, 0},
        {false, PANEL_TOGGBTN_ParaII, 0, 0},
        {true, POPUP_ButtonAcceptObject2, ATTR_DIMMED, 1},
        {true, POPUP_ButtonSaveCalValues, ATTR_DIMMED, 1},
        {true, POPUP_ButtonAcceptObject1, ATTR_DIMMED, 1},
        {true, POPUP_ButtonDoFit, ATTR_DIMMED, 1},
        {true, POPUP_CheckStep2, ATTR_DIMMED, 1},
        {true, POPUP_CheckStep1, ATTR_DIMMED, 1},
        {false, PANEL_DropAnaMode, ATTR_DIMMED, 1},
        {false, PANEL_CTRLAnalogGroup, ATTR_DIMMED, 1},
        {false, PANEL_NUMAnaMin, ATTR_DIMMED, 1},
        {false, PANEL_NUMAnaMax, ATTR_DIMMED, 1},
        {false, PANEL_CTRLLoopLock1, ATTR_DIMMED, 0},
        {false, PANEL_NUMUmValue, ATTR_VISIBLE, 0},
    };
    for (const auto &c : cases) {
        const int h = c.popupPanel ? popup : main;
        int v = -1;
        if (c.attribute == 0)
            GetCtrlVal(h, c.number, &v);
        else
            GetCtrlAttribute(h, c.number, c.attribute, &v);
        EXPECT_EQ(v, c.want) << "control " << c.number << " attribute " << c.attribute;
    }
}

// Screen readers and UI automation find every control by its label's text.
TEST_F(PanelsTest, EveryControlHasAnAccessibleNameAndAVisibleLabel) {
    for (int h : {main, popup}) {
        for (int n = 1; n < 60; ++n) {
            QWidget *w = Widget(h, n);
            if (!w) continue;
            // The status line is read by its text (access_test.cpp), labelled all the same.
            const bool readByText = h == main && n == PANEL_TEXTStatus;
            if (!readByText) {
                EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
            }
            const bool ownText = w->inherits("QAbstractButton") && !w->inherits("SwitchButton");
            const bool decoration = n == PANEL_DECOLogo || n == PANEL_PICTLogo;
            if (h != main || !decoration) {
                bool labelled = ownText;
                for (QLabel *l : w->window()->findChildren<QLabel *>()) {
                    if (l->buddy() != w) continue;
                    labelled = true;
                    // Named as labelled; a name may say more where two labels
                    // read alike ("Size of object 1 [µm]" for "Size [µm]").
                    for (const QString &word : l->text().split(QLatin1Char(' ')))
                        if (!readByText) {
                            EXPECT_TRUE(w->accessibleName().contains(word))
                                << w->accessibleName().toStdString() << " / " << word.toStdString();
                        }
                }
                EXPECT_TRUE(labelled) << w->objectName().toStdString();
            }
        }
    }
}

// Over the resource file as written: in every window each accessible name is
// there, free of markup residue ("amp;Fetch" once reached screen readers) and
// unique ("Size [µm]" once named both objects' fields).
TEST(ResourceFile, AccessibleNamesArePlainAndUniquePerWindow) {
    QFile file(QStringLiteral(VTLX_UIR));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    const QRegularExpression residue(QStringLiteral("&|(amp|lt|gt|quot|apos|#x?[0-9a-f]+);"));
    std::map<QString, std::set<QString>> names; // window -> names in it
    QString window, property;
    int depth = 0; // nesting of <widget>: 1 the file's wrapper, 2 a window
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("widget") && ++depth == 2)
            window = xml.attributes().value("name").toString();
        if (xml.isEndElement() && xml.name() == QLatin1String("widget")) --depth;
        if (xml.isStartElement() && xml.name() == QLatin1String("property"))
            property = xml.attributes().value("name").toString();
        if (xml.isStartElement() && xml.name() == QLatin1String("string") &&
            property == QLatin1String("accessibleName")) {
            const QString name = xml.readElementText();
            SCOPED_TRACE(window.toStdString() + ": " + name.toStdString());
            EXPECT_FALSE(name.trimmed().isEmpty() || name.contains(residue));
            EXPECT_TRUE(names[window].insert(name).second) << "named twice";
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(names.size(), 3u) << "main, calibration and compare windows";
}

// Each load is a panel of its own.
TEST_F(PanelsTest, EveryLoadIsAFreshInstance) {
    const int again = LoadPanel(0, VTLX_UIR, 1);
    ASSERT_GT(again, 0);
    EXPECT_NE(again, main);
    EXPECT_NE(Widget(again, PANEL_NUMPower), Widget(main, PANEL_NUMPower));
    SetCtrlVal(again, PANEL_NUMPower, 777);
    int v = 0;
    GetCtrlVal(main, PANEL_NUMPower, &v);
    EXPECT_EQ(v, 500);
    DiscardPanel(again);
    EXPECT_LT(SetCtrlVal(again, PANEL_NUMPower, 1), 0) << "a discarded handle is dead";
}
