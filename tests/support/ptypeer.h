// A pseudo-terminal for tests: the program side opens the slave device as a
// serial port, the test plays the other end on the master.
#pragma once

#include <string>
#include <vector>

class PtyPeer {
  public:
    PtyPeer();
    ~PtyPeer();
    PtyPeer(const PtyPeer &) = delete;
    PtyPeer &operator=(const PtyPeer &) = delete;

    const std::string &device() const { return device_; }
    bool ok() const { return master_ >= 0; }

    void write(const std::vector<unsigned char> &bytes);
    // Reads what arrives within timeoutMs (up to max bytes; stops early once max arrived).
    std::vector<unsigned char> read(int max, int timeoutMs);
    // Bytes written that the program side has not read from the line yet.
    int unread() const;
    // Closes the master side, as a pulled cable.
    void hangUp();

  private:
    int master_ = -1;
    int slave_ = -1; // kept open so the line stays up until hangUp
    std::string device_;
};

// A 36-byte frame: sync word, code, sixteen words, big-endian.
std::vector<unsigned char> Frame(unsigned sync, unsigned code, const std::vector<unsigned> &words);

// A private port folder ($XDG_RUNTIME_DIR/vortelix-ports) for the test's life.
class PortFolder {
  public:
    PortFolder();
    ~PortFolder();
    const std::string &path() const { return path_; }
    void link(int number, const std::string &device);
    void setMode(unsigned mode);

  private:
    std::string runtime_;
    std::string path_;
    std::string oldRuntime_;
    bool hadRuntime_ = false;
};

// The frame sync word of the link code (it cannot be named beside <unistd.h>).
int &SyncWord();
