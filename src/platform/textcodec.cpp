// Texts and bytes for files other programs read.
#include "platform/textcodec.h"

#include <QByteArray>
#include <QString>

#include "platform/winansi.h"

std::string WinAnsiToUtf8(const char *text) {
    QString unicode = FromWinAnsi(text);
    // The code page's free bytes map to C1 controls, which have no place in
    // a document meant for reading.
    for (QChar &c : unicode)
        if (c.unicode() >= 0x80 && c.unicode() <= 0x9F) c = QLatin1Char('?');
    return unicode.toStdString();
}

std::string Base64Of(const std::vector<unsigned char> &bytes) {
    const QByteArray raw = QByteArray::fromRawData(reinterpret_cast<const char *>(bytes.data()),
                                                   static_cast<qsizetype>(bytes.size()));
    return raw.toBase64().toStdString();
}
