// Serial ports addressed by number (COM1 = 1).
//
// How it works
// - Port n is a device found by ComPortDevice: a link named "comN" in the
//   per-user port folder (see ComPortFolder) wins; otherwise the serial ports
//   the system lists, ttyS first, then ttyUSB, ttyACM and the rest, numbered
//   from 1 upward over the numbers that links do not hold. A number once
//   given stays with its device while the program runs, whether the device
//   is there or not (a link that went with its device included): it never
//   comes to name another device. On Windows COMn is simply COMn.
// - Received bytes collect in an input queue. GetInQLen and ComRd also take
//   bytes that arrived while no events were pumped.
// - The receive callback (InstallComCallback with bit 0x8000 in the mask) runs
//   on the user-interface thread, while events are pumped, each time new bytes
//   have arrived and at least the notify count of bytes wait. It is never
//   called from inside another operation of this file.
// - A port asks its driver for low latency when it opens (on Linux
//   ASYNC_LOW_LATENCY: a USB adapter then hands bytes on every 1 ms instead
//   of every 16 ms). A driver that refuses is used as it is.
// - When the other end vanishes (pseudo-terminal closed, adapter pulled) the
//   device is closed at once, so a dead line never spins; the port number
//   stays "open": reads then give 0 bytes and writes a count of 0, until
//   CloseCom.
// - The port list follows plugging: ComPortList gives the numbered ports,
//   each present or gone, and InstallComPortWatch tells the program when
//   that list changes. A port whose device has gone keeps its number, so the
//   adapter gets the same number back, and is listed as gone meanwhile.
// - Nothing here throws; errors are negative results.
#pragma once

#include "platform/comtypes.h"

// Opens and configures port n. deviceName "" or null: resolve by number.
// Parity 0..4 (none, odd, even, mark, space), data bits 5..8, stop bits 1 or
// 2. Returns 0 when open, else one of the negative codes above. A port that
// is already open is closed and opened again.
int OpenComConfig(int port, const char *deviceName, long baudRate, int parity, int dataBits,
                  int stopBits, int inputQueueSize, int outputQueueSize);

// Closes the port and removes its callback. Harmless on a port not open.
int CloseCom(int port);

// Sets the time limit of ComRd and ComWrt in seconds. 0 or -3.
int SetComTime(int port, double timeoutSeconds);

// 0: no hardware handshake; otherwise RTS/CTS. 0 or -3.
int SetCTSMode(int port, int mode);

// Installs the callback (mask with 0x8000 and notifyCount > 0), or removes it
// (mask 0 or no callback). eventChar is accepted and not used. 0 or -3.
int InstallComCallback(int port, int eventMask, int notifyCount, int eventChar,
                       ComCallbackPtr callback, void *callbackData);

// Queues count bytes for sending and starts sending them. Returns the count
// queued (0 on a dead line), or -3.
int ComWrt(int port, const char *buffer, int count);

// Reads up to count bytes, waiting up to the SetComTime limit for all of them.
// Returns the number read (fewer on time-out, 0 on a dead line), or -3.
int ComRd(int port, char *buffer, int count);

// Number of bytes waiting in the input queue, or -3.
int GetInQLen(int port);

// Waits until count bytes wait in the input queue or limit seconds have
// passed, blocking on the device: it wakes the moment bytes arrive and never
// sleeps to look again. Runs no callback and pumps no events, so nothing can
// take the bytes meanwhile. Returns the bytes waiting (fewer on time-out, 0
// on a dead line), or -3.
int WaitInQ(int port, int count, double limit);

// The same, but runs the pending window and serial callbacks meanwhile: it
// sleeps in the event loop's own wait, which wakes on the port's bytes and on
// window events alike. A callback may take the bytes or close the port.
// Returns the bytes waiting, or -3 once the port is not open.
int PumpUntilInQ(int port, int count, double limit);

// Discard what waits to be read, or to be sent. 0 or -3.
int FlushInQ(int port);
int FlushOutQ(int port);

// The device that port n resolves to, copied into device (size bytes).
// Returns 1 when found, 0 when the number names no device.
int ComPortDevice(int port, char *device, int size);

// The process of another program that holds port n's device through its lock
// file: returns its number and copies the program's name into program (size
// bytes); 0 and "" when no such process is known.
int ComPortHolder(int port, char *program, int size);

// From now on port n is device (a program given a device path rather than a
// number), whatever the port folder and the system list say; while device
// does not exist, n names no device. Null or "" goes back to the usual order.
void AssignComDevice(int port, const char *device);

// Lists the numbered ports for a port selector, those whose device has gone
// included: up to max entries, ordered by number. Returns how many were
// stored.
struct ComPortEntry {
    int number;
    int present; // 1 when the device is there now, 0 when it has gone
    char device[256];
    // What names the adapter for good, whatever device name it gets:
    // "by-id:" and its name under /dev/serial/by-id, else "serial:" and its
    // serial number; "" for a device with neither.
    char identity[256];
};
int ComPortList(ComPortEntry *entries, int max);

// Forgets the numbers given so far, as at the program's start.
void ForgetComPortNumbers(void);

// After an OpenComConfig of port n that gave kComCannotOpen: why, one of
// kComCause*. kComCauseOther after any other result.
int ComOpenCause(int port);

// Calls onChange on the user-interface thread, while events are pumped, each
// time the ports ComPortList gives have changed (an adapter plugged in or
// pulled, a link made or removed). The list is read about once a second.
// One watch at a time; null ends it.
void InstallComPortWatch(void (*onChange)(void));

// The per-user port folder: $XDG_RUNTIME_DIR/vortelix-ports, else
// /tmp/vortelix-ports-<uid>. Copied into folder; returns 1 when it exists,
// belongs to the user and nobody else may write to it (only then do its links
// count), else 0.
int ComPortFolder(char *folder, int size);

// The folder of stable adapter names that ComPortList's identities come
// from (links named after each adapter, pointing at its device): null for
// /dev/serial/by-id. The program leaves it null; tests point it elsewhere.
extern const char *serialByIdFolder;

// The devices taken as the system's serial ports, in any order, in place of
// the system's list while listedSerialDeviceCount is 0 or more. The program
// leaves the count at -1; tests give a list of their own.
extern const char *const *listedSerialDevices;
extern int listedSerialDeviceCount;
