#include "ptypeer.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

PtyPeer::PtyPeer() {
    char name[256];
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        master_ = slave_ = -1;
        return;
    }
    termios raw;
    tcgetattr(slave_, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave_, TCSANOW, &raw);
    device_ = name;
}

PtyPeer::~PtyPeer() {
    hangUp();
    if (slave_ >= 0) close(slave_);
}

void PtyPeer::write(const std::vector<unsigned char> &bytes) {
    size_t done = 0;
    while (master_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += size_t(n);
    }
}

int PtyPeer::unread() const {
    int n = 0;
    return slave_ >= 0 && ioctl(slave_, FIONREAD, &n) == 0 ? n : 0;
}

std::vector<unsigned char> PtyPeer::read(int max, int timeoutMs) {
    std::vector<unsigned char> out;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (master_ >= 0 && int(out.size()) < max) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              end - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) break;
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, int(left)) <= 0) continue;
        unsigned char buf[1024];
        const ssize_t n =
            ::read(master_, buf, std::min<size_t>(sizeof buf, size_t(max) - out.size()));
        if (n <= 0) break;
        out.insert(out.end(), buf, buf + n);
    }
    return out;
}

void PtyPeer::hangUp() {
    if (master_ >= 0) close(master_);
    master_ = -1;
    // With the slave still held here the line would not hang up for the
    // program; drop our copy too.
    if (slave_ >= 0) close(slave_);
    slave_ = -1;
}

std::vector<unsigned char> Frame(unsigned sync, unsigned code, const std::vector<unsigned> &words) {
    std::vector<unsigned char> f(36, 0);
    f[0] = (sync >> 8) & 0xFF;
    f[1] = sync & 0xFF;
    f[2] = (code >> 8) & 0xFF;
    f[3] = code & 0xFF;
    for (size_t i = 0; i < words.size() && i < 16; i++) {
        f[4 + 2 * i] = (words[i] >> 8) & 0xFF;
        f[5 + 2 * i] = words[i] & 0xFF;
    }
    return f;
}

PortFolder::PortFolder() {
    char tmpl[] = "/tmp/vtlx-test-XXXXXX";
    runtime_ = mkdtemp(tmpl);
    path_ = runtime_ + "/vortelix-ports";
    mkdir(path_.c_str(), 0700);
    chmod(path_.c_str(), 0700);
    const char *old = std::getenv("XDG_RUNTIME_DIR");
    hadRuntime_ = old != nullptr;
    if (old) oldRuntime_ = old;
    setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
}

PortFolder::~PortFolder() {
    if (hadRuntime_)
        setenv("XDG_RUNTIME_DIR", oldRuntime_.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
    std::error_code ec;
    std::filesystem::remove_all(runtime_, ec);
}

void PortFolder::link(int number, const std::string &device) {
    const std::string name = path_ + "/com" + std::to_string(number);
    unlink(name.c_str());
    if (symlink(device.c_str(), name.c_str()) != 0) throw std::runtime_error("symlink failed");
}

void PortFolder::setMode(unsigned mode) {
    chmod(path_.c_str(), mode);
}
