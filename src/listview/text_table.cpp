#include "listview/text_table.h"

#include <utility>

namespace kalvora {

void TextTable::clear()
{
    m_chars.clear();
    m_bounds.clear();
    m_rows.clear();
    m_rowStart = -1;
    m_unusedChars = 0;
}

void TextTable::reserve(qsizetype rows, qsizetype characters)
{
    m_rows.reserve(size_t(rows));
    m_chars.reserve(characters);
}

void TextTable::beginRow()
{
    m_rowStart = qsizetype(m_bounds.size());
    m_bounds.push_back(quint32(m_chars.size()));
}

void TextTable::add(QStringView text)
{
    m_chars.append(text.data(), text.size());
    m_bounds.push_back(quint32(m_chars.size()));
}

void TextTable::addUtf8(QByteArrayView utf8)
{
    // UTF-8 never takes fewer bytes than UTF-16 takes code units: the decoder writes into room made at
    // the end of the buffer, which is then cut to what it wrote.
    const qsizetype start = m_chars.size();
    if (m_chars.capacity() < start + utf8.size())
        m_chars.reserve(std::max(start + utf8.size(), m_chars.capacity() * 2));
    m_chars.resize(start + utf8.size());
    QChar* out = m_utf8.appendToBuffer(m_chars.data() + start, utf8);
    m_chars.resize(out - m_chars.constData());
    m_bounds.push_back(quint32(m_chars.size()));
}

void TextTable::endRow(const QVariant& hidden)
{
    Row r;
    r.firstBound = quint32(m_rowStart);
    r.cells = quint16(qsizetype(m_bounds.size()) - m_rowStart - 1);
    r.hidden = hidden;
    m_rows.push_back(std::move(r));
    m_rowStart = -1;
}

TextTable::Row TextTable::addCells(const QStringList& texts, const QVariant& hidden)
{
    beginRow();
    for (const QString& t : texts)
        add(t);
    Row r;
    r.firstBound = quint32(m_rowStart);
    r.cells = quint16(texts.size());
    r.hidden = hidden;
    m_rowStart = -1;
    return r;
}

void TextTable::appendRow(const QStringList& texts, const QVariant& hidden)
{
    m_rows.push_back(addCells(texts, hidden));
}

void TextTable::insertRow(qsizetype at, const QStringList& texts, const QVariant& hidden)
{
    at = qBound(qsizetype(0), at, rowCount());
    Row r = addCells(texts, hidden);
    m_rows.insert(m_rows.begin() + at, std::move(r));
}

void TextTable::replaceRow(qsizetype at, const QStringList& texts, const QVariant& hidden)
{
    if (at < 0 || at >= rowCount())
        return;
    Row& old = m_rows[size_t(at)];
    m_unusedChars += m_bounds[old.firstBound + old.cells] - m_bounds[old.firstBound];
    const bool bold = old.bold;
    old = addCells(texts, hidden);
    old.bold = bold;
    compactIfWasteful();
}

void TextTable::removeRow(qsizetype at)
{
    if (at < 0 || at >= rowCount())
        return;
    const Row& old = m_rows[size_t(at)];
    m_unusedChars += m_bounds[old.firstBound + old.cells] - m_bounds[old.firstBound];
    m_rows.erase(m_rows.begin() + at);
    compactIfWasteful();
}

void TextTable::compactIfWasteful()
{
    // A list that is edited row by row for a long time keeps at most as much dead text as live text.
    if (m_unusedChars < 65536 || m_unusedChars * 2 < m_chars.size())
        return;
    TextTable live;
    live.reserve(rowCount(), m_chars.size() - m_unusedChars);
    for (const Row& r : m_rows) {
        live.beginRow();
        for (int c = 0; c < r.cells; ++c)
            live.add(cell(qsizetype(&r - m_rows.data()), c));
        live.endRow(r.hidden);
        live.m_rows.back().bold = r.bold;
    }
    *this = std::move(live);
}

void TextTable::append(TextTable&& other)
{
    if (m_rows.empty() && m_unusedChars == 0) {
        *this = std::move(other);
        other.clear();
        return;
    }
    const quint32 charShift = quint32(m_chars.size());
    const quint32 boundShift = quint32(m_bounds.size());
    m_chars.append(other.m_chars);
    m_bounds.reserve(m_bounds.size() + other.m_bounds.size());
    for (const quint32 b : other.m_bounds)
        m_bounds.push_back(b + charShift);
    m_rows.reserve(m_rows.size() + other.m_rows.size());
    for (Row& r : other.m_rows) {
        r.firstBound += boundShift;
        m_rows.push_back(std::move(r));
    }
    m_unusedChars += other.m_unusedChars;
    other.clear();
}

void TextTable::reorder(const std::vector<int>& order)
{
    std::vector<Row> moved;
    moved.reserve(m_rows.size());
    for (int from : order)
        moved.push_back(std::move(m_rows[size_t(from)]));
    m_rows = std::move(moved);
}

int TextTable::cellCount(qsizetype row) const
{
    return m_rows[size_t(row)].cells;
}

QStringView TextTable::cell(qsizetype row, int column) const
{
    const Row& r = m_rows[size_t(row)];
    if (column < 0 || column >= r.cells)
        return QStringView();
    const quint32 from = m_bounds[r.firstBound + quint32(column)];
    const quint32 to = m_bounds[r.firstBound + quint32(column) + 1];
    return QStringView(m_chars.constData() + from, qsizetype(to - from));
}

QStringList TextTable::rowTexts(qsizetype row) const
{
    QStringList out;
    const int n = cellCount(row);
    out.reserve(n);
    for (int c = 0; c < n; ++c)
        out.append(cell(row, c).toString());
    return out;
}

QList<QStringList> TextTable::toLists() const
{
    QList<QStringList> out;
    out.reserve(rowCount());
    for (qsizetype r = 0; r < rowCount(); ++r)
        out.append(rowTexts(r));
    return out;
}

} // namespace kalvora
