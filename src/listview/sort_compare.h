#pragma once

#include "listview/text_table.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <string>
#include <vector>

namespace kalvora {

// How a sortable column compares its cells. Any other value counts as Text.
enum class SortKind { Text = 0, Number = 1, Date = 2 };

// The column comparison for the ascending direction (a descending sort negates it): negative puts the row
// of `a` before the row of `b`, positive after it, zero leaves their order alone.
//  Text: natural order (digit runs by their numbers, the part after the last "." first), Turkish
//        alphabetical order ignoring case; -1 or +1, never 0. Texts equal ignoring case give -1 both ways.
//  Number: (b - a) in whole units, read to four decimals, rounded half to even: larger amounts first, and
//        amounts less than half a unit apart are equal. Clamped to +-2147483647.
//  Date: (a - b) in whole days, "dd.MM.yyyy" with an optional " HH:mm:ss" as the fraction of the day,
//        rounded half to even: earlier first.
// A number or date cell that does not convert (empty, garbage, an invalid date, over 30 integer digits)
// counts as lower than every cell that does, so it goes with the smallest amounts and the earliest dates;
// two such cells are equal.
int SiralamaKarsilastir(const QString& a, const QString& b, SortKind kind);

__extension__ typedef __int128 SortNumber;

// One cell read once, so that a sort parses each cell a single time. compare() gives exactly
// SiralamaKarsilastir of the two texts; both keys must be of the same kind.
class SortKey {
public:
    SortKey() = default;
    SortKey(const QString& text, SortKind kind);
    SortKey(QStringView text, SortKind kind);

    SortKind kind() const { return m_kind; }
    // False for a number or date cell that does not convert; always true for text.
    bool converts() const { return m_converts; }

    static int compare(const SortKey& a, const SortKey& b);
    // compare() reduced to what a sort can rely on: nonzero only when compare(a, b) and compare(b, a)
    // agree. So order(a, b) == -order(b, a), and rows it calls equal keep their order.
    static int order(const SortKey& a, const SortKey& b);
    // DogalSirala's order of two texts: their keys by Turkish order ignoring case, then the key with the
    // larger character codes first; 0 only for identical keys.
    static int naturalOrder(const SortKey& a, const SortKey& b);

private:
    void readValue(QStringView text);
    void foldText();

    SortKind m_kind = SortKind::Text;
    bool m_converts = true;
    SortNumber m_number = 0;   // Number: ten-thousandths; Date: seconds from the start of the Julian calendar
    QString m_text;            // Text: the cell as shown
    std::u32string m_folded;   // Text: Turkish case-insensitive weight of each UTF-16 unit of m_text
    int m_nameLength = 0;      // Text: the name is m_text[0, m_nameLength)
    int m_extensionStart = -1; // Text: the extension is m_text[m_extensionStart, end); -1 when none
};

// The row order of one sort: element i is the index in `cells` of the row that goes to position i.
// A stable merge sort over SortKey::order, negated when descending; it never relies on the comparison
// being consistent, so inconsistent or equal pairs simply keep their order.
std::vector<int> sortOrder(const QStringList& cells, SortKind kind, bool descending);
// The same over one column of a table, read where its texts lie.
std::vector<int> sortOrder(const TextTable& rows, int column, SortKind kind, bool descending);

// The keys of one column of a table, made once, so that sorting the same column again (a second click
// turns the order around) costs only the sort. The keys follow the rows through reorder(); any other
// change to the table makes them stale, and whoever holds them drops them.
class ColumnSortKeys {
public:
    ColumnSortKeys(const TextTable& rows, int column, SortKind kind);
    ~ColumnSortKeys();
    ColumnSortKeys(const ColumnSortKeys&) = delete;
    ColumnSortKeys& operator=(const ColumnSortKeys&) = delete;

    // Whether these are the keys for sorting `rows` by `column` as `kind`.
    bool fits(const TextTable& rows, int column, SortKind kind) const;
    // sortOrder(rows, column, kind, descending) for the rows the keys were made from, as they now stand.
    std::vector<int> order(const TextTable& rows, bool descending) const;
    // The rows moved as TextTable::reorder(order) moves them.
    void reorder(const std::vector<int>& order);

private:
    struct Keys;
    int m_column;
    SortKind m_kind;
    std::vector<int> m_slots; // row r's key was made for the row then at m_slots[r]
    std::unique_ptr<Keys> m_keys;
};

// The widths DogalSirala pads to over a set of texts: the longest digit run of any name and the longest
// extension.
struct NaturalKeyWidths {
    int digits = 0;
    int extension = 0;
};
NaturalKeyWidths naturalKeyWidths(const QStringList& texts);
// DogalSirala's key of one text: its extension, blanks up to widths.extension, then its name with every
// digit run left-padded with "0" to widths.digits. "ALİ 2" with digits 2 gives "ALİ 02"; "1.500,00"
// with extension 6 and digits 3 gives "500,00001". Comparing such keys is what the text kind does.
QString naturalKey(const QString& text, const NaturalKeyWidths& widths);

// DogalSirala over an array: natural order, ascending; texts with identical keys keep their order.
void DogalSirala(QStringList& texts);

} // namespace kalvora
