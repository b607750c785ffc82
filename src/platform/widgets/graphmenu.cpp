// Context menus and shortcuts of the graph controls.
#include "platform/widgets/graphmenu.h"

#include "platform/widgets/registry.h"

#include <QAction>
#include <QMenu>
#include <qcustomplot.h>

int InstallGraphMenu(int panel, int control, int withFrame, GraphMenuCallback callback) {
    Panel *p;
    QWidget *w;
    if (!callback || !Find(panel, control, &p, &w) || !qobject_cast<QCustomPlot *>(w)) return -1;
    // Once per control: a second call would make every shortcut ambiguous.
    if (w->property("graphMenu").toBool()) return 0;
    w->setProperty("graphMenu", true);
    w->setFocusPolicy(Qt::StrongFocus);
    // The menu pops up and returns: a menu run by exec() would hold whatever
    // pumps events under it (a run loop's requests stop while it is open).
    w->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(w, &QWidget::customContextMenuRequested, w, [w](const QPoint &at) {
        auto *menu = new QMenu(w);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->addActions(w->actions());
        menu->popup(w->mapToGlobal(at));
    });
    struct Item {
        const char *text;
        QKeySequence keys;
        int action;
    };
    const Item items[] = {
        {"Save picture\u2026", QKeySequence(Qt::CTRL | Qt::Key_S), GRAPHMENU_SAVE_PICTURE},
        {"Copy picture", QKeySequence(Qt::CTRL | Qt::Key_C), GRAPHMENU_COPY_PICTURE},
        {"Save frame as CSV\u2026", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
         GRAPHMENU_SAVE_FRAME},
    };
    for (const Item &item : items) {
        if (item.action == GRAPHMENU_SAVE_FRAME && !withFrame) continue;
        auto *a = new QAction(QString::fromUtf8(item.text), w);
        a->setShortcut(item.keys);
        a->setShortcutContext(Qt::WidgetShortcut);
        a->setShortcutVisibleInContextMenu(true);
        QObject::connect(a, &QAction::triggered, [panel, control, callback, action = item.action] {
            callback(panel, control, action);
        });
        w->addAction(a);
    }
    return 0;
}
