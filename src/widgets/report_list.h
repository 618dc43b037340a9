#pragma once

#include <QStringList>
#include <QTreeWidget>
#include <QVariant>

namespace kalvora {

// The multi-column report list: each row has its text (column 0), sub-item texts (columns 1..n) and
// one hidden value. Rows are plain QTreeWidgetItems, so any list helper can work on them.
class ReportList : public QTreeWidget {
    Q_OBJECT
public:
    explicit ReportList(QWidget* parent = nullptr);

    void setColumns(const QStringList& headers);
    // Alignment of a column's header and cells; rows added later take it before they reach the view.
    void setColumnAlignment(int column, Qt::Alignment alignment);
    // Appends one row; texts[0] is the row text, the rest its sub-items.
    QTreeWidgetItem* addRow(const QStringList& texts, const QVariant& hidden = QVariant());
    // Replaces all rows at once (much faster than adding one by one). New rows take the alignment of
    // every column whose header has one, before they reach the view.
    void setRows(const QList<QStringList>& rows, const QList<QVariant>& hidden = {});
    int rowCount() const { return topLevelItemCount(); }
    QString cell(int row, int column) const;
    QStringList rowTexts(int row) const;
    QVariant hiddenValue(int row) const;
    // Index of the current row, -1 when none.
    int currentRow() const;
    void setCurrentRow(int row);

Q_SIGNALS:
    // A click on a column header (0-based column).
    void headerClicked(int column);
    // A double click or Enter on a row.
    void rowActivated(int row);
    // A key pressed while the list has the focus; a handler that uses it calls event->accept().
    void keyTyped(QKeyEvent* event);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    using Alignments = QList<QPair<int, QVariant>>;
    // The alignments of the header's columns that have one.
    Alignments headerAlignments() const;
    static QTreeWidgetItem* makeItem(const QStringList& texts, const Alignments& alignments);
    QList<QPair<int, Qt::Alignment>> m_alignments;
};

} // namespace kalvora
