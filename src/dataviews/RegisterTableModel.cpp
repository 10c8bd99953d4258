#include "RegisterTableModel.h"

#include <QColor>

RegisterTableModel::RegisterTableModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

void RegisterTableModel::setCaptions(const QStringList& captions)
{
    m_captions = captions;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

void RegisterTableModel::setRows(const QVector<Row>& rows)
{
    beginResetModel();
    m_rows = rows;
    m_notes = QVector<QString>(rows.size());
    endResetModel();
}

void RegisterTableModel::setRow(int row, const Row& texts)
{
    if (row < 0 || row >= m_rows.size())
        return;
    m_rows[row] = texts;
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void RegisterTableModel::setRowNote(int row, const QString& note)
{
    if (row < 0 || row >= m_notes.size())
        return;
    m_notes[row] = note;
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

QString RegisterTableModel::cell(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= ColumnCount)
        return {};
    return m_rows[row][column];
}

int RegisterTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int RegisterTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RegisterTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const QString note = rowNote(index.row());
    if (role == Qt::ToolTipRole && !note.isEmpty())
        return note;
    if (role == Qt::ForegroundRole && !note.isEmpty())
        return QColor(0xC0, 0, 0);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    return cell(index.row(), index.column());
}

QVariant RegisterTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return m_captions.value(section);
    return {};
}

Qt::ItemFlags RegisterTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const int c = index.column();
    // A blank value cell is a register that was not read: there is nothing to edit from.
    if ((c == ColHex || c == ColUint || c == ColBin) && !cell(index.row(), c).isEmpty())
        f |= Qt::ItemIsEditable;
    return f;
}

bool RegisterTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable) || !m_commit)
        return false;
    // A refused commit leaves the stored texts, so the cell shows its old value again.
    return m_commit(index.row(), index.column(), value.toString());
}
