// Whole files for the tests, read and written as bytes.
#pragma once

#include <sys/resource.h>

#include <csignal>
#include <string>

// The file's bytes; empty when it cannot be read.
std::string ReadFile(const std::string &path);

// Replaces the file with content.
void WriteFile(const std::string &path, const std::string &content);

// A file size limit for the life of the object, as a disk that fills: a
// write past it fails with EFBIG (SIGXFSZ ignored meanwhile). Only the soft
// limit is set, so it can be raised again.
class SizeLimit {
  public:
    explicit SizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~SizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, previous_);
    }
    SizeLimit(const SizeLimit &) = delete;
    SizeLimit &operator=(const SizeLimit &) = delete;

  private:
    rlimit old_{};
    void (*previous_)(int) = SIG_DFL;
};
