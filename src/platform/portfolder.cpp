// Port numbers to devices: the per-user link folder and the system's list.
#include "platform/rs232.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

void CopyOut(const QByteArray &text, char *out, int size) {
    if (!out || size <= 0) return;
    const int n = std::min<int>(int(text.size()), size - 1);
    std::memcpy(out, text.constData(), n);
    out[n] = '\0';
}

QString FolderPath() {
#ifdef _WIN32
    return QString();
#else
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) return QString::fromLocal8Bit(runtime) + "/vortelix-ports";
    return QString("/tmp/vortelix-ports-%1").arg(getuid());
#endif
}

// Only a real folder of the user's own, writable by nobody else, may map
// port numbers: otherwise another user could slip a device under COM1.
bool FolderTrusted(const QString &path) {
#ifdef _WIN32
    (void)path;
    return false;
#else
    struct stat st;
    if (path.isEmpty() || lstat(QFile::encodeName(path).constData(), &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == getuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
#endif
}

// Links comN of the trusted folder: number -> device the link points to.
std::map<int, QString> LinkedPorts() {
    std::map<int, QString> links;
    const QString folder = FolderPath();
    if (!FolderTrusted(folder)) return links;
    static const QRegularExpression name("^com([1-9][0-9]{0,3})$");
    const QDir dir(folder);
    for (const QFileInfo &entry :
         dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        const auto match = name.match(entry.fileName());
        if (!match.hasMatch() || !entry.isSymLink()) continue;
        links[match.captured(1).toInt()] = entry.symLinkTarget();
    }
    return links;
}

int GroupOf(const QString &device) {
    const QString base = QFileInfo(device).fileName();
    if (base.startsWith("ttyS")) return 0;
    if (base.startsWith("ttyUSB")) return 1;
    if (base.startsWith("ttyACM")) return 2;
    return 3;
}

// Devices the system lists, ttyS first, then ttyUSB, ttyACM and the rest,
// each group in numeric order (ttyS2 before ttyS10).
std::vector<QString> ListedDevices() {
    std::vector<QString> devices;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        devices.push_back(info.systemLocation());
    static const QRegularExpression tail("^(.*?)([0-9]*)$");
    std::sort(devices.begin(), devices.end(), [](const QString &a, const QString &b) {
        if (GroupOf(a) != GroupOf(b)) return GroupOf(a) < GroupOf(b);
        const auto ma = tail.match(a), mb = tail.match(b);
        if (ma.captured(1) != mb.captured(1)) return ma.captured(1) < mb.captured(1);
        return ma.captured(2).toLongLong() < mb.captured(2).toLongLong();
    });
    return devices;
}

// The whole numbering: links keep their numbers, listed devices take the
// free numbers from 1 upward.
std::map<int, QString> AllPorts() {
#ifdef _WIN32
    std::map<int, QString> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        bool ok = false;
        const int n = info.portName().mid(3).toInt(&ok);
        if (info.portName().startsWith("COM") && ok) ports[n] = info.portName();
    }
    return ports;
#else
    std::map<int, QString> ports = LinkedPorts();
    int next = 1;
    for (const QString &device : ListedDevices()) {
        while (ports.count(next))
            ++next;
        ports[next++] = device;
    }
    return ports;
#endif
}

} // namespace

int ComPortFolder(char *folder, int size) {
    const QString path = FolderPath();
    CopyOut(QFile::encodeName(path), folder, size);
    return FolderTrusted(path) ? 1 : 0;
}

int ComPortDevice(int port, char *device, int size) {
    if (port < 1) return 0;
#ifdef _WIN32
    CopyOut(QString("COM%1").arg(port).toLocal8Bit(), device, size);
    return 1;
#else
    const auto ports = AllPorts();
    const auto found = ports.find(port);
    if (found == ports.end()) return 0;
    CopyOut(QFile::encodeName(found->second), device, size);
    return 1;
#endif
}

int ComPortList(ComPortEntry *entries, int max) {
    int n = 0;
    for (const auto &[number, device] : AllPorts()) {
        if (n >= max) break;
        entries[n].number = number;
        CopyOut(QFile::encodeName(device), entries[n].device, int(sizeof entries[n].device));
        ++n;
    }
    return n;
}
