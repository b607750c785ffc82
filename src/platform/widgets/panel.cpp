#include "platform/widgets/panel.h"

#include "platform/widgets/graphplot.h"
#include "platform/widgets/numericspinbox.h"
#include "platform/widgets/realspinbox.h"
#include "platform/widgets/registry.h"
#include "platform/widgets/screenfit.h"
#include "platform/widgets/selector.h"
#include "platform/widgets/stripchart.h"
#include "platform/widgets/switchbutton.h"
#include "platform/widgets/uiloader.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTimer>
#include <QXmlStreamReader>

#include <utility>

int Panel::dispatchDepth = 0;
int Panel::modalRuns = 0;

namespace {

QHash<QString, CtrlCallbackPtr> &ctrlCallbacks() {
    static QHash<QString, CtrlCallbackPtr> table;
    return table;
}

QHash<QString, PanelCallbackPtr> &panelCallbacks() {
    static QHash<QString, PanelCallbackPtr> table;
    return table;
}

// Highest control number a panel file may give.
constexpr int kHighestControl = 0xFFFF;

// A class name from the file, fit for one line of a message.
QString Printable(QStringView name) {
    QString out = name.left(80).toString();
    for (QChar &c : out)
        if (!c.isPrint()) c = QLatin1Char('?');
    return out;
}

// QUiLoader reads a damaged file as far as it can and builds what it found,
// so the XML is checked on its own first. Every widget and layout class must
// be one the loader builds: it drops a widget it cannot make, but goes on to
// use a layout it could not make, and crashes.
bool CheckFile(const QString &path, const UiLoader &loader, QString *error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, f.errorString());
        return false;
    }
    QXmlStreamReader xml(&f);
    bool sawUi = false;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        const QStringView element = xml.name();
        if (element == QLatin1String("ui")) {
            sawUi = true;
        } else if (element == QLatin1String("widget") || element == QLatin1String("layout")) {
            const bool isWidget = element == QLatin1String("widget");
            const QString cls = xml.attributes().value(QLatin1String("class")).toString();
            if (isWidget ? !loader.buildsWidget(cls) : !loader.buildsLayout(cls)) {
                *error = QStringLiteral("%1, line %2: unknown %3 class \"%4\"")
                             .arg(path)
                             .arg(xml.lineNumber())
                             .arg(element.toString(), Printable(cls));
                return false;
            }
        }
    }
    if (xml.hasError()) {
        *error = QStringLiteral("%1 does not parse (line %2: %3)")
                     .arg(path)
                     .arg(xml.lineNumber())
                     .arg(xml.errorString());
        return false;
    }
    if (!sawUi) {
        *error = QStringLiteral("%1 is not a panel file").arg(path);
        return false;
    }
    return true;
}

bool InLayout(const QLayout *layout, const QWidget *w) {
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        if (item->widget() == w) return true;
        if (item->layout() && InLayout(item->layout(), w)) return true;
    }
    return false;
}

// The edit menu of a numeric field or a text box pops up and returns, as the
// graphs' menus do: Qt's own runs a nested loop (exec), which holds a run
// loop's pump while the menu is open. A numeric field's menu ends with the
// two steps of Qt's, which commit as a step does.
void PopUpEditMenus(QWidget *w) {
    w->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(w, &QWidget::customContextMenuRequested, w, [w](const QPoint &at) {
        QMenu *menu = nullptr;
        QPoint where = w->mapToGlobal(at);
        if (auto *text = qobject_cast<QPlainTextEdit *>(w)) {
            // A text box hears of a click on its viewport, in its viewport's terms.
            menu = text->createStandardContextMenu(at);
            where = text->viewport()->mapToGlobal(at);
        } else if (auto *edit = w->findChild<QLineEdit *>()) {
            auto *spin = static_cast<QAbstractSpinBox *>(w);
            menu = edit->createStandardContextMenu();
            menu->addSeparator();
            menu->addAction(QObject::tr("&Step up"), spin, &QAbstractSpinBox::stepUp);
            menu->addAction(QObject::tr("Step &down"), spin, &QAbstractSpinBox::stepDown);
        }
        if (!menu) return;
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(where);
    });
}

} // namespace

bool IsLaidOut(const QWidget *w) {
    const QWidget *parent = w->parentWidget();
    return parent && parent->layout() && InLayout(parent->layout(), w);
}

void Panel::registerCallback(const QString &name, CtrlCallbackPtr callback) {
    ctrlCallbacks().insert(name, callback);
}

void Panel::registerPanelCallback(const QString &name, PanelCallbackPtr callback) {
    panelCallbacks().insert(name, callback);
}

Panel::Panel(QWidget *window, int number, int handle)
    : win(window), panelNumber(number), panelHandle(handle) {}

Panel::~Panel() {
    delete win.data();
}

Panel *Panel::load(const QString &path, int number, int handle, QString *error, int *code) {
    *code = LOADPANEL_BAD_FILE;
    if (!QFile::exists(path)) {
        *error = QStringLiteral("%1 not found").arg(path);
        *code = LOADPANEL_NOT_FOUND;
        return nullptr;
    }
    UiLoader loader;
    if (!CheckFile(path, loader, error)) return nullptr;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, f.errorString());
        *code = LOADPANEL_NOT_FOUND;
        return nullptr;
    }
    QWidget *root = loader.load(&f);
    if (!root) {
        *error = QStringLiteral("%1: %2").arg(path, loader.errorString());
        return nullptr;
    }

    // The panels are the wrapper's direct children (or the root itself when a
    // file holds one panel).
    auto isPanel = [number](QWidget *w) {
        bool ok = false;
        return number > 0 && w->property("panel").toInt(&ok) == number && ok;
    };
    QWidget *found = nullptr;
    if (isPanel(root)) {
        found = root;
    } else {
        for (QWidget *w : root->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
            if (isPanel(w)) {
                found = w;
                break;
            }
        }
    }
    if (!found) {
        *error = QStringLiteral("%1 has no panel %2").arg(path).arg(number);
        *code = LOADPANEL_NO_SUCH_PANEL;
        delete root;
        return nullptr;
    }
    if (found != root) {
        found->setParent(nullptr);
        delete root;
    }
    found->setWindowFlags(Qt::Window);
    found->setAttribute(Qt::WA_DeleteOnClose, false);
    const QSize initial = found->property("initialSize").toSize();
    QSize size =
        initial.isValid() ? initial.expandedTo(found->minimumSizeHint()) : found->sizeHint();
    size = FitPanelToScreen(found, size);
    found->resize(size);

    auto *panel = new Panel(found, number, handle);
    if (!panel->bindControls(error)) {
        *error = QStringLiteral("%1, panel %2: %3").arg(path).arg(number).arg(*error);
        delete panel;
        return nullptr;
    }
    return panel;
}

bool Panel::bindControls(QString *error) {
    const QString panelCb = win->property("callback").toString();
    if (!panelCb.isEmpty()) {
        panelCallback = panelCallbacks().value(panelCb, nullptr);
        if (!panelCallback)
            qWarning("panel %d: callback %s is not registered; left unbound", panelNumber,
                     qPrintable(panelCb));
    }
    win->installEventFilter(this);
    // A panel marked so in the file closes on Escape as by its frame's close
    // button: the panel callback gets EVENT_CLOSE and decides.
    if (win->property("escapeCloses").toBool()) {
        auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), win);
        escape->setContext(Qt::WindowShortcut);
        connect(escape, &QShortcut::activated, win, [this] {
            if (win) win->close();
        });
    }

    int highest = 0;
    for (QWidget *w : win->findChildren<QWidget *>()) {
        const QVariant numberProp = w->property("control");
        if (!numberProp.isValid()) continue;
        bool ok = false;
        const int number = numberProp.toInt(&ok);
        // A number near the top of int would leave the text messages the
        // program adds later (numbered after the highest) no room.
        if (!ok || number < 1 || number > kHighestControl) {
            *error = QStringLiteral("control %1 has no valid number").arg(w->objectName());
            return false;
        }
        if (controls.count(number)) {
            *error = QStringLiteral("control number %1 given twice (%2, %3)")
                         .arg(number)
                         .arg(controls[number].widget->objectName(), w->objectName());
            return false;
        }
        Control c;
        c.widget = w;
        c.kind = kindOf(w);
        c.committed = c.seen = numericValue(w);
        const QString cb = w->property("callback").toString();
        if (!cb.isEmpty()) {
            c.callback = ctrlCallbacks().value(cb, nullptr);
            if (!c.callback)
                qWarning("panel %d, control %d (%s): callback %s is not registered; left unbound",
                         panelNumber, number, qPrintable(w->objectName()), qPrintable(cb));
        }
        // The program keeps its radio buttons exclusive itself, and clicking a
        // set one must be able to clear it.
        if (auto *radio = qobject_cast<QRadioButton *>(w)) radio->setAutoExclusive(false);
        // The program's texts are plain: a '<' in a status line is no markup.
        if (c.kind == Kind::TextMessage) static_cast<QLabel *>(w)->setTextFormat(Qt::PlainText);
        if (auto *graph = qobject_cast<GraphPlot *>(w)) graph->applyFileSettings();
        if (auto *chart = qobject_cast<::StripChart *>(w)) chart->applyFileSettings();
        if (auto *combo = qobject_cast<QComboBox *>(w)) {
            // Item values given by the file, "1,2,3"; otherwise the index.
            const QStringList values =
                w->property("itemValues").toString().split(QLatin1Char(','), Qt::SkipEmptyParts);
            for (int i = 0; i < values.size() && i < combo->count(); ++i)
                combo->setItemData(i, values[i].trimmed().toInt());
        }
        controls[number] = c;
        numberOf.insert(w, number);
        highest = qMax(highest, number);
    }
    nextNewControl = highest + 1;

    // Controls placed by position (the logo picture) lie over the laid-out
    // ones of the same parent (the header band); the loader makes them first.
    for (auto &[number, c] : controls)
        if (!IsLaidOut(c.widget)) c.widget->raise();

    for (QLabel *l : win->findChildren<QLabel *>()) {
        QWidget *buddy = l->buddy();
        if (!buddy || !numberOf.contains(buddy)) continue;
        Control &c = controls[numberOf.value(buddy)];
        c.label = l;
        if (c.kind != Kind::TextMessage && buddy->accessibleName().isEmpty())
            buddy->setAccessibleName(l->text().remove(QLatin1Char('&')).remove(QLatin1Char(':')));
    }
    // A text message (the status line) is read out by what it says: a fixed
    // accessible name would hide its text from screen readers, and QLabel
    // announces a new text (NameChanged) only while it has no such name. Its
    // label reaches them through the buddy label's relation; without one, the
    // name the file gave becomes its description.
    for (auto &[number, c] : controls) {
        QWidget *w = c.widget;
        if (c.kind != Kind::TextMessage || w->accessibleName().isEmpty()) continue;
        if (!c.label && w->accessibleDescription().isEmpty())
            w->setAccessibleDescription(w->accessibleName());
        w->setAccessibleName(QString());
    }
    for (auto &[number, c] : controls)
        connectEvents(number, c);
    return true;
}

Panel::Kind Panel::kindOf(QWidget *w) {
    if (qobject_cast<GraphPlot *>(w)) return Kind::Graph;
    if (qobject_cast<::StripChart *>(w)) return Kind::StripChart;
    if (qobject_cast<SwitchButton *>(w)) return Kind::Switch;
    if (auto *b = qobject_cast<QPushButton *>(w))
        return b->isCheckable() ? Kind::Toggle : Kind::Command;
    if (qobject_cast<QRadioButton *>(w)) return Kind::Radio;
    if (qobject_cast<QCheckBox *>(w)) return Kind::Check;
    if (qobject_cast<QAbstractSpinBox *>(w)) return Kind::Numeric;
    if (qobject_cast<QComboBox *>(w)) return Kind::Selector;
    if (qobject_cast<QPlainTextEdit *>(w)) return Kind::TextBox;
    if (qobject_cast<QLabel *>(w))
        return w->property("kind").toString() == QLatin1String("picture") ? Kind::Picture
                                                                          : Kind::TextMessage;
    if (qobject_cast<QFrame *>(w)) return Kind::Decoration;
    return Kind::Other;
}

double Panel::numericValue(QWidget *w) {
    if (auto *s = qobject_cast<QSpinBox *>(w)) return s->value();
    if (auto *d = qobject_cast<QDoubleSpinBox *>(w)) return d->value();
    return 0;
}

void Panel::connectEvents(int number, Control &c) {
    QWidget *w = c.widget;
    switch (c.kind) {
    case Kind::Command: {
        auto *b = static_cast<QPushButton *>(w);
        b->installEventFilter(this);
        // The press raises 3 and the click 1, whatever made them: the mouse,
        // Space, Return, the Alt letter or a screen reader's "press" (the
        // last two press the button at once and click it a moment later).
        // Stop and Send act on 3, so they answer the keyboard too. The mouse
        // press has raised its 3 already, in eventFilter.
        connect(b, &QAbstractButton::pressed, this, [this, number, b] {
            if (std::exchange(controls[number].mousePress, false)) return;
            const int modalBefore = modalRuns;
            raise(number, EVENT_LEFT_CLICK);
            if (modalRuns == modalBefore || discarded) return;
            // A modal dialog on the press took its release, as it takes a
            // mouse release: no commit follows.
            controls[number].noCommit = true;
            QTimer::singleShot(0, this, [this, number] { controls[number].noCommit = false; });
            b->setDown(false);
        });
        connect(b, &QAbstractButton::clicked, this, [this, number] {
            if (!std::exchange(controls[number].noCommit, false)) raise(number, EVENT_COMMIT);
        });
        break;
    }
    case Kind::Toggle:
        connect(static_cast<QAbstractButton *>(w), &QAbstractButton::clicked, this, [this, number] {
            raise(number, EVENT_VAL_CHANGED);
            if (!discarded) raise(number, EVENT_COMMIT);
        });
        break;
    case Kind::Switch:
    case Kind::Radio:
    case Kind::Check:
        connect(static_cast<QAbstractButton *>(w), &QAbstractButton::clicked, this,
                [this, number] { raise(number, EVENT_VAL_CHANGED); });
        break;
    case Kind::Numeric: {
        PopUpEditMenus(w);
        auto commitIfChanged = [this, number] {
            Control &ctl = controls[number];
            const double v = numericValue(ctl.widget);
            if (v == ctl.committed) return;
            ctl.committed = v;
            raise(number, EVENT_COMMIT);
        };
        // Enter makes the box announce its value again, changed or not.
        auto changed = [this, number] {
            Control &ctl = controls[number];
            const double v = numericValue(ctl.widget);
            if (v == ctl.seen) return;
            ctl.seen = v;
            raise(number, EVENT_VAL_CHANGED);
        };
        if (auto *s = qobject_cast<NumericSpinBox *>(w)) {
            connect(s, &QSpinBox::valueChanged, this, changed);
            connect(s, &NumericSpinBox::stepped, this, commitIfChanged);
            connect(s, &QAbstractSpinBox::editingFinished, this, commitIfChanged);
        } else if (auto *d = qobject_cast<RealSpinBox *>(w)) {
            connect(d, &QDoubleSpinBox::valueChanged, this, changed);
            connect(d, &RealSpinBox::stepped, this, commitIfChanged);
            connect(d, &QAbstractSpinBox::editingFinished, this, commitIfChanged);
        }
        break;
    }
    case Kind::Selector: {
        auto *combo = static_cast<QComboBox *>(w);
        connect(combo, &QComboBox::currentIndexChanged, this, [this, number] {
            controls[number].changed = true;
            raise(number, EVENT_VAL_CHANGED);
        });
        // Opening the list is a left click, raised before the list shows, so
        // that the callback can fill it afresh.
        if (auto *selector = qobject_cast<Selector *>(combo))
            connect(selector, &Selector::aboutToOpen, this,
                    [this, number] { raise(number, EVENT_LEFT_CLICK); });
        // Choosing the item that is already current is a commit without a change.
        connect(combo, &QComboBox::activated, this, [this, number] {
            Control &ctl = controls[number];
            if (ctl.changed) {
                ctl.changed = false;
                return;
            }
            raise(number, EVENT_COMMIT);
        });
        break;
    }
    case Kind::TextBox: PopUpEditMenus(w); break;
    default: break;
    }
}

void Panel::raise(int number, int event) {
    auto it = controls.find(number);
    if (discarded || it == controls.end() || !it->second.callback) return;
    QWidget *w = it->second.widget;
    if (!w || !w->isEnabled()) return;
    CtrlCallbackPtr cb = it->second.callback;
    ++dispatchDepth;
    cb(panelHandle, number, event, nullptr, 0, 0);
    --dispatchDepth;
}

bool Panel::eventFilter(QObject *watched, QEvent *event) {
    if (watched == win && event->type() == QEvent::Close) {
        // The window frame's close button: the panel stays; its callback decides.
        event->ignore();
        if (panelCallback && !discarded) {
            ++dispatchDepth;
            panelCallback(panelHandle, EVENT_CLOSE, nullptr, 0, 0);
            --dispatchDepth;
        }
        return true;
    }
    auto *button = qobject_cast<QPushButton *>(watched);
    if (!button || !numberOf.contains(button)) return false;
    const int number = numberOf.value(button);
    if (event->type() == QEvent::MouseButtonPress) {
        auto *me = static_cast<QMouseEvent *>(event);
        if (me->button() != Qt::LeftButton || !button->isEnabled()) return false;
        const int modalBefore = modalRuns;
        QPointer<QPushButton> alive(button);
        raise(number, EVENT_LEFT_CLICK);
        // The press goes on to the button (and its release gives the commit)
        // unless the callback took the button away or ran a modal dialog.
        if (discarded || !alive || !alive->isEnabled() || !alive->isVisible() ||
            modalRuns != modalBefore)
            return true;
        // Its `pressed` is this press's, whose 3 is raised; a press off the
        // button's face emits none, and the mark goes once it is handled.
        controls[number].mousePress = true;
        QTimer::singleShot(0, this, [this, number] { controls[number].mousePress = false; });
        return false;
    }
    if (event->type() == QEvent::Shortcut && !static_cast<QShortcutEvent *>(event)->isAmbiguous()) {
        // The Alt letter clicks at once: the button's own response would
        // show it pressed for 0.1 s first, and a loop goes on meanwhile.
        button->click();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            button->click();
            return true;
        }
    }
    return false;
}

QWidget *Panel::control(int number) const {
    auto it = controls.find(number);
    return it == controls.end() ? nullptr : it->second.widget.data();
}

Panel::Kind Panel::kind(int number) const {
    auto it = controls.find(number);
    return it == controls.end() ? Kind::Other : it->second.kind;
}

QLabel *Panel::label(int number) const {
    auto it = controls.find(number);
    return it == controls.end() ? nullptr : it->second.label.data();
}

int Panel::addTextMessage(const QString &text, int top, int left) {
    // Over the panel's contents, which scroll on a small screen.
    auto *l = new QLabel(text, PanelSurface(win));
    l->setTextFormat(Qt::PlainText);
    l->move(left, top);
    l->adjustSize();
    l->show();
    l->raise();
    const int number = nextNewControl++;
    Control c;
    c.widget = l;
    c.kind = Kind::TextMessage;
    controls[number] = c;
    numberOf.insert(l, number);
    return number;
}

void Panel::valueSetByProgram(int number) {
    auto it = controls.find(number);
    if (it == controls.end()) return;
    it->second.committed = it->second.seen = numericValue(it->second.widget);
}

void Panel::discard() {
    discarded = true;
    if (win) win->hide();
    if (dispatchDepth > 0)
        deleteLater();
    else
        delete this;
}
