#pragma once

#include "listview/sort_compare.h"
#include "listview/text_table.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

namespace kalvora {

// The rows of a report list as plain values: the texts of each row, one hidden value per row and the
// alignment of each column. The order of the rows is the order shown; a sort reorders them in place.
class ListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ListModel(QObject* parent = nullptr);

    void setHeaders(const QStringList& headers);
    const QStringList& headers() const { return m_headers; }
    // Alignment of a column's header and cells; 0 (the view's default) unless set.
    void setColumnAlignment(int column, Qt::Alignment alignment);
    Qt::Alignment columnAlignment(int column) const;

    // Replaces all rows at once. A row shorter than the header has empty texts in its last columns.
    void setRows(QList<QStringList> rows, QList<QVariant> hidden = {});
    void setRows(TextTable rows);
    void clear();
    void appendRow(QStringList texts, const QVariant& hidden = QVariant());
    void insertRowAt(int row, QStringList texts, const QVariant& hidden = QVariant());
    void replaceRow(int row, QStringList texts, const QVariant& hidden);
    void removeRowAt(int row);
    // Shows a row in bold (totals and carried-in lines); a reload clears it.
    void setRowBold(int row, bool bold);

    // Moves the rows into a new order: order[i] is the row that is to be shown at i. Indexes the view
    // keeps (current row, selection) move with their rows.
    void reorder(const std::vector<int>& order);
    // sortOrder() of one column over the rows as shown. The column's keys are kept until the rows
    // change other than by reorder(), so sorting the same column again only sorts.
    std::vector<int> sortOrder(int column, SortKind kind, bool descending);

    QString cell(int row, int column) const;
    // The cell without a copy, valid until the rows next change.
    QStringView cellView(int row, int column) const;
    // Every row once, in the order their texts lie in memory (see TextTable::rowsInBufferOrder).
    std::vector<int> rowsInBufferOrder() const { return m_rows.rowsInBufferOrder(); }
    // The rows in the order shown.
    const TextTable& table() const { return m_rows; }
    QStringList rowTexts(int row) const;
    QVariant hidden(int row) const;
    // The row whose hidden value equals value, or -1.
    int rowOfHidden(const QVariant& value) const;
    // The texts of one column in the order shown.
    QStringList columnTexts(int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    bool valid(int row) const { return row >= 0 && row < rowCount(); }

    QStringList m_headers;
    QList<Qt::Alignment> m_alignments; // per column
    TextTable m_rows;
    std::unique_ptr<ColumnSortKeys> m_sortKeys; // of the column sorted last; dropped when the rows change
};

} // namespace kalvora
