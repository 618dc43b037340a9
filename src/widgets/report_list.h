#pragma once

#include "widgets/list_model.h"

#include <QStringList>
#include <QTreeView>
#include <QVariant>

namespace kalvora {

// The multi-column report list: a view over a ListModel, whose rows are plain texts with one hidden
// value each. Only the rows on screen are drawn, so a list of a million rows costs its texts alone.
class ReportList : public QTreeView {
    Q_OBJECT
public:
    explicit ReportList(QWidget* parent = nullptr);

    ListModel* listModel() const { return m_model; }

    void setColumns(const QStringList& headers);
    QString headerText(int column) const;
    // Alignment of a column's header and cells.
    void setColumnAlignment(int column, Qt::Alignment alignment);
    Qt::Alignment columnAlignment(int column) const { return m_model->columnAlignment(column); }
    // Appends one row; texts[0] is the first column.
    void addRow(const QStringList& texts, const QVariant& hidden = QVariant());
    // Replaces all rows at once.
    void setRows(QList<QStringList> rows, QList<QVariant> hidden = {});
    void setRows(TextTable rows) { m_model->setRows(std::move(rows)); }
    void clear() { m_model->clear(); }
    int rowCount() const { return m_model->rowCount(); }
    int columnCount() const { return m_model->columnCount(); }
    QString cell(int row, int column) const { return m_model->cell(row, column); }
    QStringList rowTexts(int row) const;
    QVariant hiddenValue(int row) const { return m_model->hidden(row); }
    // Index of the current row, -1 when none.
    int currentRow() const;
    // Makes the row current and selected (row -1 clears both).
    void setCurrentRow(int row);
    bool isRowHidden(int row) const { return QTreeView::isRowHidden(row, QModelIndex()); }
    void setRowHidden(int row, bool hide) { QTreeView::setRowHidden(row, QModelIndex(), hide); }
    // The area of a row in the viewport's coordinates.
    QRect rowRect(int row) const;

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
    ListModel* m_model;
};

} // namespace kalvora
