// Settings sources on Qt Core: QCommandLineParser, QFile, QStringDecoder, QFileInfo.
#include "platform/configsource.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QStringDecoder>
#include <QStringList>

#include <cstdio>

namespace {
constexpr qint64 MAX_SECRET = 64 * 1024; // bytes of a password file, at most
}

int ParseCommandOptions(int argc, char **argv, const char *about, const char *version,
                        const ConfigOption *options, int count, ConfigValues *values,
                        std::string *error) {
    QStringList args;
    for (int i = 0; i < argc; i++)
        args << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(about));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption showVersion(QStringLiteral("version"),
                                         QStringLiteral("Displays version information."));
    parser.addOption(showVersion);
    for (int i = 0; i < count; i++)
        parser.addOption(QCommandLineOption(QString::fromUtf8(options[i].name),
                                            QString::fromUtf8(options[i].help),
                                            QString::fromUtf8(options[i].valueName)));
    if (!parser.parse(args)) {
        *error = parser.errorText().toStdString();
        return 2;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = "unexpected argument '" + parser.positionalArguments().first().toStdString() + "'";
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return 1;
    }
    if (parser.isSet(showVersion)) {
        std::printf("%s %s\n", QFileInfo(args.first()).fileName().toLocal8Bit().constData(),
                    version);
        return 1;
    }
    values->clear();
    for (const QString &name : parser.optionNames()) {
        const QString value = parser.value(name);
        values->emplace_back(name.toStdString(), value.toStdString());
    }
    return 0;
}

int ReadIniKeys(const char *path, ConfigValues *values, std::vector<int> *lines,
                std::string *error) {
    QFile file(QString::fromLocal8Bit(path));
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly)) {
        *error = std::string("cannot read config file ") + path;
        return 0;
    }
    // Read line by line rather than through QSettings: it would split a
    // value at its commas, drop a line without '=' and let a repeated key
    // win silently, so a mistyped file would run on settings nobody wrote.
    values->clear();
    lines->clear();
    QString section;
    int number = 0;
    auto refuse = [&](const std::string &what) {
        *error = std::string(path) + " line " + std::to_string(number) + ": " + what;
        return 0;
    };
    while (!file.atEnd()) {
        QByteArray bytes = file.readLine();
        number++;
        if (number == 1 && bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3); // an editor's BOM
        // The line's end, "\n" or "\r\n" (or nothing on the last line), is
        // no part of it; a carriage return anywhere else would end up in a
        // value, where nobody sees it.
        if (bytes.endsWith('\n')) bytes.chop(1);
        if (bytes.endsWith('\r')) bytes.chop(1);
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8.decode(bytes);
        if (utf8.hasError()) return refuse("not UTF-8 text");
        for (const QChar ch : text)
            if (ch.category() == QChar::Other_Control && ch != u'\t')
                return refuse("not text (control character)");
        const QString line = text.trimmed();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';')) continue;
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']') || line.size() < 3) return refuse("not a [section] header");
            section = line.mid(1, line.size() - 2).trimmed();
            if (section.compare(QStringLiteral("General"), Qt::CaseInsensitive) == 0)
                section.clear();
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0) return refuse("not key = value");
        QString key = line.left(equals).trimmed();
        if (!section.isEmpty()) key = section + u'/' + key;
        const std::string name = key.toStdString();
        for (std::size_t i = 0; i < values->size(); i++)
            if ((*values)[i].first == name)
                return refuse("key " + name + " given twice (first on line " +
                              std::to_string((*lines)[i]) + ")");
        values->emplace_back(name, line.mid(equals + 1).trimmed().toStdString());
        lines->push_back(number);
    }
    return 1;
}

int ReadOwnerOnlyFile(const char *path, std::string *text, std::string *error) {
    const QFileInfo info(QString::fromLocal8Bit(path));
    QFile file(info.filePath());
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        *error = std::string("cannot read ") + path;
        return 0;
    }
    if (info.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther)) {
        *error = std::string(path) + " may be read by others (chmod 600 it)";
        return 0;
    }
    // A secret is a line or two: a larger file is the wrong one (and a
    // device or a kernel file may never end).
    QByteArray bytes = file.read(MAX_SECRET + 1);
    if (bytes.size() > MAX_SECRET) {
        *error = std::string(path) + " is no password file: over " +
                 std::to_string(MAX_SECRET / 1024) + " KiB";
        return 0;
    }
    while (bytes.endsWith('\n') || bytes.endsWith('\r'))
        bytes.chop(1);
    *text = bytes.toStdString();
    return 1;
}

int FileIsReadable(const char *path) {
    const QFileInfo info(QString::fromLocal8Bit(path));
    return info.isFile() && info.isReadable() ? 1 : 0;
}

int FolderIsWritable(const char *path) {
    const QFileInfo info(QString::fromLocal8Bit(path));
    return info.isDir() && info.isWritable() ? 1 : 0;
}

std::string MachineName(void) {
    return QSysInfo::machineHostName().toStdString();
}
