#include "reports/chart_figures.h"

#include "data/store.h"
#include "reports/report_lists.h"

#include <QDate>

#include <future>
#include <map>

namespace kalvora {

namespace {

// The amount text of a column in whole kuruş, a text that is no number as zero. Half a kuruş rounds
// away from zero on both stores (SQLite's round; the server's own round of a double would round half
// to even).
QString centsOf(const BookConnection& db, const QString& column)
{
    const QString value = QStringLiteral("coalesce(cdbl(%1), 0)").arg(column);
    if (db.onServer())
        return QStringLiteral("(sign(%1) * floor(abs(%1) * 100 + 0.5))::bigint").arg(value);
    return QStringLiteral("CAST(round(%1 * 100) AS INTEGER)").arg(value);
}

MonthKey nextMonth(MonthKey m)
{
    return m % 100 == 12 ? (m / 100 + 1) * 100 + 1 : m + 1;
}

struct MonthSums {
    qint64 given = 0;    // stored positive
    qint64 received = 0; // stored negative
};

// The currency's transactions per month. Grouping by the date text first follows the (para_cinsi,
// durum, para) index, so only the day sums are sorted by month, and CDATE runs once a day rather than
// once a row.
// year, when not 0, keeps only the rows whose date text holds it: a cheap test that skips the amount of
// most rows, whose months CDATE then tells exactly.
std::map<MonthKey, MonthSums> transactionMonths(BookConnection& db, const QString& currency, int year = 0)
{
    BookQuery st = db.prepare(
        QStringLiteral("SELECT CDATE(d) / 100, p, s FROM (SELECT durum AS d, para AS p, sum(") +
        centsOf(db, QStringLiteral("tutar")) +
        QStringLiteral(
            ") AS s FROM CARIKART WHERE para_cinsi = ?1 AND para IN ('100', '200') AND durum LIKE ?2 "
            "GROUP BY durum, para) t WHERE CDATE(d) IS NOT NULL"));
    st.bind(1, currency).bind(2, year ? QStringLiteral("%%%1%").arg(year) : QStringLiteral("%"));
    std::map<MonthKey, MonthSums> months;
    while (st.step()) {
        MonthSums& m = months[MonthKey(st.int64(0))];
        (st.text(1) == QLatin1String("100") ? m.given : m.received) += st.int64(2);
    }
    return months;
}

// The valid entries of one ledger per month, over all years.
std::map<MonthKey, qint64> ledgerByMonth(BookConnection& db)
{
    // The grouping follows the ledger's period index (year, month and day parts, state, date text), which
    // also holds the amount, so no row is sorted and CDATE runs once per date text.
    BookQuery st = db.prepare(
        QStringLiteral("SELECT CDATE(d) / 100, s FROM (SELECT gider_tarihi AS d, gider_iptal AS i, sum(") +
        centsOf(db, QStringLiteral("gider_tutar")) +
        QStringLiteral(") AS s FROM GIDERLER GROUP BY substr(gider_tarihi,7,4), substr(gider_tarihi,4,2), "
                       "substr(gider_tarihi,1,2), gider_iptal, gider_tarihi) t "
                       "WHERE CASE i WHEN '0' THEN 0 WHEN '1' THEN 1 ELSE cdbl(i) END = 0 "
                       "AND CDATE(d) IS NOT NULL"));
    std::map<MonthKey, qint64> months;
    while (st.step())
        months[MonthKey(st.int64(0))] += st.int64(1);
    return months;
}

} // namespace

QList<NetPositionMonth> ChartFigures::netPositionByMonth(const QString& currency)
{
    const std::map<MonthKey, MonthSums> months = transactionMonths(m_store.accounts(), currency);
    QList<NetPositionMonth> out;
    if (months.empty())
        return out;
    qint64 net = 0;
    const MonthKey last = months.rbegin()->first;
    for (MonthKey m = months.begin()->first; m <= last; m = nextMonth(m)) {
        const auto it = months.find(m);
        // Money given is stored positive and is an outflow.
        const qint64 change = it == months.end() ? 0 : -(it->second.given + it->second.received);
        net += change;
        out.append({m, change, net});
    }
    return out;
}

QList<BalanceBar> ChartFigures::topDebtors(const QString& currency, int count)
{
    return topBalances(currency, count, true);
}

QList<BalanceBar> ChartFigures::topCreditors(const QString& currency, int count)
{
    return topBalances(currency, count, false);
}

QList<BalanceBar> ChartFigures::topBalances(const QString& currency, int count, bool debtors)
{
    const qsizetype c = currencyCodes().indexOf(currency);
    if (c < 0 || count <= 0)
        return {};
    // The balances the debtor and creditor lists show: each person's stored copy of the sum.
    static const char* const columns[] = {"SonBakiye", "SonBakiye_usd", "SonBakiye_euro"};
    BookConnection& db = m_store.accounts();
    const QString cents = centsOf(db, QString::fromLatin1(columns[c]));
    BookQuery st =
        db.prepare(QStringLiteral("SELECT oto_kod, adisoyadi, c FROM (SELECT oto_kod, adisoyadi, ") + cents +
                   QStringLiteral(" AS c FROM MUSTERILER) t WHERE c ") +
                   (debtors ? QStringLiteral("> 0 ORDER BY c DESC") : QStringLiteral("< 0 ORDER BY c ASC")) +
                   QStringLiteral(", oto_kod ASC LIMIT ?1"));
    st.bind(1, qint64(count));
    QList<BalanceBar> out;
    while (st.step())
        out.append({st.int64(0), st.text(1), st.int64(2)});
    return out;
}

std::array<LentCollectedMonth, 12> ChartFigures::lentAndCollected(int year, const QString& currency)
{
    const std::map<MonthKey, MonthSums> months = transactionMonths(m_store.accounts(), currency, year);
    std::array<LentCollectedMonth, 12> out{};
    for (int m = 1; m <= 12; ++m) {
        if (const auto it = months.find(year * 100 + m); it != months.end())
            out[size_t(m - 1)] = {it->second.given, -it->second.received};
    }
    return out;
}

std::array<LedgerMonth, 12> ChartFigures::ledgerMonths(int year)
{
    // The two ledgers are two files (or two server connections), read at once on the two cores; each
    // connection is used by one thread only.
    BookConnection& incomeBook = m_store.ledger(Ledger::Income);
    BookConnection& expenseBook = m_store.ledger(Ledger::Expense);
    std::future<std::map<MonthKey, qint64>> incomeRead =
        std::async(std::launch::async, [&incomeBook] { return ledgerByMonth(incomeBook); });
    const std::map<MonthKey, qint64> expense = ledgerByMonth(expenseBook);
    const std::map<MonthKey, qint64> income = incomeRead.get();
    qint64 cash = 0;
    for (const auto& [m, cents] : income)
        if (m < year * 100 + 1)
            cash += cents;
    for (const auto& [m, cents] : expense)
        if (m < year * 100 + 1)
            cash -= cents;
    std::array<LedgerMonth, 12> out{};
    for (int m = 1; m <= 12; ++m) {
        const MonthKey key = year * 100 + m;
        LedgerMonth& o = out[size_t(m - 1)];
        if (const auto it = income.find(key); it != income.end())
            o.incomeCents = it->second;
        if (const auto it = expense.find(key); it != expense.end())
            o.expenseCents = it->second;
        cash += o.incomeCents - o.expenseCents;
        o.cashCents = cash;
    }
    return out;
}

} // namespace kalvora
