// Panels, controls and graphs of userint.h on Qt Widgets.
#include "platform/userint.h"

#include "platform/graphplot.h"
#include "platform/panel.h"
#include "platform/registry.h"
#include "platform/stripchart.h"
#include "platform/switchbutton.h"
#include "platform/testhooks.h"
#include "platform/winansi.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>

namespace {

std::map<int, Panel *> panels; // loaded panels by handle
int nextPanelHandle = 1;       // handles are never reused

constexpr int kTextBytes = 260; // text buffers of the program, terminator included

void Report(const QString &what) {
    std::fprintf(stderr, "%s\n", qPrintable(what));
}

// The control of a panel and its kind; false when either is unknown.
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

// A widget outside any layout sizes itself to its contents.
void FitIfFree(QWidget *w) {
    if (!IsLaidOut(w)) w->adjustSize();
}

// Value of a selector item: the value the file or InsertListItem gave it,
// else its index.
int ItemValue(const QComboBox *c, int index) {
    const QVariant v = c->itemData(index);
    return v.isValid() ? v.toInt() : index;
}

// The item whose value is nearest to `value` (a value between or beyond the
// items is coerced, as numeric controls are).
int NearestItem(const QComboBox *c, double value) {
    int best = -1;
    double bestDistance = 0;
    for (int i = 0; i < c->count(); ++i) {
        const double d = std::fabs(ItemValue(c, i) - value);
        if (best < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

// Truncates toward zero into [lo, hi]; NaN is rejected by the callers.
double TruncateInto(double v, double lo, double hi) {
    return std::trunc(std::clamp(v, lo, hi));
}

int SetNumber(int panel, int control, double value, bool integer) {
    Panel *p;
    QWidget *w;
    if (!Find(panel, control, &p, &w) || std::isnan(value)) return -1;
    const QSignalBlocker block(w);
    switch (p->kind(control)) {
    case Panel::Kind::Numeric:
        if (auto *s = qobject_cast<QSpinBox *>(w))
            s->setValue(int(TruncateInto(value, s->minimum(), s->maximum())));
        else if (auto *d = qobject_cast<QDoubleSpinBox *>(w))
            d->setValue(std::clamp(value, d->minimum(), d->maximum()));
        break;
    case Panel::Kind::Selector: {
        auto *c = static_cast<QComboBox *>(w);
        const int item = NearestItem(c, value);
        if (item < 0) return -1;
        c->setCurrentIndex(item);
        break;
    }
    case Panel::Kind::Radio:
    case Panel::Kind::Check:
    case Panel::Kind::Switch:
    case Panel::Kind::Toggle:
        static_cast<QAbstractButton *>(w)->setChecked(value != 0);
        w->update();
        break;
    case Panel::Kind::TextMessage:
        static_cast<QLabel *>(w)->setText(integer ? QString::number(qint64(value))
                                                  : QString::number(value));
        FitIfFree(w);
        break;
    case Panel::Kind::TextBox:
        static_cast<QPlainTextEdit *>(w)->setPlainText(integer ? QString::number(qint64(value))
                                                               : QString::number(value));
        break;
    default: return -1;
    }
    p->valueSetByProgram(control);
    return 0;
}

// The control's value as a number; false for controls without one.
bool NumberOf(Panel *p, int control, QWidget *w, double *value) {
    switch (p->kind(control)) {
    case Panel::Kind::Numeric:
        if (auto *s = qobject_cast<QSpinBox *>(w))
            *value = s->value();
        else
            *value = static_cast<QDoubleSpinBox *>(w)->value();
        return true;
    case Panel::Kind::Selector: {
        auto *c = static_cast<QComboBox *>(w);
        if (c->currentIndex() < 0) return false;
        *value = ItemValue(c, c->currentIndex());
        return true;
    }
    case Panel::Kind::Radio:
    case Panel::Kind::Check:
    case Panel::Kind::Switch:
    case Panel::Kind::Toggle:
        *value = static_cast<QAbstractButton *>(w)->isChecked() ? 1 : 0;
        return true;
    case Panel::Kind::TextMessage:
    case Panel::Kind::TextBox: {
        bool ok = false;
        const QString t = p->kind(control) == Panel::Kind::TextMessage
                              ? static_cast<QLabel *>(w)->text()
                              : static_cast<QPlainTextEdit *>(w)->toPlainText();
        *value = t.trimmed().toDouble(&ok);
        return ok;
    }
    default: return false;
    }
}

bool GetNumber(int panel, int control, double *value) {
    Panel *p;
    QWidget *w;
    return Find(panel, control, &p, &w) && NumberOf(p, control, w, value);
}

GraphPlot *FindGraph(int panel, int graph) {
    Panel *p;
    QWidget *w;
    return Find(panel, graph, &p, &w) ? qobject_cast<GraphPlot *>(w) : nullptr;
}

StripChart *FindChart(int panel, int chart) {
    Panel *p;
    QWidget *w;
    return Find(panel, chart, &p, &w) ? qobject_cast<StripChart *>(w) : nullptr;
}

QVector<double> ToDoubles(const void *data, int type, int count) {
    QVector<double> out(count);
    for (int i = 0; i < count; ++i)
        out[i] = ElementAt(data, type, i);
    return out;
}

// Colour attributes live in the palette, so they survive style changes.
void SetPaletteColor(QWidget *w, QPalette::ColorRole role, int color) {
    QPalette pal = w->palette();
    pal.setColor(role, Rgb(color));
    w->setPalette(pal);
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

// ---- callbacks and panels ----

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

// ---- values ----

int SetCtrlVal(int panel, int control, int value) {
    return SetNumber(panel, control, value, true);
}

int SetCtrlVal(int panel, int control, double value) {
    return SetNumber(panel, control, value, false);
}

int SetCtrlVal(int panel, int control, const char *value) {
    Panel *p;
    QWidget *w;
    if (!Find(panel, control, &p, &w) || !value) return -1;
    const QString text = FromWinAnsi(value);
    switch (p->kind(control)) {
    case Panel::Kind::TextMessage: {
        const QSignalBlocker block(w);
        static_cast<QLabel *>(w)->setText(text);
        FitIfFree(w);
        return 0;
    }
    case Panel::Kind::TextBox: {
        const QSignalBlocker block(w);
        static_cast<QPlainTextEdit *>(w)->setPlainText(text);
        return 0;
    }
    case Panel::Kind::Selector: {
        auto *c = static_cast<QComboBox *>(w);
        const int item = c->findText(text);
        if (item < 0) return -1;
        const QSignalBlocker block(w);
        c->setCurrentIndex(item);
        p->valueSetByProgram(control);
        return 0;
    }
    default: {
        bool ok = false;
        const double v = text.trimmed().toDouble(&ok);
        return ok ? SetNumber(panel, control, v, false) : -1;
    }
    }
}

int GetCtrlVal(int panel, int control, unsigned short *value) {
    double v;
    if (!value || !GetNumber(panel, control, &v)) return -1;
    // Truncated toward zero; the low 16 bits, negative values in two's complement.
    const double t = TruncateInto(v, double(std::numeric_limits<int64_t>::min()),
                                  9.2233720368547748e18 /* below 2^63 */);
    *value = static_cast<unsigned short>(static_cast<uint64_t>(static_cast<int64_t>(t)) & 0xFFFF);
    return 0;
}

int GetCtrlVal(int panel, int control, int *value) {
    double v;
    if (!value || !GetNumber(panel, control, &v)) return -1;
    *value = int(TruncateInto(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    return 0;
}

int GetCtrlVal(int panel, int control, double *value) {
    double v;
    if (!value || !GetNumber(panel, control, &v)) return -1;
    *value = v;
    return 0;
}

int GetCtrlVal(int panel, int control, float *value) {
    double v;
    if (!value || !GetNumber(panel, control, &v)) return -1;
    *value = float(v);
    return 0;
}

int GetCtrlVal(int panel, int control, char *value) {
    Panel *p;
    QWidget *w;
    if (!value || !Find(panel, control, &p, &w)) return -1;
    QString text;
    switch (p->kind(control)) {
    case Panel::Kind::TextMessage: text = static_cast<QLabel *>(w)->text(); break;
    case Panel::Kind::TextBox: text = static_cast<QPlainTextEdit *>(w)->toPlainText(); break;
    case Panel::Kind::Selector: text = static_cast<QComboBox *>(w)->currentText(); break;
    case Panel::Kind::Numeric:
        if (auto *s = qobject_cast<QSpinBox *>(w))
            text = s->cleanText();
        else
            text = static_cast<QDoubleSpinBox *>(w)->cleanText();
        break;
    default: {
        double v;
        if (!NumberOf(p, control, w, &v)) return -1;
        text = QString::number(v);
    }
    }
    const QByteArray bytes = ToWinAnsi(text).left(kTextBytes - 1);
    std::memcpy(value, bytes.constData(), size_t(bytes.size()));
    value[bytes.size()] = '\0';
    return 0;
}

// ---- attributes ----

int SetCtrlAttribute(int panel, int control, int attribute, int value) {
    Panel *p;
    QWidget *w;
    if (!Find(panel, control, &p, &w)) return -1;
    QLabel *label = p->label(control);
    switch (attribute) {
    case ATTR_DIMMED:
        w->setEnabled(value == 0);
        if (label) label->setEnabled(value == 0);
        return 0;
    case ATTR_VISIBLE:
        w->setVisible(value != 0);
        if (label) label->setVisible(value != 0);
        return 0;
    case ATTR_LEFT:
    case ATTR_TOP: {
        // Positions count in pixels of the panel, whatever holds the control.
        const QPoint now = w->mapTo(p->window(), QPoint(0, 0));
        const QPoint want =
            attribute == ATTR_LEFT ? QPoint(value, now.y()) : QPoint(now.x(), value);
        QWidget *parent = w->parentWidget();
        w->move(parent == p->window() ? want : parent->mapFrom(p->window(), want));
        return 0;
    }
    case ATTR_FRAME_COLOR:
        w->setProperty("frameColor", value & 0xFFFFFF);
        w->setStyleSheet(QStringLiteral("background-color: #%1;")
                             .arg(value & 0xFFFFFF, 6, 16, QLatin1Char('0')));
        return 0;
    case ATTR_TEXT_COLOR:
        SetPaletteColor(w, QPalette::WindowText, value);
        SetPaletteColor(w, QPalette::Text, value);
        SetPaletteColor(w, QPalette::ButtonText, value);
        return 0;
    case ATTR_TEXT_BGCOLOR:
        w->setAutoFillBackground(true);
        SetPaletteColor(w, QPalette::Window, value);
        SetPaletteColor(w, QPalette::Base, value);
        return 0;
    case ATTR_TEXT_POINT_SIZE: {
        if (value < 1 || value > 400) return -1;
        // Sized in pixels like the positions of the same texts, so a header
        // laid out in pixels keeps its proportions on any screen.
        QFont f = w->font();
        f.setPixelSize(value);
        w->setFont(f);
        FitIfFree(w);
        return 0;
    }
    case ATTR_SCROLL_MODE:
    case ATTR_NUM_TRACES:
    case ATTR_POINTS_PER_SCREEN: {
        auto *chart = qobject_cast<StripChart *>(w);
        if (!chart) return -1;
        if (attribute == ATTR_SCROLL_MODE)
            chart->setScrollMode(value);
        else if (attribute == ATTR_NUM_TRACES)
            return chart->setTraceCount(value) ? 0 : -1;
        else
            return chart->setPointsPerScreen(value) ? 0 : -1;
        return 0;
    }
    default: return -1;
    }
}

int SetCtrlAttribute(int panel, int control, int attribute, const char *value) {
    Panel *p;
    QWidget *w;
    if (!Find(panel, control, &p, &w) || !value) return -1;
    const QString text = FromWinAnsi(value);
    switch (attribute) {
    case ATTR_TEXT_FONT: {
        // A family this system lacks (the program names the run-time's own
        // dialog font) keeps the application's font.
        QFont f = w->font();
        f.setFamily(QFontDatabase::hasFamily(text) ? text : QApplication::font().family());
        w->setFont(f);
        FitIfFree(w);
        return 0;
    }
    case ATTR_ON_TEXT:
    case ATTR_OFF_TEXT: {
        auto *sw = qobject_cast<SwitchButton *>(w);
        if (!sw) return -1;
        if (attribute == ATTR_ON_TEXT)
            sw->setOnText(text);
        else
            sw->setOffText(text);
        return 0;
    }
    default: return -1;
    }
}

int GetCtrlAttribute(int panel, int control, int attribute, int *value) {
    Panel *p;
    QWidget *w;
    if (!Find(panel, control, &p, &w) || !value) return -1;
    switch (attribute) {
    case ATTR_DIMMED: *value = w->isEnabled() ? 0 : 1; return 0;
    case ATTR_VISIBLE: *value = w->isHidden() ? 0 : 1; return 0;
    case ATTR_LEFT: *value = w->mapTo(p->window(), QPoint(0, 0)).x(); return 0;
    case ATTR_TOP: *value = w->mapTo(p->window(), QPoint(0, 0)).y(); return 0;
    case ATTR_WIDTH: *value = w->width(); return 0;
    case ATTR_HEIGHT: *value = w->height(); return 0;
    case ATTR_FRAME_COLOR:
        if (!w->property("frameColor").isValid()) return -1;
        *value = w->property("frameColor").toInt();
        return 0;
    case ATTR_TEXT_COLOR: *value = RgbOf(w->palette().color(QPalette::WindowText)); return 0;
    case ATTR_TEXT_BGCOLOR: *value = RgbOf(w->palette().color(QPalette::Window)); return 0;
    case ATTR_TEXT_POINT_SIZE: *value = w->font().pixelSize(); return 0;
    case ATTR_SCROLL_MODE:
    case ATTR_NUM_TRACES:
    case ATTR_POINTS_PER_SCREEN: {
        auto *chart = qobject_cast<StripChart *>(w);
        if (!chart) return -1;
        *value = attribute == ATTR_SCROLL_MODE  ? chart->scrollMode()
                 : attribute == ATTR_NUM_TRACES ? chart->traceCount()
                                                : chart->pointsPerScreen();
        return 0;
    }
    default: return -1;
    }
}

int GetCtrlAttribute(int panel, int control, int attribute, char *value) {
    Panel *p;
    QWidget *w;
    if (!Find(panel, control, &p, &w) || !value) return -1;
    QString text;
    if (attribute == ATTR_TEXT_FONT) {
        text = w->font().family();
    } else if (attribute == ATTR_ON_TEXT || attribute == ATTR_OFF_TEXT) {
        auto *sw = qobject_cast<SwitchButton *>(w);
        if (!sw) return -1;
        text = attribute == ATTR_ON_TEXT ? sw->onText() : sw->offText();
    } else {
        return -1;
    }
    const QByteArray bytes = ToWinAnsi(text).left(259);
    std::memcpy(value, bytes.constData(), size_t(bytes.size()));
    value[bytes.size()] = '\0';
    return 0;
}

int SetCtrlRange(int panel, int control, double min, double max) {
    Panel *p;
    QWidget *w;
    if (!Find(panel, control, &p, &w) || !(min <= max)) return -1;
    const QSignalBlocker block(w);
    if (auto *s = qobject_cast<QSpinBox *>(w)) {
        s->setRange(int(TruncateInto(min, std::numeric_limits<int>::min(),
                                     std::numeric_limits<int>::max())),
                    int(TruncateInto(max, std::numeric_limits<int>::min(),
                                     std::numeric_limits<int>::max())));
    } else if (auto *d = qobject_cast<QDoubleSpinBox *>(w)) {
        d->setRange(min, max);
    } else {
        return -1;
    }
    p->valueSetByProgram(control);
    return 0;
}

// ---- selector items ----

int ClearListCtrl(int panel, int control) {
    Panel *p;
    QWidget *w;
    if (!Find(panel, control, &p, &w) || p->kind(control) != Panel::Kind::Selector) return -1;
    const QSignalBlocker block(w);
    static_cast<QComboBox *>(w)->clear();
    p->valueSetByProgram(control);
    return 0;
}

int InsertListItem(int panel, int control, int index, const char *label, int value) {
    Panel *p;
    QWidget *w;
    if (!Find(panel, control, &p, &w) || p->kind(control) != Panel::Kind::Selector || !label)
        return -1;
    auto *c = static_cast<QComboBox *>(w);
    // Items without a value of their own stand for their index; giving one
    // item a value fixes the others at their current meaning.
    for (int i = 0; i < c->count(); ++i)
        if (!c->itemData(i).isValid()) c->setItemData(i, i);
    const QSignalBlocker block(w);
    c->insertItem(index < 0 || index > c->count() ? c->count() : index, FromWinAnsi(label), value);
    p->valueSetByProgram(control);
    return 0;
}

int GetNumListItems(int panel, int control, int *count) {
    Panel *p;
    QWidget *w;
    if (!count || !Find(panel, control, &p, &w) || p->kind(control) != Panel::Kind::Selector)
        return -1;
    *count = static_cast<QComboBox *>(w)->count();
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

// ---- graphs and strip charts ----

int PlotXY(int panel, int graph, const void *x, const void *y, int count, int xType, int yType,
           int /*plotStyle*/, int /*pointStyle*/, int /*lineStyle*/, int /*pointFrequency*/,
           int color) {
    GraphPlot *g = FindGraph(panel, graph);
    if (!g || !x || !y || count < 1 || !ElementSize(xType) || !ElementSize(yType)) return -1;
    return g->addPlot(ToDoubles(x, xType, count), ToDoubles(y, yType, count), Rgb(color));
}

int PlotRectangle(int panel, int graph, double x1, double y1, double x2, double y2, int frameColor,
                  int fillColor) {
    GraphPlot *g = FindGraph(panel, graph);
    if (!g) return -1;
    return g->addRect(x1, y1, x2, y2, Rgb(frameColor), Rgb(fillColor));
}

int DeleteGraphPlot(int panel, int graph, int plotHandle, int /*refresh*/) {
    GraphPlot *g = FindGraph(panel, graph);
    return g && g->deletePlot(plotHandle) ? 0 : -1;
}

int SetGraphCursor(int panel, int graph, int cursor, double x, double y) {
    GraphPlot *g = FindGraph(panel, graph);
    return g && g->setCursor(cursor, x, y) ? 0 : -1;
}

int GetGraphCursor(int panel, int graph, int cursor, double *x, double *y) {
    GraphPlot *g = FindGraph(panel, graph);
    return g && g->cursorPosition(cursor, x, y) ? 0 : -1;
}

int SetAxisScalingMode(int panel, int graph, int axis, int mode, double min, double max) {
    if (mode != VAL_MANUAL && mode != VAL_AUTOSCALE) return -1;
    if (GraphPlot *g = FindGraph(panel, graph))
        return g->setAxisRange(axis, mode == VAL_AUTOSCALE, min, max) ? 0 : -1;
    StripChart *c = FindChart(panel, graph);
    // The strip chart's x axis is its points per screen.
    if (!c || axis != VAL_LEFT_YAXIS) return -1;
    if (mode == VAL_AUTOSCALE) {
        c->yAxis->rescale(true);
    } else {
        if (!(min < max)) return -1;
        c->yAxis->setRange(min, max);
    }
    c->scheduleReplot();
    return 0;
}

int PlotStripChart(int panel, int chart, const void *values, int count, int start, int skip,
                   int dataType) {
    StripChart *c = FindChart(panel, chart);
    if (!c || !values || count < 1 || start < 0 || skip < 0 || !ElementSize(dataType)) return -1;
    std::vector<double> taken;
    taken.reserve(size_t(count));
    for (int i = start; i < count; i += 1 + skip)
        taken.push_back(ElementAt(values, dataType, i));
    c->append(taken);
    return 0;
}

int SetTraceAttribute(int panel, int chart, int trace, int attribute, int value) {
    StripChart *c = FindChart(panel, chart);
    if (!c || attribute != ATTR_TRACE_COLOR) return -1;
    return c->setTraceColor(trace, Rgb(value)) ? 0 : -1;
}

// ---- inspection for the tests ----

int GetGraphPlotCount(int panel, int graph) {
    GraphPlot *g = FindGraph(panel, graph);
    return g ? g->plotCount() : -1;
}

int GetGraphPlotPoints(int panel, int graph, int plot, double *x, double *y, int maxPoints,
                       int *color) {
    GraphPlot *g = FindGraph(panel, graph);
    QVector<double> xs, ys;
    QColor c;
    if (!g || !g->plotPoints(plot, &xs, &ys, &c)) return -1;
    for (int i = 0; i < xs.size() && i < maxPoints; ++i) {
        if (x) x[i] = xs[i];
        if (y) y[i] = ys[i];
    }
    if (color) *color = RgbOf(c);
    return int(xs.size());
}

int GetGraphRectCount(int panel, int graph) {
    GraphPlot *g = FindGraph(panel, graph);
    return g ? g->rectCount() : -1;
}

int GetGraphRect(int panel, int graph, int index, double *x1, double *y1, double *x2, double *y2,
                 int *frameColor, int *fillColor) {
    GraphPlot *g = FindGraph(panel, graph);
    QRectF r;
    QColor frame, fill;
    if (!g || !g->rect(index, &r, &frame, &fill)) return -1;
    if (x1) *x1 = r.left();
    if (y1) *y1 = r.top();
    if (x2) *x2 = r.right();
    if (y2) *y2 = r.bottom();
    if (frameColor) *frameColor = RgbOf(frame);
    if (fillColor) *fillColor = RgbOf(fill);
    return 0;
}

int GetAxisRange(int panel, int graph, int axis, double *min, double *max) {
    if (!min || !max) return -1;
    if (GraphPlot *g = FindGraph(panel, graph)) return g->axisRange(axis, min, max) ? 0 : -1;
    StripChart *c = FindChart(panel, graph);
    if (!c || (axis != 0 && axis != 1)) return -1;
    const QCPRange r = (axis == 0 ? c->xAxis : c->yAxis)->range();
    *min = r.lower;
    *max = r.upper;
    return 0;
}

int GetStripChartTrace(int panel, int chart, int trace, double *values, int maxPoints, int *color) {
    StripChart *c = FindChart(panel, chart);
    QVector<double> v;
    QColor col;
    if (!c || !c->tracePoints(trace, &v, &col)) return -1;
    for (int i = 0; i < v.size() && i < maxPoints; ++i)
        if (values) values[i] = v[i];
    if (color) *color = RgbOf(col);
    return int(v.size());
}
