// The parameter file: saving from the window, loading into the settings, the
// file's layout, bad files and failed saves.
#include "com232/com232.h"
#include "com232/portsetup.h"
#include "gui/parafile.h"
#include "window/controls.h"
#include "main/params.h"
#include "paramstest.h"
#include "testhooks.h"
#include "platform/widgets/userint.h"
#include "uiharness.h"

#include <QFileDialog>
#include <QTimer>

#include <cstdio>
#include <filesystem>

namespace {

class ParaFile : public ParamsTest {
  protected:
    void SetUp() override {
        ParamsTest::SetUp();
        target = DATFILE;
    }
    void Save(const std::string &path) {
        SetFileSelectAnswer(path.c_str());
        CC_BTNSend(pHandle, 0, EVENT_LEFT_CLICK, nullptr, 0, 0);
    }
    void Load(const std::string &path) {
        SetFileSelectAnswer(path.c_str());
        CC_BTNGet(pHandle, PANEL_CTRLPostLoop, EVENT_COMMIT, nullptr, 0, 0);
    }
};

std::string FileText(const Words &w) {
    std::string text;
    char line[16];
    for (unsigned v : w) {
        std::snprintf(line, sizeof line, "%5u\n", v);
        text += line;
    }
    return text;
}

// Saving takes the window's unsent edits, loading gives them back, and the
// sensor sees no frame from either.
TEST_F(ParaFile, SavedFileLoadsBackAndTheSensorSeesNothing) {
    SimulatedSensor sensor(InstantConfig("t1"), 1, ports);
    ASSERT_TRUE(sensor.ok()) << sensor.error();
    InitRS232(1);
    const std::vector<int> chain = FramesAfterWait(sensor, 4);
    const Words ram = SensorRam(sensor);
    target = DATFILE;

    ShowInWindow(SetA(), SetB());
    const std::string path = Path("VTLXpara.dat");
    WriteFile(path, std::string(400, '9') + "\n"); // an old, longer file is replaced
    graphrefresh = 1; // a run reply awaits display; pp is about to be overwritten
    Save(path);
    EXPECT_EQ(graphrefresh, 0) << "pp holds settings now, no reply";
    EXPECT_EQ(ReadFile(path), FileText(SetA())) << "the window's values, 5-character fields";
    EXPECT_EQ(Status(), "Parameters saved to " + path);
    EXPECT_EQ(Variables(), SetA()) << "the save took the window into the settings";

    ShowInWindow(SetB(), SetB());
    graphrefresh = 1;
    Load(path);
    EXPECT_EQ(graphrefresh, 0) << "pp holds the file's words now, no reply";
    EXPECT_EQ(Variables(), SetA());
    EXPECT_EQ(WindowWords(), SetA()) << "the window shows what was loaded";
    EXPECT_EQ(std::string(file_name), path);

    PumpFor(0.2);
    EXPECT_EQ(sensor.framesReceived(), chain) << "no frame for the file";
    EXPECT_EQ(SensorRam(sensor), ram);
}

// Before any sensor is identified there is no line to bound the window's
// borders: a loaded file and a fetch on a port that is not open leave them
// as the file and the window hold them.
TEST_F(ParaFile, WithNoSensorTheBordersStayAsTheyAre) {
    ccdsubpixel = 0;
    const std::string path = Path("VTLXpara.dat");
    WriteFile(path, FileText(SetA()));
    Load(path);
    EXPECT_EQ(eBeg, SetA()[6]);
    EXPECT_EQ(eEnd, SetA()[7]);
    EXPECT_EQ(WindowWords(), SetA());

    target = RAM; // no port is open: said at once, no reply time-out waited out
    CC_BTNGet(pHandle, PANEL_CTRLPostLoop, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(Status(), "Port is not open");
    EXPECT_EQ(WindowWords(), SetA());
}

// Blanks, line ends and values above 16 bits; every broken file takes nothing.
TEST_F(ParaFile, ReaderTakesSixteenNumbersOrNothing) {
    const std::string a = FileText(SetA());
    std::string crlf, oneLine;
    for (unsigned v : SetA()) {
        crlf += " " + std::to_string(v) + "\r\n";
        oneLine += "\t" + std::to_string(v) + "  ";
    }
    Words big = SetA();
    big[2] = 66048;      // 65536 + 512: low 16 bits 512
    big[8] = 4294967295; // low 16 bits 65535
    Words bigLow = SetA();
    bigLow[2] = 512;
    bigLow[8] = 65535;
    const std::string tooBig = FileText(SetA()).replace(0, 5, "4294967296");

    const struct {
        const char *what;
        std::string content;
        bool taken;
        Words words;
    } rows[] = {
        {"as written", a, true, SetA()},
        {"CR LF and padding", crlf, true, SetA()},
        {"one line, tabs", oneLine, true, SetA()},
        {"more than 16 numbers", a + "123\nxyz\n", true, SetA()},
        {"above 16 bits", FileText(big), true, bigLow},
        {"empty", "", false, {}},
        {"15 numbers", a.substr(0, 15 * 6), false, {}},
        {"a word", a.substr(0, 6 * 6) + "eBeg\n" + a.substr(7 * 6), false, {}},
        {"negative", "-1\n" + a.substr(6), false, {}},
        {"decimals", a.substr(0, 6) + "12.5\n" + a.substr(12), false, {}},
        {"hexadecimal", a.substr(0, 6) + "0x10\n" + a.substr(12), false, {}},
        {"above 32 bits", tooBig, false, {}},
    };
    for (const auto &row : rows) {
        SetStatus("before");
        ShowInWindow(SetB(), SetB());
        const std::string path = Path("in.dat");
        WriteFile(path, row.content);
        Load(path);
        if (row.taken) {
            EXPECT_EQ(Variables(), row.words) << row.what;
            EXPECT_EQ(Status(), "before") << row.what << ": the status line is left as it was";
        } else {
            EXPECT_EQ(Variables(), SetB()) << row.what << ": the settings stay";
            EXPECT_EQ(Status(), PARAFILE_READ_ERROR) << row.what;
        }
    }
}

// A save that cannot be done says so and leaves nothing behind.
TEST_F(ParaFile, FailedSaveIsReported) {
    std::filesystem::create_directory(Path("folder.dat"));
    const struct {
        const char *what;
        std::string path;
    } rows[] = {
        {"missing folder", Path("missing/VTLXpara.dat")},
        {"name of a folder", Path("folder.dat")},
    };
    for (const auto &row : rows) {
        ShowInWindow(SetA(), SetA());
        Save(row.path);
        EXPECT_EQ(Status(), PARAFILE_WRITE_ERROR) << row.what;
        EXPECT_EQ(SendParaToFile(), 0) << row.what;
    }
    EXPECT_TRUE(std::filesystem::is_directory(Path("folder.dat")));
    EXPECT_FALSE(std::filesystem::exists(Path("missing")));
    ASSERT_EQ(std::distance(std::filesystem::directory_iterator(Path("")),
                            std::filesystem::directory_iterator()),
              1)
        << "no temporary file is left";
}

// The real dialogs, cancelled: title, button, folder, name and filter; then
// nothing is written or read, and neither the window's edits nor the status
// line change (a cancelled Get once rewrote the window from the settings and
// a cancelled Send left "Transmit...").
TEST_F(ParaFile, CancelledDialogsMoveNothing) {
    const struct {
        bool save;
        const char *title, *button;
    } rows[] = {
        {true, "VORTELIX-Series Parameter File", "OK"},
        {false, "VORTELIX-Parameter-File", "Load"},
    };
    for (const auto &row : rows) {
        ShowInWindow(SetA(), SetB());
        SetCtrlVal(pHandle, PANEL_TEXTStatus, "last status");
        QString title, button, folder, filter, name;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog) return;
            title = dialog->windowTitle();
            button = dialog->labelText(QFileDialog::Accept);
            folder = dialog->directory().absolutePath();
            filter = dialog->nameFilters().join(";");
            name = dialog->selectedFiles().value(0);
            dialog->reject();
        });
        if (row.save)
            CC_BTNSend(pHandle, 0, EVENT_LEFT_CLICK, nullptr, 0, 0);
        else
            CC_BTNGet(pHandle, PANEL_CTRLPostLoop, EVENT_COMMIT, nullptr, 0, 0);
        EXPECT_EQ(title.toStdString(), row.title);
        EXPECT_EQ(button.toStdString(), row.button);
        EXPECT_EQ(folder.toStdString(), std::filesystem::canonical(proj_dir).string());
        EXPECT_EQ(filter.toStdString(), "*.dat");
        EXPECT_TRUE(name.endsWith("/VTLXpara.dat")) << name.toStdString();
        EXPECT_EQ(Variables(), SetB());
        EXPECT_EQ(WindowWords(), SetA()) << "the window keeps its edits";
        EXPECT_EQ(Status(), "last status");
        EXPECT_TRUE(std::filesystem::is_empty(Path("")));
    }
}

} // namespace
