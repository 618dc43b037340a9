#include "reports/aging.h"

#include "data/turkish_text.h"
#include "listview/sort_compare.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace kalvora {

int agingBucket(int daysLate, const AgingBounds& bounds)
{
    if (daysLate < 0)
        return agingBucketCount - 1;
    if (daysLate == 0)
        return 0;
    if (daysLate <= bounds.first)
        return 1;
    if (daysLate <= bounds.second)
        return 2;
    if (daysLate <= bounds.third)
        return 3;
    return 4;
}

QStringList agingBucketTitles(const AgingBounds& b)
{
    return {QStringLiteral("VADESİ GELMEMİŞ"), QStringLiteral("1-%1 GÜN").arg(b.first),
            QStringLiteral("%1-%2 GÜN").arg(b.first + 1).arg(b.second),
            QStringLiteral("%1-%2 GÜN").arg(b.second + 1).arg(b.third),
            QStringLiteral("%1 GÜNDEN FAZLA").arg(b.third)};
}

QString centsText(qint64 cents)
{
    return formatAmount(static_cast<double>(cents) / 100.0);
}

AgingReport buildAging(const QList<PersonOpenItems>& people, const QDate& today, const AgingBounds& bounds)
{
    AgingReport out;
    for (const PersonOpenItems& p : people) {
        std::array<AgingRow, 3> rows;
        std::array<bool, 3> any{};
        for (const OpenRow& o : p.items.rows()) {
            const auto c = static_cast<size_t>(o.currency);
            AgingRow& r = rows[c];
            if (!o.debt || o.open == 0)
                continue;
            any[c] = true;
            const int late = OpenItems::daysLate(o.due, today);
            r.buckets[static_cast<size_t>(agingBucket(late, bounds))] += o.open;
            r.total += o.open;
            // Debts are in due order, so the first late one is the oldest.
            if (r.oldestLate == 0 && late != 0)
                r.oldestLate = late;
        }
        for (Currency c : allCurrencies) {
            const auto i = static_cast<size_t>(c);
            AgingRow& r = rows[i];
            r.advance = p.items.advance(c);
            if (!any[i] && r.advance == 0)
                continue;
            r.personKey = p.personKey;
            r.name = p.name;
            r.currency = c;
            for (int b = 0; b < agingBucketCount; ++b)
                out.totals[i][static_cast<size_t>(b)] += r.buckets[static_cast<size_t>(b)];
            out.totals[i][agingBucketCount] += r.total;
            out.totals[i][agingBucketCount + 1] += r.advance;
            out.rows.append(std::move(r));
        }
    }
    // The name in Turkish order, each read once.
    std::vector<SortKey> names;
    names.reserve(static_cast<size_t>(out.rows.size()));
    for (const AgingRow& r : out.rows)
        names.emplace_back(r.name, SortKind::Text);
    std::vector<qsizetype> order(static_cast<size_t>(out.rows.size()));
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<qsizetype>(i);
    auto lateness = [&](qsizetype i) {
        const int late = out.rows.at(i).oldestLate;
        return late < 0 ? std::numeric_limits<int>::max() : late;
    };
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        if (lateness(a) != lateness(b))
            return lateness(a) > lateness(b);
        return SortKey::naturalOrder(names[static_cast<size_t>(a)], names[static_cast<size_t>(b)]) < 0;
    });
    QList<AgingRow> sorted;
    sorted.reserve(out.rows.size());
    for (qsizetype i : order)
        sorted.append(std::move(out.rows[i]));
    out.rows = std::move(sorted);
    return out;
}

AgingReport agingReport(Store& store, const QDate& today, const AgingBounds& bounds, OpenBook::Dating dating)
{
    return buildAging(OpenBook(store).everyone(dating), today, bounds);
}

QStringList agingRowTexts(const AgingRow& row)
{
    QStringList t{row.name, currencyText(row.currency)};
    for (qint64 b : row.buckets)
        t << centsText(b);
    t << centsText(row.total) << centsText(row.advance)
      << (row.oldestLate > 0   ? QString::number(row.oldestLate)
          : row.oldestLate < 0 ? QStringLiteral("?")
                               : QString());
    return t;
}

} // namespace kalvora
