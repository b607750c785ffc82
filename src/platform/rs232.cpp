// Serial ports by number: the table of open ports and the operations on it.
#include "platform/rs232.h"

#include "platform/comport.h"
#include "platform/runtime.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>

#include <map>

namespace {

std::map<int, QPointer<ComPort>> openPorts; // port number -> open port
std::map<int, int> openCauses;              // port number -> why its last open failed

ComPort *Find(int port) {
    const auto it = openPorts.find(port);
    return it == openPorts.end() ? nullptr : it->second.data();
}

} // namespace

int OpenComConfig(int port, const char *deviceName, long baudRate, int parity, int dataBits,
                  int stopBits, int inputQueueSize, int outputQueueSize) {
    openCauses.erase(port);
    if (baudRate <= 0 || baudRate > 4000000 || parity < 0 || parity > 4 || dataBits < 5 ||
        dataBits > 8 || (stopBits != 1 && stopBits != 2) || inputQueueSize < 0 ||
        outputQueueSize < 0)
        return kComInvalidParameter;
    if (port < 1) return kComInvalidPort;
    CloseCom(port);

    QString device;
    if (deviceName && *deviceName) {
        device = QString::fromLocal8Bit(deviceName);
    } else {
        char path[512];
        if (!ComPortDevice(port, path, int(sizeof path))) {
            ComPortEntry any;
            return ComPortList(&any, 1) == 0 ? kComNoSerialPort : kComInvalidPort;
        }
        device = QString::fromLocal8Bit(path);
    }
    // A link is opened as the device it names, so that locks and messages
    // use the real name; a link to nothing names no device.
    const QFileInfo info(device);
    if (!info.exists()) return kComInvalidPort;
    if (info.isSymLink()) device = info.canonicalFilePath();

    auto *com = new ComPort(port, QCoreApplication::instance());
    const int result =
        com->open(device, qint32(baudRate), parity, dataBits, stopBits, inputQueueSize);
    openCauses[port] = com->openCause();
    if (result < 0) {
        delete com;
        return result;
    }
    openPorts[port] = com;
    return 0;
}

int ComOpenCause(int port) {
    const auto it = openCauses.find(port);
    return it == openCauses.end() ? kComCauseOther : it->second;
}

int CloseCom(int port) {
    const auto it = openPorts.find(port);
    if (it == openPorts.end()) return 0;
    ComPort *com = it->second.data();
    openPorts.erase(it);
    if (com) {
        com->close();
        // May run inside this port's own callback: delete once it returns.
        com->deleteLater();
    }
    return 0;
}

int SetComTime(int port, double timeoutSeconds) {
    ComPort *com = Find(port);
    if (!com) return kComPortNotOpen;
    com->setTimeout(timeoutSeconds);
    return 0;
}

int SetCTSMode(int port, int mode) {
    ComPort *com = Find(port);
    if (!com) return kComPortNotOpen;
    com->setHandshake(mode != 0);
    return 0;
}

int InstallComCallback(int port, int eventMask, int notifyCount, int, ComCallbackPtr callback,
                       void *callbackData) {
    ComPort *com = Find(port);
    if (!com) return kComPortNotOpen;
    com->setCallback(eventMask, notifyCount, callback, callbackData);
    return 0;
}

int ComWrt(int port, const char *buffer, int count) {
    ComPort *com = Find(port);
    return com ? com->write(buffer, count) : kComPortNotOpen;
}

int ComRd(int port, char *buffer, int count) {
    ComPort *com = Find(port);
    return com ? com->read(buffer, count) : kComPortNotOpen;
}

int GetInQLen(int port) {
    ComPort *com = Find(port);
    return com ? com->queueLength() : kComPortNotOpen;
}

int WaitInQ(int port, int count, double limit) {
    ComPort *com = Find(port);
    if (!com) return kComPortNotOpen;
    return com->waitQueued(count, limit > 0 ? int(limit * 1000 + 0.5) : 0);
}

int PumpUntilInQ(int port, int count, double limit) {
    const double deadline = Timer() + limit;
    for (;;) {
        const int waiting = GetInQLen(port);
        if (waiting < 0 || waiting >= count) return waiting;
        const double left = deadline - Timer();
        if (left <= 0) return waiting;
        PumpEvents(left);
    }
}

int FlushInQ(int port) {
    ComPort *com = Find(port);
    if (!com) return kComPortNotOpen;
    com->flushInput();
    return 0;
}

int FlushOutQ(int port) {
    ComPort *com = Find(port);
    if (!com) return kComPortNotOpen;
    com->flushOutput();
    return 0;
}
