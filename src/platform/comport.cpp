// One open serial port on Qt Serial Port.
//
// Two traps of Qt Serial Port are handled here, both seen on this machine:
// - waitForReadyRead(0) on an empty line raises TimeoutError; that is no
//   fault and is cleared.
// - Once the other end has gone (pseudo-terminal closed, adapter pulled),
//   ReadError repeats at full speed and takes a whole core until the device
//   is closed. So the device is closed at the first such error and the port
//   goes on as a dead line: reads give 0 bytes, writes a count of 0.
// - ReadError also comes on a live line: the event loop sees the device
//   readable, a deferred callback run takes the bytes first, and the read
//   that the notification then makes finds nothing. Before a ReadError
//   closes the device, the device is asked whether it has hung up.
#include "platform/comport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

// Why the last open of each device failed, as said on standard error.
static QHash<QString, QString> openFailuresSaid;

// The name the port's lines in the journal begin with: the program's own.
static QByteArray ProgramName() {
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName().toLocal8Bit();
}

ComPort::ComPort(int number, QObject *parent) : QObject(parent), number_(number) {
    connect(&serial_, &QSerialPort::readyRead, this, &ComPort::onReadyRead);
    connect(&serial_, &QSerialPort::errorOccurred, this, &ComPort::onError);
}

ComPort::~ComPort() {
    serial_.close();
}

int ComPort::open(const QString &device, qint32 baud, int parity, int dataBits, int stopBits,
                  int inputQueueSize) {
    static const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                   QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                   QSerialPort::SpaceParity};
    serial_.setPortName(device);
    device_ = device;
    openCause_ = kComCauseOther;
    if (!serial_.open(QIODevice::ReadWrite)) {
        // Qt's own text is no help for the two common causes (a held lock
        // reads "No error"), so those are found out and named.
        openCause_ = ComOpenBlocker(device);
        const QString why =
            openCause_ == kComCauseInUse ? QStringLiteral("the port is in use by another program")
            : openCause_ == kComCauseDenied ? QStringLiteral("no permission to read and write it")
                                            : serial_.errorString();
        // A program that tries again and again (a service waiting for its
        // port) says each reason once, not once a try.
        QString &said = openFailuresSaid[device];
        if (said != why) {
            std::fprintf(stderr, "%s: serial: cannot open %s: %s\n", ProgramName().constData(),
                         qPrintable(device), qPrintable(why));
            said = why;
        }
        return kComCannotOpen;
    }
    openFailuresSaid.remove(device);
    const bool configured =
        serial_.setBaudRate(baud) && serial_.setParity(parities[parity]) &&
        serial_.setDataBits(QSerialPort::DataBits(dataBits)) &&
        serial_.setStopBits(stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) &&
        serial_.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        std::fprintf(stderr, "%s: serial: cannot configure %s: %s\n", ProgramName().constData(),
                     qPrintable(device), qPrintable(serial_.errorString()));
        serial_.close();
        return kComIOError;
    }
    // A bounded queue, as on the hardware: when it is full Qt stops reading
    // and the line's own buffer takes the rest.
    serial_.setReadBufferSize(std::max(inputQueueSize, 4096));
    serial_.clear();
    requestLowLatency();
    dead_ = false;
    return 0;
}

void ComPort::close() {
    callback_ = nullptr;
    mask_ = 0;
    serial_.close();
}

void ComPort::setHandshake(bool on) {
    if (serial_.isOpen())
        serial_.setFlowControl(on ? QSerialPort::HardwareControl : QSerialPort::NoFlowControl);
}

void ComPort::setCallback(int mask, int notifyCount, ComCallbackPtr callback, void *data) {
    const bool install = callback && (mask & LWRS_RECEIVE) && notifyCount > 0;
    mask_ = install ? mask : 0;
    notifyCount_ = install ? notifyCount : 0;
    callback_ = install ? callback : nullptr;
    callbackData_ = install ? data : nullptr;
    if (install) scheduleDispatch(); // bytes may already wait
}

int ComPort::write(const char *buffer, int count) {
    if (dead_ || !serial_.isOpen() || count <= 0) return 0;
    const qint64 queued = serial_.write(buffer, count);
    // Start sending now: a caller that polls without pumping events (the
    // firmware wait) still gets its request onto the line.
    serial_.flush();
    return queued < 0 ? 0 : int(queued);
}

void ComPort::requestLowLatency() {
#ifdef Q_OS_LINUX
    serial_struct settings{};
    const int fd = int(serial_.handle());
    if (fd < 0 || ioctl(fd, TIOCGSERIAL, &settings) != 0) return;
    if (settings.flags & ASYNC_LOW_LATENCY) return;
    settings.flags |= ASYNC_LOW_LATENCY;
    ioctl(fd, TIOCSSERIAL, &settings);
#endif
}

// Qt's waitForReadyRead blocks in poll() on the device and returns as soon as
// it has read what arrived, so each pass wakes on bytes, not on a clock.
int ComPort::waitQueued(int count, int limitMs) {
    ++syncDepth_;
    QElapsedTimer clock;
    clock.start();
    while (!dead_ && serial_.isOpen() && serial_.bytesAvailable() < count) {
        const qint64 left = limitMs - clock.elapsed();
        if (left <= 0) break;
        // An error other than the time-out has gone through onError, which
        // marks a line that hung up as dead and ends the loop.
        if (!serial_.waitForReadyRead(int(left)) && serial_.error() == QSerialPort::TimeoutError)
            serial_.clearError();
    }
    --syncDepth_;
    return serial_.isOpen() ? int(serial_.bytesAvailable()) : 0;
}

int ComPort::read(char *buffer, int count) {
    if (count <= 0) return 0;
    waitQueued(count, timeoutMs_);
    ++syncDepth_;
    const qint64 got = serial_.isOpen() ? serial_.read(buffer, count) : 0;
    --syncDepth_;
    if (serial_.isOpen() && serial_.bytesAvailable() > 0) scheduleDispatch();
    return got < 0 ? 0 : int(got);
}

int ComPort::queueLength() {
    pullPending();
    return serial_.isOpen() ? int(serial_.bytesAvailable()) : 0;
}

void ComPort::flushInput() {
    pullPending();
    if (!serial_.isOpen()) return;
    serial_.clear(QSerialPort::Input);
    serial_.readAll(); // what Qt had already taken into its own buffer
}

void ComPort::flushOutput() {
    if (serial_.isOpen()) serial_.clear(QSerialPort::Output);
}

// Takes into the queue what the line holds, without running any callback.
void ComPort::pullPending() {
    if (dead_ || !serial_.isOpen()) return;
    ++syncDepth_;
    if (!serial_.waitForReadyRead(0) && serial_.error() == QSerialPort::TimeoutError)
        serial_.clearError();
    --syncDepth_;
    if (serial_.isOpen() && callback_ && serial_.bytesAvailable() >= notifyCount_)
        scheduleDispatch();
}

void ComPort::onReadyRead() {
    emptyReads_ = 0;
    if (syncDepth_ > 0) return; // an operation is reading; dispatch comes after it
    dispatch();
}

void ComPort::onError(QSerialPort::SerialPortError error) {
    switch (error) {
    case QSerialPort::NoError: return;
    case QSerialPort::TimeoutError: serial_.clearError(); return;
    case QSerialPort::ReadError:
        // A device that does not report its hang-up would repeat the error
        // with nothing read in between: after a few, the line counts as gone.
        if (!hungUp() && ++emptyReads_ < MAX_EMPTY_READS) {
            serial_.clearError();
            return;
        }
        [[fallthrough]];
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
        if (!dead_) {
            std::fprintf(stderr, "%s: serial: COM%d (%s) lost (%s); closed\n",
                         ProgramName().constData(), number_, qPrintable(device_),
                         qPrintable(serial_.errorString()));
            dead_ = true;
            // Closing from inside Qt's own notifier is safe only once it returns.
            QTimer::singleShot(0, this, [this] { serial_.close(); });
        }
        return;
    default: serial_.clearError(); return;
    }
}

bool ComPort::hungUp() {
#ifdef Q_OS_UNIX
    pollfd device{int(serial_.handle()), POLLIN, 0};
    if (device.fd < 0 || poll(&device, 1, 0) < 0) return true;
    return (device.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    return true;
#endif
}

// Runs the receive callback while a notify count of bytes waits and the
// callback keeps taking bytes. The callback may close the port (and so
// schedule this object's deletion), so every pass checks again.
void ComPort::dispatch() {
    if (dispatching_) return;
    dispatching_ = true;
    QPointer<ComPort> self(this);
    while (self && callback_ && !dead_ && serial_.isOpen()) {
        const qint64 before = serial_.bytesAvailable();
        if (before < notifyCount_) break;
        callback_(number_, LWRS_RECEIVE, callbackData_);
        if (!self || !serial_.isOpen() || serial_.bytesAvailable() >= before) break;
    }
    if (self) dispatching_ = false;
}

void ComPort::scheduleDispatch() {
    if (dispatchQueued_) return;
    dispatchQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        dispatchQueued_ = false;
        dispatch();
    });
}
