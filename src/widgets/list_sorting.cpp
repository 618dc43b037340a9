#include "widgets/list_sorting.h"

#include "widgets/report_list.h"

#include <QFontMetricsF>
#include <QScrollBar>
#include <QStyle>
#include <QtMath>

#include <algorithm>
#include <vector>

namespace kalvora {

namespace {

const char* const kDescendingProperty = "kalvoraSortDescending";

// How many of a column's longest texts are measured: enough that texts of one length but different
// letters (a name of wide capitals beside one of narrow ones) are all among them.
constexpr int kMeasuredPerColumn = 16;

bool isLineBreak(char16_t c)
{
    return c == u'\n' || c == u'\r' || c == u'\x2028' || c == u'\x2029';
}

qreal widestLine(const QFontMetricsF& metrics, QStringView text)
{
    qreal widest = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || isLineBreak(text[i].unicode())) {
            widest = std::max(widest, metrics.horizontalAdvance(text.mid(start, i - start).toString()));
            start = i + 1;
        }
    }
    return widest;
}

} // namespace

bool sortDescending(const ReportList* list)
{
    return list && list->property(kDescendingProperty).toBool();
}

void SutunSirala(ReportList* list, int column, SortKind kind)
{
    if (!list || column < 0 || column >= list->columnCount())
        return;
    const bool descending = !sortDescending(list);
    list->setProperty(kDescendingProperty, descending);

    ListModel* model = list->listModel();
    const int rows = model->rowCount();
    const std::vector<int> order = model->sortOrder(column, kind, descending);
    bool unchanged = true;
    for (int r = 0; r < rows && unchanged; ++r)
        unchanged = order[size_t(r)] == r;
    if (unchanged)
        return;

    std::vector<int> hidden;
    for (int r = 0; r < rows; ++r) {
        if (list->isRowHidden(r))
            hidden.push_back(r);
    }
    const int top = list->verticalScrollBar()->value();
    const int left = list->horizontalScrollBar()->value();
    for (int r : hidden)
        list->setRowHidden(r, false);
    // The current index and the selection are persistent indexes: the model moves them with their rows.
    model->reorder(order);
    if (!hidden.empty()) {
        std::vector<int> newRowOf(static_cast<size_t>(rows));
        for (int i = 0; i < rows; ++i)
            newRowOf[size_t(order[size_t(i)])] = i;
        for (int r : hidden)
            list->setRowHidden(newRowOf[size_t(r)], true);
    }
    list->verticalScrollBar()->setValue(top);
    list->horizontalScrollBar()->setValue(left);
}

void SutunlariSigdir(ReportList* list)
{
    if (!list)
        return;
    const ListModel* model = list->listModel();
    const int columns = model->columnCount();
    const QFontMetricsF metrics(list->font());
    // The item view keeps this margin on both sides of a cell text and elides a text that does not fit.
    const int margins = 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
    const std::vector<std::vector<QStringView>> longest =
        model->table().longestTexts(columns, kMeasuredPerColumn);
    for (int c = 0; c < columns; ++c) {
        qreal widest = metrics.horizontalAdvance(model->headers().value(c) + QStringLiteral("  "));
        for (const QStringView text : longest[size_t(c)])
            widest = std::max(widest, widestLine(metrics, text));
        int width = qCeil(widest) + margins;
        if (c == 0 && list->rootIsDecorated())
            width += list->indentation();
        list->setColumnWidth(c, width);
    }
}

} // namespace kalvora
