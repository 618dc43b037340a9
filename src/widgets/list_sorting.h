#pragma once

#include "listview/sort_compare.h"

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
// is wider, measured with the list's font (plus the margins the list draws beside a cell text). A
// column's widest text is taken among its few texts with the longest lines, each measured whole: the
// lists hold names, amounts and dates, whose width follows their number of characters closely. The rows
// are not touched.
void SutunlariSigdir(ReportList* list);

} // namespace kalvora
