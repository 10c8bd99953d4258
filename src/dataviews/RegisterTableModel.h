#pragma once
// The row store behind the register table grid: one row per register with
// the texts Offset, HEX, UINT, BIN and Description. Only the three value
// columns are editable, and only where they show a value; a commit goes to the
// form's handler, which decides what the row shows afterwards. A row may carry
// a note (a failure to verify it), shown as its tool tip in red.
#include <QAbstractTableModel>
#include <QStringList>
#include <QVector>
#include <array>
#include <functional>

class RegisterTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColOffset = 0, ColHex = 1, ColUint = 2, ColBin = 3, ColDescription = 4, ColumnCount = 5 };
    using Row = std::array<QString, ColumnCount>;
    // Returns true when the cell took the text; the handler updates the row itself.
    using CommitHandler = std::function<bool(int row, int column, const QString& text)>;

    explicit RegisterTableModel(QObject* parent = nullptr);

    void setCaptions(const QStringList& captions);
    void setRows(const QVector<Row>& rows);
    void setRow(int row, const Row& texts);
    // A note on one row (empty: none); setRows clears every note.
    void setRowNote(int row, const QString& note);
    QString rowNote(int row) const { return m_notes.value(row); }
    Row rowTexts(int row) const { return m_rows.value(row); }
    QString cell(int row, int column) const;
    void setCommitHandler(CommitHandler handler) { m_commit = std::move(handler); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    QVector<Row> m_rows;
    QVector<QString> m_notes;
    QStringList m_captions;
    CommitHandler m_commit;
};
