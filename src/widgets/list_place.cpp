#include "widgets/list_place.h"

#include "widgets/report_list.h"

#include <QScrollBar>

namespace kalvora {

ListPlace::ListPlace(const ReportList* list, int identityColumns)
    : m_top(list->verticalScrollBar()->value()), m_left(list->horizontalScrollBar()->value())
{
    const int row = list->currentRow();
    if (row < 0)
        return;
    m_hidden = list->hiddenValue(row);
    if (m_hidden.isValid())
        return;
    const int columns =
        identityColumns < 0 ? list->columnCount() : std::min(identityColumns, list->columnCount());
    for (int c = 0; c < columns; ++c)
        m_texts.append(list->cell(row, c));
}

void ListPlace::restore(ReportList* list) const
{
    int row = -1;
    if (m_hidden.isValid()) {
        row = list->listModel()->rowOfHidden(m_hidden);
    } else if (!m_texts.isEmpty()) {
        for (int r = 0; r < list->rowCount() && row < 0; ++r) {
            bool same = true;
            for (int c = 0; c < m_texts.size() && same; ++c)
                same = list->listModel()->cellView(r, c) == m_texts.at(c);
            if (same)
                row = r;
        }
    }
    // A row that is gone leaves the choice the reload made.
    if (row >= 0)
        list->setCurrentRow(row);
    list->verticalScrollBar()->setValue(m_top);
    list->horizontalScrollBar()->setValue(m_left);
}

void resortRows(ReportList* list, int column, SortKind kind, bool descending)
{
    if (column < 0 || column >= list->columnCount())
        return;
    ListModel* model = list->listModel();
    model->reorder(model->sortOrder(column, kind, descending));
}

} // namespace kalvora
