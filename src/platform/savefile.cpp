// Whole files through QSaveFile and QFile.
#include "platform/savefile.h"

#include <QFile>
#include <QSaveFile>

int SaveFileWhole(const char *path, const std::string &bytes, std::string *error) {
    QSaveFile file(QFile::decodeName(path ? path : ""));
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = file.errorString().toStdString();
        return -1;
    }
    if (file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size())) {
        if (error) *error = file.errorString().toStdString();
        file.cancelWriting();
        return -1;
    }
    if (!file.commit()) {
        if (error) *error = file.errorString().toStdString();
        return -1;
    }
    return 0;
}

int LoadFileWhole(const char *path, long long maxBytes, std::string *bytes, std::string *error) {
    QFile file(QFile::decodeName(path ? path : ""));
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = file.errorString().toStdString();
        return -1;
    }
    if (file.size() > maxBytes) {
        if (error) *error = "the file is larger than " + std::to_string(maxBytes) + " bytes";
        return -1;
    }
    const QByteArray data = file.readAll();
    bytes->assign(data.constData(), size_t(data.size()));
    return 0;
}
