#include "reports/report_lists.h"

#include "data/store.h"
#include "data/turkish_text.h"

#include <QStringDecoder>
#include <QVarLengthArray>

#include <algorithm>
#include <utility>
#include <vector>

namespace kalvora {

QStringList currencyCodes()
{
    return {QStringLiteral("TL"), QStringLiteral("DOLAR"), QStringLiteral("EURO")};
}

TextTable moneyListRows(Store& store, MoneyDirection direction, const QString& currency)
{
    const bool given = direction == MoneyDirection::Given;
    // The (para, para_cinsi) index finds the rows of one kind and currency, already in otokod order. The
    // order shown is the numeric value of the stored amount (received amounts are negative, so ascending
    // puts the largest repayment first), then otokod; a text that is no number reads as zero, as
    // everywhere else. Sorting here on the value read once per row costs a fraction of SQLite's sorter
    // over the whole rows with cdbl() per row. The texts go from the statement straight into the table.
    BookQuery st = store.accounts().prepare(
        QStringLiteral("SELECT adisoyadi, istel, ceptel, tc, verdai, coalesce(durum, '') || ' ' || "
                       "coalesce(tarih, ''), aylar, "
                       "tutar FROM CARIKART WHERE para = ?1 AND para_cinsi = ?2 ORDER BY otokod"));
    st.bind(1, given ? QStringLiteral("100") : QStringLiteral("200")).bind(2, currency);
    TextTable read;
    std::vector<std::pair<double, int>> order;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QVarLengthArray<QChar, 64> amountText;
    while (st.step()) {
        read.beginRow();
        for (int c = 0; c < 7; ++c)
            read.addUtf8(st.utf8(c));
        const QByteArrayView stored(st.utf8(7).data(), st.utf8(7).size());
        amountText.resize(stored.size());
        const QChar* end = utf8.appendToBuffer(amountText.data(), stored);
        const double amount = readNumber(QStringView(amountText.data(), end)).value_or(0.0);
        read.add(formatAmount(given ? amount : -amount, AmountPattern::NoLeadingZero));
        read.endRow();
        order.emplace_back(amount, int(order.size()));
    }
    std::stable_sort(order.begin(), order.end(), [given](const auto& a, const auto& b) {
        return given ? a.first > b.first : a.first < b.first;
    });
    std::vector<int> rows;
    rows.reserve(order.size());
    for (const auto& o : order)
        rows.push_back(o.second);
    read.reorder(rows);
    return read;
}

QList<QStringList> balanceListRows(Store& store, BalanceSide side)
{
    const bool debtors = side == BalanceSide::Debtors;
    const QString op = debtors ? QStringLiteral(" > 0") : QStringLiteral(" < 0");
    BookQuery st = store.accounts().prepare(
        QStringLiteral("SELECT adisoyadi, istel, ceptel, tc, verdai, adres, SonBakiye, SonBakiye_usd, "
                       "SonBakiye_euro FROM MUSTERILER WHERE coalesce(cdbl(SonBakiye), 0)") +
        op + QStringLiteral(" OR coalesce(cdbl(SonBakiye_usd), 0)") + op +
        QStringLiteral(" OR coalesce(cdbl(SonBakiye_euro), 0)") + op +
        QStringLiteral(" ORDER BY coalesce(cdbl(SonBakiye), 0) ") +
        (debtors ? QStringLiteral("DESC") : QStringLiteral("ASC")) + QStringLiteral(", oto_kod ASC"));
    QList<QStringList> rows;
    while (st.step()) {
        rows.append({st.text(0), st.text(1), st.text(2), st.text(3), st.text(4), st.text(5),
                     displayAmount(st.text(6)), displayAmount(st.text(7)), displayAmount(st.text(8))});
    }
    return rows;
}

QString totalOfShownAmounts(const QStringList& texts)
{
    double sum = 0;
    for (const QString& t : texts)
        sum += numberValue(t);
    return formatAmount(sum, AmountPattern::ZeroPadded);
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
