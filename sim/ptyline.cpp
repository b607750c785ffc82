// Pseudo-terminal driver of the simulated sensor, and the port links.
#include "ptyline.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace sim {

double MonotonicSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

bool PtyLine::Open(std::string *error) {
    Close();
    termios raw{};
    cfmakeraw(&raw);
    cfsetispeed(&raw, B19200);
    cfsetospeed(&raw, B19200);
    raw.c_cflag |= CLOCAL | CREAD;
    char name[256] = {0};
    if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) {
        *error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        master_ = slave_ = -1;
        return false;
    }
    termios t{};
    if (tcgetattr(master_, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(master_, TCSANOW, &t);
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
    slavePath_ = name;
    return true;
}

int PtyLine::Unread() const {
    int n = 0;
    return slave_ >= 0 && ioctl(slave_, FIONREAD, &n) == 0 ? n : 0;
}

void PtyLine::Close() {
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
    slave_ = master_ = -1;
}

ServeResult Serve(Sensor &sensor, PtyLine &line, int stopFd, const std::function<double()> &clock,
                  std::mutex *lock, int wakeFd) {
    auto hold = [lock] {
        return lock ? std::unique_lock<std::mutex>(*lock) : std::unique_lock<std::mutex>();
    };
    const double t0 = clock();
    {
        auto held = hold();
        sensor.SetClockOrigin(t0);
    }
    std::vector<std::uint8_t> pending; // due, not yet accepted by the pseudo-terminal
    std::uint8_t buf[4096];
    for (;;) {
        double now = clock() - t0;
        double next = 0;
        bool down = false, reading = true;
        {
            auto held = hold();
            sensor.TakeDue(now, pending);
            next = sensor.NextDue();
            down = sensor.LineDown(now);
            reading = sensor.Reading();
        }
        while (!pending.empty()) {
            // Stamped as the write begins: the PC may have the bytes before
            // write() returns, never before it is called.
            const double at = clock() - t0;
            const ssize_t n = write(line.MasterFd(), pending.data(), pending.size());
            if (n > 0) {
                pending.erase(pending.begin(), pending.begin() + n);
                auto held = hold();
                sensor.Wrote(static_cast<std::size_t>(n), at);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
            return kServeFailed;
        }
        if (pending.empty() && down) {
            // Closing the master discards what the PC has not read yet; give
            // the last answer a moment to be taken, as it would be off a cable
            // (the count lags the write a little, hence the first pause).
            usleep(20000);
            for (int i = 0; i < 500 && line.Unread() > 0; ++i)
                usleep(1000);
            line.Close();
            return kServeHungUp;
        }

        // Sleep until input, the stop request, or the next byte due; a full
        // pseudo-terminal is retried every millisecond.
        double wait = pending.empty() ? next - now : 0.001;
        if (!(wait < 0.1)) wait = 0.1; // also catches infinity
        if (wait < 0) wait = 0;
        timespec ts{};
        ts.tv_sec = static_cast<time_t>(wait);
        ts.tv_nsec = static_cast<long>((wait - ts.tv_sec) * 1e9);
        // Negative descriptors are left out by ppoll.
        pollfd fds[3] = {{line.MasterFd(), static_cast<short>(reading ? POLLIN : 0), 0},
                         {stopFd, POLLIN, 0},
                         {wakeFd, POLLIN, 0}};
        const int r = ppoll(fds, 3, &ts, nullptr);
        if (r < 0 && errno != EINTR) return kServeFailed;
        if (r <= 0) continue;
        if (stopFd >= 0 && (fds[1].revents & (POLLIN | POLLHUP))) return kServeStopped;
        if (fds[2].revents & POLLIN) (void)!read(wakeFd, buf, sizeof buf);
        if (fds[0].revents & POLLIN) {
            // Read under the lock, so that a reading stopped meanwhile holds.
            auto held = hold();
            if (!sensor.Reading()) continue;
            const ssize_t n = read(line.MasterFd(), buf, sizeof buf);
            if (n > 0)
                sensor.Receive(buf, static_cast<std::size_t>(n), clock() - t0);
            else if (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO)
                return kServeFailed;
        } else if (fds[0].revents & (POLLERR | POLLNVAL)) {
            return kServeFailed;
        }
    }
}

SensorThread::SensorThread(Config config) : sensor_(std::move(config)) {}

void SensorThread::ReleaseHeld() {
    std::lock_guard<std::mutex> hold(lock_);
    sensor_.ReleaseHeld(MonotonicSeconds() - sensor_.ClockOrigin());
}

void SensorThread::StopReading() {
    std::lock_guard<std::mutex> hold(lock_);
    sensor_.StopReading();
}

void SensorThread::ResumeReading() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        sensor_.ResumeReading();
    }
    const char c = 'r';
    (void)!write(wakePipe_[1], &c, 1);
}

bool SensorThread::Start(std::string *error) {
    if (!sensor_.PowerUp(error) || !line_.Open(error)) return false;
    if (pipe(stopPipe_) != 0 || pipe2(wakePipe_, O_NONBLOCK | O_CLOEXEC) != 0) {
        *error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    StartServing();
    return true;
}

void SensorThread::StartServing() {
    ended_ = false;
    thread_ = std::thread([this] {
        Serve(sensor_, line_, stopPipe_[0], MonotonicSeconds, &lock_, wakePipe_[0]);
        ended_ = true;
    });
}

void SensorThread::Unplug() {
    if (!thread_.joinable()) return;
    char c = 'x';
    (void)!write(stopPipe_[1], &c, 1);
    thread_.join();
    (void)!read(stopPipe_[0], &c, 1); // Serve left the stop byte in the pipe
}

bool SensorThread::PlugIn(Config config, std::ostream *log, std::string *error) {
    if (thread_.joinable() || line_.MasterFd() < 0) {
        *error = "the sensor is still plugged in, or its line is closed";
        return false;
    }
    tcflush(line_.MasterFd(), TCIFLUSH);
    {
        std::lock_guard<std::mutex> hold(lock_);
        sensor_ = Sensor(std::move(config));
        sensor_.SetLog(log);
        if (!sensor_.PowerUp(error)) return false;
    }
    StartServing();
    return true;
}

void SensorThread::Stop() {
    if (thread_.joinable()) {
        const char c = 'x';
        (void)!write(stopPipe_[1], &c, 1);
        thread_.join();
    }
    for (int *pipeEnds : {stopPipe_, wakePipe_})
        for (int i = 0; i < 2; ++i) {
            if (pipeEnds[i] >= 0) close(pipeEnds[i]);
            pipeEnds[i] = -1;
        }
    line_.Close();
}

std::string PortFolderPath() {
    const char *xdg = std::getenv("XDG_RUNTIME_DIR");
    if (xdg && *xdg) return std::string(xdg) + "/vortelix-ports";
    return "/tmp/vortelix-ports-" + std::to_string(getuid());
}

bool PreparePortFolder(std::string *folder, std::string *error) {
    const std::string path = PortFolderPath();
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        *error = "cannot create the port folder " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        *error = "cannot examine the port folder " + path + ": " + std::strerror(errno);
        return false;
    }
    // Anyone who could write here could point our COM numbers at their own device.
    if (!S_ISDIR(st.st_mode) || st.st_uid != geteuid() || (st.st_mode & (S_IWGRP | S_IWOTH))) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        *error = "the port folder " + path + " cannot be used: it must be a folder that " +
                 "belongs to you (uid " + std::to_string(geteuid()) +
                 ") and that no one else may write to, but it " +
                 (!S_ISDIR(st.st_mode)
                      ? std::string("is not a folder")
                      : "belongs to uid " + std::to_string(st.st_uid) + " with mode " + mode) +
                 "; remove it or make it yours with mode 700";
        return false;
    }
    *folder = path;
    return true;
}

bool CreatePortLink(const std::string &path, const std::string &target, std::string *error) {
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0) {
        struct stat tst {};
        if (!S_ISLNK(st.st_mode)) {
            *error = path + " exists and is not a link; not replacing it";
            return false;
        }
        if (stat(path.c_str(), &tst) == 0) {
            char old[512] = {0};
            (void)!readlink(path.c_str(), old, sizeof old - 1);
            *error = path + " is already in use (it points to " + old +
                     "): another simulator may be running on it; if none is, remove the link";
            return false;
        }
        unlink(path.c_str()); // left behind by a simulator that was killed
    }
    if (symlink(target.c_str(), path.c_str()) != 0) {
        *error = "cannot create the link " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void RemovePortLink(const std::string &path, const std::string &target) {
    char now[512] = {0};
    const ssize_t n = readlink(path.c_str(), now, sizeof now - 1);
    if (n > 0 && target == std::string(now, static_cast<std::size_t>(n))) unlink(path.c_str());
}

} // namespace sim
