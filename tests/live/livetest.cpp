#include "livetest.h"

#include "com232/com232.h"
#include "main/riror14.h"
#include "platform/rs232.h"
#include "platform/userint.h"

#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <unistd.h>

LoggedSensor::LoggedSensor(sim::Config config, PortFolder &folder) {
    char name[] = "/tmp/vtlx-livelog-XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    path_ = name;
    log_ = std::make_unique<std::ofstream>(path_);
    thread_ = std::make_unique<sim::SensorThread>(std::move(config));
    thread_->SetLog(log_.get());
    std::string error;
    ok_ = thread_->Start(&error);
    if (ok_) folder.link(1, thread_->SlavePath());
}

LoggedSensor::~LoggedSensor() {
    thread_->Stop();
    std::remove(path_.c_str());
}

static LogLine ParseLine(const std::string &line) {
    LogLine l;
    auto text = [&](const char *key) {
        const std::string tag = std::string("\"") + key + "\":\"";
        const auto at = line.find(tag);
        if (at == std::string::npos) return std::string();
        const auto end = line.find('"', at + tag.size());
        return line.substr(at + tag.size(), end - at - tag.size());
    };
    l.dir = text("dir");
    l.kind = text("kind");
    l.dropped = line.find("\"dropped\"") != std::string::npos;
    if (const auto at = line.find("\"code\":"); at != std::string::npos)
        l.code = std::atoi(line.c_str() + at + 7);
    if (auto at = line.find("\"words\":["); at != std::string::npos) {
        const char *p = line.c_str() + at + 9;
        while (*p && *p != ']') {
            char *end = nullptr;
            l.words.push_back(unsigned(std::strtoul(p, &end, 10)));
            p = *end == ',' ? end + 1 : end;
        }
    }
    return l;
}

std::vector<LogLine> LoggedSensor::lines() const {
    std::vector<LogLine> out;
    std::ifstream in(path_);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty()) out.push_back(ParseLine(line));
    return out;
}

std::vector<LogLine> LoggedSensor::frames(int code) const {
    std::vector<LogLine> out;
    for (const LogLine &l : lines())
        if (l.dir == "rx" && l.kind == "frame" && l.code == code) out.push_back(l);
    return out;
}

std::vector<LogLine> LoggedSensor::replies(int code) const {
    std::vector<LogLine> out;
    for (const LogLine &l : lines())
        if (l.dir == "tx" && l.kind == "reply" && l.code == code) out.push_back(l);
    return out;
}

bool OpenLine() {
    com = 1;
    if (OpenComConfig(1, "", 19200, 0, 8, 1, 4096, 4096) != 0) return false;
    SetComTime(1, 1.0);
    InstallComCallback(1, eventMask, FRAMELEN, SyncWord(), RX_Receive_Function, nullptr);
    return true;
}

void After(QObject &context, double seconds, std::function<void()> action) {
    QTimer::singleShot(int(seconds * 1000), &context, std::move(action));
}

int PanelInt(int control) {
    int v = 0;
    GetCtrlVal(pHandle, control, &v);
    return v;
}

bool Dimmed(int control) {
    int v = 0;
    GetCtrlAttribute(pHandle, control, ATTR_DIMMED, &v);
    return v != 0;
}

bool Visible(int control) {
    int v = 0;
    GetCtrlAttribute(pHandle, control, ATTR_VISIBLE, &v);
    return v != 0;
}
