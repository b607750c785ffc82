// Row files on POSIX: open(2), write(2), ftruncate(2).
#include "platform/appendfile.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct RowFile {
    int fd = -1;          // open descriptor, -1 when the slot is free
    bool failed = false;  // a write failed: the file is closed, calls fail
    long long onDisk = 0; // bytes in the file, all of them whole lines
    long long lines = 0;  // lines in the file
    std::string pending;  // added, not yet written
};

constexpr int kFiles = 4;  // files open at a time
RowFile files[kFiles + 1]; // slot 0 unused: handles start at 1

void Reason(char *error, std::size_t size, const char *what, const char *path, int err) {
    if (!error || size == 0) return;
    std::snprintf(error, size, "%s %s: %s", what, path ? path : "", std::strerror(err));
}

RowFile *Find(int handle) {
    if (handle < 1 || handle > kFiles || files[handle].fd < 0) return nullptr;
    return &files[handle];
}

// Writes all of text from the descriptor's current end; returns the bytes
// written and sets *err on a failure.
std::size_t WriteAll(int fd, const char *text, std::size_t n, int *err) {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t w = write(fd, text + done, n - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            *err = errno;
            return done;
        }
        if (w == 0) {
            *err = ENOSPC;
            return done;
        }
        done += static_cast<std::size_t>(w);
    }
    *err = 0;
    return done;
}

// A handle no file holds, or 0 with the reason in error.
int FreeHandle(const char *path, char *error, std::size_t size) {
    // Beyond a file size limit a write should fail and be reported, not end
    // the program with SIGXFSZ.
    std::signal(SIGXFSZ, SIG_IGN);
    int handle = 1;
    while (handle <= kFiles && files[handle].fd >= 0)
        handle++;
    if (handle <= kFiles) return handle;
    Reason(error, size, "Too many open files for", path, EMFILE);
    return 0;
}

} // namespace

int AppendFileCreate(const char *path, const char *firstLine, char *error, std::size_t size) {
    const int handle = FreeHandle(path, error, size);
    if (!handle) return 0;
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        Reason(error, size, "Cannot create", path, errno);
        return 0;
    }
    const std::string line = firstLine;
    int err = 0;
    if (WriteAll(fd, line.data(), line.size(), &err) != line.size()) {
        close(fd);
        unlink(path);
        Reason(error, size, "Cannot write to", path, err);
        return 0;
    }
    RowFile &f = files[handle];
    f = RowFile{};
    f.fd = fd;
    f.onDisk = static_cast<long long>(line.size());
    f.lines = 1;
    return handle;
}

int AppendFileContinue(const char *path, long long whole, long long lines, char *error,
                       std::size_t size) {
    const int handle = FreeHandle(path, error, size);
    if (!handle) return 0;
    const int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        Reason(error, size, "Cannot open", path, errno);
        return 0;
    }
    if (ftruncate(fd, whole) != 0 || lseek(fd, whole, SEEK_SET) != whole) {
        Reason(error, size, "Cannot write to", path, errno);
        close(fd);
        return 0;
    }
    RowFile &f = files[handle];
    f = RowFile{};
    f.fd = fd;
    f.onDisk = whole;
    f.lines = lines;
    return handle;
}

int AppendFileAdd(int handle, const char *text, std::size_t n) {
    RowFile *f = Find(handle);
    if (!f || f->failed) return 0;
    f->pending.append(text, n);
    return 1;
}

int AppendFileFlush(int handle, char *error, std::size_t size) {
    RowFile *f = Find(handle);
    if (!f || f->failed) {
        if (error && size) std::snprintf(error, size, "The file is closed");
        return 0;
    }
    if (f->pending.empty()) return 1;
    int err = 0;
    const std::size_t done = WriteAll(f->fd, f->pending.data(), f->pending.size(), &err);
    if (err == 0) {
        f->onDisk += static_cast<long long>(done);
        f->lines += std::count(f->pending.begin(), f->pending.end(), '\n');
        f->pending.clear();
        return 1;
    }
    // Keep the whole lines of the part that went out; a torn last line
    // would be read as a row with missing fields.
    const std::size_t lastEnd = f->pending.rfind('\n', done == 0 ? 0 : done - 1);
    const std::size_t keep = (done > 0 && lastEnd != std::string::npos) ? lastEnd + 1 : 0;
    f->onDisk += static_cast<long long>(keep);
    f->lines += std::count(f->pending.begin(), f->pending.begin() + static_cast<long>(keep), '\n');
    if (keep != done && ftruncate(f->fd, f->onDisk) != 0) {
        // The torn tail stays; the rows before it are intact all the same.
    }
    if (error && size)
        std::snprintf(error, size, "Cannot write to the file: %s", std::strerror(err));
    close(f->fd);
    f->failed = true;
    f->pending.clear();
    return 0;
}

int AppendFileClose(int handle, char *error, std::size_t size) {
    if (handle < 1 || handle > kFiles) return 0;
    RowFile &f = files[handle];
    if (f.fd < 0) return 0;
    int ok = 0;
    if (f.failed) {
        if (error && size) std::snprintf(error, size, "The file is closed");
    } else {
        ok = AppendFileFlush(handle, error, size);
        if (ok && close(f.fd) != 0) {
            if (error && size)
                std::snprintf(error, size, "Cannot close the file: %s", std::strerror(errno));
            ok = 0;
        }
    }
    f = RowFile{};
    return ok;
}

long long AppendFileBytes(int handle) {
    if (handle < 1 || handle > kFiles) return 0;
    return files[handle].onDisk;
}

long long AppendFileLines(int handle) {
    if (handle < 1 || handle > kFiles) return 0;
    return files[handle].lines;
}

int AppendFileNamedBy(int handle, const char *path) {
    const RowFile *f = Find(handle);
    struct stat open {
    }, named{};
    if (!f || fstat(f->fd, &open) != 0 || stat(path, &named) != 0) return 0;
    return open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}
