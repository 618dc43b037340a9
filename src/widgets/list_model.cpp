#include "widgets/list_model.h"

#include <QFont>

#include <utility>

namespace kalvora {

ListModel::ListModel(QObject* parent) : QAbstractTableModel(parent) {}

void ListModel::setHeaders(const QStringList& headers)
{
    beginResetModel();
    m_headers = headers;
    m_alignments.resize(headers.size());
    endResetModel();
}

void ListModel::setColumnAlignment(int column, Qt::Alignment alignment)
{
    if (column < 0 || column >= m_alignments.size())
        return;
    m_alignments[column] = alignment;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0, column), index(rowCount() - 1, column), {Qt::TextAlignmentRole});
}

Qt::Alignment ListModel::columnAlignment(int column) const
{
    return column >= 0 && column < m_alignments.size() ? m_alignments.at(column) : Qt::Alignment();
}

void ListModel::setRows(QList<QStringList> rows, QList<QVariant> hidden)
{
    TextTable table;
    qsizetype characters = 0;
    for (const QStringList& r : rows) {
        for (const QString& t : r)
            characters += t.size();
    }
    table.reserve(rows.size(), characters);
    for (qsizetype i = 0; i < rows.size(); ++i)
        table.appendRow(rows.at(i), i < hidden.size() ? hidden.at(i) : QVariant());
    setRows(std::move(table));
}

void ListModel::setRows(TextTable rows)
{
    beginResetModel();
    m_sortKeys.reset();
    m_rows = std::move(rows);
    endResetModel();
}

void ListModel::clear()
{
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_sortKeys.reset();
    m_rows.clear();
    endResetModel();
}

void ListModel::appendRow(QStringList texts, const QVariant& hidden)
{
    insertRowAt(rowCount(), std::move(texts), hidden);
}

void ListModel::insertRowAt(int row, QStringList texts, const QVariant& hidden)
{
    row = qBound(0, row, rowCount());
    beginInsertRows(QModelIndex(), row, row);
    m_sortKeys.reset();
    m_rows.insertRow(row, texts, hidden);
    endInsertRows();
}

void ListModel::replaceRow(int row, QStringList texts, const QVariant& hidden)
{
    if (!valid(row))
        return;
    m_sortKeys.reset();
    m_rows.replaceRow(row, texts, hidden);
    m_rows.setBold(row, false);
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void ListModel::removeRowAt(int row)
{
    if (!valid(row))
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_sortKeys.reset();
    m_rows.removeRow(row);
    endRemoveRows();
}

void ListModel::setRowBold(int row, bool bold)
{
    if (!valid(row) || m_rows.isBold(row) == bold)
        return;
    m_rows.setBold(row, bold);
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1), {Qt::FontRole});
}

void ListModel::reorder(const std::vector<int>& order)
{
    if (order.size() != size_t(m_rows.rowCount()))
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOf(order.size());
    for (size_t i = 0; i < order.size(); ++i)
        newRowOf[size_t(order[i])] = int(i);
    m_rows.reorder(order);
    if (m_sortKeys)
        m_sortKeys->reorder(order);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& i : before)
        after.append(index(newRowOf[size_t(i.row())], i.column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

std::vector<int> ListModel::sortOrder(int column, SortKind kind, bool descending)
{
    if (!m_sortKeys || !m_sortKeys->fits(m_rows, column, kind))
        m_sortKeys = std::make_unique<ColumnSortKeys>(m_rows, column, kind);
    return m_sortKeys->order(m_rows, descending);
}

QString ListModel::cell(int row, int column) const
{
    return cellView(row, column).toString();
}

QStringView ListModel::cellView(int row, int column) const
{
    return valid(row) ? m_rows.cell(row, column) : QStringView();
}

QStringList ListModel::rowTexts(int row) const
{
    return valid(row) ? m_rows.rowTexts(row) : QStringList();
}

QVariant ListModel::hidden(int row) const
{
    return valid(row) ? m_rows.hidden(row) : QVariant();
}

int ListModel::rowOfHidden(const QVariant& value) const
{
    for (int r = 0; r < rowCount(); ++r) {
        if (m_rows.hidden(r) == value)
            return r;
    }
    return -1;
}

QStringList ListModel::columnTexts(int column) const
{
    QStringList out;
    out.reserve(m_rows.rowCount());
    for (int r = 0; r < rowCount(); ++r)
        out.append(m_rows.cell(r, column).toString());
    return out;
}

int ListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.rowCount());
}

int ListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant ListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return m_rows.cell(index.row(), index.column()).toString();
    case Qt::TextAlignmentRole: {
        const Qt::Alignment a = columnAlignment(index.column());
        return a ? QVariant(a.toInt()) : QVariant();
    }
    case Qt::UserRole:
        return m_rows.hidden(index.row());
    case Qt::FontRole: {
        if (!m_rows.isBold(index.row()))
            return QVariant();
        QFont bold; // only the weight is set, the view's font gives the rest
        bold.setBold(true);
        return bold;
    }
    default:
        return QVariant();
    }
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_headers.size())
        return QVariant();
    if (role == Qt::DisplayRole)
        return m_headers.at(section);
    if (role == Qt::TextAlignmentRole) {
        const Qt::Alignment a = columnAlignment(section);
        return a ? QVariant(a.toInt()) : QVariant();
    }
    return QVariant();
}

Qt::ItemFlags ListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}

} // namespace kalvora
