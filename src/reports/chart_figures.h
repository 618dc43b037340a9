#pragma once

#include <QList>
#include <QString>

#include <array>

namespace kalvora {

class Store;

// A month as yyyymm (202612 is December 2026).
using MonthKey = int;

struct NetPositionMonth {
    MonthKey month = 0;
    qint64 changeCents = 0; // the month's inflows less its outflows
    qint64 netCents = 0;    // the net position at the month's end
};

struct BalanceBar {
    qint64 personKey = 0;
    QString name;
    qint64 cents = 0; // positive: the person owes the user; negative: the user owes the person
};

struct LentCollectedMonth {
    qint64 lentCents = 0;      // money given ("100"), positive
    qint64 collectedCents = 0; // money received ("200"), positive
};

struct LedgerMonth {
    qint64 incomeCents = 0;
    qint64 expenseCents = 0;
    qint64 cashCents = 0; // income less expense of every valid entry up to the month's end
};

// The figures of the charts, summed by the store in whole kuruş per currency (each amount rounded to
// kuruş first, as the report lists total what they show); a currency's figures are never mixed with
// another's. A transaction or entry whose date text is no date has no month and is left out.
// Every call throws DbError.
class ChartFigures final {
public:
    explicit ChartFigures(Store& store) : m_store(store) {}

    // The net position (inflows positive, outflows negative, as the net position window shows it)
    // month by month, from the first month with a transaction of the currency to the last; months
    // without one are there with no change.
    QList<NetPositionMonth> netPositionByMonth(const QString& currency);
    // The people with the largest stored balances of the currency: debtors largest first, creditors
    // most negative first, at most count of each; equal balances in the order of their keys.
    QList<BalanceBar> topDebtors(const QString& currency, int count = 10);
    QList<BalanceBar> topCreditors(const QString& currency, int count = 10);
    // January to December of the year.
    std::array<LentCollectedMonth, 12> lentAndCollected(int year, const QString& currency);
    // January to December of the year, from the valid entries of the two ledgers (which keep lira).
    std::array<LedgerMonth, 12> ledgerMonths(int year);

private:
    QList<BalanceBar> topBalances(const QString& currency, int count, bool debtors);

    Store& m_store;
};

} // namespace kalvora
