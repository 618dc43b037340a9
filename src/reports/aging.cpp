#include "reports/aging.h"

#include "accounts/open_item_store.h"
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

namespace {

// A due date that does not read is later than any count of days.
int lateness(int daysLate)
{
    return daysLate < 0 ? std::numeric_limits<int>::max() : daysLate;
}

// Sums open items into the report's rows, one per person and currency; a person's items come one after
// the other, in any order.
class AgingSums final {
public:
    AgingSums(const QDate& today, const AgingBounds& bounds) : m_today(today), m_bounds(bounds) {}

    void add(const QString& personKey, const QString& name, const OpenRow& o)
    {
        if (o.open == 0)
            return;
        AgingRow& r = rowFor(personKey, name, o.currency);
        if (!o.debt) {
            r.advance += o.open;
            return;
        }
        const int late = OpenItems::daysLate(o.due, m_today);
        r.buckets[static_cast<size_t>(agingBucket(late, m_bounds))] += o.open;
        r.total += o.open;
        if (late != 0 && (r.oldestLate == 0 || lateness(late) > lateness(r.oldestLate)))
            r.oldestLate = late;
    }

    // The oldest overdue first; then by name in Turkish order (each name's key made only where it
    // decides), the register's key and the currency.
    AgingReport finish()
    {
        AgingReport& out = m_out;
        for (const AgingRow& r : std::as_const(out.rows)) {
            auto& totals = out.totals[static_cast<size_t>(r.currency)];
            for (size_t b = 0; b < agingBucketCount; ++b)
                totals[b] += r.buckets[b];
            totals[agingBucketCount] += r.total;
            totals[agingBucketCount + 1] += r.advance;
        }
        std::vector<qsizetype> order(static_cast<size_t>(out.rows.size()));
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = static_cast<qsizetype>(i);
        auto late = [&](qsizetype i) { return lateness(out.rows.at(i).oldestLate); };
        std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) { return late(a) > late(b); });
        for (auto run = order.begin(); run != order.end();) {
            const auto end =
                std::find_if(run, order.end(), [&](qsizetype i) { return late(i) != late(*run); });
            if (end - run > 1) {
                std::vector<std::pair<SortKey, qsizetype>> names;
                names.reserve(static_cast<size_t>(end - run));
                for (auto i = run; i != end; ++i)
                    names.emplace_back(SortKey(out.rows.at(*i).name, SortKind::Text), *i);
                std::sort(names.begin(), names.end(), [&](const auto& a, const auto& b) {
                    if (const int n = SortKey::naturalOrder(a.first, b.first); n != 0)
                        return n < 0;
                    const AgingRow& x = out.rows.at(a.second);
                    const AgingRow& y = out.rows.at(b.second);
                    const qint64 kx = x.personKey.toLongLong();
                    const qint64 ky = y.personKey.toLongLong();
                    if (kx != ky)
                        return kx < ky;
                    if (x.personKey != y.personKey)
                        return x.personKey < y.personKey;
                    return x.currency < y.currency;
                });
                for (auto i = run; i != end; ++i)
                    *i = names[static_cast<size_t>(i - run)].second;
            }
            run = end;
        }
        QList<AgingRow> sorted;
        sorted.reserve(out.rows.size());
        for (qsizetype i : order)
            sorted.append(std::move(out.rows[i]));
        out.rows = std::move(sorted);
        return std::move(out);
    }

private:
    AgingRow& rowFor(const QString& personKey, const QString& name, Currency c)
    {
        if (personKey != m_person) {
            m_person = personKey;
            m_first = m_out.rows.size();
        }
        for (qsizetype i = m_first; i < m_out.rows.size(); ++i)
            if (m_out.rows.at(i).currency == c)
                return m_out.rows[i];
        AgingRow r;
        r.personKey = personKey;
        r.name = name;
        r.currency = c;
        m_out.rows.append(std::move(r));
        return m_out.rows.last();
    }

    QDate m_today;
    AgingBounds m_bounds;
    AgingReport m_out;
    QString m_person;
    qsizetype m_first = 0;
};

} // namespace

AgingReport buildAging(const QList<PersonOpenItems>& people, const QDate& today, const AgingBounds& bounds)
{
    AgingSums sums(today, bounds);
    for (const PersonOpenItems& p : people)
        for (const OpenRow& o : p.items.rows())
            sums.add(p.personKey, p.name, o);
    return sums.finish();
}

AgingReport agingReport(Store& store, const QDate& today, const AgingBounds& bounds, OpenBook::Dating dating)
{
    if (dating != OpenBook::Dating::ByDueDate)
        return buildAging(OpenBook(store).everyone(dating), today, bounds);
    // By due date, straight from the kept items, each summed as it is read.
    BookConnection& db = store.accounts();
    const RegisteredNames names(db);
    AgingSums sums(today, bounds);
    QString person;
    QString name;
    const QList<PersonOpenItems> waiting =
        OpenItemStore::forEachKept(db, [&](const QString& key, const OpenRow& o) {
            if (key != person) {
                person = key;
                name = names.of(key);
            }
            sums.add(key, name, o);
        });
    for (const PersonOpenItems& p : waiting)
        for (const OpenRow& o : p.items.rows())
            sums.add(p.personKey, names.of(p.personKey), o);
    return sums.finish();
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
