// The serial service and the reply wait over real pseudo-terminals.
#include "com232/com232.h"
#include "main/startup.h"
#include "testresets.h"
#include "platform/rs232.h"
#include "testhooks.h"
#include "platform/runtime.h"
#include "ptypeer.h"
#include "waits.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <ctime>
#include <thread>

namespace {

constexpr int kPort = 41;

double CpuSeconds() {
    return double(std::clock()) / CLOCKS_PER_SEC;
}

// Writes bytes and waits, without pumping, until they are on the program's
// side of the line; then pumps until the callback has taken a frame, or has
// dropped what came and nothing is left on the line or in the queue.
bool WriteUntilTakenOrDropped(PtyPeer &peer, const std::vector<unsigned char> &bytes) {
    peer.write(bytes);
    const int n = int(bytes.size());
    return WaitUntil([&] { return peer.unread() + GetInQLen(kPort) >= n; }) &&
           PumpUntil([&] { return rx_flag == 1 || (peer.unread() == 0 && GetInQLen(kPort) == 0); });
}

class Serial : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetVarsToLoad();
        ASSERT_TRUE(peer.ok());
        folder.link(kPort, peer.device());
        ASSERT_EQ(OpenComConfig(kPort, "", 19200, 0, 8, 1, 4096, 4096), 0);
        SetComTime(kPort, 2.0);
        com = kPort;
        SyncWord() = 0x55;
    }
    void TearDown() override { CloseCom(kPort); }
    void InstallReceive() {
        InstallComCallback(kPort, eventMask, FRAMELEN, SyncWord(), RX_Receive_Function, nullptr);
    }

    PortFolder folder;
    PtyPeer peer;
};

TEST_F(Serial, WriteReachesPeerAndQueueSeesBytesWithoutPumping) {
    const u16 words[16] = {1, 2, 3};
    FillTxBuf(8, words);
    EXPECT_EQ(ComWrt(kPort, szWriteBuf, FRAMELEN), FRAMELEN);
    const auto got = peer.read(FRAMELEN, 1000);
    ASSERT_EQ(got.size(), 36u);
    EXPECT_EQ(got[3], 8);
    EXPECT_EQ(got[9], 3);

    peer.write(std::vector<unsigned char>(72, 'v'));
    EXPECT_TRUE(WaitUntil([] { return GetInQLen(kPort) >= 72; }));
    EXPECT_EQ(GetInQLen(kPort), 72);
    char buf[100];
    SetComTime(kPort, 0.2);
    EXPECT_EQ(ComRd(kPort, buf, 100), 72); // waits the limit for more, returns what came
    EXPECT_EQ(GetInQLen(kPort), 0);
}

TEST_F(Serial, ComRdGivesUpAtItsTimeLimit) {
    SetComTime(kPort, 0.2);
    peer.write({1, 2, 3});
    char buf[10];
    const double t0 = Timer();
    EXPECT_EQ(ComRd(kPort, buf, 10), 3);
    EXPECT_GT(Timer() - t0, 0.19);
    EXPECT_LT(Timer() - t0, 1.0 * TimeFactor());
}

TEST_F(Serial, FlushDropsWaitingBytes) {
    peer.write(std::vector<unsigned char>(50, 1));
    EXPECT_TRUE(WaitUntil([] { return GetInQLen(kPort) == 50; }));
    FlushInQ(kPort);
    EXPECT_EQ(GetInQLen(kPort), 0);
}

TEST_F(Serial, CallbackTakesFirstFrameAndDropsTheRest) {
    InstallReceive();
    auto bytes = Frame(0xAA, 2, {11, 22, 33, 44});
    for (int i = 0; i < 14; i++)
        bytes.push_back(0xEE);
    peer.write(bytes);
    EXPECT_TRUE(PumpUntil([] { return rx_flag == 1; }));
    EXPECT_EQ(graphrefresh, 1);
    EXPECT_EQ(pp[0], 11);
    EXPECT_EQ(pp[3], 44);
    EXPECT_EQ(GetInQLen(kPort), 0);
}

TEST_F(Serial, CallbackWaitsForAWholeFrame) {
    InstallReceive();
    auto bytes = Frame(0xAA, 2, {7});
    peer.write({bytes.begin(), bytes.begin() + 20});
    EXPECT_TRUE(PumpUntil([&] { return peer.unread() == 0 && GetInQLen(kPort) == 20; }));
    ProcessSystemEvents();
    EXPECT_EQ(rx_flag, 0);
    peer.write({bytes.begin() + 20, bytes.end()});
    EXPECT_TRUE(PumpUntil([] { return rx_flag == 1; }));
    EXPECT_EQ(pp[0], 7);
}

// The resync behind stray bytes, each case written to the line as scripted
// bytes: the callback takes the frame it finds or drops what came, and the
// verdict does not hang on when the bytes arrive.
TEST_F(Serial, StrayBytesAheadOfAReplyDoNotShiftIt) {
    InstallReceive();
    using Bytes = std::vector<unsigned char>;
    const Bytes junk = {0x13, 0x00, 0x00, 0xAB, 0x55, 0xFF, 0x00};
    auto cat = [](Bytes a, const Bytes &b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const Bytes full = Frame(0xAA, 8, {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20});
    const Bytes cut = cat(junk, Frame(0xAA, 2, {1, 2}));
    const struct {
        const char *what;
        Bytes bytes; // all that comes on the line
        int order;   // the command waited for
        int taken;   // 1: a frame goes to pp; 0: all is dropped
        int word0;   // pp[0] then (pp[0] stays 99 when dropped)
        int sync;    // the first word of the frame taken
    } cases[] = {
        {"junk ahead", cat(junk, Frame(0xAA, 2, {11, 22, 33})), 2, 1, 11, 0xAA},
        {"junk ahead, the tail behind the first 36 bytes", cat(junk, full), 8, 1, 5, 0xAA},
        {"junk holding 00 AA ahead", cat({0x13, 0x00, 0xAA, 0x55, 0x00}, Frame(0xAA, 2, {11})), 2,
         1, 11, 0xAA},
        {"the sync word at the last offset it can have", cat(Bytes(34, 0x11), Frame(0xAA, 2, {3})),
         2, 1, 3, 0xAA},
        {"another sync word, no 00 AA in it", Frame(0xAB, 5, {41, 42}), 5, 1, 41, 0xAB},
        {"another sync word holding 00 AA, echoing the command",
         Frame(0xAB, 5, {0x1200, 0xAA34, 0x00AA}), 5, 1, 0x1200, 0xAB},
        {"another sync word holding 00 AA, echoing another command",
         Frame(0xAB, 5, {0x1200, 0xAA34, 0x00AA}), 2, 0, 99, 0},
        {"a frame behind junk whose tail never comes", Bytes(cut.begin(), cut.begin() + 40), 2, 0,
         99, 0},
        {"that tail late, ahead of the next reply",
         cat(Bytes(cut.begin() + 40, cut.end()), Frame(0xAA, 2, {77})), 2, 1, 77, 0xAA},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        rx_flag = 0;
        order = c.order;
        pp[0] = 99;
        ASSERT_TRUE(WriteUntilTakenOrDropped(peer, c.bytes));
        EXPECT_EQ(rx_flag, c.taken);
        EXPECT_EQ(pp[0], c.word0);
        if (c.taken) {
            EXPECT_EQ(ReadBufWord(0), c.sync);
            EXPECT_EQ(ReadBufWord(2), c.order);
        }
        EXPECT_TRUE(PumpUntil([] { return GetInQLen(kPort) == 0; })) << "nothing left behind";
    }
    // The tail of the frame behind junk ends in pp[15].
    rx_flag = 0;
    ASSERT_TRUE(WriteUntilTakenOrDropped(peer, cat(junk, full)));
    EXPECT_EQ(pp[15], 20);
}

// A reply or block that arrives in one piece, as a USB adapter hands it on,
// is taken by every wait, whole and before the wait's limit. How soon after
// the write each wait wakes is a figure of bench_pump (a loaded machine
// moves it; a wait that slept and looked again would show there).
TEST_F(Serial, AReplyThatArrivesWholeIsTakenAtOnce) {
    InstallReceive();
    const struct {
        const char *what;
        int bytes;
        bool callback; // taken by the receive callback in a reply wait
        bool pump;     // else waited for in the queue, pumping or not
    } cases[] = {
        {"reply wait", FRAMELEN, true, true},
        {"block, pumping", 512, false, true},
        {"block, blocking", 512, false, false},
        {"firmware text, blocking", 72, false, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.callback) InstallComCallback(kPort, 0, FRAMELEN, SyncWord(), nullptr, nullptr);
        FlushInQ(kPort);
        rx_flag = 0;
        std::thread answer([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(80));
            peer.write(c.callback ? Frame(0xAA, 2, {7}) : std::vector<unsigned char>(c.bytes, 1));
        });
        int got = 0;
        if (c.callback)
            got = WaitReply(1.0, nullptr, 0) ? FRAMELEN : 0;
        else if (c.pump)
            got = PumpUntilInQ(kPort, c.bytes, 1.0);
        else
            got = WaitInQ(kPort, c.bytes, 1.0);
        answer.join();
        EXPECT_EQ(got, c.bytes);
        if (!c.callback) InstallReceive();
    }
}

// The event loop learns that the line is readable, then a deferred callback
// run takes those bytes before the notification is handled: the read it
// makes finds nothing. That is no dead line; the port must stay open. The
// order is forced: the callback run is due and the new bytes are on the line
// before events are pumped, so one pass sees both.
TEST_F(Serial, ANotificationWhoseBytesWereTakenLeavesThePortOpen) {
    InstallReceive();
    for (int round = 0; round < 3; round++) {
        rx_flag = 0;
        auto bytes = Frame(0xAA, 2, {unsigned(round)});
        bytes.insert(bytes.end(), 4, 0xEE);
        peer.write(bytes);
        ASSERT_TRUE(WaitUntil([&] { return peer.unread() >= int(bytes.size()); }));
        char first = 0;
        ASSERT_EQ(ComRd(kPort, &first, 1), 1); // the rest waits: a callback run is due
        peer.write({0xEE, 0xEE, 0xEE});
        ASSERT_TRUE(WaitUntil([&] { return peer.unread() >= 3; }));
        ProcessSystemEvents();
        ProcessSystemEvents();
        EXPECT_EQ(rx_flag, 1);
        EXPECT_GE(GetInQLen(kPort), 0) << "the port is open";
    }
    peer.write(Frame(0xAA, 2, {4321}));
    rx_flag = 0;
    EXPECT_TRUE(PumpUntil([] { return rx_flag == 1; }));
    EXPECT_EQ(pp[0], 4321);
}

TEST_F(Serial, RemovedCallbackLeavesBlockInQueue) {
    InstallReceive();
    InstallComCallback(kPort, 0, FRAMELEN, SyncWord(), nullptr, nullptr);
    peer.write(std::vector<unsigned char>(72, 'x'));
    EXPECT_TRUE(PumpUntil([&] { return peer.unread() == 0 && GetInQLen(kPort) == 72; }));
    ProcessSystemEvents();
    EXPECT_EQ(rx_flag, 0);
    EXPECT_EQ(GetInQLen(kPort), 72);
}

TEST_F(Serial, ReplyWhileNobodyWaitsStillLandsInPP) {
    InstallReceive();
    peer.write(Frame(0xAA, 8, {123, 456}));
    EXPECT_TRUE(PumpUntil([] { return rx_flag == 1; }));
    EXPECT_EQ(pp[0], 123);
    EXPECT_EQ(pp[1], 456);
    EXPECT_EQ(rx_flag, 1);
    // The next sender clears the flag before it sends.
    SendCommand(8, 0);
    EXPECT_EQ(rx_flag, 0);
    EXPECT_EQ(order, 8);
}

TEST_F(Serial, ReplyWaitSucceedsWhenPeerAnswers) {
    InstallReceive();
    power = 500;
    vThd = 512;
    std::thread sensor([this] {
        const auto request = peer.read(FRAMELEN, 1000);
        if (request.size() == 36 && request[3] == 2) peer.write(Frame(0xAA, 2, {777}));
    });
    EXPECT_EQ(SendCommand(2, 1), FRAMELEN);
    EXPECT_EQ(pp[0], 500); // the settings went into the request
    SetStatus("before");
    const int got = WaitReply(TIMEOUT, "Timeout-RS-232...", 0);
    sensor.join();
    EXPECT_EQ(got, 1); // the reply, not the time-out
    EXPECT_EQ(pp[0], 777);
    EXPECT_STREQ(szStatus, "before");
}

TEST_F(Serial, ReplyWaitOrderDecidesALateReply) {
    // A reply that is already there when a wait with no time left starts:
    // the standard order reports the time-out first, the flag-first order
    // takes the reply.
    InstallReceive();
    for (int flagFirst = 0; flagFirst < 2; flagFirst++) {
        rx_flag = 0;
        SetStatus("before");
        peer.write(Frame(0xAA, 5, {1}));
        ASSERT_TRUE(WaitUntil([] { return GetInQLen(kPort) >= FRAMELEN; }));
        const int got = WaitReply(0.0, "Timeout-RS-232...", flagFirst);
        EXPECT_EQ(got, 1) << "flagFirst " << flagFirst;
        EXPECT_STREQ(szStatus, flagFirst ? "before" : "Timeout-RS-232...");
    }
}

// The two cases that must wait out the full 1.5 s limit share this test.
TEST_F(Serial, TimeOutAndHangUpNeitherHangNorSpin) {
    InstallReceive();
    SendCommand(5, 1);
    double cpu0 = CpuSeconds();
    int got = WaitReply(TIMEOUT, "Timeout-RS-232...", 0);
    EXPECT_EQ(got, 0);
    EXPECT_GT(tdiff, TIMEOUT);
    EXPECT_LT(tdiff, kHangCeiling * TimeFactor());
    EXPECT_STREQ(szStatus, "Timeout-RS-232...");
    EXPECT_LT(CpuSeconds() - cpu0, 0.5) << "the wait burned the processor";

    // The cable is pulled while a reply is awaited.
    SendCommand(5, 1);
    std::thread pull([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        peer.hangUp();
    });
    cpu0 = CpuSeconds();
    got = WaitReply(TIMEOUT, "Timeout-RS-232...", 0);
    pull.join();
    EXPECT_EQ(got, 0);
    EXPECT_LT(CpuSeconds() - cpu0, 0.5) << "a dead line made the wait spin";
    char buf[36];
    EXPECT_EQ(ComRd(kPort, buf, 36), 0);
    EXPECT_EQ(ComWrt(kPort, szWriteBuf, 36), 0);
    EXPECT_EQ(CloseCom(kPort), 0);
}

// Opening: results for every kind of failure, and the port folder's rule.
class Opening : public ::testing::Test {
  protected:
    PortFolder folder;
};

TEST_F(Opening, InvalidParameters) {
    PtyPeer peer;
    folder.link(3, peer.device());
    struct {
        long baud;
        int parity, dataBits, stopBits;
    } bad[] = {{0, 0, 8, 1},     {-9600, 0, 8, 1}, {19200, 5, 8, 1}, {19200, -1, 8, 1},
               {19200, 0, 9, 1}, {19200, 0, 4, 1}, {19200, 0, 8, 0}, {19200, 0, 8, 3}};
    for (const auto &b : bad)
        EXPECT_EQ(OpenComConfig(3, "", b.baud, b.parity, b.dataBits, b.stopBits, 4096, 4096),
                  kComInvalidParameter);
    EXPECT_EQ(OpenComConfig(3, "", 19200, 0, 8, 1, 4096, 4096), 0);
    EXPECT_EQ(OpenComConfig(3, "", 19200, 0, 8, 1, 4096, 4096), 0) << "reopen";
    EXPECT_EQ(CloseCom(3), 0);
    EXPECT_EQ(CloseCom(3), 0) << "second close is harmless";
}

TEST_F(Opening, NumbersThatNameNoDevice) {
    ComPortEntry entries[64];
    const int listed = ComPortList(entries, 64);
    EXPECT_EQ(OpenComConfig(0, "", 19200, 0, 8, 1, 4096, 4096), kComInvalidPort);
    EXPECT_EQ(OpenComConfig(-4, "", 19200, 0, 8, 1, 4096, 4096), kComInvalidPort);
    // With no port at all the system has no serial port; otherwise 200 names none.
    EXPECT_EQ(OpenComConfig(200, "", 19200, 0, 8, 1, 4096, 4096),
              listed == 0 ? kComNoSerialPort : kComInvalidPort);
    folder.link(7, "/dev/vortelix-no-such-device");
    EXPECT_EQ(OpenComConfig(7, "", 19200, 0, 8, 1, 4096, 4096), kComInvalidPort);
    EXPECT_EQ(ComWrt(7, "x", 1), kComPortNotOpen);
    EXPECT_EQ(GetInQLen(7), kComPortNotOpen);
}

TEST_F(Opening, DeviceThatCannotBeOpened) {
    const std::string file = folder.path() + "/not-a-tty";
    FILE *f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    folder.link(8, file);
    EXPECT_EQ(OpenComConfig(8, "", 19200, 0, 8, 1, 4096, 4096), kComCannotOpen);
}

// The system's list given in a scrambled order: ttyS, ttyUSB, ttyACM, then
// the rest, each by its number, around the numbers that links hold.
TEST_F(Opening, ListedDevicesAreNumberedAroundTheLinks) {
    const char *listed[] = {"/dev/ttyUSB1", "/dev/rfcomm0", "/dev/ttyS10", "/dev/ttyACM0",
                            "/dev/ttyUSB0", "/dev/ttyS2",   "/dev/ttyS0"};
    const struct {
        std::vector<int> links;            // numbers linked to the pseudo-terminal
        std::vector<std::string> expected; // COM1, COM2, ...; "link" for a linked one
    } cases[] = {
        {{},
         {"/dev/ttyS0", "/dev/ttyS2", "/dev/ttyS10", "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyACM0",
          "/dev/rfcomm0"}},
        {{1, 3},
         {"link", "/dev/ttyS0", "link", "/dev/ttyS2", "/dev/ttyS10", "/dev/ttyUSB0", "/dev/ttyUSB1",
          "/dev/ttyACM0", "/dev/rfcomm0"}},
        {{9},
         {"/dev/ttyS0", "/dev/ttyS2", "/dev/ttyS10", "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyACM0",
          "/dev/rfcomm0", "", "link"}},
    };
    PtyPeer peer;
    SetListedSerialDevices(listed, int(std::size(listed)));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.links.size());
        ForgetComPortNumbers(); // each case as a program's start
        for (int n : c.links)
            folder.link(n, peer.device());
        for (size_t i = 0; i < c.expected.size() + 1; i++) {
            const std::string want = i == c.expected.size()    ? ""
                                     : c.expected[i] == "link" ? peer.device()
                                                               : c.expected[i];
            char device[256] = "";
            EXPECT_EQ(ComPortDevice(int(i) + 1, device, sizeof device), want.empty() ? 0 : 1);
            EXPECT_EQ(device, want) << "COM" << i + 1;
        }
        for (int n : c.links)
            std::remove((folder.path() + "/com" + std::to_string(n)).c_str());
    }
    SetListedSerialDevices(nullptr, 0);
    char device[256] = "";
    EXPECT_EQ(ComPortDevice(1, device, sizeof device), 1);
    EXPECT_STREQ(device, "/dev/ttyS0") << "a number stays with its device, gone or not";
    ForgetComPortNumbers();
    EXPECT_EQ(ComPortDevice(1, nullptr, 0), 0) << "an empty list numbers nothing";
    SetListedSerialDevices(nullptr, -1);
}

TEST_F(Opening, LinksCountOnlyInAPrivateFolder) {
    PtyPeer peer;
    folder.link(2, peer.device());
    char device[256];
    char path[512];
    EXPECT_EQ(ComPortFolder(path, sizeof path), 1);
    EXPECT_EQ(std::string(path), folder.path());
    ASSERT_EQ(ComPortDevice(2, device, sizeof device), 1);
    EXPECT_EQ(std::string(device), peer.device());

    ComPortEntry entries[64];
    const int n = ComPortList(entries, 64);
    bool listed = false;
    for (int i = 0; i < n; i++)
        listed |= entries[i].number == 2 && peer.device() == entries[i].device;
    EXPECT_TRUE(listed);

    for (unsigned mode : {0770u, 0702u, 0777u}) {
        folder.setMode(mode);
        EXPECT_EQ(ComPortFolder(path, sizeof path), 0) << std::oct << mode;
        if (ComPortDevice(2, device, sizeof device)) {
            EXPECT_NE(std::string(device), peer.device());
        }
    }
    folder.setMode(0700);
    EXPECT_EQ(ComPortDevice(2, device, sizeof device), 1);
}

} // namespace
