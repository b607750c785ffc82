// Telling the service manager how the monitor is: ready, alive, a status line.
// Without a service manager (no NOTIFY_SOCKET) every call does nothing.
#pragma once

// READY=1: the configuration is valid and the monitor runs.
void NotifyReady(void);

// WATCHDOG=1: the main loop still turns.
void NotifyWatchdog(void);

// STATUS=text: one line for "systemctl status".
void NotifyStatus(const char *text);

// Seconds between watchdog messages: half the manager's limit, or 1 when the
// manager asked for none.
double WatchdogEvery(void);
