// Whole-array files, the one formatting call, and the program's folder.
#include "platform/widgets/registry.h"
#include "platform/widgets/userint.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr int kPathBytes = 260; // path buffers of the program, terminator included

bool IsInteger(int type) {
    return type != VAL_FLOAT && type != VAL_DOUBLE;
}

void IntegerRange(int type, int64_t *lo, int64_t *hi) {
    switch (type) {
    case VAL_CHAR: *lo = INT8_MIN, *hi = INT8_MAX; break;
    case VAL_SHORT_INTEGER: *lo = INT16_MIN, *hi = INT16_MAX; break;
    case VAL_UNSIGNED_SHORT_INTEGER: *lo = 0, *hi = UINT16_MAX; break;
    case VAL_INTEGER: *lo = INT32_MIN, *hi = INT32_MAX; break;
    default: *lo = 0, *hi = UINT32_MAX; break; // VAL_UNSIGNED_INTEGER
    }
}

void StoreInteger(void *array, int type, int index, int64_t v) {
    switch (type) {
    case VAL_CHAR: static_cast<signed char *>(array)[index] = static_cast<signed char>(v); break;
    case VAL_SHORT_INTEGER: static_cast<int16_t *>(array)[index] = static_cast<int16_t>(v); break;
    case VAL_UNSIGNED_SHORT_INTEGER:
        static_cast<uint16_t *>(array)[index] = static_cast<uint16_t>(v);
        break;
    case VAL_INTEGER: static_cast<int32_t *>(array)[index] = static_cast<int32_t>(v); break;
    default: static_cast<uint32_t *>(array)[index] = static_cast<uint32_t>(v); break;
    }
}

// One element as text: integers exactly, reals in the shortest form that
// reads back to the same value.
QByteArray ElementText(const void *array, int type, int index) {
    char buf[64];
    std::to_chars_result r;
    if (type == VAL_FLOAT)
        r = std::to_chars(buf, buf + sizeof buf, static_cast<const float *>(array)[index]);
    else if (type == VAL_DOUBLE)
        r = std::to_chars(buf, buf + sizeof buf, static_cast<const double *>(array)[index]);
    else
        r = std::to_chars(buf, buf + sizeof buf, int64_t(ElementAt(array, type, index)));
    return QByteArray(buf, int(r.ptr - buf));
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// Parses one whole token into element `index` of `out`; false if it is not
// a number of that type.
bool ParseToken(const char *begin, const char *end, int type, void *out, int index) {
    if (begin < end && *begin == '+') ++begin;
    if (IsInteger(type)) {
        int64_t v = 0;
        const auto r = std::from_chars(begin, end, v);
        if (r.ec != std::errc() || r.ptr != end) return false;
        int64_t lo, hi;
        IntegerRange(type, &lo, &hi);
        if (v < lo || v > hi) return false;
        StoreInteger(out, type, index, v);
        return true;
    }
    double v = 0;
    const auto r = std::from_chars(begin, end, v);
    if (r.ec != std::errc() || r.ptr != end) return false;
    if (type == VAL_FLOAT)
        static_cast<float *>(out)[index] = float(v);
    else
        static_cast<double *>(out)[index] = v;
    return true;
}

} // namespace

int ArrayToFile(const char *fileName, const void *array, int dataType, int numberOfElements,
                int numberOfGroups, int /*dataOrder*/, int /*layout*/, int /*columnSeparator*/,
                int fieldWidth, int fileType, int fileAction) {
    const int size = ElementSize(dataType);
    if (!fileName || !array || !size || numberOfElements < 1 || numberOfGroups != 1 ||
        (fileType != VAL_ASCII && fileType != VAL_BINARY) ||
        (fileAction != VAL_TRUNCATE && fileAction != VAL_APPEND))
        return ARRAYFILE_BAD_ARGUMENT;
    const QString path = QFile::decodeName(fileName);

    QByteArray content;
    if (fileAction == VAL_APPEND) {
        QFile old(path);
        if (old.exists()) {
            if (!old.open(QIODevice::ReadOnly)) return ARRAYFILE_CANNOT_OPEN;
            content = old.readAll();
        }
    }
    if (fileType == VAL_BINARY) {
        content.append(static_cast<const char *>(array), qsizetype(size) * numberOfElements);
    } else {
        for (int i = 0; i < numberOfElements; ++i) {
            const QByteArray text = ElementText(array, dataType, i);
            content.append(QByteArray(qMax(0, fieldWidth - int(text.size())), ' '));
            content.append(text);
            content.append('\n');
        }
    }

    // Written beside the target under another name and renamed over it only
    // once complete, so a failure never leaves half a file where one stood.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "ArrayToFile: cannot write %s: %s\n", fileName,
                     qPrintable(out.errorString()));
        return ARRAYFILE_CANNOT_OPEN;
    }
    if (out.write(content) != content.size() || !out.commit()) {
        std::fprintf(stderr, "ArrayToFile: writing %s failed: %s\n", fileName,
                     qPrintable(out.errorString()));
        out.cancelWriting();
        return ARRAYFILE_WRITE_FAILED;
    }
    return 0;
}

int FileToArray(const char *fileName, void *array, int dataType, int numberOfElements,
                int numberOfGroups, int /*dataOrder*/, int /*layout*/, int fileType) {
    const int size = ElementSize(dataType);
    if (!fileName || !array || !size || numberOfElements < 1 || numberOfGroups != 1 ||
        (fileType != VAL_ASCII && fileType != VAL_BINARY))
        return ARRAYFILE_BAD_ARGUMENT;
    QFile in(QFile::decodeName(fileName));
    if (!in.open(QIODevice::ReadOnly)) return ARRAYFILE_CANNOT_OPEN;
    const QByteArray content = in.readAll();
    const size_t bytes = size_t(size) * size_t(numberOfElements);

    if (fileType == VAL_BINARY) {
        if (size_t(content.size()) < bytes) return ARRAYFILE_TOO_FEW;
        std::memcpy(array, content.constData(), bytes);
        return 0;
    }
    // Parsed into a copy first: the caller's array changes only on success.
    std::vector<char> parsed(bytes);
    const char *p = content.constData();
    const char *end = p + content.size();
    for (int i = 0; i < numberOfElements; ++i) {
        while (p < end && IsBlank(*p))
            ++p;
        if (p == end) return ARRAYFILE_TOO_FEW;
        const char *tokenEnd = p;
        while (tokenEnd < end && !IsBlank(*tokenEnd))
            ++tokenEnd;
        if (!ParseToken(p, tokenEnd, dataType, parsed.data(), i)) return ARRAYFILE_NOT_A_NUMBER;
        p = tokenEnd;
    }
    std::memcpy(array, parsed.data(), bytes);
    return 0;
}

int GetProjectDir(char *buffer) {
    if (!buffer || !QCoreApplication::instance()) return -1;
    const QByteArray dir = QFile::encodeName(QCoreApplication::applicationDirPath());
    if (dir.size() >= kPathBytes) return -1;
    std::memcpy(buffer, dir.constData(), size_t(dir.size()) + 1);
    return 0;
}
