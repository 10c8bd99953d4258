#include "TerminalAssignmentModel.h"

#include <QComboBox>
#include <algorithm>

TerminalAssignmentModel::TerminalAssignmentModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

void TerminalAssignmentModel::setTerminals(std::vector<controller::TerminalRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_codes = QVector<int32_t>(qsizetype(m_rows.size()), 0);
    m_known = false;
    endResetModel();
}

void TerminalAssignmentModel::setCodes(const std::optional<std::vector<int32_t>>& codes)
{
    m_known = codes.has_value();
    for (qsizetype r = 0; r < m_codes.size(); ++r)
        m_codes[r] = (codes && size_t(r) < codes->size()) ? (*codes)[size_t(r)] : 0;
    if (!m_rows.empty())
        Q_EMIT dataChanged(index(0, ColLink), index(rowCount() - 1, ColLink));
}

std::vector<int32_t> TerminalAssignmentModel::codes() const
{
    std::vector<int32_t> out;
    for (size_t r = 0; r < m_rows.size() && m_rows[r].assignable; ++r)
        out.push_back(m_codes[qsizetype(r)]);
    return out;
}

int TerminalAssignmentModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TerminalAssignmentModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TerminalAssignmentModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const controller::TerminalRow& row = m_rows[size_t(index.row())];
    if (role == Qt::EditRole && index.column() == ColLink)
        return m_codes[index.row()];
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case ColPos: return row.pos;
    case ColDescription: return row.name;
    case ColLink:
        // Unread assignments and terminals without a field show nothing rather than a guess.
        return (m_known && row.assignable) ? controller::assignmentText(m_codes[index.row()]) : QString();
    default: return {};
    }
}

QVariant TerminalAssignmentModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case ColPos: return QStringLiteral("Pos");
    case ColDescription: return QStringLiteral("Description");
    case ColLink: return QStringLiteral("Link terminal");
    default: return {};
    }
}

Qt::ItemFlags TerminalAssignmentModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() == ColLink && m_known && m_rows[size_t(index.row())].assignable)
        f |= Qt::ItemIsEditable;
    return f;
}

bool TerminalAssignmentModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    bool ok = false;
    const int32_t code = value.toInt(&ok);
    const auto& codes = controller::kAssignmentCodes;
    if (!ok || std::find(codes.begin(), codes.end(), code) == codes.end())
        return false;
    m_codes[index.row()] = code;
    Q_EMIT dataChanged(index, index);
    return true;
}

QWidget* LinkTerminalDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const
{
    auto* box = new QComboBox(parent);
    for (int32_t code : controller::kAssignmentCodes)
        box->addItem(controller::assignmentText(code), code);
    m_open = box;
    return box;
}

void LinkTerminalDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* box = static_cast<QComboBox*>(editor);
    // Code 1 is in no entry: the box starts blank, and leaving it so keeps the 1.
    box->setCurrentIndex(box->findData(index.data(Qt::EditRole)));
}

void LinkTerminalDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    auto* box = static_cast<QComboBox*>(editor);
    if (box->currentIndex() >= 0)
        model->setData(index, box->currentData(), Qt::EditRole);
}

void LinkTerminalDelegate::commitOpenEditor()
{
    if (QWidget* editor = m_open) {
        Q_EMIT commitData(editor);
        Q_EMIT closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}
