#include "widgets/report_list.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace kalvora {

ReportList::ReportList(QWidget* parent) : QTreeView(parent), m_model(new ListModel(this))
{
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setAlternatingRowColors(true);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    // Widths are set by the windows (or fitted); the header never measures the rows itself.
    header()->setSectionResizeMode(QHeaderView::Interactive);
    connect(header(), &QHeaderView::sectionClicked, this, &ReportList::headerClicked);
    connect(this, &QTreeView::doubleClicked, this,
            [this](const QModelIndex& index) { Q_EMIT rowActivated(index.row()); });
}

void ReportList::setColumns(const QStringList& headers)
{
    m_model->setHeaders(headers);
}

QString ReportList::headerText(int column) const
{
    return m_model->headers().value(column);
}

void ReportList::setColumnAlignment(int column, Qt::Alignment alignment)
{
    m_model->setColumnAlignment(column, alignment);
}

void ReportList::addRow(const QStringList& texts, const QVariant& hidden)
{
    m_model->appendRow(texts, hidden);
}

void ReportList::setRows(QList<QStringList> rows, QList<QVariant> hidden)
{
    m_model->setRows(std::move(rows), std::move(hidden));
}

QStringList ReportList::rowTexts(int row) const
{
    QStringList out = m_model->rowTexts(row);
    if (row >= 0 && row < rowCount()) {
        while (out.size() < columnCount())
            out.append(QString());
    }
    return out;
}

int ReportList::currentRow() const
{
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.row() : -1;
}

void ReportList::setCurrentRow(int row)
{
    if (row < 0 || row >= rowCount()) {
        selectionModel()->clear();
        return;
    }
    const QModelIndex i = m_model->index(row, 0);
    selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

QRect ReportList::rowRect(int row) const
{
    return visualRect(m_model->index(row, 0));
}

void ReportList::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentRow() >= 0) {
        Q_EMIT rowActivated(currentRow());
        return;
    }
    // A handler that takes the key accepts the event; otherwise the list handles it as usual.
    event->ignore();
    Q_EMIT keyTyped(event);
    if (event->isAccepted())
        return;
    event->accept();
    QTreeView::keyPressEvent(event);
}

} // namespace kalvora
