// Line files on QFile, read in large blocks.
#include "platform/linefile.h"

#include <QByteArray>
#include <QFile>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr qint64 kBlock = 1 << 20; // bytes read at a time

} // namespace

struct LineFile {
    QFile file;
    std::vector<char> buffer; // the block: [begin, end) is still to hand out
    std::size_t begin = 0;
    std::size_t end = 0;
    bool atEnd = false;
    QByteArray error;
};

LineFile *LineFileOpen(const char *path, char *error, std::size_t size) {
    auto *f = new LineFile;
    f->file.setFileName(QFile::decodeName(path));
    if (!f->file.open(QIODevice::ReadOnly)) {
        std::snprintf(error, size, "Cannot open %s: %s", path,
                      QFile::encodeName(f->file.errorString()).constData());
        delete f;
        return nullptr;
    }
    f->buffer.resize(static_cast<std::size_t>(kBlock));
    return f;
}

int LineFileNext(LineFile *f, const char **text, std::size_t *length) {
    for (;;) {
        char *start = f->buffer.data() + f->begin;
        const auto *nl = static_cast<char *>(std::memchr(start, '\n', f->end - f->begin));
        // A line cut by the block's end is completed by the next read, unless
        // the file has ended or the line fills the whole block.
        const bool full = f->begin == 0 && f->end == f->buffer.size();
        if (nl || (f->atEnd && f->end > f->begin) || full) {
            std::size_t n = nl ? static_cast<std::size_t>(nl - start) : f->end - f->begin;
            f->begin += nl ? n + 1 : n;
            if (n > 0 && start[n - 1] == '\r') n--;
            *text = start;
            *length = n;
            return 1;
        }
        if (f->atEnd) return 0;
        // Move the part line to the front and fill the rest of the block.
        const std::size_t kept = f->end - f->begin;
        std::memmove(f->buffer.data(), start, kept);
        f->begin = 0;
        f->end = kept;
        const qint64 got =
            f->file.read(f->buffer.data() + kept, static_cast<qint64>(f->buffer.size() - kept));
        if (got < 0) {
            f->error = QFile::encodeName(f->file.errorString());
            return -1;
        }
        if (got == 0) f->atEnd = true;
        f->end += static_cast<std::size_t>(got);
    }
}

std::int64_t LineFileSize(const LineFile *f) {
    return f->file.size();
}

std::int64_t LineFilePosition(const LineFile *f) {
    return f->file.pos() - static_cast<qint64>(f->end - f->begin);
}

const char *LineFileError(const LineFile *f) {
    return f->error.constData();
}

void LineFileClose(LineFile *f) {
    delete f;
}
