#include "widgets/list_model.h"

#include <QFont>

#include <utility>

namespace kalvora {

namespace {

const QStringList& emptyRow()
{
    static const QStringList empty;
    return empty;
}

} // namespace

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
    beginResetModel();
    m_rows.clear();
    m_rows.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i)
        m_rows.append(Row{std::move(rows[i]), i < hidden.size() ? std::move(hidden[i]) : QVariant(), false});
    endResetModel();
}

void ListModel::clear()
{
    if (m_rows.isEmpty())
        return;
    beginResetModel();
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
    m_rows.insert(row, Row{std::move(texts), hidden, false});
    endInsertRows();
}

void ListModel::replaceRow(int row, QStringList texts, const QVariant& hidden)
{
    if (row < 0 || row >= rowCount())
        return;
    m_rows[row] = Row{std::move(texts), hidden, false};
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void ListModel::removeRowAt(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.removeAt(row);
    endRemoveRows();
}

void ListModel::setRowBold(int row, bool bold)
{
    if (row < 0 || row >= rowCount() || m_rows.at(row).bold == bold)
        return;
    m_rows[row].bold = bold;
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1), {Qt::FontRole});
}

void ListModel::reorder(const std::vector<int>& order)
{
    if (order.size() != size_t(m_rows.size()))
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOf(order.size());
    QList<Row> moved;
    moved.reserve(m_rows.size());
    for (size_t i = 0; i < order.size(); ++i) {
        moved.append(std::move(m_rows[order[i]]));
        newRowOf[size_t(order[i])] = int(i);
    }
    m_rows = std::move(moved);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& i : before)
        after.append(index(newRowOf[size_t(i.row())], i.column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QString ListModel::cell(int row, int column) const
{
    if (row < 0 || row >= rowCount())
        return QString();
    return m_rows.at(row).texts.value(column);
}

const QStringList& ListModel::rowTexts(int row) const
{
    return row >= 0 && row < rowCount() ? m_rows.at(row).texts : emptyRow();
}

QVariant ListModel::hidden(int row) const
{
    return row >= 0 && row < rowCount() ? m_rows.at(row).hidden : QVariant();
}

int ListModel::rowOfHidden(const QVariant& value) const
{
    for (int r = 0; r < rowCount(); ++r) {
        if (m_rows.at(r).hidden == value)
            return r;
    }
    return -1;
}

QStringList ListModel::columnTexts(int column) const
{
    QStringList out;
    out.reserve(m_rows.size());
    for (const Row& r : m_rows)
        out.append(r.texts.value(column));
    return out;
}

int ListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
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
        return m_rows.at(index.row()).texts.value(index.column());
    case Qt::TextAlignmentRole: {
        const Qt::Alignment a = columnAlignment(index.column());
        return a ? QVariant(a.toInt()) : QVariant();
    }
    case Qt::UserRole:
        return m_rows.at(index.row()).hidden;
    case Qt::FontRole: {
        if (!m_rows.at(index.row()).bold)
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
