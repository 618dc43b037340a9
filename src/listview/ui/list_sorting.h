#pragma once

#include "listview/sort_compare.h"

#include <QStringView>

namespace kalvora {

class ReportList;

// A click on a sortable column header: flips the list's stored direction (one direction per list widget,
// whatever column was clicked; the first click makes it descending), then re-orders the rows by the
// 0-based `column` with the comparison of `kind`, stable; each cell's key is computed once. The current
// row stays current and the selection and hidden rows stay with their rows. A column the list does not have
// changes nothing.
void SutunSirala(ReportList* list, int column, SortKind kind);

// The list's stored direction: true after an odd number of sorting clicks.
bool sortDescending(const ReportList* list);

// Makes each column as wide as its widest cell text or its header text followed by two blanks, whichever
// is wider, measured with the list's font (plus the margins the list draws beside a cell text). The rows
// are not touched.
void SutunlariSigdir(ReportList* list);

// SutunlariSigdir's rule for a caller that keeps each text's estimated width from one fit to the next
// (a list whose rows mostly stay when it is read again): estimate() once per text, add() every shown
// cell with its estimate, apply() sets the widths. The texts with the largest estimates are measured
// exactly, as SutunlariSigdir does.
class ColumnFit {
public:
    explicit ColumnFit(ReportList* list);
    ~ColumnFit();
    ColumnFit(const ColumnFit&) = delete;
    ColumnFit& operator=(const ColumnFit&) = delete;

    // Stays the same while the list's font does: estimates made under another id are stale.
    quint32 fontId() const;
    qreal estimate(QStringView text);
    void add(int column, QStringView text, qreal estimate);
    void apply();

private:
    friend void SutunlariSigdir(ReportList* list);
    struct Data;
    ReportList* m_list;
    Data* m_data;
};

} // namespace kalvora
