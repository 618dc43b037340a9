#include "listview/text_table.h"

#include <algorithm>
#include <iterator>
#include <numeric>

#include <utility>

namespace kalvora {

void TextTable::clear()
{
    m_chars.clear();
    m_bounds.clear();
    m_earlier.clear();
    m_rows.clear();
    m_hidden.clear();
    m_inBufferOrder = true;
    m_bufferOrder.clear();
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
    // A long list is kept in pieces of a few megabytes rather than one buffer that doubles: each piece
    // is written once and never moved, and pieces of that size come back from the allocator on the next
    // reading instead of as fresh pages from the system, which cost more than the texts themselves.
    if (m_chars.size() >= kChunkChars && m_earlier.size() + 1 < kMaxChunks) {
        m_earlier.push_back(Chunk{std::move(m_chars), std::move(m_bounds)});
        m_chars = QString();
        m_chars.reserve(kChunkChars + kChunkChars / 8);
        m_bounds = {};
    }
    m_rowStart = qsizetype(m_bounds.size());
    m_bounds.push_back(quint32(m_chars.size()));
}

TextTable TextTable::sharedCopy() const
{
    return TextTable(*this);
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
    QChar* out = m_utf8.decoder.appendToBuffer(m_chars.data() + start, utf8);
    m_chars.resize(out - m_chars.constData());
    m_bounds.push_back(quint32(m_chars.size()));
}

void TextTable::endRow(const QVariant& hidden)
{
    Row r;
    r.firstBound = quint32(m_rowStart);
    r.cells = quint16(qsizetype(m_bounds.size()) - m_rowStart - 1);
    r.chunk = currentChunk();
    m_rows.push_back(r);
    insertHidden(rowCount() - 1, hidden);
    addedLast();
    m_rowStart = -1;
}

void TextTable::addedLast()
{
    // A new row's texts lie after every other row's.
    if (!m_inBufferOrder && m_bufferOrder.size() + 1 == m_rows.size())
        m_bufferOrder.push_back(int(m_rows.size()) - 1);
}

void TextTable::forgetBufferOrder()
{
    m_inBufferOrder = false;
    m_bufferOrder.clear();
}

void TextTable::insertHidden(qsizetype at, const QVariant& hidden)
{
    if (!m_hidden.empty())
        m_hidden.insert(m_hidden.begin() + at, QVariant());
    setHidden(at, hidden);
}

void TextTable::setHidden(qsizetype at, const QVariant& hidden)
{
    if (m_hidden.empty() && !hidden.isValid())
        return;
    m_hidden.resize(m_rows.size());
    m_hidden[size_t(at)] = hidden;
}

const QVariant& TextTable::hidden(qsizetype row) const
{
    static const QVariant none;
    return m_hidden.empty() ? none : m_hidden[size_t(row)];
}

TextTable::Row TextTable::addCells(const QStringList& texts)
{
    beginRow();
    for (const QString& t : texts)
        add(t);
    Row r;
    r.firstBound = quint32(m_rowStart);
    r.cells = quint16(texts.size());
    r.chunk = currentChunk();
    m_rowStart = -1;
    return r;
}

void TextTable::appendRow(const QStringList& texts, const QVariant& hidden)
{
    m_rows.push_back(addCells(texts));
    insertHidden(rowCount() - 1, hidden);
    addedLast();
}

void TextTable::insertRow(qsizetype at, const QStringList& texts, const QVariant& hidden)
{
    at = qBound(qsizetype(0), at, rowCount());
    m_rows.insert(m_rows.begin() + at, addCells(texts));
    insertHidden(at, hidden);
    if (at + 1 < rowCount())
        forgetBufferOrder();
    else
        addedLast();
}

void TextTable::replaceRow(qsizetype at, const QStringList& texts, const QVariant& hidden)
{
    if (at < 0 || at >= rowCount())
        return;
    Row& old = m_rows[size_t(at)];
    m_unusedChars += boundsOf(old)[old.firstBound + old.cells] - boundsOf(old)[old.firstBound];
    const bool bold = old.bold;
    old = addCells(texts);
    old.bold = bold;
    // Its texts now lie after every other row's.
    if (!m_inBufferOrder || at + 1 < rowCount())
        forgetBufferOrder();
    setHidden(at, hidden);
    compactIfWasteful();
}

void TextTable::removeRow(qsizetype at)
{
    if (at < 0 || at >= rowCount())
        return;
    const Row& old = m_rows[size_t(at)];
    m_unusedChars += boundsOf(old)[old.firstBound + old.cells] - boundsOf(old)[old.firstBound];
    m_rows.erase(m_rows.begin() + at);
    if (!m_hidden.empty())
        m_hidden.erase(m_hidden.begin() + at);
    if (!m_inBufferOrder)
        forgetBufferOrder();
    compactIfWasteful();
}

void TextTable::copyRow(const TextTable& from, qsizetype row)
{
    const Row& r = from.m_rows[size_t(row)];
    beginRow();
    for (int c = 0; c < r.cells; ++c)
        add(from.cell(row, c));
    endRow(from.hidden(row));
    m_rows.back().bold = r.bold;
}

void TextTable::compactIfWasteful()
{
    // A list that is edited row by row for a long time keeps at most as much dead text as live text.
    const qsizetype chars = charCount();
    if (m_unusedChars < 65536 || m_unusedChars * 2 < chars)
        return;
    TextTable live;
    live.reserve(rowCount(), chars - m_unusedChars);
    for (const Row& r : m_rows) {
        live.copyRow(*this, qsizetype(&r - m_rows.data()));
    }
    *this = std::move(live);
}

qsizetype TextTable::charCount() const
{
    qsizetype n = m_chars.size();
    for (const Chunk& c : m_earlier)
        n += c.chars.size();
    return n;
}

void TextTable::append(TextTable&& other)
{
    if (m_rows.empty() && m_unusedChars == 0) {
        *this = std::move(other);
        other.clear();
        return;
    }
    if (m_earlier.size() + other.m_earlier.size() + 2 > kMaxChunks) {
        // Too many pieces: the other's rows are copied in instead.
        for (const Row& r : other.m_rows) {
            copyRow(other, qsizetype(&r - other.m_rows.data()));
        }
        other.clear();
        return;
    }
    // This table's current texts become an earlier chunk; the other's chunks follow in their order.
    m_earlier.push_back(Chunk{std::move(m_chars), std::move(m_bounds)});
    const auto shift = quint8(m_earlier.size());
    for (Chunk& c : other.m_earlier)
        m_earlier.push_back(std::move(c));
    m_chars = std::move(other.m_chars);
    m_bounds = std::move(other.m_bounds);
    if (!m_hidden.empty() || !other.m_hidden.empty()) {
        m_hidden.resize(m_rows.size());
        if (other.m_hidden.empty())
            m_hidden.resize(m_rows.size() + other.m_rows.size());
        else
            m_hidden.insert(m_hidden.end(), std::make_move_iterator(other.m_hidden.begin()),
                            std::make_move_iterator(other.m_hidden.end()));
    }
    m_rows.reserve(m_rows.size() + other.m_rows.size());
    for (Row r : other.m_rows) {
        r.chunk = quint8(r.chunk + shift);
        m_rows.push_back(r);
    }
    m_unusedChars += other.m_unusedChars;
    const bool inOrder = m_inBufferOrder && other.m_inBufferOrder;
    forgetBufferOrder();
    m_inBufferOrder = inOrder;
    other.clear();
}

void TextTable::reorder(const std::vector<int>& order)
{
    reorderBufferOrder(order);
    std::vector<Row> moved;
    moved.reserve(m_rows.size());
    for (int from : order)
        moved.push_back(m_rows[size_t(from)]);
    m_rows = std::move(moved);
    if (m_hidden.empty())
        return;
    std::vector<QVariant> hidden;
    hidden.reserve(m_hidden.size());
    for (int from : order)
        hidden.push_back(std::move(m_hidden[size_t(from)]));
    m_hidden = std::move(hidden);
}

void TextTable::reorderBufferOrder(const std::vector<int>& order)
{
    const bool wasInOrder = m_inBufferOrder;
    std::vector<int> before = std::move(m_bufferOrder);
    forgetBufferOrder();
    if (order.size() != m_rows.size() || (!wasInOrder && before.size() != m_rows.size()))
        return;
    // The row that stood at order[i] comes to stand at i.
    std::vector<int> now(order.size(), -1);
    for (size_t i = 0; i < order.size(); ++i) {
        const size_t from = size_t(order[i]);
        if (from >= now.size() || now[from] >= 0)
            return; // not a permutation: the order is found by sorting when asked
        now[from] = int(i);
    }
    if (wasInOrder) {
        m_bufferOrder = std::move(now);
        return;
    }
    for (int& row : before)
        row = now[size_t(row)];
    m_bufferOrder = std::move(before);
}

std::vector<int> TextTable::rowsInBufferOrder() const
{
    if (m_inBufferOrder) {
        std::vector<int> rows(m_rows.size());
        std::iota(rows.begin(), rows.end(), 0);
        return rows;
    }
    if (m_bufferOrder.size() == m_rows.size())
        return m_bufferOrder;
    return rowsInBufferOrderBySorting();
}

namespace {

bool isLineBreak(char16_t c)
{
    return c == u'\n' || c == u'\r' || c == u'\x2028' || c == u'\x2029';
}

qsizetype longestLine(QStringView text)
{
    qsizetype longest = 0;
    qsizetype run = 0;
    for (const QChar c : text) {
        if (isLineBreak(c.unicode())) {
            longest = std::max(longest, run);
            run = 0;
        } else {
            ++run;
        }
    }
    return std::max(longest, run);
}

} // namespace

std::vector<std::vector<QStringView>> TextTable::longestTexts(int columns, int count) const
{
    struct Candidate {
        qsizetype length;
        QStringView text;
    };
    columns = std::max(columns, 0);
    if (count <= 0)
        return std::vector<std::vector<QStringView>>(static_cast<size_t>(columns));
    const size_t kept = size_t(count);
    std::vector<std::vector<Candidate>> best(static_cast<size_t>(columns));
    // Once a column holds `count` texts, only a longer one enters; most cells are passed over on their
    // bounds alone, without reading a character.
    std::vector<qsizetype> shortest(size_t(columns), 0);
    for (const int r : rowsInBufferOrder()) {
        const Row& row = m_rows[size_t(r)];
        const quint32* bounds = boundsOf(row).data() + row.firstBound;
        const QChar* chars = charsOf(row).constData();
        const int cells = std::min(int(row.cells), columns);
        for (int c = 0; c < cells; ++c) {
            const qsizetype size = qsizetype(bounds[c + 1] - bounds[c]);
            if (size <= shortest[size_t(c)])
                continue;
            const QStringView text(chars + bounds[c], size);
            const qsizetype length = longestLine(text);
            std::vector<Candidate>& column = best[size_t(c)];
            if (length <= shortest[size_t(c)] ||
                std::any_of(column.begin(), column.end(),
                            [text](const Candidate& k) { return k.text == text; }))
                continue;
            column.insert(std::find_if(column.begin(), column.end(),
                                       [length](const Candidate& k) { return k.length < length; }),
                          Candidate{length, text});
            if (column.size() > kept)
                column.pop_back();
            if (column.size() == kept)
                shortest[size_t(c)] = column.back().length;
        }
    }
    std::vector<std::vector<QStringView>> out(static_cast<size_t>(columns));
    for (size_t c = 0; c < out.size(); ++c) {
        for (const Candidate& k : best[c])
            out[c].push_back(k.text);
    }
    return out;
}

std::vector<int> TextTable::rowsInBufferOrderBySorting() const
{
    std::vector<int> rows(m_rows.size());
    // A row's bounds start where its texts start, so the bounds' order is the buffer's.
    std::vector<std::pair<quint64, int>> starts;
    starts.reserve(m_rows.size());
    for (size_t r = 0; r < m_rows.size(); ++r)
        starts.emplace_back(quint64(m_rows[r].chunk) << 32 | m_rows[r].firstBound, int(r));
    std::sort(starts.begin(), starts.end());
    for (size_t i = 0; i < starts.size(); ++i)
        rows[i] = starts[i].second;
    return rows;
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
    const std::vector<quint32>& bounds = boundsOf(r);
    const quint32 from = bounds[r.firstBound + quint32(column)];
    const quint32 to = bounds[r.firstBound + quint32(column) + 1];
    return QStringView(charsOf(r).constData() + from, qsizetype(to - from));
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
