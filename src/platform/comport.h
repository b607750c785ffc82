// One open serial port: the device, its input queue and its receive callback.
#pragma once

#include "platform/comtypes.h"

#include <QObject>
#include <QSerialPort>

class ComPort : public QObject {
    Q_OBJECT
  public:
    ComPort(int number, QObject *parent = nullptr);
    ~ComPort() override;

    // Opens and configures the device; returns 0 or a negative code of rs232.h.
    // After kComCannotOpen, openCause() says why (kComCause*).
    int open(const QString &device, qint32 baud, int parity, int dataBits, int stopBits,
             int inputQueueSize);
    int openCause() const { return openCause_; }
    void close();

    void setTimeout(double seconds) { timeoutMs_ = seconds > 0 ? int(seconds * 1000) : 0; }
    void setHandshake(bool on);
    void setCallback(int mask, int notifyCount, ComCallbackPtr callback, void *data);

    int write(const char *buffer, int count);
    int read(char *buffer, int count);
    int queueLength();
    // Blocks on the device until count bytes wait or limitMs passes.
    int waitQueued(int count, int limitMs);
    void flushInput();
    void flushOutput();

  private:
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    // True when the device reports a hang-up or an error of its own (or cannot
    // be asked): the other end is gone.
    bool hungUp();
    // Asks the driver to hand on received bytes at once; quietly nothing
    // where it cannot (pseudo-terminals, drivers without the flag).
    void requestLowLatency();
    void pullPending();
    void dispatch();
    void scheduleDispatch();

    // Read errors in a row on a line that reports no hang-up, after which
    // it counts as gone all the same.
    static constexpr int MAX_EMPTY_READS = 50;

    int number_;                        // port number handed to the callback
    QString device_;                    // the device path it was opened with; open
    int openCause_ = kComCauseOther;    // why the last open failed; open
    int emptyReads_ = 0;                // read errors since bytes last came; onError, onReadyRead
    QSerialPort serial_;                // the device; closed once the line is dead
    bool dead_ = false;                 // the other end vanished: reads 0, writes 0
    int timeoutMs_ = 2000;              // limit of read and write, ms
    int mask_ = 0;                      // event mask of the callback
    int notifyCount_ = 0;               // bytes that must wait before the callback runs
    ComCallbackPtr callback_ = nullptr; // receive callback, or none
    void *callbackData_ = nullptr;      // handed back to the callback
    int syncDepth_ = 0;                 // > 0 while an operation pulls bytes itself
    bool dispatching_ = false;          // the callback is running
    bool dispatchQueued_ = false;       // a deferred dispatch is pending
};

// Why device cannot be opened, as far as can be told from outside: one of
// kComCause* of rs232.h. In portfolder.cpp.
int ComOpenBlocker(const QString &device);
