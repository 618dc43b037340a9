#include "listview/sort_compare.h"

#include "data/turkish_text.h"

#include <QDate>
#include <QTime>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <limits>
#include <memory>
#include <numeric>
#include <optional>

namespace kalvora {

namespace {

constexpr char32_t kBlank = 0x20;
constexpr int kMaxIntegerDigits = 30; // keeps ten-thousandths and their differences well inside 128 bits
constexpr SortNumber kUnitsPerWhole = 10000;
constexpr SortNumber kSecondsPerDay = 86400;

SortKind normalized(SortKind kind)
{
    return kind == SortKind::Number || kind == SortKind::Date ? kind : SortKind::Text;
}

bool isDigit(char32_t c)
{
    return c >= U'0' && c <= U'9';
}

// Where the name of a text ends: at its last "." unless that "." lies before the last "\" (or, without
// one, "/"); the extension follows the ".".
qsizetype nameLengthOf(QStringView text)
{
    // Met first from the end, a "." or a backslash decides, and so does reaching the start; a "/" needs
    // the whole rule.
    qsizetype i = text.size();
    while (i-- > 0) {
        const char16_t c = text[i].unicode();
        if (c == u'.')
            return i;
        if (c == u'\\')
            return text.size();
        if (c == u'/')
            break;
    }
    if (i < 0)
        return text.size();
    qsizetype slash = text.lastIndexOf(QLatin1Char('\\'));
    if (slash < 0)
        slash = text.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = text.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && dot > slash ? dot : text.size();
}

// The Turkish case-insensitive weight of one UTF-16 unit, the same as turkishSortKey gives it. Folding unit
// by unit (never expanding, as the general upper case does with "ß") keeps every key as long as its text,
// which the padded-key comparison below relies on. Filled on first use, one unit at a time.
char32_t foldWeight(char16_t unit)
{
    static std::array<std::atomic<char32_t>, 0x10000> known{}; // weight + 1; 0 = not yet known
    char32_t w = known[unit].load(std::memory_order_relaxed);
    if (w == 0) {
        const std::u32string key = turkishSortKey(QString(QChar(unit)));
        w = (key.size() == 1 ? key.front() : char32_t(0x10000) + unit) + 1;
        known[unit].store(w, std::memory_order_relaxed);
    }
    return w - 1;
}

// Rounds numerator / denominator (denominator > 0) to the nearest whole number, halves to the even one,
// and clamps it to the 32-bit range (symmetric, so negating the result is always safe).
int roundHalfEvenClamped(SortNumber numerator, SortNumber denominator)
{
    SortNumber q = numerator / denominator;
    const SortNumber r = numerator % denominator;
    const SortNumber twice = (r < 0 ? -r : r) * 2;
    const SortNumber step = numerator < 0 ? -1 : 1;
    if (twice > denominator || (twice == denominator && q % 2 != 0))
        q += step;
    constexpr SortNumber limit = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(q, -limit, limit));
}

// The Turkish number text (blanks around it, optional leading "-", dots skipped, one decimal comma) in
// ten-thousandths, rounded half to even at the fifth decimal.
std::optional<SortNumber> readFixedPoint(QStringView text)
{
    const QStringView s = text.trimmed();
    qsizetype i = 0;
    const bool negative = i < s.size() && s.at(i) == QLatin1Char('-');
    if (negative)
        ++i;
    SortNumber whole = 0;
    int wholeDigits = 0;
    SortNumber fraction = 0;
    int fractionDigits = 0;
    int roundingDigit = -1;
    bool sticky = false;
    bool comma = false;
    bool anyDigit = false;
    for (; i < s.size(); ++i) {
        const char16_t c = s.at(i).unicode();
        if (c == u'.')
            continue;
        if (c == u',') {
            if (comma)
                return std::nullopt;
            comma = true;
            continue;
        }
        if (c < u'0' || c > u'9')
            return std::nullopt;
        anyDigit = true;
        const int d = c - u'0';
        if (!comma) {
            if (wholeDigits == 0 && d == 0)
                continue;
            if (++wholeDigits > kMaxIntegerDigits)
                return std::nullopt;
            whole = whole * 10 + d;
        } else if (fractionDigits < 4) {
            fraction = fraction * 10 + d;
            ++fractionDigits;
        } else if (roundingDigit < 0) {
            roundingDigit = d;
        } else if (d != 0) {
            sticky = true;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    for (; fractionDigits < 4; ++fractionDigits)
        fraction *= 10;
    SortNumber value = whole * kUnitsPerWhole + fraction;
    if (roundingDigit > 5 || (roundingDigit == 5 && (sticky || value % 2 != 0)))
        ++value;
    return negative ? -value : value;
}

// "dd.MM.yyyy", optionally followed by blanks and "HH:mm:ss" (or "HH:mm"), as seconds.
std::optional<SortNumber> readPointInTime(QStringView text)
{
    const QStringView s = text.trimmed();
    qsizetype blank = 0;
    while (blank < s.size() && !s.at(blank).isSpace())
        ++blank;
    const QDate date = readDateText(s.left(blank).toString());
    if (!date.isValid())
        return std::nullopt;
    SortNumber seconds = SortNumber(date.toJulianDay()) * kSecondsPerDay;
    const QStringView rest = s.mid(blank).trimmed();
    if (!rest.isEmpty()) {
        const QTime time = readTimeText(rest.toString());
        if (!time.isValid())
            return std::nullopt;
        seconds += time.msecsSinceStartOfDay() / 1000;
    }
    return seconds;
}

// The two character spaces a text key is compared in: the Turkish case-insensitive weights, and the plain
// UTF-16 codes.
struct Folded {
    static char32_t at(const QString&, const std::u32string& folded, int i) { return folded[size_t(i)]; }
};
struct Codes {
    static char32_t at(const QString& text, const std::u32string&, int i) { return text.at(i).unicode(); }
};

} // namespace

SortKey::SortKey(const QString& text, SortKind kind) : m_kind(normalized(kind))
{
    if (m_kind != SortKind::Text) {
        readValue(text);
        return;
    }
    m_text = text;
    foldText();
}

SortKey::SortKey(QStringView text, SortKind kind) : m_kind(normalized(kind))
{
    if (m_kind != SortKind::Text) {
        readValue(text);
        return;
    }
    m_text = text.toString();
    foldText();
}

void SortKey::readValue(QStringView text)
{
    const auto value = m_kind == SortKind::Number ? readFixedPoint(text) : readPointInTime(text);
    m_converts = value.has_value();
    m_number = value.value_or(0);
}

void SortKey::foldText()
{
    const QString& text = m_text;
    const int length = static_cast<int>(text.size());
    m_folded.resize(size_t(length));
    for (int i = 0; i < length; ++i)
        m_folded[size_t(i)] = foldWeight(text.at(i).unicode());
    const qsizetype name = nameLengthOf(text);
    m_nameLength = static_cast<int>(name);
    m_extensionStart = name < length ? static_cast<int>(name) + 1 : -1;
}

namespace {

// Compares the DogalSirala keys of two texts in one character space without building them. The keys put
// the extension first, blank-padded to the longer one, then the name with every digit run zero-padded to
// the longest run. Padding to any common width gives the same order, so the keys need not be built with
// the widths of the whole set; a digit run then compares by its number, and a run against any other
// character like any digit does.
template <typename Space>
int compareKeys(const QString& t1, const std::u32string& f1, int name1, int ext1, const QString& t2,
                const std::u32string& f2, int name2, int ext2)
{
    const int extLength1 = ext1 < 0 ? 0 : static_cast<int>(t1.size()) - ext1;
    const int extLength2 = ext2 < 0 ? 0 : static_cast<int>(t2.size()) - ext2;
    const int extWidth = std::max(extLength1, extLength2);
    for (int k = 0; k < extWidth; ++k) {
        const char32_t c1 = k < extLength1 ? Space::at(t1, f1, ext1 + k) : kBlank;
        const char32_t c2 = k < extLength2 ? Space::at(t2, f2, ext2 + k) : kBlank;
        if (c1 != c2)
            return c1 < c2 ? -1 : 1;
    }
    int i = 0;
    int j = 0;
    while (i < name1 && j < name2) {
        const char32_t c1 = Space::at(t1, f1, i);
        const char32_t c2 = Space::at(t2, f2, j);
        if (isDigit(c1) && isDigit(c2)) {
            int end1 = i;
            while (end1 < name1 && isDigit(Space::at(t1, f1, end1)))
                ++end1;
            int end2 = j;
            while (end2 < name2 && isDigit(Space::at(t2, f2, end2)))
                ++end2;
            while (i < end1 && Space::at(t1, f1, i) == U'0')
                ++i;
            while (j < end2 && Space::at(t2, f2, j) == U'0')
                ++j;
            if (end1 - i != end2 - j)
                return end1 - i < end2 - j ? -1 : 1;
            for (; i < end1; ++i, ++j) {
                const char32_t d1 = Space::at(t1, f1, i);
                const char32_t d2 = Space::at(t2, f2, j);
                if (d1 != d2)
                    return d1 < d2 ? -1 : 1;
            }
            j = end2;
            continue;
        }
        if (c1 != c2)
            return c1 < c2 ? -1 : 1;
        ++i;
        ++j;
    }
    return (i < name1 ? 1 : 0) - (j < name2 ? 1 : 0);
}

} // namespace

int SortKey::naturalOrder(const SortKey& a, const SortKey& b)
{
    const int folded = compareKeys<Folded>(a.m_text, a.m_folded, a.m_nameLength, a.m_extensionStart, b.m_text,
                                           b.m_folded, b.m_nameLength, b.m_extensionStart);
    if (folded != 0)
        return folded;
    return -compareKeys<Codes>(a.m_text, a.m_folded, a.m_nameLength, a.m_extensionStart, b.m_text, b.m_folded,
                               b.m_nameLength, b.m_extensionStart);
}

int SortKey::compare(const SortKey& a, const SortKey& b)
{
    switch (a.m_kind) {
    case SortKind::Number:
        if (!a.m_converts || !b.m_converts)
            return (a.m_converts ? 0 : 1) - (b.m_converts ? 0 : 1);
        return roundHalfEvenClamped(b.m_number - a.m_number, kUnitsPerWhole);
    case SortKind::Date:
        if (!a.m_converts || !b.m_converts)
            return (a.m_converts ? 1 : 0) - (b.m_converts ? 1 : 0);
        return roundHalfEvenClamped(a.m_number - b.m_number, kSecondsPerDay);
    case SortKind::Text:
        break;
    }
    // The pair is ordered as DogalSirala orders it; `a` keeps its place (-1) when it comes first or when
    // the text that comes first equals it ignoring case.
    if (naturalOrder(a, b) <= 0)
        return -1;
    return a.m_folded == b.m_folded ? -1 : 1;
}

int SortKey::order(const SortKey& a, const SortKey& b)
{
    if (a.m_kind != SortKind::Text) {
        const int c = compare(a, b);
        return (c > 0) - (c < 0);
    }
    if (a.m_folded == b.m_folded)
        return 0;
    return naturalOrder(a, b);
}

int SiralamaKarsilastir(const QString& a, const QString& b, SortKind kind)
{
    return SortKey::compare(SortKey(a, kind), SortKey(b, kind));
}

namespace {

// Bottom-up merge sort of the rows 0..n-1: a row from the right half goes first only when it strictly
// precedes, so rows the order calls equal, and pairs it orders inconsistently, keep their order.
template <typename Order> std::vector<int> mergeSort(int n, bool descending, const Order& order)
{
    std::vector<int> rows(static_cast<size_t>(n));
    std::iota(rows.begin(), rows.end(), 0);
    std::vector<int> merged(static_cast<size_t>(n));
    const int direction = descending ? -1 : 1;
    for (int width = 1; width < n; width *= 2) {
        for (int lo = 0; lo < n; lo += 2 * width) {
            const int mid = std::min(lo + width, n);
            const int hi = std::min(lo + 2 * width, n);
            int l = lo;
            int r = mid;
            int out = lo;
            while (l < mid && r < hi) {
                const int right = rows[size_t(r)];
                const int left = rows[size_t(l)];
                if (direction * order(right, left) < 0) {
                    merged[size_t(out++)] = right;
                    ++r;
                } else {
                    merged[size_t(out++)] = left;
                    ++l;
                }
            }
            while (l < mid)
                merged[size_t(out++)] = rows[size_t(l++)];
            while (r < hi)
                merged[size_t(out++)] = rows[size_t(r++)];
        }
        rows.swap(merged);
    }
    return rows;
}

// The DogalSirala key of every text of a column in Turkish case-insensitive weights, padded to the
// widths of the whole column and stored as big-endian bytes, three per weight. Two keys compare (bytes,
// then the shorter first) as compareKeys<Folded> compares their texts, so a sort compares bytes instead
// of walking digit runs, and builds each key once.
class FoldedKeys {
public:
    static constexpr size_t kMaxFoldedBytes = size_t(64) << 20;
    // False when the column's padded keys would not fit in kMaxFoldedBytes.
    bool usable() const { return !m_start.empty(); }

    template <typename CellAt> FoldedKeys(int n, const CellAt& cellAt) : m_start(size_t(n) + 1)
    {
        struct Shape {
            qsizetype name = 0;
            qsizetype extension = 0;
            qsizetype runs = 0;
            qsizetype runDigits = 0;
        };
        std::vector<Shape> shapes(static_cast<size_t>(n));
        qsizetype extensionWidth = 0;
        qsizetype digitWidth = 0;
        for (int i = 0; i < n; ++i) {
            const QStringView text = cellAt(i);
            Shape& s = shapes[size_t(i)];
            s.name = nameLengthOf(text);
            s.extension = s.name < text.size() ? text.size() - s.name - 1 : 0;
            qsizetype run = 0;
            for (qsizetype k = 0; k <= s.name; ++k) {
                if (k < s.name && isDigit(text[k].unicode())) {
                    ++run;
                    continue;
                }
                if (run > 0) {
                    ++s.runs;
                    s.runDigits += run;
                    digitWidth = std::max(digitWidth, run);
                    run = 0;
                }
            }
            extensionWidth = std::max(extensionWidth, s.extension);
        }
        size_t total = 0;
        for (int i = 0; i < n; ++i) {
            const Shape& s = shapes[size_t(i)];
            m_start[size_t(i)] = quint32(total);
            total += size_t(3 * (extensionWidth + s.name + s.runs * digitWidth - s.runDigits));
            // One long digit run pads every key of the column to its length: such a column is sorted
            // by its texts' own keys instead of growing without bound.
            if (total > kMaxFoldedBytes) {
                m_start.clear();
                return;
            }
        }
        m_start[size_t(n)] = quint32(total);
        m_bytes.resize(total);
        unsigned char* out = m_bytes.data();
        const auto put = [&out](char32_t w) {
            out[0] = static_cast<unsigned char>(w >> 16);
            out[1] = static_cast<unsigned char>(w >> 8);
            out[2] = static_cast<unsigned char>(w);
            out += 3;
        };
        for (int i = 0; i < n; ++i) {
            const QStringView text = cellAt(i);
            const Shape& s = shapes[size_t(i)];
            for (qsizetype k = 0; k < s.extension; ++k)
                put(foldWeight(text[s.name + 1 + k].unicode()));
            for (qsizetype k = s.extension; k < extensionWidth; ++k)
                put(kBlank);
            for (qsizetype k = 0; k < s.name;) {
                if (!isDigit(text[k].unicode())) {
                    put(foldWeight(text[k++].unicode()));
                    continue;
                }
                qsizetype end = k;
                while (end < s.name && isDigit(text[end].unicode()))
                    ++end;
                for (qsizetype pad = end - k; pad < digitWidth; ++pad)
                    put(U'0');
                for (; k < end; ++k)
                    put(text[k].unicode());
            }
        }
    }

    int compare(int a, int b) const
    {
        const quint32 fromA = m_start[size_t(a)];
        const quint32 fromB = m_start[size_t(b)];
        const quint32 lengthA = m_start[size_t(a) + 1] - fromA;
        const quint32 lengthB = m_start[size_t(b) + 1] - fromB;
        const quint32 common = std::min(lengthA, lengthB);
        // An empty column has no bytes at all, and memcmp may not be handed a null pointer even for 0.
        const int c = common == 0 ? 0 : std::memcmp(m_bytes.data() + fromA, m_bytes.data() + fromB, common);
        if (c != 0)
            return c < 0 ? -1 : 1;
        return (lengthA > lengthB) - (lengthA < lengthB);
    }

private:
    std::vector<unsigned char> m_bytes;
    std::vector<quint32> m_start; // row i's key is [m_start[i], m_start[i + 1])
};

// The keys of one column: padded byte keys for a text column whose keys fit, a parsed key per cell
// otherwise.
struct ColumnKeys {
    std::optional<FoldedKeys> folded;
    std::vector<SortKey> whole;

    template <typename CellAt> ColumnKeys(int n, const CellAt& cellAt, SortKind kind)
    {
        if (kind == SortKind::Text) {
            folded.emplace(n, cellAt);
            if (folded->usable())
                return;
            folded.reset();
        }
        whole.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            whole.emplace_back(cellAt(i), kind);
    }
};

// Sorts the rows 0..n-1 by keys made for the rows slotOf(r) once stood at.
template <typename CellAt, typename SlotOf>
std::vector<int> sortByKeys(const ColumnKeys& keys, int n, const CellAt& cellAt, const SlotOf& slotOf,
                            SortKind kind, bool descending)
{
    if (!keys.folded) {
        return mergeSort(n, descending, [&](int a, int b) {
            return SortKey::order(keys.whole[size_t(slotOf(a))], keys.whole[size_t(slotOf(b))]);
        });
    }
    // Texts whose padded keys are equal are either identical (equal ignoring case: they keep their
    // order) or differ in case or leading zeros only; those few are ordered by their whole keys.
    std::vector<std::unique_ptr<SortKey>> whole(static_cast<size_t>(n));
    const auto wholeKey = [&](int r) -> const SortKey& {
        std::unique_ptr<SortKey>& k = whole[size_t(r)];
        if (!k)
            k = std::make_unique<SortKey>(cellAt(r), kind);
        return *k;
    };
    return mergeSort(n, descending, [&](int a, int b) {
        if (const int c = keys.folded->compare(slotOf(a), slotOf(b)))
            return c;
        if (cellAt(a) == cellAt(b))
            return 0;
        return SortKey::order(wholeKey(a), wholeKey(b));
    });
}

template <typename CellAt>
std::vector<int> sortCells(int n, const CellAt& cellAt, SortKind kind, bool descending)
{
    kind = normalized(kind);
    const ColumnKeys keys(n, cellAt, kind);
    return sortByKeys(
        keys, n, cellAt, [](int r) { return r; }, kind, descending);
}

} // namespace

std::vector<int> sortOrder(const QStringList& cells, SortKind kind, bool descending)
{
    return sortCells(
        static_cast<int>(cells.size()), [&cells](int i) { return QStringView(cells.at(i)); }, kind,
        descending);
}

std::vector<int> sortOrder(const TextTable& rows, int column, SortKind kind, bool descending)
{
    return sortCells(
        static_cast<int>(rows.rowCount()), [&rows, column](int i) { return rows.cell(i, column); }, kind,
        descending);
}

struct ColumnSortKeys::Keys : ColumnKeys {
    using ColumnKeys::ColumnKeys;
};

ColumnSortKeys::ColumnSortKeys(const TextTable& rows, int column, SortKind kind)
    : m_column(column), m_kind(normalized(kind)), m_slots(static_cast<size_t>(rows.rowCount()))
{
    std::iota(m_slots.begin(), m_slots.end(), 0);
    m_keys = std::make_unique<Keys>(
        static_cast<int>(rows.rowCount()), [&rows, column](int i) { return rows.cell(i, column); }, m_kind);
}

ColumnSortKeys::~ColumnSortKeys() = default;

bool ColumnSortKeys::fits(const TextTable& rows, int column, SortKind kind) const
{
    return column == m_column && normalized(kind) == m_kind && size_t(rows.rowCount()) == m_slots.size();
}

std::vector<int> ColumnSortKeys::order(const TextTable& rows, bool descending) const
{
    const int column = m_column;
    return sortByKeys(
        *m_keys, static_cast<int>(m_slots.size()), [&rows, column](int i) { return rows.cell(i, column); },
        [this](int r) { return m_slots[size_t(r)]; }, m_kind, descending);
}

void ColumnSortKeys::reorder(const std::vector<int>& order)
{
    if (order.size() != m_slots.size())
        return;
    std::vector<int> moved;
    moved.reserve(order.size());
    for (int from : order)
        moved.push_back(m_slots[size_t(from)]);
    m_slots = std::move(moved);
}

namespace {

struct NameAndExtension {
    QString name;
    QString extension;
};

NameAndExtension splitNameAndExtension(const QString& text)
{
    qsizetype slash = text.lastIndexOf(QLatin1Char('\\'));
    if (slash < 0)
        slash = text.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = text.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0 && dot > slash)
        return {text.left(dot), text.mid(dot + 1)};
    return {text, QString()};
}

} // namespace

NaturalKeyWidths naturalKeyWidths(const QStringList& texts)
{
    NaturalKeyWidths widths;
    for (const QString& text : texts) {
        const NameAndExtension parts = splitNameAndExtension(text);
        widths.extension = std::max(widths.extension, static_cast<int>(parts.extension.size()));
        int run = 0;
        for (QChar c : parts.name) {
            run = isDigit(c.unicode()) ? run + 1 : 0;
            widths.digits = std::max(widths.digits, run);
        }
    }
    return widths;
}

QString naturalKey(const QString& text, const NaturalKeyWidths& widths)
{
    const NameAndExtension parts = splitNameAndExtension(text);
    QString key = parts.extension;
    if (key.size() < widths.extension)
        key.append(QString(widths.extension - key.size(), QLatin1Char(' ')));
    const QString& name = parts.name;
    for (qsizetype i = 0; i < name.size();) {
        if (!isDigit(name.at(i).unicode())) {
            key.append(name.at(i++));
            continue;
        }
        qsizetype end = i;
        while (end < name.size() && isDigit(name.at(end).unicode()))
            ++end;
        if (end - i < widths.digits)
            key.append(QString(widths.digits - (end - i), QLatin1Char('0')));
        key.append(QStringView(name).mid(i, end - i));
        i = end;
    }
    return key;
}

void DogalSirala(QStringList& texts)
{
    std::vector<SortKey> keys;
    keys.reserve(size_t(texts.size()));
    for (const QString& text : texts)
        keys.emplace_back(text, SortKind::Text);
    std::vector<int> rows(keys.size());
    std::iota(rows.begin(), rows.end(), 0);
    std::stable_sort(rows.begin(), rows.end(), [&keys](int x, int y) {
        return SortKey::naturalOrder(keys[size_t(x)], keys[size_t(y)]) < 0;
    });
    QStringList sorted;
    sorted.reserve(texts.size());
    for (int row : rows)
        sorted.append(texts.at(row));
    texts = sorted;
}

} // namespace kalvora
