// Ports that come and go: the port selector follows plugging, the status line
// says when the port in use has gone, the same adapter coming back is marked
// in the selector, and trouble opening a port is explained once per session.
// Nothing is ever sent to a port the user has not chosen.
#pragma once

#include "platform/rs232.h"

// Starts following the ports (once the main window shows): the port set up at
// start becomes the port in use, trouble opening it is explained, and the
// platform's port watch runs FollowPorts whenever the list changes.
void WatchPorts(void);

// Reads the port list again: when the port in use is no longer there, it is
// closed, a running loop is stopped and the status line says "Port is not
// open"; then the selector is filled afresh (FillPortSelector). Runs when the
// list changes and each time the selector's list opens.
void FollowPorts(void);

// A port set-up ran on port because the user chose it (or at start): it is
// the port in use, no adapter that went away is awaited any more, and if it
// could not be opened for want of permission or because another program
// holds it, a message says so and what to do, once per session for each.
void PortSetUpDone(int port);

// 1 when the entry is the adapter that was in use when it went away, back
// again (same stable name or serial number), whatever its device or number.
int IsReturnedPort(const ComPortEntry *entry);

// Back to the state at load: no port in use, nothing explained yet.
void ResetPortWatch(void);

// Fills the port selector DropDCom with the ports present now ("COM1
// /dev/ttyS0"; the adapter that went away while in use, back again, is
// marked "(reconnected)") and selects the port com.
void FillPortSelector(void);

// Callback of DropDCom: its list about to open (event 3) fills it afresh;
// another port chosen (events 1 and 2) sets that port up.
int CC_DropDCom(int panel, int control, int event, void *callbackData, int eventData1,
                int eventData2);
