#include "ProcImageModel.h"

#include "ProcDataLogic.h"

ProcImageModel::ProcImageModel(bool editable, QObject* parent)
    : QAbstractTableModel(parent)
    , m_texts(procdata::kRows, startText())
    , m_editable(editable)
{
}

void ProcImageModel::setTexts(int first, const QStringList& texts)
{
    int changedFirst = -1;
    int changedLast = -1;
    for (int i = 0; i < texts.size(); ++i) {
        const int row = first + i;
        if (row < 0 || row >= m_texts.size() || m_texts[row] == texts[i])
            continue;
        m_texts[row] = texts[i];
        if (changedFirst < 0)
            changedFirst = row;
        changedLast = row;
    }
    if (changedFirst < 0)
        return;
    Q_EMIT dataChanged(index(changedFirst, ColData), index(changedLast, ColData), {Qt::DisplayRole});
}

void ProcImageModel::resetTexts()
{
    setTexts(0, QStringList(procdata::kRows, startText()));
}

int ProcImageModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_texts.size());
}

int ProcImageModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ProcImageModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    if (index.column() == ColOffset)
        return QString::number(index.row());
    return m_texts.value(index.row());
}

QVariant ProcImageModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    return section == ColOffset ? QStringLiteral("Offset") : QStringLiteral("Data");
}

Qt::ItemFlags ProcImageModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (m_editable && index.column() == ColData)
        f |= Qt::ItemIsEditable;
    return f;
}

bool ProcImageModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable) || !m_commit)
        return false;
    return m_commit(index.row(), value.toString());
}
