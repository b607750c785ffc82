// Windows-1252 is Latin-1 except for 0x80 to 0x9F, which hold typographic
// characters; the five bytes the code page leaves free map to the C1 controls
// of the same number, as Windows itself maps them.
#include "platform/winansi.h"

namespace {

const char16_t kHighTable[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 0x98
};

} // namespace

QString FromWinAnsi(const char *text) {
    QString out;
    if (!text) return out;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; ++p) {
        if (*p >= 0x80 && *p <= 0x9F)
            out.append(QChar(kHighTable[*p - 0x80]));
        else
            out.append(QChar(char16_t(*p)));
    }
    return out;
}

QByteArray ToWinAnsi(const QString &text) {
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.append(char(u));
            continue;
        }
        char byte = '?';
        for (int i = 0; i < 32; ++i) {
            if (kHighTable[i] == u) {
                byte = char(0x80 + i);
                break;
            }
        }
        out.append(byte);
    }
    return out;
}
