#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <QStringList>
#include <QStringView>
#include <QVariant>

#include <vector>

namespace kalvora {

// The rows of a list as texts kept together: every cell of every row in one character buffer, each row
// a few bytes of bounds and its hidden value. A list of 800,000 rows costs its characters and no heap
// block per row or per cell; rows are read straight into it (appendUtf8) and reordered by moving their
// bounds only. Replacing or removing a row leaves its characters behind until the buffer is compacted.
class TextTable final {
public:
    TextTable() = default;
    TextTable(TextTable&&) = default;
    TextTable& operator=(TextTable&&) = default;
    ~TextTable() = default;

    qsizetype rowCount() const { return qsizetype(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }
    void clear();
    void reserve(qsizetype rows, qsizetype characters);

    void appendRow(const QStringList& texts, const QVariant& hidden = QVariant());
    void insertRow(qsizetype at, const QStringList& texts, const QVariant& hidden = QVariant());
    void replaceRow(qsizetype at, const QStringList& texts, const QVariant& hidden);
    void removeRow(qsizetype at);

    // A row built cell by cell: beginRow(), then one add per cell, then endRow().
    void beginRow();
    void add(QStringView text);
    void addUtf8(QByteArrayView utf8); // decoded as QString::fromUtf8 decodes
    void endRow(const QVariant& hidden = QVariant());

    // The other table's rows follow this table's; the other is left empty. Its texts are taken over
    // where they lie, not copied.
    void append(TextTable&& other);

    // A copy that shares this table's characters: they are copied only when one of the two writes into
    // the chunk both hold (an export keeps a long list's texts this way while the list may change).
    TextTable sharedCopy() const;

    // Rows move into a new order: order[i] is the row that is to stand at i.
    void reorder(const std::vector<int>& order);

    // Every row once, in the order their texts lie in the buffer (the order they were added in, when
    // rows were moved since): a pass over a long reordered list that does not care about the order
    // reads its memory front to back.
    std::vector<int> rowsInBufferOrder() const;
    // The same, always found by sorting the rows' places (what rowsInBufferOrder does when it cannot
    // tell the order from the table's history); for checking the two agree.
    std::vector<int> rowsInBufferOrderBySorting() const;

    // For each of the first `columns` columns, up to `count` distinct texts whose longest line has the
    // most characters, longest first; valid until the table next changes. A list fits a column by
    // measuring these few instead of every cell.
    std::vector<std::vector<QStringView>> longestTexts(int columns, int count) const;

    int cellCount(qsizetype row) const;
    // Empty beyond the row's cells; valid until the table next changes.
    QStringView cell(qsizetype row, int column) const;
    QStringList rowTexts(qsizetype row) const;
    // Every row's texts, for callers that want plain lists of a few rows.
    QList<QStringList> toLists() const;
    const QVariant& hidden(qsizetype row) const;
    bool isBold(qsizetype row) const { return m_rows[size_t(row)].bold; }
    void setBold(qsizetype row, bool bold) { m_rows[size_t(row)].bold = bold; }

private:
    struct Row {
        quint32 firstBound = 0; // the row's cells are [bounds[first + c], bounds[first + c + 1])
        quint16 cells = 0;
        bool bold = false;
        quint8 chunk = 0; // where the row's texts lie: an earlier chunk, or the current one
    };
    // Texts taken over from appended tables, each with its bounds.
    struct Chunk {
        QString chars;
        std::vector<quint32> bounds;
    };
    static constexpr size_t kMaxChunks = 255;
    static constexpr qsizetype kChunkChars = qsizetype(3) << 20;
    Row addCells(const QStringList& texts);
    // A copy only through sharedCopy(), so that a long list is never copied by accident.
    TextTable(const TextTable&) = default;
    TextTable& operator=(const TextTable&) = delete;
    // Makes room for a hidden value at row `at` (an inserted or appended row), once any row has one.
    void insertHidden(qsizetype at, const QVariant& hidden);
    // The hidden value of row `at`; the values are kept only once any row has one.
    void setHidden(qsizetype at, const QVariant& hidden);
    // Appends a copy of another table's row, texts, hidden value and boldness.
    void copyRow(const TextTable& from, qsizetype row);
    void compactIfWasteful();
    void addedLast();
    void forgetBufferOrder();
    void reorderBufferOrder(const std::vector<int>& order);
    quint8 currentChunk() const { return quint8(m_earlier.size()); }
    const QString& charsOf(const Row& r) const
    {
        return r.chunk == m_earlier.size() ? m_chars : m_earlier[r.chunk].chars;
    }
    const std::vector<quint32>& boundsOf(const Row& r) const
    {
        return r.chunk == m_earlier.size() ? m_bounds : m_earlier[r.chunk].bounds;
    }
    qsizetype charCount() const;

    // The current chunk, where new rows go.
    QString m_chars;
    std::vector<quint32> m_bounds;
    std::vector<Chunk> m_earlier;
    std::vector<Row> m_rows;
    // One per row once any row has a hidden value, else empty: most long lists have none, and a row's
    // bounds stay eight bytes that a sort moves.
    std::vector<QVariant> m_hidden;
    // A list read in one order and sorted once knows its buffer order without sorting all its places:
    // rows added at the end keep it, one reorder turns it into the reorder's inverse, other edits lose it.
    bool m_inBufferOrder = true;
    std::vector<int> m_bufferOrder; // when not in buffer order and of rowCount() entries: that order
    qsizetype m_rowStart = -1;      // bounds index of the row being built
    qsizetype m_unusedChars = 0;
    // Stateless, so a copy of the table starts with a decoder of its own.
    struct Utf8Decoder {
        QStringDecoder decoder{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless};
        Utf8Decoder() = default;
        Utf8Decoder(const Utf8Decoder&) {}
        Utf8Decoder(Utf8Decoder&&) = default;
        Utf8Decoder& operator=(Utf8Decoder&&) = default;
    };
    Utf8Decoder m_utf8;
};

} // namespace kalvora
