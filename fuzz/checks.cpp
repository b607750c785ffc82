// The checks behind the fuzz targets and the replay tests.
#include "checks.h"

#include "com232/com232.h"
#include "main/startup.h"
#include "testresets.h"
#include "com232/datablocks.h"
#include "com232/identify.h"
#include "gui/linkview.h"
#include "window/controls.h"
#include "settings/riror14.h"
#include "paramsets/namedset.h"
#include "paramsets/paramtable.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/widgets/userint.h"
#include "ptypeer.h"
#include "scratch.h"
#include "waits.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

u16 WordAt(int offset) {
    return static_cast<u16>(static_cast<unsigned char>(szReadBuf[offset]) << 8 |
                            static_cast<unsigned char>(szReadBuf[offset + 1]));
}

// The text a status line must show for bytes taken with the given stride
// starting at from: up to the first zero, at most 71 characters.
std::string ExpectedText(int from, int stride, int count) {
    std::string text;
    for (int k = 0; k < count && text.size() < 71; k++) {
        const char c = szReadBuf[from + stride * k];
        if (c == '\0') break;
        text += c;
    }
    return text;
}

std::string Terminated(const char *buf, std::size_t size, const char *name) {
    if (std::memchr(buf, '\0', size) == nullptr) return std::string(name) + " is not terminated";
    return "";
}

// The port the line bytes come in on: a pseudo-terminal, opened once with
// the receive callback as the program installs it.
constexpr int kRxPort = 48;
constexpr unsigned char kIdleByte = 0xFF; // cannot complete a 00 AA
constexpr char kUnread = 0x5A;            // szReadBuf past the frame, to see it untouched

PtyPeer *OpenRxLine() {
    static PortFolder *folder = nullptr;
    static PtyPeer *peer = nullptr;
    if (!peer) {
        if (!StartUserInterface()) return nullptr;
        folder = new PortFolder;
        peer = new PtyPeer;
        if (!peer->ok()) return nullptr;
        folder->link(kRxPort, peer->device());
        if (OpenComConfig(kRxPort, "", 19200, 0, 8, 1, 4096, 4096) != 0) return nullptr;
        SetComTime(kRxPort, 2.0);
        std::atexit([] {
            CloseCom(kRxPort);
            delete peer;
            delete folder;
        });
    }
    com = kRxPort;
    InstallComCallback(kRxPort, eventMask, FRAMELEN, SyncWord(), RX_Receive_Function, nullptr);
    return peer;
}

// The bytes come in on the port, followed by an idle line's bytes, so that
// every frame the receive callback looks for behind stray bytes is whole at
// once (the tail that never comes is a case of the link tests). For any
// input: the port stays open and nothing stays queued; a frame taken lies in
// the bytes sent, at the front or behind stray bytes with a reply sync word,
// ends within the two frames' length the callback may read, and its words
// are in pp; a frame dropped leaves pp and the flag alone; szReadBuf past the
// frame is not written.
std::string CheckRxCallback(const std::uint8_t *data, std::size_t size) {
    PtyPeer *peer = OpenRxLine();
    if (!peer) return "the line cannot be opened";
    std::vector<unsigned char> line(data, data + std::min<std::size_t>(size, 4 * FRAMELEN));
    line.insert(line.end(), FRAMELEN, kIdleByte);
    std::memset(szReadBuf, kUnread, sizeof szReadBuf);
    for (u16 &word : pp)
        word = 0xBEEF;
    rx_flag = 0;
    order = 2;
    peer->write(line);
    const int n = static_cast<int>(line.size());
    if (WaitInQ(kRxPort, n, kHangCeiling) < n) return "the bytes did not arrive";
    if (!PumpUntil([] { return rx_flag == 1 || GetInQLen(kRxPort) < FRAMELEN; }))
        return "the callback took nothing from a full frame's bytes";
    if (GetInQLen(kRxPort) < 0) return "the port closed";
    for (std::size_t i = FRAMELEN; i < sizeof szReadBuf; i++)
        if (szReadBuf[i] != kUnread)
            return "szReadBuf written past the frame at " + std::to_string(i);
    if (!rx_flag) {
        for (u16 word : pp)
            if (word != 0xBEEF) return "a dropped frame changed pp";
        return "";
    }
    if (GetInQLen(kRxPort) != 0) return "bytes left queued behind the frame taken";
    int at = -1;
    for (int k = 0; k < FRAMELEN && at < 0; k++)
        if (std::memcmp(line.data() + k, szReadBuf, FRAMELEN) == 0) at = k;
    if (at < 0) return "the frame taken is not in the bytes sent";
    if (at > 0 && WordAt(0) != REPLY_SYNC) return "a frame behind stray bytes without a sync word";
    for (int i = 0; i < PNUM; i++)
        if (pp[i] != WordAt(4 + 2 * i)) return "pp[" + std::to_string(i) + "] is not its word";
    return "";
}

} // namespace

std::string CheckRxBytes(const std::uint8_t *data, std::size_t size) {
    std::string why = CheckRxCallback(data, size);
    if (!why.empty()) return "through the callback: " + why;
    std::memset(szReadBuf, 0, sizeof szReadBuf);
    const std::size_t n = size < sizeof szReadBuf ? size : sizeof szReadBuf;
    if (n) std::memcpy(szReadBuf, data, n);

    // A reply frame: the sixteen words after sync and code into pp and the
    // settings.
    GetRxBuf(PNUM);
    CopyPPtoVars();
    for (int i = 0; i < PNUM; i++)
        if (pp[i] != WordAt(4 + 2 * i)) return "pp[" + std::to_string(i) + "] is not its word";
    if (power != pp[0] || powMode != pp[15]) return "settings differ from pp";

    // The firmware block, as the two board kinds show it.
    for (const int board : {0, 400}) {
        pcbtype = static_cast<u16>(board);
        std::memset(szStatus, 'x', sizeof szStatus);
        std::memset(szVersion, 'x', sizeof szVersion);
        szVersion[sizeof szVersion - 1] = '\0';
        FirmwareToStatus();
        std::string why = Terminated(szStatus, sizeof szStatus, "szStatus");
        if (why.empty() && board == 0) why = Terminated(szVersion, sizeof szVersion, "szVersion");
        if (!why.empty()) return why;
        const std::string expected = board == 0 ? ExpectedText(1, 2, 36) : ExpectedText(0, 1, 72);
        if (expected != szStatus)
            return "firmware text of board " + std::to_string(board) + " is \"" + szStatus +
                   "\", not \"" + expected + "\"";
    }

    // Video blocks: the four 64-word blocks, the 256-word block, and one at a
    // start taken from the bytes (any value, also outside the frame).
    const int firstFromBytes = static_cast<short>(WordAt(0));
    const struct {
        int first, words;
    } blocks[] = {{0, BLOCK64},
                  {64, BLOCK64},
                  {128, BLOCK64},
                  {192, BLOCK64},
                  {0, BLOCK256},
                  {firstFromBytes, BLOCK64},
                  {firstFromBytes, BLOCK256}};
    for (const auto &b : blocks) {
        for (int i = 0; i < VIDEOSAMPLES; i++)
            adcbuf[i] = 0xA5A5;
        CopyBlockToAdc(b.first, b.words);
        for (int i = 0; i < VIDEOSAMPLES; i++) {
            const int k = i - b.first;
            const u16 want = k >= 0 && k < b.words ? WordAt(2 * k) : u16(0xA5A5);
            if (adcbuf[i] != want)
                return "block at " + std::to_string(b.first) + ": adcbuf[" + std::to_string(i) +
                       "] wrong";
        }
    }
    return "";
}

std::string CheckNamedSet(const std::uint8_t *data, std::size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    u16 words[PNUM];
    for (u16 &w : words)
        w = 0xBEEF;
    std::string why;
    if (!NamedSetFromJson(text, words, &why)) {
        if (why.empty()) return "refused without a reason";
        for (u16 w : words)
            if (w != 0xBEEF) return "a refused set changed the words";
        return "";
    }
    for (int i = 0; i < PNUM; i++)
        if (!ParamInRange(i, words[i]))
            return std::string("\"") + ParamName(i) + "\" taken out of its range";
    u16 again[PNUM] = {};
    if (!NamedSetFromJson(NamedSetToJson(words, SetIdentity{}), again, &why))
        return "the set written for the words taken is refused: " + why;
    if (!std::equal(words, words + PNUM, again)) return "the words changed on the way back";
    return "";
}

// Both panels of the real resource file, loaded once as the program loads
// them.
bool LoadProgramPanels() {
    static int loaded = -1;
    if (loaded < 0) {
        loaded = 0;
        if (!StartUserInterface()) return false;
        pHandle = LoadPanel(0, VTLX_RESOURCE_FILE, PANEL);
        pPopup = LoadPanel(0, VTLX_RESOURCE_FILE, POPUP);
        loaded = pHandle > 0 && pPopup > 0 ? 1 : 0;
    }
    return loaded == 1;
}

std::string CheckIdentity(const std::uint8_t *data, std::size_t size) {
    if (!LoadProgramPanels()) return "the program's panels cannot be loaded";
    // Every input starts from the variables as at load.
    const int panel = pHandle, popup = pPopup;
    ResetVarsToLoad();
    InstallDesktopLinkSink(); // the window adapts too, as in the program
    pHandle = panel;
    pPopup = popup;
    std::memset(szReadBuf, 0, sizeof szReadBuf);
    const std::size_t n = size < sizeof szReadBuf ? size : sizeof szReadBuf;
    if (n) std::memcpy(szReadBuf, data, n);

    YAXISMAX = 1024;
    GetRxBuf(PNUM);
    const int taken = ApplyHardwareInfo();
    ProcessSystemEvents();
    if (taken != (WordAt(2) == 10 ? 1 : 0))
        return "reply taken with code " + std::to_string(WordAt(2));
    if (!taken) return "";
    switch (ccdmaxpixel) {
    case 256:
    case 512:
    case 768:
    case 1024:
    case 1280:
    case 1536:
    case 2048: break;
    default: return "ccdmaxpixel " + std::to_string(ccdmaxpixel) + " kept";
    }
    if (YAXISMAX != 256 && YAXISMAX != 1024) return "YAXISMAX " + std::to_string(YAXISMAX);
    for (int i = 1; i < 256; i++)
        if (!(xArray[i] > xArray[i - 1]) || !(xArray8[i] > xArray8[i - 1]))
            return "x values not increasing at " + std::to_string(i);
    if (pcbtype != 100 && pixE != pixELimit) return "pixE is not the limit";
    return "";
}

std::string CheckParaFile(const std::uint8_t *data, std::size_t size) {
    static const std::string path = ScratchFile(".dat");
    if (!WriteFile(path, data, size)) return "cannot write " + path;

    // As the program reads it: sixteen unsigned numbers as text.
    std::uint32_t words[PNUM];
    for (int i = 0; i < PNUM; i++)
        words[i] = 0xDEAD0000u + unsigned(i);
    const int rc = FileToArray(path.c_str(), words, VAL_UNSIGNED_INTEGER, PNUM, 1,
                               VAL_GROUPS_TOGETHER, VAL_GROUPS_AS_COLUMNS, VAL_ASCII);

    // What the file holds, read here on its own: the first sixteen
    // blank-separated tokens must each be a decimal number of 32 bits.
    const char *p = reinterpret_cast<const char *>(data);
    const char *end = p + size;
    auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    bool valid = true;
    std::uint32_t expected[PNUM] = {};
    for (int i = 0; i < PNUM && valid; i++) {
        while (p < end && blank(*p))
            ++p;
        const char *t = p;
        while (p < end && !blank(*p))
            ++p;
        if (t < p && *t == '+') ++t;
        // A minus sign is taken before a zero only: "-0" is 0.
        const bool minus = t < p && *t == '-';
        if (minus) ++t;
        unsigned long long v = 0;
        const auto r = std::from_chars(t, p, v);
        valid =
            t < p && r.ec == std::errc() && r.ptr == p && v <= 0xFFFFFFFFull && !(minus && v != 0);
        expected[i] = static_cast<std::uint32_t>(v);
    }
    if (valid != (rc == 0))
        return "FileToArray returned " + std::to_string(rc) + " for a file that is " +
               (valid ? "valid" : "not valid");
    for (int i = 0; i < PNUM; i++) {
        const std::uint32_t want = valid ? expected[i] : 0xDEAD0000u + unsigned(i);
        if (words[i] != want)
            return "value " + std::to_string(i) + " is " + std::to_string(words[i]) + ", not " +
                   std::to_string(want);
    }
    if (rc == 0) {
        // Each word is cut to its low 16 bits into pp and the settings.
        for (int i = 0; i < PNUM; i++)
            pp[i] = static_cast<u16>(words[i] & 0xFFFF);
        CopyPPtoVars();
        if (eBeg != (expected[6] & 0xFFFF) || average != (expected[14] & 0xFFFF))
            return "settings are not the file's words";
    }

    // The same bytes read as a binary array.
    std::uint16_t raw[PNUM] = {};
    const int rcBin = FileToArray(path.c_str(), raw, VAL_UNSIGNED_SHORT_INTEGER, PNUM, 1,
                                  VAL_GROUPS_TOGETHER, VAL_GROUPS_AS_COLUMNS, VAL_BINARY);
    if ((rcBin == 0) != (size >= sizeof raw)) return "binary read of " + std::to_string(size);
    if (rcBin == 0 && std::memcmp(raw, data, sizeof raw) != 0) return "binary values differ";
    return "";
}

bool StartUserInterface() {
    static int started = -1;
    if (started < 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        started = InitUserInterface(nullptr) && InitCVIRTE(nullptr, nullptr, nullptr) ? 1 : 0;
    }
    return started == 1;
}

std::string CheckPanelFile(const std::uint8_t *data, std::size_t size) {
    static const std::string path = ScratchFile(".uir");
    if (!WriteFile(path, data, size)) return "cannot write " + path;
    for (const int number : {PANEL, POPUP}) {
        const int handle = LoadPanel(0, path.c_str(), number);
        if (handle >= 0) {
            // A loaded panel must take values and close like any other.
            SetCtrlVal(handle, number == PANEL ? int(PANEL_TEXTStatus) : int(POPUP_NUMSlope), "0");
            // So must a text message the program adds to it: it gets a number of
            // its own above the file's.
            const int added = NewCtrl(handle, CTRL_TEXT_MSG, "added", 0, 0);
            if (added < 1 || SetCtrlVal(handle, added, "text") != 0)
                return "a text message added to panel " + std::to_string(number) + " got number " +
                       std::to_string(added);
            DisplayPanel(handle);
            ProcessSystemEvents();
            if (DiscardPanel(handle) != 0) return "a loaded panel cannot be discarded";
        } else if (handle == 0) {
            return "LoadPanel failed with 0";
        }
    }
    ProcessSystemEvents();
    return "";
}

const FuzzTarget FUZZ_TARGETS[] = {
    {"rxframe", CheckRxBytes, false},
    {"identity", CheckIdentity, true},
    {"parafile", CheckParaFile, false},
    {"panelfile", CheckPanelFile, true},
    {"namedset", CheckNamedSet, false},
    {"recordfile", CheckRecording, false},
    {"monitorconfig", CheckMonitorConfig, false},
    {"command", CheckCommand, false},
};
const int FUZZ_TARGET_COUNT = sizeof FUZZ_TARGETS / sizeof FUZZ_TARGETS[0];
