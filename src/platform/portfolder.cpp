// Port numbers to devices: the per-user link folder and the system's list;
// what names an adapter for good; the watch on the list; why a device
// cannot be opened.
#include "platform/comport.h"
#include "platform/rs232.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#ifndef _WIN32
#include <cerrno>
#include <csignal>
#include <fcntl.h>
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
std::vector<QString> ListedDevices(const QList<QSerialPortInfo> &infos) {
    std::vector<QString> devices;
    for (int i = 0; i < listedSerialDeviceCount; i++)
        devices.push_back(QFile::decodeName(listedSerialDevices[i]));
    if (listedSerialDeviceCount < 0)
        for (const QSerialPortInfo &info : infos)
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

// Numbers given while the program runs. A number once given stays with its
// device, there or not, so that it never comes to name another one: a
// command meant for a pulled sensor must not reach the device that would
// have moved up into its number. A link keeps its number when it goes with
// its device (the simulator and some device managers remove theirs); a
// listed device keeps the number it was first given. Only a new link may
// take a number from a listed device: that is the user's own choice.
std::map<int, QString> linksSeen;     // number -> the device its link last named
std::map<QString, int> listedNumbers; // listed device -> its number

// The whole numbering: links keep their numbers, listed devices take the
// free numbers from 1 upward; numbers given before stay (see above), the
// device behind a number that has gone included. infos: the system's
// serial ports. The numbers of links that have gone go into *goneLinks:
// whatever sits at their old device's path now is not theirs.
std::map<int, QString> AllPorts(const QList<QSerialPortInfo> &infos,
                                std::set<int> *goneLinks = nullptr) {
#ifdef _WIN32
    std::map<int, QString> ports;
    for (const QSerialPortInfo &info : infos) {
        bool ok = false;
        const int n = info.portName().mid(3).toInt(&ok);
        if (info.portName().startsWith("COM") && ok) ports[n] = info.portName();
    }
    return ports;
#else
    std::map<int, QString> ports = LinkedPorts();
    for (const auto &[number, device] : ports)
        linksSeen[number] = device;
    // While the folder cannot be trusted its links name nothing; their
    // numbers stay taken all the same.
    const bool trusted = FolderTrusted(FolderPath());
    for (const auto &[number, device] : linksSeen)
        if (ports.emplace(number, trusted ? device : QString()).second && goneLinks)
            goneLinks->insert(number);
    const auto given = [&](int number) {
        return std::any_of(listedNumbers.begin(), listedNumbers.end(),
                           [&](const auto &entry) { return entry.second == number; });
    };
    for (const QString &device : ListedDevices(infos)) {
        const auto known = listedNumbers.find(device);
        int number = known != listedNumbers.end() ? known->second : 0;
        if (number == 0 || ports.count(number)) { // new, or its number now a link's
            if (number) listedNumbers.erase(device);
            number = 1;
            while (ports.count(number) || given(number))
                ++number;
            listedNumbers[device] = number;
        }
        ports[number] = device;
    }
    for (const auto &[device, number] : listedNumbers)
        ports.emplace(number, device);
    return ports;
#endif
}

// Where the system keeps a stable name for each USB serial adapter, the
// same whichever ttyUSB number it gets; tests put a folder of their own.
QString ByIdFolder() {
    return serialByIdFolder ? QFile::decodeName(serialByIdFolder)
                            : QStringLiteral("/dev/serial/by-id");
}

// What names an adapter for good: its name under the by-id folder (serial
// number and interface), else the serial number it reports; empty for a
// device that has neither (a built-in port, a pseudo-terminal).
// infos and byId: the system's serial ports and the by-id folder's entries.
QString IdentityOf(const QString &device, const QList<QSerialPortInfo> &infos,
                   const QFileInfoList &byId) {
    const QString real = QFileInfo(device).canonicalFilePath();
    if (real.isEmpty()) return QString();
    for (const QFileInfo &entry : byId)
        if (entry.canonicalFilePath() == real) return QStringLiteral("by-id:") + entry.fileName();
    for (const QSerialPortInfo &info : infos)
        if (info.systemLocation() == real && !info.serialNumber().isEmpty())
            return QStringLiteral("serial:") + info.serialNumber();
    return QString();
}

struct KnownPort {
    int number;
    QString device;
    QString identity;
    bool present;
};

// Every numbered port from one look at the system: a port whose device has
// gone keeps its number (so the adapter gets it back) and is marked so.
std::vector<KnownPort> KnownPorts() {
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    const QFileInfoList byId =
        QDir(ByIdFolder()).entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    std::vector<KnownPort> known;
    std::set<int> goneLinks;
    for (const auto &[number, device] : AllPorts(infos, &goneLinks)) {
        if (device.isEmpty()) continue;
#ifdef _WIN32
        const bool present = true;
#else
        const bool present = !goneLinks.count(number) && QFileInfo::exists(device);
#endif
        known.push_back(
            {number, device, present ? IdentityOf(device, infos, byId) : QString(), present});
    }
    return known;
}

// What the watch compares: every port with its device, identity and presence.
QString Snapshot() {
    QString all;
    for (const KnownPort &port : KnownPorts())
        all += QStringLiteral("%1 %2 %3 %4\n")
                   .arg(port.number)
                   .arg(port.device, port.identity, port.present ? "" : "gone");
    return all;
}

// The names in the device folders, the stable names and the links: what
// changes whenever a port comes or goes. Reading them costs a tenth of a
// millisecond; asking the system for its serial ports costs some ten.
QString Fingerprint() {
    QString all;
    for (const QString &folder : {QStringLiteral("/dev"), QStringLiteral("/dev/pts")})
        all += QDir(folder)
                   .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                   .join(QLatin1Char(' '));
    for (const QString &folder : {ByIdFolder(), FolderPath()})
        for (const QFileInfo &entry :
             QDir(folder).entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
            all += QStringLiteral(" %1>%2").arg(entry.filePath(), entry.symLinkTarget());
    return all;
}

// The watch: the fingerprint looked at once a second, the whole list read
// when it has changed and every tenth second in any case (a link may name a
// device outside the device folders); the callback told of changes.
constexpr int kWatchMs = 1000;
constexpr int kFullLookEvery = 10;
QTimer *watchTimer = nullptr;
void (*watchCallback)(void) = nullptr; // the program's callback, or none
QString watchedPrint;                  // Fingerprint() at the last look
QString watchedList;                   // Snapshot() at the last full look
int looksSinceFull = 0;                // looks since the last full one

void LookAgain() {
    const QString print = Fingerprint();
    if (print == watchedPrint && ++looksSinceFull < kFullLookEvery) return;
    watchedPrint = print;
    looksSinceFull = 0;
    const QString now = Snapshot();
    if (now == watchedList) return;
    watchedList = now;
    if (watchCallback) watchCallback();
}

#ifndef _WIN32
// Qt Serial Port locks a device with a lock file "LCK..<name>" in the first
// of these folders it can use; a lock of a live process other than this one
// means the device is held. Returns that process's number (0 for none) and
// the program name its lock file gives into *app.
qint64 LockHolder(const QString &device, QString *app) {
    QString name = device;
    if (name.startsWith(QLatin1String("/dev/"))) name = name.mid(5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QStringList folders = {QStringLiteral("/var/lock"),
                                 QStringLiteral("/run/lock"),
                                 QStringLiteral("/etc/locks"),
                                 QStringLiteral("/var/spool/locks"),
                                 QStringLiteral("/var/spool/uucp"),
                                 QStandardPaths::writableLocation(QStandardPaths::TempLocation)};
    for (const QString &folder : folders) {
        const QString path = folder + QStringLiteral("/LCK..") + name;
        if (!QFileInfo::exists(path)) continue;
        qint64 pid = 0;
        QString host, program;
        if (!QLockFile(path).getLockInfo(&pid, &host, &program) || pid <= 0 || pid == getpid())
            continue;
        if (kill(pid_t(pid), 0) == 0 || errno == EPERM) {
            *app = program;
            return pid;
        }
    }
    return 0;
}

bool LockedByOther(const QString &device) {
    QString app;
    return LockHolder(device, &app) > 0;
}
#endif

} // namespace

int ComOpenBlocker(const QString &device) {
#ifdef _WIN32
    (void)device;
    return kComCauseOther;
#else
    const QByteArray path = QFile::encodeName(device);
    if (access(path.constData(), R_OK | W_OK) != 0)
        return errno == EACCES || errno == EPERM || errno == EROFS ? kComCauseDenied
                                                                   : kComCauseOther;
    if (LockedByOther(device)) return kComCauseInUse;
    // A program that holds the line exclusively (TIOCEXCL) makes every other
    // opener fail with EBUSY. The probe changes nothing on the line.
    const int fd = open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        close(fd);
        return kComCauseOther;
    }
    if (errno == EBUSY) return kComCauseInUse;
    if (errno == EACCES || errno == EPERM) return kComCauseDenied;
    return kComCauseOther;
#endif
}

int ComPortHolder(int port, char *program, int size) {
    if (size > 0) program[0] = '\0';
#ifdef _WIN32
    (void)port;
    return 0;
#else
    char path[1024];
    if (!ComPortDevice(port, path, int(sizeof path))) return 0;
    const QFileInfo info(QString::fromLocal8Bit(path));
    QString app;
    const qint64 pid =
        LockHolder(info.isSymLink() ? info.canonicalFilePath() : info.filePath(), &app);
    if (pid <= 0) return 0;
    if (app.isEmpty()) { // an older lock file without the program: the process's own name
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        if (comm.open(QIODevice::ReadOnly)) app = QString::fromLocal8Bit(comm.readAll()).trimmed();
    }
    const QByteArray bytes = app.toLocal8Bit();
    if (size > 0) {
        const int n = std::min(int(bytes.size()), size - 1);
        std::memcpy(program, bytes.constData(), size_t(n));
        program[n] = '\0';
    }
    return int(pid);
#endif
}

const char *serialByIdFolder = nullptr; // null: /dev/serial/by-id
const char *const *listedSerialDevices = nullptr;
int listedSerialDeviceCount = -1; // -1: the system's list

void InstallComPortWatch(void (*onChange)(void)) {
    watchCallback = onChange;
    if (!onChange) {
        if (watchTimer) watchTimer->stop();
        return;
    }
    if (!QCoreApplication::instance()) return;
    watchedPrint = Fingerprint();
    watchedList = Snapshot();
    looksSinceFull = 0;
    if (!watchTimer) {
        watchTimer = new QTimer(QCoreApplication::instance());
        watchTimer->setInterval(kWatchMs);
        QObject::connect(watchTimer, &QTimer::timeout, LookAgain);
    }
    watchTimer->start();
}

int ComPortFolder(char *folder, int size) {
    const QString path = FolderPath();
    CopyOut(QFile::encodeName(path), folder, size);
    return FolderTrusted(path) ? 1 : 0;
}

// Devices assigned to port numbers by AssignComDevice.
static std::map<int, QString> assignedDevices;

void AssignComDevice(int port, const char *device) {
    if (device && *device)
        assignedDevices[port] = QFile::decodeName(device);
    else
        assignedDevices.erase(port);
}

int ComPortDevice(int port, char *device, int size) {
    if (port < 1) return 0;
    if (const auto assigned = assignedDevices.find(port); assigned != assignedDevices.end()) {
        if (!QFileInfo::exists(assigned->second)) return 0;
        CopyOut(QFile::encodeName(assigned->second), device, size);
        return 1;
    }
#ifdef _WIN32
    CopyOut(QString("COM%1").arg(port).toLocal8Bit(), device, size);
    return 1;
#else
    std::set<int> goneLinks;
    const auto ports = AllPorts(QSerialPortInfo::availablePorts(), &goneLinks);
    const auto found = ports.find(port);
    if (found == ports.end() || found->second.isEmpty() || goneLinks.count(port)) return 0;
    CopyOut(QFile::encodeName(found->second), device, size);
    return 1;
#endif
}

void ForgetComPortNumbers(void) {
    linksSeen.clear();
    listedNumbers.clear();
}

int ComPortList(ComPortEntry *entries, int max) {
    int n = 0;
    for (const KnownPort &port : KnownPorts()) {
        if (n >= max) break;
        entries[n].number = port.number;
        entries[n].present = port.present ? 1 : 0;
        CopyOut(QFile::encodeName(port.device), entries[n].device, int(sizeof entries[n].device));
        CopyOut(port.identity.toUtf8(), entries[n].identity, int(sizeof entries[n].identity));
        ++n;
    }
    return n;
}
