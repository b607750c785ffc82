// The file dialog.
#include "platform/widgets/dialogseam.h"
#include "platform/widgets/panel.h"
#include "platform/widgets/userint.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include <cstdio>
#include <cstring>

namespace {

constexpr int kPathBytes = 260; // path buffers of the program, terminator included

// "*.dat" -> "dat"; empty when the list holds no single plain extension.
QString ExtensionOf(const QString &fileTypeList) {
    const QString first = fileTypeList.section(QLatin1Char(';'), 0, 0).trimmed();
    if (!first.startsWith(QLatin1String("*.")) || first.size() < 3) return QString();
    const QString ext = first.mid(2);
    return ext.contains(QLatin1Char('*')) || ext.contains(QLatin1Char('?')) ? QString() : ext;
}

} // namespace

int FileSelectPopup(const char *defaultDirectory, const char *defaultFileName,
                    const char *fileTypeList, const char *title, int buttonLabel,
                    int /*restrictDirectory*/, int restrictExtension, int /*allowCancel*/,
                    int allowMakeDirectory, char *path) {
    if (!path) return VAL_NO_FILE_SELECTED;
    const QString dir = QFile::decodeName(defaultDirectory ? defaultDirectory : "");
    const QString filter = QString::fromLatin1(fileTypeList ? fileTypeList : "*");
    const QString ext = ExtensionOf(filter);
    const bool load = buttonLabel == VAL_LOAD_BUTTON;

    // The dialog (or the answer standing in for it) takes the mouse from
    // whatever button opened it.
    Panel::noteModalDialog();
    QString chosen;
    std::string answer;
    const int answered = dialogSeam.fileSelect ? dialogSeam.fileSelect(&answer) : -1;
    if (answered >= 0) {
        if (answered == 1 && !answer.empty())
            chosen = QDir(dir).absoluteFilePath(QFile::decodeName(answer.c_str()));
    } else {
        if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
            return VAL_NO_FILE_SELECTED;
        QFileDialog dialog(QApplication::activeWindow(), QString::fromLatin1(title ? title : ""),
                           dir, filter);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(load ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        dialog.setAcceptMode(buttonLabel == VAL_SAVE_BUTTON ? QFileDialog::AcceptSave
                                                            : QFileDialog::AcceptOpen);
        static const char *const labels[] = {"OK", "Save", "Select", "Load"};
        if (buttonLabel >= 0 && buttonLabel <= 3)
            dialog.setLabelText(QFileDialog::Accept, QString::fromLatin1(labels[buttonLabel]));
        if (!allowMakeDirectory) dialog.setOption(QFileDialog::ReadOnly);
        if (restrictExtension && !ext.isEmpty()) dialog.setDefaultSuffix(ext);
        if (defaultFileName && *defaultFileName)
            dialog.selectFile(QFile::decodeName(defaultFileName));
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().first();
    }
    if (chosen.isEmpty()) return VAL_NO_FILE_SELECTED;

    if (restrictExtension && !ext.isEmpty() &&
        !chosen.endsWith(QLatin1Char('.') + ext, Qt::CaseInsensitive))
        chosen += QLatin1Char('.') + ext;
    const bool exists = QFileInfo(chosen).isFile();
    if (load && !exists) return VAL_NO_FILE_SELECTED;

    const QByteArray bytes = QFile::encodeName(chosen);
    if (bytes.size() >= kPathBytes) {
        std::fprintf(stderr, "FileSelectPopup: path longer than %d bytes refused: %s\n",
                     kPathBytes - 1, bytes.constData());
        return VAL_NO_FILE_SELECTED;
    }
    std::memcpy(path, bytes.constData(), size_t(bytes.size()) + 1);
    return exists ? VAL_EXISTING_FILE_SELECTED : VAL_NEW_FILE_SELECTED;
}
