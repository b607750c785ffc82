// Export of the graphs: the menu's shortcuts on a focused graph reach the
// program, a picture is written in the kind its extension names, and the
// video frame's 256 samples go to CSV.
#include "export/graphexport.h"
#include "window/controls.h"
#include "settings/riror14.h"
#include "platform/widgets/graphmenu.h"
#include "platform/widgets/graphpicture.h"
#include "platform/widgets/panel.h"
#include "platform/widgets/registry.h"
#include "testhooks.h"
#include "platform/widgets/userint.h"
#include "gui/recordpanel.h"
#include "recording/recorder.h"
#include "uiharness.h"

#include <QAction>
#include <QTest>
#include <QWidget>
#include "files.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

class Export : public ::testing::Test {
  protected:
    void SetUp() override {
        FreshStart();
        InstallGraphExport();
        base = "/tmp/vtlx-export-" + std::to_string(getpid());
    }
    void TearDown() override {
        for (const char *ext : {".pdf", ".svg", ".png", ".csv", ".dat.png"})
            std::remove((base + ext).c_str());
        ClearFileSelectAnswer();
    }
    std::string base;
};

// Each kind by its extension; a name without one becomes PNG.
TEST_F(Export, PictureKindFollowsTheExtension) {
    const struct {
        const char *answer, *file, *magic;
    } cases[] = {
        {".pdf", ".pdf", "%PDF"},
        {".svg", ".svg", "<?xml"},
        {".PNG", ".PNG", "\x89PNG"},
        {".dat", ".dat.png", "\x89PNG"},
    };
    for (const auto &c : cases) {
        const std::string answer = base + c.answer, file = base + c.file;
        SetFileSelectAnswer(answer.c_str());
        CC_GraphExport(pHandle, PANEL_GRAPHBar, GRAPHMENU_SAVE_PICTURE);
        const std::string bytes = ReadFile(file);
        EXPECT_EQ(bytes.rfind(c.magic, 0), 0u) << c.answer;
        std::remove(file.c_str());
    }
    EXPECT_EQ(PictureKindOf("/a.b/run.JPEG"), PICTURE_JPG);
    EXPECT_EQ(PictureKindOf("/a.png/run"), -1);
}

// The video graph's shortcut, with the graph focused from the keyboard,
// saves the frame: a header and one row per sample, positions as drawn.
TEST_F(Export, FrameShortcutSavesTheSamples) {
    for (int i = 0; i < 256; i++) {
        adcbuf[i] = static_cast<u16>(1000 - i);
        xArray8[i] = 16.0 * i + 8.5;
    }
    SetCtrlAttribute(pHandle, PANEL_GRAPHVideo, ATTR_VISIBLE, 1);
    QWidget *graph = FindPanel(pHandle)->control(PANEL_GRAPHVideo);
    ASSERT_TRUE(graph);
    graph->window()->show();
    graph->window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(graph->window()));
    graph->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(graph->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
    EXPECT_EQ(graph->actions().size(), 3);
    const std::string path = base + ".csv";
    SetFileSelectAnswer(path.c_str());
    QTest::keyClick(graph, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "index,position [sub-pixel],value\r");
    int rows = 0;
    while (std::getline(in, line)) {
        rows++;
        if (rows == 1) {
            EXPECT_EQ(line, "1,8.500,1000\r");
        } else if (rows == 256) {
            EXPECT_EQ(line, "256,4088.500,745\r");
        }
    }
    EXPECT_EQ(rows, 256);
    SetCtrlAttribute(pHandle, PANEL_GRAPHVideo, ATTR_VISIBLE, 0);
}

// The recording's folder is where the picture dialog opens next: a name
// given without a folder lands beside the recording.
TEST_F(Export, PictureDialogOpensInTheRecordingsFolder) {
    const std::string folder = base + "-folder";
    std::filesystem::create_directory(folder);
    SetFileSelectAnswer((folder + "/run.csv").c_str());
    CC_BTNRecord(pHandle, PANEL_BTNRecord, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_TRUE(RecordingActive());
    CC_BTNRecord(pHandle, PANEL_BTNRecord, EVENT_COMMIT, nullptr, 0, 0);
    SetFileSelectAnswer("ccdline.png");
    CC_GraphExport(pHandle, PANEL_GRAPHBar, GRAPHMENU_SAVE_PICTURE);
    EXPECT_EQ(ReadFile(folder + "/ccdline.png").rfind("\x89PNG", 0), 0u);
    std::filesystem::remove_all(folder);
}

} // namespace
