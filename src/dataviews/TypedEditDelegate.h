#pragma once
// The delegate of the views' editable grids: only the user's own commit writes,
// that is Enter, Tab or moving to another cell of the grid. An editor is filled
// once when it opens, so cells refreshed under it leave what the user types
// alone; focus that leaves the grid (a button, the window's title bar, another
// window) keeps the editor open, and a view that closes discards it.
#include <QList>
#include <QPointer>
#include <QStyledItemDelegate>

class TypedEditDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

    // Closes every open editor without committing what it holds.
    void discardOpenEditors();

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    mutable QList<QPointer<QWidget>> m_editors;
};
