// Control values and selector items of userint.h.
#include "platform/widgets/panel.h"
#include "platform/widgets/registry.h"
#include "platform/widgets/userint.h"
#include "platform/winansi.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSpinBox>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

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

} // namespace

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
