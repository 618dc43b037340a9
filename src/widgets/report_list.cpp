#include "widgets/report_list.h"

#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>

namespace kalvora {

ReportList::ReportList(QWidget* parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSortingEnabled(false);
    setAlternatingRowColors(true);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    connect(header(), &QHeaderView::sectionClicked, this, &ReportList::headerClicked);
    connect(this, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item, int) { Q_EMIT rowActivated(indexOfTopLevelItem(item)); });
}

void ReportList::setColumns(const QStringList& headers)
{
    setColumnCount(static_cast<int>(headers.size()));
    setHeaderLabels(headers);
}

void ReportList::setColumnAlignment(int column, Qt::Alignment alignment)
{
    headerItem()->setTextAlignment(column, alignment);
    for (auto& a : m_alignments) {
        if (a.first == column) {
            a.second = alignment;
            return;
        }
    }
    m_alignments.append({column, alignment});
}

ReportList::Alignments ReportList::headerAlignments() const
{
    Alignments out;
    for (const auto& a : m_alignments)
        out.append({a.first, headerItem()->data(a.first, Qt::TextAlignmentRole)});
    // A window that aligns a header aligns that column's rows too, usually row by row after the fill.
    // Once in the view each such call finds its row by a linear search (quadratic over a long list);
    // rows that already hold the same alignment make those calls return at once.
    for (int c = 0; c < columnCount(); ++c) {
        const QVariant v = headerItem()->data(c, Qt::TextAlignmentRole);
        if (v.isValid() &&
            std::none_of(out.cbegin(), out.cend(), [c](const auto& a) { return a.first == c; }))
            out.append({c, v});
    }
    return out;
}

QTreeWidgetItem* ReportList::makeItem(const QStringList& texts, const Alignments& alignments)
{
    auto* item = new QTreeWidgetItem(texts);
    for (const auto& a : alignments)
        item->setData(a.first, Qt::TextAlignmentRole, a.second);
    return item;
}

QTreeWidgetItem* ReportList::addRow(const QStringList& texts, const QVariant& hidden)
{
    auto* item = makeItem(texts, headerAlignments());
    item->setData(0, Qt::UserRole, hidden);
    addTopLevelItem(item);
    return item;
}

void ReportList::setRows(const QList<QStringList>& rows, const QList<QVariant>& hidden)
{
    clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(rows.size());
    const Alignments alignments = headerAlignments();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        auto* item = makeItem(rows.at(i), alignments);
        if (i < hidden.size())
            item->setData(0, Qt::UserRole, hidden.at(i));
        items.append(item);
    }
    addTopLevelItems(items);
}

QString ReportList::cell(int row, int column) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(column) : QString();
}

QStringList ReportList::rowTexts(int row) const
{
    QStringList out;
    const QTreeWidgetItem* item = topLevelItem(row);
    if (!item)
        return out;
    for (int c = 0; c < columnCount(); ++c)
        out.append(item->text(c));
    return out;
}

QVariant ReportList::hiddenValue(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->data(0, Qt::UserRole) : QVariant();
}

int ReportList::currentRow() const
{
    QTreeWidgetItem* item = currentItem();
    return item ? indexOfTopLevelItem(item) : -1;
}

void ReportList::setCurrentRow(int row)
{
    QTreeWidgetItem* item = topLevelItem(row);
    setCurrentItem(item);
    if (item)
        item->setSelected(true);
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
    QTreeWidget::keyPressEvent(event);
}

} // namespace kalvora
