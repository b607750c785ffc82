// Ports that come and go while the program runs, and the help when a port
// cannot be opened: the program's own routines with its real windows, on
// pseudo-terminals linked as COM ports.
#include "com232/com232.h"
#include "com232/portsetup.h"
#include "main/portwatch.h"
#include "gui/pushget.h"
#include "main/live.h"
#include "window/controls.h"
#include "platform/widgets/panel.h"
#include "platform/widgets/registry.h"
#include "platform/rs232.h"
#include "testhooks.h"
#include "platform/runtime.h"
#include "platform/widgets/userint.h"
#include "files.h"
#include "process.h"
#include "simharness.h"
#include "uiharness.h"
#include "waits.h"

#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

QComboBox *PortSelector() {
    Panel *panel = FindPanel(pHandle);
    return panel ? qobject_cast<QComboBox *>(panel->control(PANEL_DropDCom)) : nullptr;
}

std::vector<std::string> Items() {
    std::vector<std::string> items;
    QComboBox *c = PortSelector();
    for (int i = 0; c && i < c->count(); i++)
        items.push_back(c->itemText(i).toStdString());
    return items;
}

// Opens the selector's list as the user does, and closes it again.
std::vector<std::string> OpenList() {
    QComboBox *c = PortSelector();
    c->showPopup();
    QApplication::processEvents();
    std::vector<std::string> items = Items();
    c->hidePopup();
    return items;
}

// The item of port number, "" when the list lacks it.
std::string ItemOf(const std::vector<std::string> &items, int number) {
    const std::string prefix = "COM" + std::to_string(number) + "  ";
    for (const std::string &item : items)
        if (item.rfind(prefix, 0) == 0) return item;
    return "";
}

// The user chooses port number in the selector.
void Choose(int number) {
    FillPortSelector();
    SetCtrlVal(pHandle, PANEL_DropDCom, number);
    CC_DropDCom(pHandle, PANEL_DropDCom, EVENT_COMMIT, nullptr, 0, 0);
}

std::string Status() {
    return ControlText(pHandle, PANEL_TEXTStatus);
}

std::vector<QMessageBox *> Messages() {
    std::vector<QMessageBox *> boxes;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
            boxes.push_back(box);
    return boxes;
}

bool Contains(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

// Standard error of this process, caught in a file while the object lives.
class CaughtStderr {
  public:
    CaughtStderr() {
        char name[] = "/tmp/vtlx-stderr-XXXXXX";
        const int fd = mkstemp(name);
        path_ = name;
        std::fflush(stderr);
        saved_ = dup(2);
        dup2(fd, 2);
        close(fd);
    }
    ~CaughtStderr() {
        restore();
        std::remove(path_.c_str());
    }
    std::string text() {
        restore();
        return ReadFile(path_);
    }

  private:
    void restore() {
        if (saved_ < 0) return;
        std::fflush(stderr);
        dup2(saved_, 2);
        close(saved_);
        saved_ = -1;
    }
    std::string path_;
    int saved_ = -1;
};

class Ports : public ::testing::Test {
  protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        for (QMessageBox *box : Messages())
            box->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ResetPortWatch();
        SetSerialByIdFolder(nullptr);
        FreshStart();
    }
    PortFolder folder;
};

TEST_F(Ports, SelectorFollowsAnAdapterPluggedInAndPulledOut) {
    EXPECT_EQ(ItemOf(OpenList(), 5), "");

    // The link names the adapter by a stable name, as the device manager
    // gives one: the pseudo-terminal's own number may be taken by the next
    // one opened anywhere on the machine (a test running beside this one)
    // as soon as it is pulled out.
    char byIdName[] = "/tmp/vtlx-by-id-XXXXXX";
    const std::string byId = mkdtemp(byIdName);
    const std::string stable = byId + "/usb-adapter-port0";
    auto adapter = std::make_unique<PtyPeer>();
    ASSERT_TRUE(adapter->ok());
    ASSERT_EQ(symlink(adapter->device().c_str(), stable.c_str()), 0);
    folder.link(5, stable);
    EXPECT_EQ(ItemOf(OpenList(), 5), "COM5  " + stable) << "plugged in after the start";

    adapter->hangUp();      // the device node goes with the master side ...
    unlink(stable.c_str()); // ... and the device manager removes its name
    EXPECT_EQ(ItemOf(OpenList(), 5), "COM5  " + stable + "  (gone)") << "pulled out";

    // The link keeps its number for the next device it names.
    PtyPeer next;
    ASSERT_EQ(symlink(next.device().c_str(), stable.c_str()), 0);
    EXPECT_EQ(ItemOf(OpenList(), 5), "COM5  " + stable);
    fs::remove_all(byId);
}

// The port in use is pulled out; the same adapter comes back (known by its
// stable name under the by-id folder) as another device. The status says the
// port has gone, the selector marks the adapter when it returns, and nothing
// reaches it until the user chooses it.
TEST_F(Ports, AdapterInUseGoesAndComesBackMarkedButUnusedUntilChosen) {
    char byIdName[] = "/tmp/vtlx-by-id-XXXXXX";
    const std::string byId = mkdtemp(byIdName);
    SetSerialByIdFolder(byId.c_str());
    const std::string stable = byId + "/usb-Vortelix_USB_Serial_T0001-if00-port0";

    auto adapter = std::make_unique<PtyPeer>();
    ASSERT_EQ(symlink(adapter->device().c_str(), stable.c_str()), 0);
    folder.link(4, stable);
    WatchPorts();
    Choose(4); // no sensor answers: the line check times out
    EXPECT_EQ(adapter->read(36, 1000).size(), 36u) << "the echo frame went to the adapter";

    // Pulled out: the device node goes, and with it the stable name (as the
    // device manager removes it). Left behind, the name would point at the
    // old node's number, which the next pseudo-terminal opened anywhere on
    // the machine may take.
    adapter->hangUp();
    unlink(stable.c_str());
    EXPECT_TRUE(PumpUntil([] { return Status() == "Port is not open"; })) << Status();
    EXPECT_EQ(ItemOf(Items(), 4), "COM4  " + stable + "  (gone)");

    PtyPeer back;
    ASSERT_EQ(symlink(back.device().c_str(), stable.c_str()), 0);
    EXPECT_TRUE(PumpUntil([] { return Contains(ItemOf(Items(), 4), "(reconnected)"); }))
        << ItemOf(Items(), 4);
    EXPECT_TRUE(Contains(ItemOf(OpenList(), 4), "(reconnected)")) << "also when opened";
    EXPECT_EQ(Status(), "COM4 is back: choose it again to use it");
    EXPECT_TRUE(back.read(1, 300).empty()) << "nothing is sent before the user chooses it";
    // Until then Run and a fetch say so at once (they once waited out their
    // time-outs: "Timeout RS232-Line!", "Timeout-RS-232...").
    CC_BTNRun(pHandle, PANEL_CTRLLoopLock1, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(Status(), "Port is not open");
    PushGET(RAM);
    EXPECT_EQ(Status(), "Port is not open");

    Choose(4);
    EXPECT_EQ(back.read(36, 1000).size(), 36u);
    EXPECT_EQ(ItemOf(OpenList(), 4).find("(reconnected)"), std::string::npos);
    fs::remove_all(byId);
}

// A number stays with its device while the program runs: the sensor's link
// goes with it (as the simulator's does), and the system's first port does
// not move up into COM1; a port plugged in later takes a new number; the
// link made again is COM1 again.
TEST_F(Ports, ANumberNeverMovesToAnotherDevice) {
    auto sensor = std::make_unique<PtyPeer>();
    PtyPeer builtIn, later;
    const std::string sensorDevice = sensor->device();
    const char *listed[] = {builtIn.device().c_str(), later.device().c_str()};
    SetListedSerialDevices(listed, 1);
    folder.link(1, sensorDevice);
    char device[256] = "";
    ASSERT_EQ(ComPortDevice(1, device, sizeof device), 1);
    EXPECT_EQ(device, sensorDevice);
    EXPECT_EQ(ItemOf(OpenList(), 2), "COM2  " + builtIn.device());

    sensor->hangUp();
    std::remove((folder.path() + "/com1").c_str());
    SetListedSerialDevices(listed, 2);
    const auto items = OpenList();
    EXPECT_EQ(ItemOf(items, 1), "COM1  " + sensorDevice + "  (gone)");
    EXPECT_EQ(ItemOf(items, 2), "COM2  " + builtIn.device());
    EXPECT_EQ(ItemOf(items, 3), "COM3  " + later.device()) << "a new port takes a new number";
    Choose(1);
    EXPECT_EQ(Status(), "Invalid port number") << "nothing else answers to COM1";

    PtyPeer back;
    folder.link(1, back.device());
    EXPECT_EQ(ItemOf(OpenList(), 1), "COM1  " + back.device());

    // A link gone is gone even when something else now sits at its old
    // device's path (a pseudo-terminal's number is soon taken again).
    const std::string taken = folder.path() + "/taken-path";
    std::fclose(std::fopen(taken.c_str(), "w"));
    folder.link(7, taken);
    EXPECT_EQ(ItemOf(OpenList(), 7), "COM7  " + taken);
    std::remove((folder.path() + "/com7").c_str());
    EXPECT_EQ(ItemOf(OpenList(), 7), "COM7  " + taken + "  (gone)");
    EXPECT_EQ(ComPortDevice(7, device, sizeof device), 0);
    SetListedSerialDevices(nullptr, -1);
}

// The port in use is pulled and its device comes back at the same path:
// the status line says so, and nothing is sent to it until it is chosen.
// A command on a port that is not open says so at once.
TEST_F(Ports, APortBackAtItsPathWaitsToBeChosen) {
    auto sensor = std::make_unique<SimulatedSensor>(InstantConfig("t1"), 1, folder);
    ASSERT_TRUE(sensor->ok()) << sensor->error();
    WatchPorts();
    Choose(1);
    ASSERT_GE(sensor->framesReceived().size(), 4u) << Status();
    sensor.reset(); // the simulator removes its link as it goes
    EXPECT_TRUE(PumpUntil([] { return Status() == "Port is not open"; })) << Status();

    PtyPeer back;
    folder.link(1, back.device());
    EXPECT_TRUE(PumpUntil([] { return Contains(Status(), "COM1 is back"); })) << Status();
    CC_BTNRun(pHandle, PANEL_CTRLLoopLock1, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(Status(), "Port is not open");
    EXPECT_TRUE(back.read(1, 300).empty()) << "nothing is sent before the user chooses it";

    // Never opened: the command does not wait out a time-out either.
    folder.link(6, folder.path() + "/no-such-device");
    Choose(6);
    PushGET(RAM);
    EXPECT_EQ(Status(), "Port is not open") << "not the reply wait's time-out";
}

// 1 when a user who is neither owner nor group may read the file: every
// folder above it lets others through and the file lets others read.
bool OthersMayRead(const fs::path &file) {
    struct stat st {};
    if (stat(file.c_str(), &st) != 0 || !(st.st_mode & S_IROTH)) return false;
    for (fs::path dir = file.parent_path(); !dir.empty(); dir = dir.parent_path()) {
        if (stat(dir.c_str(), &st) != 0 || !(st.st_mode & S_IXOTH)) return false;
        if (dir == dir.root_path()) break;
    }
    return true;
}

// Runs as an unprivileged user. As root (which may open anything) the test
// runs itself again under uid 65534 (nobody) through setpriv.
TEST_F(Ports, PortWithoutPermissionGetsOneTimeHelp) {
    if (geteuid() == 0) {
        if (!fs::exists("/usr/bin/setpriv"))
            GTEST_SKIP() << "running as root, and setpriv (util-linux) is missing to run this "
                            "test as an unprivileged user";
        // The program reads its resource file beside the executable: a build
        // in a folder that others may not enter (root's home, a umask of 077)
        // is out of the unprivileged user's reach.
        const fs::path exe = fs::read_symlink("/proc/self/exe");
        if (!OthersMayRead(exe.parent_path() / "VORTELIX-Riror14.uir"))
            GTEST_SKIP() << "the build folder " << exe.parent_path()
                         << " cannot be read by an unprivileged user";
        char dirName[] = "/tmp/vtlx-nobody-XXXXXX";
        const std::string dir = mkdtemp(dirName);
        chmod(dir.c_str(), 0777);
        const Child child =
            Start({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                   "--inh-caps=-all", fs::read_symlink("/proc/self/exe").string(),
                   "--gtest_filter=Ports.PortWithoutPermissionGetsOneTimeHelp"},
                  "/tmp", dir, {"HOME=/tmp"});
        const int exit = WaitExit(child, 60);
        const std::string out = ReadFile(child.out) + ReadFile(child.err);
        fs::remove_all(dir);
        if (exit == 126 || exit == 127)
            GTEST_SKIP() << "uid 65534 cannot run the test program here: " << out;
        EXPECT_EQ(exit, 0) << out;
        EXPECT_TRUE(Contains(out, "[  PASSED  ] 1 test")) << out;
        return;
    }
    PtyPeer adapter;
    ASSERT_TRUE(adapter.ok());
    ASSERT_EQ(chmod(adapter.device().c_str(), 0), 0); // a device node with mode 000
    folder.link(2, adapter.device());

    Choose(2);
    EXPECT_EQ(Status(), "Cannot open port");
    EXPECT_EQ(ComOpenCause(2), kComCauseDenied);
    ASSERT_EQ(Messages().size(), 1u);
    const std::string text = Messages()[0]->text().toStdString();
    EXPECT_TRUE(Contains(text, "group dialout")) << text;
    EXPECT_TRUE(Contains(text, "sudo usermod -aG dialout \"$USER\"")) << text;
    EXPECT_TRUE(Contains(text, "new login")) << text;

    Choose(2);
    EXPECT_EQ(Status(), "Cannot open port") << "the status line keeps its text";
    EXPECT_EQ(Messages().size(), 1u) << "once per session";
}

// A second instance on the same COM1: the first holds the port.
TEST_F(Ports, PortHeldByAnotherProgramIsNamedSo) {
    SimulatedSensor sensor(InstantConfig("t1"), 1, folder);
    ASSERT_TRUE(sensor.ok()) << sensor.error();
    const Child first = Start({VTLX_PROGRAM}, folder.path(), folder.path());
    ASSERT_GT(first.pid, 0);
    ASSERT_TRUE(PumpUntil([&] { return sensor.framesReceived().size() >= 4; }, 20.0))
        << ReadFile(first.err);

    const Child second = Start({VTLX_PROGRAM}, folder.path(), folder.path());
    EXPECT_TRUE(StillRunning(second, 2.0));
    EXPECT_EQ(Stop(second, 10), 0) << "the message does not hold up the end";
    EXPECT_TRUE(Contains(ReadFile(second.err), "the port is in use by another program"))
        << ReadFile(second.err);

    std::string errors;
    {
        CaughtStderr caught;
        Choose(1);
        errors = caught.text();
    }
    EXPECT_EQ(Status(), "Cannot open port");
    EXPECT_EQ(ComOpenCause(1), kComCauseInUse);
    EXPECT_TRUE(Contains(errors, ": the port is in use by another program")) << errors;
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(Contains(Messages()[0]->text().toStdString(), "in use by another program"));
    Choose(1);
    EXPECT_EQ(Messages().size(), 1u) << "once per session";
    EXPECT_EQ(sensor.framesReceived().size(), 4u) << "only the first instance talked to it";
    EXPECT_EQ(Stop(first, 10), 0);
}

// The headless monitor holds COM1: the help names it and how it is stopped.
TEST_F(Ports, PortHeldByTheMonitorNamesIt) {
    SimulatedSensor sensor(InstantConfig("t1"), 1, folder);
    ASSERT_TRUE(sensor.ok()) << sensor.error();
    const Child monitor = Start({VTLX_MONITOR, "--port", "1", "--broker", "mqtt://127.0.0.1:1"},
                                folder.path(), folder.path());
    ASSERT_GT(monitor.pid, 0);
    ASSERT_TRUE(PumpUntil([&] { return sensor.framesReceived().size() >= 5; }, 20.0))
        << ReadFile(monitor.err);

    Choose(1);
    EXPECT_EQ(Status(), "Cannot open port");
    ASSERT_EQ(Messages().size(), 1u);
    const std::string text = Messages()[0]->text().toStdString();
    EXPECT_TRUE(Contains(text, "vortelix-monitor (process " + std::to_string(monitor.pid) + ")"))
        << text;
    EXPECT_TRUE(Contains(text, "systemctl stop vortelix-monitor@")) << text;
    EXPECT_EQ(Stop(monitor, 10), 0);
}

} // namespace
