#pragma once
// The data source behind one process image grid: 256 rows of register number
// (Offset) and display text (Data). The Data column is editable only in the
// output grid; a commit goes to the form's handler, which sets the row's text
// itself when it takes the entry. The grid's delegate passes on only what the
// user typed.
#include <QAbstractTableModel>
#include <QStringList>
#include <QVector>
#include <functional>

class ProcImageModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColOffset = 0, ColData = 1, ColumnCount = 2 };
    using CommitHandler = std::function<bool(int row, const QString& text)>;

    // Every row starts with the text "0x0000".
    ProcImageModel(bool editable, QObject* parent = nullptr);

    static QString startText() { return QStringLiteral("0x0000"); }
    QString text(int row) const { return m_texts.value(row); }
    // Replaces the texts of rows first.. and repaints only the rows that changed.
    void setTexts(int first, const QStringList& texts);
    void setText(int row, const QString& text) { setTexts(row, {text}); }
    void resetTexts();
    void setCommitHandler(CommitHandler handler) { m_commit = std::move(handler); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    QVector<QString> m_texts;
    bool m_editable;
    CommitHandler m_commit;
};
