#pragma once

#include "listview/sort_compare.h"

#include <QStringList>
#include <QVariant>

namespace kalvora {

class ReportList;

// What a reload of a report list keeps for the user: the chosen row and where the list was scrolled.
// The row is found again by its hidden value; a list without hidden values finds it by the texts of its
// first identityColumns columns (all of them when -1), the columns that do not change with the figures.
class ListPlace final {
public:
    explicit ListPlace(const ReportList* list, int identityColumns = -1);
    void restore(ReportList* list) const;

private:
    QVariant m_hidden;
    QStringList m_texts;
    int m_top = 0;
    int m_left = 0;
};

// Orders the rows by a column in the given direction, as the last header click left them; the stored
// direction is not flipped.
void resortRows(ReportList* list, int column, SortKind kind, bool descending);

} // namespace kalvora
