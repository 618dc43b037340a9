#pragma once

#include "listview/sort_compare.h"

class QTreeWidget;

namespace kalvora {

// A click on a sortable column header: flips the list's stored direction (one direction per list widget,
// whatever column was clicked; the first click makes it descending), then re-orders the rows by the
// 0-based `column` with the comparison of `kind`, stable. The current row's item stays current and the
// selection stays with its items. A column the list does not have changes nothing.
void SutunSirala(QTreeWidget* list, int column, SortKind kind);

// The list's stored direction: true after an odd number of sorting clicks.
bool sortDescending(const QTreeWidget* list);

// Makes each column as wide as its widest cell text or its header text followed by two blanks, whichever
// is wider, measured with the list's font (plus the margins the list draws beside a cell text). The rows
// are not touched.
void SutunlariSigdir(QTreeWidget* list);

} // namespace kalvora
