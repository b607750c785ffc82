// Settings sources on Qt Core: QCommandLineParser, QSettings, QFileInfo.
#include "platform/configsource.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QSettings>
#include <QStringList>

#include <cstdio>

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

int ReadIniKeys(const char *path, ConfigValues *values, std::string *error) {
    const QString file = QString::fromLocal8Bit(path);
    if (!QFileInfo(file).isFile() || !QFileInfo(file).isReadable()) {
        *error = std::string("cannot read config file ") + path;
        return 0;
    }
    QSettings ini(file, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError) {
        *error = std::string("malformed config file ") + path;
        return 0;
    }
    values->clear();
    for (const QString &key : ini.allKeys()) {
        // QSettings reads "a, b" as a list: give the text back as written.
        const QVariant v = ini.value(key);
        const QString text = v.typeId() == QMetaType::QStringList
                                 ? v.toStringList().join(QStringLiteral(", "))
                                 : v.toString();
        QString name = key;
        if (name.startsWith(QStringLiteral("General/"))) name = name.mid(8);
        values->emplace_back(name.toStdString(), text.toStdString());
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
    QByteArray bytes = file.readAll();
    while (bytes.endsWith('\n') || bytes.endsWith('\r'))
        bytes.chop(1);
    *text = bytes.toStdString();
    return 1;
}

int FileIsReadable(const char *path) {
    const QFileInfo info(QString::fromLocal8Bit(path));
    return info.isFile() && info.isReadable() ? 1 : 0;
}

std::string MachineName(void) {
    return QSysInfo::machineHostName().toStdString();
}
