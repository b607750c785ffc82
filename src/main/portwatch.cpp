// Ports that come and go, and help when a port cannot be opened.
#include "main/portwatch.h"

#include "com232/com232.h"
#include "com232/portsetup.h"
#include "window/controls.h"
#include "platform/rs232.h"
#include "platform/widgets/userint.h"
#include "gui/recordpanel.h"

#include <cstdio>
#include <cstring>

static const char MESSAGE_TITLE[] = "Serial port";

// The port in use and the adapter awaited; written by PortSetUpDone and
// FollowPorts.
static int inUsePort = 0;         // number of the port in use, 0 before the first set-up
static int inUseListed = 0;       // the port in use was listed at its set-up
static char inUseIdentity[256];   // its stable name at its set-up, "" if none
static char awaitedIdentity[256]; // the adapter in use when it went away, "" if none
static int inUseAwaited = 0;      // the port in use went away and is not back yet
// Messages shown this session; written by PortSetUpDone.
static int deniedExplained = 0;
static int inUseExplained = 0;

// The entry of port number in the list if its device is there, or null.
static const ComPortEntry *Find(const ComPortEntry *ports, int n, int number) {
    for (int i = 0; i < n; i++)
        if (ports[i].number == number && ports[i].present) return &ports[i];
    return nullptr;
}

// The monitor's program name as its lock files give it; the process name
// under /proc is cut to 15 characters, so the start is compared.
static constexpr char MONITOR_PROGRAM[] = "vortelix-monito";

static void Explain(int port, int cause) {
    char device[256] = "";
    if (!ComPortDevice(port, device, int(sizeof device))) device[0] = '\0';
    char text[1024];
    if (cause == kComCauseDenied && !deniedExplained) {
        deniedExplained = 1;
        std::snprintf(text, sizeof text,
                      "COM%d (%s) cannot be opened: you have no permission to use it.\n\n"
                      "Serial ports belong to the group dialout. Add yourself to it with\n\n"
                      "    sudo usermod -aG dialout \"$USER\"\n\n"
                      "then log out and log in again: the new group counts only from a new "
                      "login.",
                      port, device);
        MessagePopup(MESSAGE_TITLE, text);
    } else if (cause == kComCauseInUse && !inUseExplained) {
        inUseExplained = 1;
        char holder[64];
        const int pid = ComPortHolder(port, holder, int(sizeof holder));
        // The headless monitor holds its port for as long as it runs, often
        // as a service: say which one and how it is stopped.
        if (pid > 0 && std::strncmp(holder, MONITOR_PROGRAM, std::strlen(MONITOR_PROGRAM)) == 0)
            std::snprintf(text, sizeof text,
                          "COM%d (%s) cannot be opened: the port is in use by another program, "
                          "the sensor monitor vortelix-monitor (process %d).\n\n"
                          "Stop the monitor (run as a service: sudo systemctl stop "
                          "vortelix-monitor@NAME), or choose another port, then choose the port "
                          "again in the port selector.",
                          port, device, pid);
        else
            std::snprintf(text, sizeof text,
                          "COM%d (%s) cannot be opened: the port is in use by another program.\n\n"
                          "Close that program, or choose another port, then choose the port again "
                          "in the port selector.",
                          port, device);
        MessagePopup(MESSAGE_TITLE, text);
    }
}

void PortSetUpDone(int port) {
    static ComPortEntry ports[64];
    const int n = ComPortList(ports, 64);
    const ComPortEntry *entry = Find(ports, n, port);
    inUsePort = port;
    inUseListed = entry != nullptr;
    inUseAwaited = 0;
    CopyText(inUseIdentity, entry ? entry->identity : "", sizeof inUseIdentity);
    awaitedIdentity[0] = '\0';
    Explain(port, ComOpenCause(port));
}

// Said once when the port in use, gone, is there again: nothing is sent to
// it until the user chooses it, since another device may sit at its path.
static constexpr char BACK_TEXT[] = "COM%d is back: choose it again to use it";

void FollowPorts(void) {
    static ComPortEntry ports[64];
    const int n = ComPortList(ports, 64);
    // While another port is being set up (com already changed) the old one
    // is no longer in use.
    if (inUseListed && inUsePort == com && !Find(ports, n, com)) {
        inUseListed = 0;
        inUseAwaited = 1;
        portGone = 1;
        CopyText(awaitedIdentity, inUseIdentity, sizeof awaitedIdentity);
        stop_flag = 1; // a run or video loop ends instead of writing into nothing
        CloseCom(com);
        SetStatus(OpenErrorText(kComPortNotOpen));
        SetCtrlVal(pHandle, PANEL_TEXTStatus, szStatus);
        std::fprintf(stderr, "serial: COM%d has gone\n", com);
    } else if (inUseAwaited && inUsePort == com && Find(ports, n, com)) {
        inUseAwaited = 0;
        inUseListed = 1; // a second loss is noticed again
        char text[64];
        std::snprintf(text, sizeof text, BACK_TEXT, com);
        SetStatus(text);
        SetCtrlVal(pHandle, PANEL_TEXTStatus, szStatus);
        std::fprintf(stderr, "serial: COM%d is back\n", com);
    }
    FillPortSelector();
}

void WatchPorts(void) {
    PortSetUpDone(com);
    InstallComPortWatch(FollowPorts);
}

int IsReturnedPort(const ComPortEntry *entry) {
    return entry && awaitedIdentity[0] != '\0' &&
           std::strcmp(entry->identity, awaitedIdentity) == 0;
}

void ResetPortWatch(void) {
    InstallComPortWatch(nullptr);
    inUsePort = inUseListed = inUseAwaited = portGone = 0;
    inUseIdentity[0] = awaitedIdentity[0] = '\0';
    deniedExplained = inUseExplained = 0;
}

// The selector is filled afresh each time its list opens (event 3, before it
// shows), so that it follows the adapters plugged in and pulled since.
void FillPortSelector(void) {
    static ComPortEntry ports[64];
    const int n = ComPortList(ports, 64);
    ClearListCtrl(pHandle, PANEL_DropDCom);
    bool listed = false;
    for (int i = 0; i < n; i++) {
        char label[600];
        std::snprintf(label, sizeof label, "COM%d  %s%s", ports[i].number, ports[i].device,
                      !ports[i].present           ? "  (gone)"
                      : IsReturnedPort(&ports[i]) ? "  (reconnected)"
                                                  : "");
        InsertListItem(pHandle, PANEL_DropDCom, -1, label, ports[i].number);
        listed = listed || ports[i].number == com;
    }
    // The port in use stays choosable even when nothing answers to it.
    if (!listed) {
        char label[32];
        std::snprintf(label, sizeof label, "COM%d", com);
        InsertListItem(pHandle, PANEL_DropDCom, 0, label, com);
    }
    SetCtrlVal(pHandle, PANEL_DropDCom, com);
}

int CC_DropDCom(int, int, int event, void *, int, int) {
    if (event == EVENT_LEFT_CLICK) {
        FollowPorts();
        return 0;
    }
    if (event != EVENT_COMMIT && event != EVENT_VAL_CHANGED) return 0;
    stop_flag = 1;
    SaveRecordedRows(); // the recording goes on with the new port
    CloseCom(com);
    portGone = 0;
    GetCtrlVal(pHandle, PANEL_DropDCom, &com);
    SetCtrlVal(pHandle, PANEL_TEXTStatus, "Init COM-Port ...");
    InitRS232(com);
    PortSetUpDone(com);
    return 0;
}
