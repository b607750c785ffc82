// Panels, callbacks, pictures, text boxes and messages of userint.h on Qt
// Widgets, and what the other service files share (registry.h).
#include "platform/widgets/userint.h"

#include "platform/widgets/panel.h"
#include "platform/widgets/registry.h"
#include "platform/winansi.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <map>

namespace {

std::map<int, Panel *> panels; // loaded panels by handle
int nextPanelHandle = 1;       // handles are never reused

void Report(const QString &what) {
    std::fprintf(stderr, "%s\n", qPrintable(what));
}

} // namespace

// ---- shared with the other service files ----

Panel *FindPanel(int handle) {
    auto it = panels.find(handle);
    return it == panels.end() ? nullptr : it->second;
}

// A bare name is looked for beside the executable (the build tree), then in
// the data folder of an installation, found from the executable's folder
// (VTLX_DATA_DIR is relative to it) so that an installation can be moved.
// The working folder never counts: a stray file there must not replace the
// program's own. When neither has it, the data folder's path is returned, so
// the error names the place the file was expected.
QString ResolveDataFile(const QString &name) {
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))) return name;
    const QDir beside(QCoreApplication::applicationDirPath());
    const QString installed =
        QDir::cleanPath(beside.filePath(QStringLiteral(VTLX_DATA_DIR) + QLatin1Char('/') + name));
    const QString here = beside.filePath(name);
    return QFileInfo::exists(here) ? here : installed;
}

int ElementSize(int type) {
    switch (type) {
    case VAL_CHAR: return 1;
    case VAL_INTEGER: return 4;
    case VAL_SHORT_INTEGER: return 2;
    case VAL_FLOAT: return 4;
    case VAL_DOUBLE: return 8;
    case VAL_UNSIGNED_SHORT_INTEGER: return 2;
    case VAL_UNSIGNED_INTEGER: return 4;
    default: return 0;
    }
}

double ElementAt(const void *array, int type, int index) {
    switch (type) {
    case VAL_CHAR: return static_cast<const signed char *>(array)[index];
    case VAL_INTEGER: return static_cast<const int32_t *>(array)[index];
    case VAL_SHORT_INTEGER: return static_cast<const int16_t *>(array)[index];
    case VAL_FLOAT: return static_cast<const float *>(array)[index];
    case VAL_DOUBLE: return static_cast<const double *>(array)[index];
    case VAL_UNSIGNED_SHORT_INTEGER: return static_cast<const uint16_t *>(array)[index];
    case VAL_UNSIGNED_INTEGER: return static_cast<const uint32_t *>(array)[index];
    default: return 0;
    }
}

bool Find(int panel, int control, Panel **p, QWidget **w) {
    *p = FindPanel(panel);
    *w = *p ? (*p)->control(control) : nullptr;
    return *w != nullptr;
}

QColor Rgb(int color) {
    return QColor((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
}

int RgbOf(const QColor &c) {
    return (c.red() << 16) | (c.green() << 8) | c.blue();
}

void FitIfFree(QWidget *w) {
    if (!IsLaidOut(w)) w->adjustSize();
}

double TruncateInto(double v, double lo, double hi) {
    return std::trunc(std::clamp(v, lo, hi));
}

// ---- application, callbacks and panels ----

namespace {

// Arguments handed to QApplication; they must outlive it.
int appArgc = 1;
char appName[] = "vortelix-riror";
char *appArgv[] = {appName, nullptr};

bool DisplayAvailable() {
#if defined(Q_OS_LINUX)
    return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") ||
           std::getenv("QT_QPA_PLATFORM");
#else
    return true;
#endif
}

} // namespace

int InitUserInterface(char *argv[]) {
    if (QCoreApplication::instance())
        return qobject_cast<QApplication *>(QCoreApplication::instance()) ? 1 : 0;
    // Without a display Qt would abort inside the constructor; say why instead.
    if (!DisplayAvailable()) {
        std::fprintf(stderr,
                     "vortelix-riror: no display (set DISPLAY, or QT_QPA_PLATFORM=offscreen)\n");
        return 0;
    }
    if (argv && argv[0]) appArgv[0] = argv[0];
    auto *app = new QApplication(appArgc, appArgv); // lives until the process ends
    app->setQuitOnLastWindowClosed(false);          // closing is the panel callback's decision
    return 1;
}

void RegisterCallback(const char *name, CtrlCallbackPtr callback) {
    if (name) Panel::registerCallback(QString::fromLatin1(name), callback);
}

void RegisterPanelCallback(const char *name, PanelCallbackPtr callback) {
    if (name) Panel::registerPanelCallback(QString::fromLatin1(name), callback);
}

int LoadPanel(int /*parentPanel*/, const char *file, int panelResourceId) {
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        Report(QStringLiteral("LoadPanel: the user interface is not initialised"));
        return LOADPANEL_NO_APPLICATION;
    }
    if (!file) return LOADPANEL_NOT_FOUND;
    const QString path = ResolveDataFile(QFile::decodeName(file));
    QString error;
    int code = 0;
    const int handle = nextPanelHandle;
    Panel *p = Panel::load(path, panelResourceId, handle, &error, &code);
    if (!p) {
        Report(QStringLiteral("LoadPanel: ") + error);
        return code;
    }
    ++nextPanelHandle;
    panels[handle] = p;
    return handle;
}

int DisplayPanel(int panel) {
    Panel *p = FindPanel(panel);
    if (!p) return -1;
    p->window()->show();
    p->window()->raise();
    p->window()->activateWindow();
    return 0;
}

int HidePanel(int panel) {
    Panel *p = FindPanel(panel);
    if (!p) return -1;
    p->window()->hide();
    return 0;
}

int DiscardPanel(int panel) {
    Panel *p = FindPanel(panel);
    if (!p) return -1;
    panels.erase(panel);
    p->discard();
    return 0;
}

// ---- new controls, pictures, text boxes ----

int NewCtrl(int panel, int style, const char *label, int top, int left) {
    Panel *p = FindPanel(panel);
    if (!p || style != CTRL_TEXT_MSG) return -1;
    return p->addTextMessage(FromWinAnsi(label ? label : ""), top, left);
}

int DisplayImageFile(int panel, int control, const char *file) {
    Panel *p;
    QWidget *w;
    if (!Find(panel, control, &p, &w) || !file) return -1;
    auto *l = qobject_cast<QLabel *>(w);
    if (!l) return -1;
    const QString path = ResolveDataFile(QFile::decodeName(file));
    // On a screen at scale 2 (or between 1 and 2) a bitmap drawn at twice its
    // size, "name@2x.png" beside it, keeps it sharp; it shows at the size of
    // the plain one.
    QPixmap pixmap;
    const int dot = int(path.lastIndexOf(QLatin1Char('.')));
    const QString sharp = dot > 0 ? path.left(dot) + QStringLiteral("@2x") + path.mid(dot) : path;
    if (l->devicePixelRatioF() > 1.0 && sharp != path && pixmap.load(sharp))
        pixmap.setDevicePixelRatio(2.0);
    else
        pixmap.load(path);
    if (pixmap.isNull()) {
        Report(QStringLiteral("DisplayImageFile: cannot load %1").arg(path));
        return -1;
    }
    l->setPixmap(pixmap);
    FitIfFree(l);
    return 0;
}

int ReplaceTextBoxLine(int panel, int control, int line, const char *text) {
    Panel *p;
    QWidget *w;
    if (!Find(panel, control, &p, &w) || line < 0 || !text) return -1;
    auto *box = qobject_cast<QPlainTextEdit *>(w);
    if (!box) return -1;
    QStringList lines = box->toPlainText().split(QLatin1Char('\n'));
    if (box->toPlainText().isEmpty()) lines.clear();
    while (lines.size() <= line)
        lines.append(QString());
    lines[line] = FromWinAnsi(text);
    const QSignalBlocker block(w);
    box->setPlainText(lines.join(QLatin1Char('\n')));
    return 0;
}

// ---- messages ----

int MessagePopup(const char *title, const char *message) {
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()) || !title || !message)
        return -1;
    // Over the active window, else over the first window shown (at start no
    // window is active yet).
    QWidget *over = QApplication::activeWindow();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (!over && w->isVisible()) over = w;
    auto *box = new QMessageBox(QMessageBox::Information, FromWinAnsi(title), FromWinAnsi(message),
                                QMessageBox::Ok, over);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
    return 0;
}
