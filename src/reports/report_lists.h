#pragma once

#include "listview/text_table.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

namespace kalvora {

class Store;

// The currency codes as stored, in the order the windows offer them.
QStringList currencyCodes();

enum class MoneyDirection { Given, Received };

// Every transaction of one kind (given "100" / received "200") in one currency, largest amount first, as the
// eight column texts of the money lists: name, work phone, mobile, id number, tax office, "date time",
// description, amount ("#,##.00"; a received amount shown positive). Throws DbError.
TextTable moneyListRows(Store& store, MoneyDirection direction, const QString& currency);
// The same rows with the total of their amount column as totalOfShownAmounts gives it, summed while
// the rows are read.
struct MoneyList {
    TextTable rows;
    QString total;
};
MoneyList moneyList(Store& store, MoneyDirection direction, const QString& currency);

enum class BalanceSide { Debtors, Creditors };

// The people with at least one positive (debtors) or negative (creditors) stored balance, ordered by the lira
// balance (debtors largest first, creditors most negative first), as nine column texts: name, work phone,
// mobile, id number, tax office, address, then the three balances in "#,##0.00" with their sign; for the
// debtors three more, what of each currency's debt is overdue today ("#,##0.00", 0,00 for nothing).
// The totals are the sums of the three balance columns as shown, in kuruş, summed while the rows are read.
struct BalanceList {
    QList<QStringList> rows;
    std::array<qint64, 3> totalCents{}; // TL, DOLAR, EURO
    // A total as the window shows and prints it, "#,##0.00".
    QString totalText(int currency) const;
};
BalanceList balanceList(Store& store, BalanceSide side);

// The sum of amount texts as shown (each read back by the Turkish rules), in "#,##0.00".
QString totalOfShownAmounts(const QStringList& texts);
// The same over count texts read by textAt(i), for a list too long to copy its texts out.
QString totalOfShownAmounts(qsizetype count, const std::function<QStringView(qsizetype)>& textAt);

// Outflows (negative), inflows (positive) and their net per currency, over all transactions.
struct NetPosition {
    QString given[3];
    QString received[3];
    QString net[3];
};
NetPosition computeNetPosition(Store& store);

} // namespace kalvora
