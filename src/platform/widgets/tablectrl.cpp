// Table controls over QTableWidget.
#include "platform/widgets/tablectrl.h"

#include "platform/widgets/panel.h"
#include "platform/widgets/registry.h"

#include <QAbstractItemView>
#include <QFont>
#include <QHeaderView>
#include <QTableWidget>

static constexpr int MARK_ROLE = Qt::UserRole + 1; // 1 on a marked cell
static const QColor MARK_COLOUR(0xFF, 0xD8, 0x70); // background of a marked cell

static QTableWidget *FindTable(int panel, int control) {
    Panel *p = FindPanel(panel);
    return p ? qobject_cast<QTableWidget *>(p->control(control)) : nullptr;
}

static QStringList ToList(const std::vector<std::string> &texts) {
    QStringList list;
    for (const std::string &t : texts)
        list << QString::fromStdString(t);
    return list;
}

int SetTableHeaders(int panel, int control, const std::vector<std::string> &rowHeaders,
                    const std::vector<std::string> &columnHeaders) {
    QTableWidget *t = FindTable(panel, control);
    if (!t) return -1;
    t->setRowCount(int(rowHeaders.size()));
    t->setColumnCount(int(columnHeaders.size()));
    t->setVerticalHeaderLabels(ToList(rowHeaders));
    t->setHorizontalHeaderLabels(ToList(columnHeaders));
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setWordWrap(false);
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    t->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return 0;
}

int SetTableCell(int panel, int control, int row, int column, const std::string &text, int marked) {
    QTableWidget *t = FindTable(panel, control);
    if (!t || row < 0 || column < 0 || row >= t->rowCount() || column >= t->columnCount())
        return -1;
    auto *item = new QTableWidgetItem(QString::fromStdString(text));
    item->setData(MARK_ROLE, marked ? 1 : 0);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (marked) {
        item->setBackground(MARK_COLOUR);
        item->setForeground(Qt::black);
        QFont f = t->font();
        f.setBold(true);
        item->setFont(f);
        item->setData(Qt::AccessibleTextRole,
                      QString::fromStdString(text) + QStringLiteral(" (differs from RAM)"));
    }
    t->setItem(row, column, item);
    return 0;
}

int GetTableCell(int panel, int control, int row, int column, std::string *text, int *marked) {
    QTableWidget *t = FindTable(panel, control);
    if (!t || row < 0 || column < 0 || row >= t->rowCount() || column >= t->columnCount())
        return -1;
    const QTableWidgetItem *item = t->item(row, column);
    if (text) *text = item ? item->text().toStdString() : std::string();
    if (marked) *marked = item ? item->data(MARK_ROLE).toInt() : 0;
    return 0;
}
