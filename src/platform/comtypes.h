// The result codes and the callback type of the serial-port services,
// shared by rs232.h and the port class behind it.
#pragma once

// Negative results of OpenComConfig (and of the other operations on a port
// number that is not open: -3).
enum {
    kComUnknownSystemError = -1,
    kComInvalidPort = -2,  // the number names no device
    kComPortNotOpen = -3,  // operation on a port number that is not open
    kComIOError = -4,      // the device failed while being configured
    kComNoSerialPort = -6, // the system has no serial port at all
    kComCannotOpen = -7,   // the device exists but cannot be opened
    kComInvalidParameter = -13,
    kComTimeout = -99, // an operation ran out of time
};

// Why OpenComConfig gave kComCannotOpen (ComOpenCause).
enum {
    kComCauseOther = 0,  // some other reason (stderr says which)
    kComCauseDenied = 1, // the user may not read and write the device
    kComCauseInUse = 2,  // another program holds the device
};

// Receive notification bit of the event mask.
enum { LWRS_RECEIVE = 0x8000 };

typedef void (*ComCallbackPtr)(int portNumber, int eventMask, void *callbackData);
