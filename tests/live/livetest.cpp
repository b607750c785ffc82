#include "livetest.h"

#include "com232/com232.h"
#include "gui/runloop.h"
#include "window/controls.h"
#include "platform/rs232.h"
#include "platform/widgets/userint.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

LoggedSensor::LoggedSensor(sim::Config config, PortFolder &folder) {
    char name[] = "/tmp/vtlx-livelog-XXXXXX";
    close(mkstemp(name));
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

std::vector<LogLine> LoggedSensor::lines(const char *dir, const char *kind, int code) const {
    std::vector<LogLine> out;
    std::ifstream in(path_);
    for (std::string line; std::getline(in, line);) {
        LogLine l;
        auto text = [&](const std::string &key) {
            const auto at = line.find("\"" + key + "\":\"");
            return at == std::string::npos
                       ? std::string()
                       : line.substr(at + key.size() + 4,
                                     line.find('"', at + key.size() + 4) - at - key.size() - 4);
        };
        l.dir = text("dir");
        l.kind = text("kind");
        if (const auto at = line.find("\"code\":"); at != std::string::npos)
            l.code = std::atoi(line.c_str() + at + 7);
        if (const auto at = line.find("\"words\":["); at != std::string::npos)
            for (const char *p = line.c_str() + at + 9; *p && *p != ']';) {
                char *end = nullptr;
                l.words.push_back(unsigned(std::strtoul(p, &end, 10)));
                p = *end == ',' ? end + 1 : end;
            }
        if (l.dir == dir && l.kind == kind && (code < 0 || l.code == code)) out.push_back(l);
    }
    return out;
}

bool OpenLine() {
    com = 1;
    if (OpenComConfig(1, "", 19200, 0, 8, 1, 4096, 4096) != 0) return false;
    InstallComCallback(1, eventMask, FRAMELEN, SyncWord(), RX_Receive_Function, nullptr);
    return true;
}

int PanelInt(int control) {
    int v = 0;
    GetCtrlVal(pHandle, control, &v);
    return v;
}

bool Attribute(int control, int attribute) {
    int v = 0;
    GetCtrlAttribute(pHandle, control, attribute, &v);
    return v != 0;
}

void ExpectEnded() {
    EXPECT_EQ(stop_flag, 1);
    EXPECT_EQ(loopActive, 0);
    EXPECT_EQ(target, RAM);
    EXPECT_EQ(PanelInt(PANEL_RBTRam), 1);
    for (int c : {PANEL_CTRLLoopLock1, PANEL_CTRLLoopLock2, PANEL_CTRLPostLoop})
        EXPECT_FALSE(Attribute(c, ATTR_DIMMED)) << "control " << c;
}
