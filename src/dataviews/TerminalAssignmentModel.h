#pragma once
// The rows behind the controller's terminal grid: Pos, Description and the
// "Link terminal" code. A chosen code stays here until the view packs it on
// Apply; rows without a field (past 64) or without a read value are locked.
#include "ControllerSettingLogic.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QStyledItemDelegate>
#include <optional>
#include <vector>

class TerminalAssignmentModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColPos = 0, ColDescription = 1, ColLink = 2, ColumnCount = 3 };

    explicit TerminalAssignmentModel(QObject* parent = nullptr);

    void setTerminals(std::vector<controller::TerminalRow> rows);
    // The codes read from the device; none: the assignments are unknown and locked.
    void setCodes(const std::optional<std::vector<int32_t>>& codes);
    // The codes of the assignable rows in row order, for packing.
    std::vector<int32_t> codes() const;
    int32_t code(int row) const { return m_codes.value(row); }
    QString cell(int row, int column) const { return data(index(row, column)).toString(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    std::vector<controller::TerminalRow> m_rows;
    QVector<int32_t> m_codes;
    bool m_known = false;
};

// The value list of the "Link terminal" column as a drop-down list.
class LinkTerminalDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

    // Takes the open list's choice into the model and closes it, as a click elsewhere does.
    void commitOpenEditor();

private:
    mutable QPointer<QWidget> m_open; // the view ignores an editor it has closed already
};
