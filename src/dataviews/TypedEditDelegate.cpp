#include "TypedEditDelegate.h"

#include <QApplication>
#include <QEvent>
#include <QLineEdit>

namespace {
const char* const kFilled = "typedEditFilled";
} // namespace

QWidget* TypedEditDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const
{
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (editor)
        m_editors.append(editor);
    return editor;
}

void TypedEditDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const
{
    m_editors.removeAll(editor);
    QStyledItemDelegate::destroyEditor(editor, index);
}

void TypedEditDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    // The view fills open editors again whenever their cells change (every tick of a refresh).
    if (editor->property(kFilled).toBool())
        return;
    editor->setProperty(kFilled, true);
    QStyledItemDelegate::setEditorData(editor, index);
}

void TypedEditDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    // An untouched editor writes nothing; typing the value a cell already shows writes it again.
    if (const auto* line = qobject_cast<QLineEdit*>(editor); line && !line->isModified())
        return;
    QStyledItemDelegate::setModelData(editor, model, index);
}

void TypedEditDelegate::discardOpenEditors()
{
    const QList<QPointer<QWidget>> editors = m_editors;
    m_editors.clear();
    for (const QPointer<QWidget>& editor : editors)
        if (editor)
            Q_EMIT closeEditor(editor, QAbstractItemDelegate::NoHint);
}

bool TypedEditDelegate::eventFilter(QObject* object, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        auto* editor = qobject_cast<QWidget*>(object);
        // The editor lies in the grid's viewport; focus on the grid means another cell was chosen.
        QWidget* viewport = editor ? editor->parentWidget() : nullptr;
        QWidget* grid = viewport ? viewport->parentWidget() : nullptr;
        QWidget* focus = QApplication::focusWidget();
        if (grid && !(focus && (focus == grid || grid->isAncestorOf(focus))))
            return false; // neither committed nor closed
    }
    return QStyledItemDelegate::eventFilter(object, event);
}
