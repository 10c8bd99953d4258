#include "GridKeys.h"

#include <QKeyEvent>
#include <QTableView>

bool enterOpensEditor(QTableView* grid, QEvent* event)
{
    if (!grid->hasFocus() || (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease))
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    const QModelIndex current = grid->currentIndex();
    if (event->type() == QEvent::KeyPress && (grid->model()->flags(current) & Qt::ItemIsEditable))
        grid->edit(current);
    return true;
}
