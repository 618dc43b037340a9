#include "reports/report_lists.h"

#include "accounts/open_item_store.h"
#include "data/clock.h"
#include "data/store.h"
#include "data/turkish_text.h"

#include <QHash>

#include <QStringDecoder>
#include <QVarLengthArray>

#include <algorithm>
#include <cmath>
#include <future>
#include <limits>
#include <numeric>
#include <utility>
#include <vector>

namespace kalvora {

QStringList currencyCodes()
{
    return {QStringLiteral("TL"), QStringLiteral("DOLAR"), QStringLiteral("EURO")};
}

namespace {

struct MoneyRows {
    TextTable rows;
    std::vector<double> amounts; // as stored, one per row
    qint64 shownCents = 0;       // the sum of the amounts as shown
};

// An amount text as shown, read back by the Turkish rules, in whole kuruş: shown amounts have two
// decimals, so their sum this way is exact and the same in any order.
qint64 shownCents(QStringView shown)
{
    return std::llround(readNumber(shown).value_or(0.0) * 100);
}

// The rows of one kind and currency whose otokod lies in [from, to], in otokod order, the texts going
// from the statement straight into the table.
MoneyRows readMoneyRows(BookConnection& book, bool given, const QString& currency, qint64 from, qint64 to)
{
    // The (para, para_cinsi) index finds the rows of one kind and currency, already in otokod order.
    BookQuery st = book.prepare(
        QStringLiteral("SELECT adisoyadi, istel, ceptel, tc, verdai, coalesce(durum, '') || ' ' || "
                       "coalesce(tarih, ''), aylar, tutar FROM CARIKART "
                       "WHERE para = ?1 AND para_cinsi = ?2 AND otokod BETWEEN ?3 AND ?4 ORDER BY otokod"));
    st.bind(1, given ? QStringLiteral("100") : QStringLiteral("200"))
        .bind(2, currency)
        .bind(3, from)
        .bind(4, to);
    MoneyRows read;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QVarLengthArray<QChar, 64> amountText;
    while (st.step()) {
        read.rows.beginRow();
        for (int c = 0; c < 7; ++c)
            read.rows.addUtf8(st.utf8(c));
        const QByteArrayView stored(st.utf8(7).data(), st.utf8(7).size());
        amountText.resize(stored.size());
        const QChar* end = utf8.appendToBuffer(amountText.data(), stored);
        const double amount = readNumber(QStringView(amountText.data(), end)).value_or(0.0);
        const QString shown = formatAmount(given ? amount : -amount, AmountPattern::NoLeadingZero);
        read.rows.add(shown);
        read.rows.endRow();
        read.shownCents += shownCents(shown);
        read.amounts.push_back(amount);
    }
    return read;
}

} // namespace

TextTable moneyListRows(Store& store, MoneyDirection direction, const QString& currency)
{
    return moneyList(store, direction, currency).rows;
}

MoneyList moneyList(Store& store, MoneyDirection direction, const QString& currency)
{
    const bool given = direction == MoneyDirection::Given;
    constexpr qint64 first = std::numeric_limits<qint64>::min();
    constexpr qint64 last = std::numeric_limits<qint64>::max();
    BookConnection& book = store.accounts();
    // The order shown is the numeric value of the stored amount (received amounts are negative, so
    // ascending puts the largest repayment first), then otokod; a text that is no number reads as zero, as
    // everywhere else. Sorting here on the value read once per row costs a fraction of SQLite's sorter
    // over the whole rows with cdbl() per row.
    const auto shownBefore = [given](const std::vector<double>& amounts) {
        return [given, &amounts](int a, int b) {
            return given ? amounts[size_t(a)] > amounts[size_t(b)] : amounts[size_t(a)] < amounts[size_t(b)];
        };
    };
    const auto sortedRows = [&shownBefore](const std::vector<double>& amounts) {
        std::vector<int> rows(amounts.size());
        std::iota(rows.begin(), rows.end(), 0);
        std::stable_sort(rows.begin(), rows.end(), shownBefore(amounts));
        return rows;
    };
    if (BookConnection* reader = store.transactionsReader()) {
        // Most of a long list's time goes into decrypting the file's pages: a second connection reads
        // the lower half of the keys on another core, and sorts it there. The table is stored in key
        // order, so each half is about half of its pages. Each half is one statement and so one
        // snapshot of the book; a commit between the two (by any other connection, this program's own
        // included) moves the reader's data_version, and the list is then read again on one connection.
        const auto version = [reader] {
            return reader->file().scalar(QStringLiteral("PRAGMA data_version")).toLongLong();
        };
        const qint64 versionBefore = version();
        // Each end asked on its own reads one leaf of the table; min and max in one aggregate would scan
        // a whole index of two million keys instead.
        BookQuery range = book.prepare(
            QStringLiteral("SELECT (SELECT min(otokod) FROM CARIKART), (SELECT max(otokod) FROM CARIKART)"));
        range.step();
        const qint64 low = range.int64(0);
        const qint64 middle = low + (range.int64(1) - low) / 2;
        range.reset(); // holds no read transaction while the halves are read
        struct SortedHalf {
            MoneyRows read;
            std::vector<int> order;
        };
        std::future<SortedHalf> lower = std::async(std::launch::async, [&] {
            SortedHalf h{readMoneyRows(*reader, given, currency, first, middle), {}};
            h.order = sortedRows(h.read.amounts);
            return h;
        });
        MoneyRows upper = readMoneyRows(book, given, currency, middle + 1, last);
        std::vector<int> upperOrder = sortedRows(upper.amounts);
        SortedHalf joined = lower.get();
        // The lower half's rows come first, so the merge of the two sorted halves keeps the lower
        // half's row first among equal amounts: the order one stable sort of the whole list gives.
        const int offset = int(joined.read.amounts.size());
        std::vector<int>& rows = joined.order;
        for (int r : upperOrder)
            rows.push_back(r + offset);
        joined.read.rows.append(std::move(upper.rows));
        std::vector<double>& amounts = joined.read.amounts;
        amounts.insert(amounts.end(), upper.amounts.begin(), upper.amounts.end());
        std::inplace_merge(rows.begin(), rows.begin() + offset, rows.end(), shownBefore(amounts));
        joined.read.rows.reorder(rows);
        if (version() == versionBefore)
            return {std::move(joined.read.rows), centsText(joined.read.shownCents + upper.shownCents)};
    }
    MoneyRows read = readMoneyRows(book, given, currency, first, last);
    read.rows.reorder(sortedRows(read.amounts));
    return {std::move(read.rows), centsText(read.shownCents)};
}

QString BalanceList::totalText(int currency) const
{
    return centsText(totalCents[size_t(currency)]);
}

BalanceList balanceList(Store& store, BalanceSide side)
{
    const bool debtors = side == BalanceSide::Debtors;
    const QString op = debtors ? QStringLiteral(" > 0") : QStringLiteral(" < 0");
    // What each debtor owes past its due date, per currency.
    QHash<qint64, std::array<qint64, 3>> overdue;
    if (debtors)
        for (const OverdueEntry& e : OpenItemStore::overdue(store.accounts(), Clock::today()))
            overdue[e.personKey.toLongLong()][static_cast<size_t>(e.currency)] += e.open;
    BookQuery st = store.accounts().prepare(
        QStringLiteral("SELECT adisoyadi, istel, ceptel, tc, verdai, adres, SonBakiye, SonBakiye_usd, "
                       "SonBakiye_euro, oto_kod FROM MUSTERILER WHERE coalesce(cdbl(SonBakiye), 0)") +
        op + QStringLiteral(" OR coalesce(cdbl(SonBakiye_usd), 0)") + op +
        QStringLiteral(" OR coalesce(cdbl(SonBakiye_euro), 0)") + op +
        QStringLiteral(" ORDER BY coalesce(cdbl(SonBakiye), 0) ") +
        (debtors ? QStringLiteral("DESC") : QStringLiteral("ASC")) + QStringLiteral(", oto_kod ASC"));
    BalanceList list;
    while (st.step()) {
        QStringList row{st.text(0), st.text(1), st.text(2), st.text(3), st.text(4), st.text(5)};
        for (int c = 0; c < 3; ++c) {
            row.append(displayAmount(st.text(6 + c)));
            list.totalCents[size_t(c)] += shownCents(row.constLast());
        }
        if (debtors) {
            const std::array<qint64, 3> late = overdue.value(st.int64(9));
            for (qint64 cents : late)
                row.append(centsText(cents));
        }
        list.rows.append(std::move(row));
    }
    return list;
}

QString totalOfShownAmounts(const QStringList& texts)
{
    return totalOfShownAmounts(texts.size(), [&texts](qsizetype i) { return QStringView(texts.at(i)); });
}

QString totalOfShownAmounts(qsizetype count, const std::function<QStringView(qsizetype)>& textAt)
{
    qint64 cents = 0;
    for (qsizetype i = 0; i < count; ++i)
        cents += shownCents(textAt(i));
    return centsText(cents);
}

NetPosition computeNetPosition(Store& store)
{
    double given[3] = {0, 0, 0};
    double received[3] = {0, 0, 0};
    const QStringList codes = currencyCodes();
    // One pass over the table; the order of the additions cannot show in figures rounded to two decimals.
    BookQuery st = store.accounts().prepare(
        QStringLiteral("SELECT para_cinsi, para, tutar FROM CARIKART WHERE para IN ('100', '200')"));
    while (st.step()) {
        const int c = static_cast<int>(codes.indexOf(st.text(0)));
        if (c < 0)
            continue;
        const double amount = numberValue(st.text(2));
        if (st.text(1) == QLatin1String("100"))
            given[c] += amount;
        else
            received[c] += amount;
    }
    NetPosition out;
    for (int c = 0; c < 3; ++c) {
        out.given[c] = formatAmount(-given[c]);
        out.received[c] = formatAmount(-received[c]);
        out.net[c] = formatAmount(numberValue(out.given[c]) + numberValue(out.received[c]));
    }
    return out;
}

} // namespace kalvora
