// Named parameter sets as JSON files: the table agrees with the window, a
// set goes out and comes back whole, and a bad file is refused with its
// reason and nothing taken.
#include "window/controls.h"
#include "paramsets/compare.h"
#include "paramsets/comparepanel.h"
#include "paramsets/namedset.h"
#include "paramsets/paramtable.h"
#include "paramstest.h"
#include "platform/widgets/panel.h"
#include "platform/widgets/registry.h"
#include "testhooks.h"
#include "platform/widgets/userint.h"
#include "uiharness.h"

#include <QComboBox>
#include <QLabel>

#include <cstring>

namespace {

using NamedSet = ParamsTest;

// The table's labels and choice texts are the window's own: a label or a
// choice renamed in one place only would show two names for one setting.
TEST_F(NamedSet, TableMatchesTheWindow) {
    QWidget *window = FindPanel(pHandle)->window();
    QWidget *popup = FindPanel(pPopup)->window();
    int labelled = 0;
    for (int i = 0; i < PNUM; i++) {
        const ParamWord &w = PARAM_TABLE[i];
        EXPECT_EQ(ParamIndex(w.name), i);
        for (QWidget *panel : {window, popup})
            for (QLabel *l : panel->findChildren<QLabel *>())
                if (l->buddy() && l->text() == QString::fromUtf8(w.label)) {
                    labelled++;
                    if (auto *box = qobject_cast<QComboBox *>(l->buddy())) {
                        SCOPED_TRACE(w.name);
                        ASSERT_EQ(box->count(), w.choiceCount);
                        for (int k = 0; k < box->count(); k++)
                            EXPECT_EQ(box->itemText(k).toStdString(), w.choices[k]);
                    }
                }
    }
    EXPECT_EQ(labelled, PNUM) << "every word has its label in a window, once";
    EXPECT_EQ(ParamIndex("nonsense"), -1);
}

std::string Doc(const std::string &params) {
    return "{\"format\": \"VORTELIX parameter set\", \"version\": 1, \"parameters\": {" + params +
           "}}";
}

// The sixteen words of SetA as JSON members, with member `name` replaced by
// `value` (the text after the colon; empty drops the member).
std::string Members(const std::string &name = "", const std::string &value = "x") {
    std::string out;
    for (int i = 0; i < PNUM; i++) {
        const std::string n = PARAM_TABLE[i].name;
        const std::string v = n == name ? value : std::to_string(SetA()[i]);
        if (v.empty()) continue;
        out += (out.empty() ? "\"" : ", \"") + n + "\": " + v;
    }
    return out;
}

TEST_F(NamedSet, BadFilesAreRefusedWholeWithTheirReason) {
    const struct {
        const char *what;
        std::string text;
        const char *reason; // a part of the reason given
    } rows[] = {
        {"not JSON", "power = 700", "not a parameter set"},
        {"empty", "", "not a parameter set"},
        {"an array", "[1, 2, 3]", "not an object"},
        {"no format", "{\"parameters\": {" + Members() + "}}", "format"},
        {"a word missing", Doc(Members("eEnd", "")), "\"eEnd\" is missing"},
        {"an unknown word", Doc(Members() + ", \"gain\": 3"), "unknown parameter \"gain\""},
        {"a string", Doc(Members("power", "\"700\"")), "\"power\" is not a number"},
        {"null", Doc(Members("power", "null")), "\"power\" is not a number"},
        {"a fraction", Doc(Members("average", "1.5")), "\"average\" is not a whole"},
        {"above range", Doc(Members("vThd", "951")), "50 to 950"},
        {"below range", Doc(Members("vThd", "49")), "50 to 950"},
        {"negative", Doc(Members("power", "-1")), "\"power\""},
        {"past 16 bits", Doc(Members("tVal", "65536")), "\"tVal\""},
        {"huge", Doc(Members("power", "1e300")), "\"power\""},
        {"huger than a double", Doc(Members("power", "1e999")), ""},
        {"beyond the line", Doc(Members("eEnd", "8193")), "1 to 8192"},
        {"parameters a list", "{\"format\": \"VORTELIX parameter set\", \"parameters\": [700, 2]}",
         "\"parameters\" is missing or not an object"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        u16 words[PNUM];
        for (u16 &w : words)
            w = 4242;
        std::string why;
        EXPECT_EQ(NamedSetFromJson(row.text, words, &why), 0);
        EXPECT_NE(why.find(row.reason), std::string::npos) << why;
        for (u16 w : words)
            ASSERT_EQ(w, 4242) << "nothing taken";
    }
    // The edges of the ranges are taken.
    u16 words[PNUM];
    std::string why;
    EXPECT_EQ(NamedSetFromJson(Doc(Members("vThd", "950")), words, &why), 1) << why;
    EXPECT_EQ(NamedSetFromJson(Doc(Members("eEnd", "8192")), words, &why), 1) << why;
    EXPECT_EQ(words[7], 8192);
}

// Export writes the window's set with the identity; import puts it into the
// File column and nothing else; a refused import says why in the window.
TEST_F(NamedSet, ExportAndImportThroughTheCompareWindow) {
    std::strcpy(szFirmware, "V2.14 \xB5-sim"); // Windows-1252 micro sign
    ShowInWindow(SetA(), SetB());
    CC_BTNCompare(pHandle, PANEL_BTNCompare, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_GT(pCompare, 0);

    SetFileSelectAnswer(Path("set.json").c_str());
    CC_BTNExportSet(pCompare, COMPARE_BTNExport, EVENT_COMMIT, nullptr, 0, 0);
    const std::string text = ReadFile(Path("set.json"));
    EXPECT_NE(text.find("\"firmware\": \"V2.14 \xC2\xB5-sim\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"ccdtype\": 1"), std::string::npos);
    EXPECT_NE(text.find("\"date\": \"20"), std::string::npos);
    EXPECT_EQ(Variables(), SetB()) << "exporting reads the window without taking it";

    ShowInWindow(SetB(), SetB());
    SetFileSelectAnswer(Path("set.json").c_str());
    CC_BTNImportSet(pCompare, COMPARE_BTNImport, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_TRUE(compareSets[SET_FILE].present);
    for (int i = 0; i < PNUM; i++)
        EXPECT_EQ(compareSets[SET_FILE].words[i], SetA()[i]) << PARAM_TABLE[i].name;
    EXPECT_EQ(WindowWords(), SetB()) << "importing only shows the set";

    WriteFile(Path("bad.json"), Doc(Members("polarity", "2")));
    SetFileSelectAnswer(Path("bad.json").c_str());
    CC_BTNImportSet(pCompare, COMPARE_BTNImport, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(ControlText(pCompare, COMPARE_TEXTStatus),
              "Parameter set refused: \"polarity\" is not a whole number from 0 to 1");
    EXPECT_EQ(compareSets[SET_FILE].words[4], SetA()[4]) << "the column keeps the good set";
    HidePanel(pCompare);
}

} // namespace
