#pragma once

#include "accounts/account.h"
#include "data/turkish_text.h"
#include "export/list_export.h"

#include <QDate>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace kalvora {

// One row of the period in a currency's statement, with the balance after it.
struct StatementEntry {
    qint64 rowKey = 0;
    QDate date;
    QString dateText; // durum as stored
    QString description;
    double lent = 0;     // money given (kind "100"), as stored
    double paidBack = 0; // money received (kind "200"), as a positive amount
    double amount = 0;   // the signed stored amount
    double balance = 0;  // running balance after this row
};

// A currency's statement for a period: the balance carried in from every row before the start, the
// rows of the period in date order (then row key), their totals and the closing balance.
struct CurrencyStatement {
    Currency currency = Currency::Tl;
    double carriedIn = 0;
    QList<StatementEntry> entries;
    double lentTotal = 0;
    double paidBackTotal = 0;
    double closing = 0;

    QString carriedInText() const { return formatAmount(carriedIn); }
    QString closingText() const { return formatAmount(closing); }
    // "BORÇLU", "ALACAKLI" or "TEMİZ" from the closing balance as shown.
    QString closingStatus() const { return statusWord(closingText()); }
};

struct PeriodStatement {
    QDate from;
    QDate to;
    QList<CurrencyStatement> currencies; // in the order TL, DOLAR, EURO
};

// The currencies a statement lists: the one chosen, or all three when none is ("TÜMÜ").
QList<Currency> statementCurrencies(std::optional<Currency> chosen);

// The statement of one person's rows for [from, to] in the given currencies. Rows after the end are
// left out; a row whose date cannot be read counts in the carried-in balance, where the date order puts
// it. A currency with no row in the period and a carried-in balance of 0,00 is left out.
PeriodStatement buildPeriodStatement(const QList<AccountRow>& rows, const QDate& from, const QDate& to,
                                     const QList<Currency>& currencies);

// The central bank's selling rate of a currency on a date, when known. TL never asks.
using RateLookup = std::function<std::optional<double>(Currency, const QDate&)>;

// The statement as the window lists, prints and exports it: per currency a "DEVİR" line, one line per
// row, "DÖNEM TOPLAMI" and "KAPANIŞ BAKİYESİ" with the status word. With a rate lookup two columns
// follow, the rate and the TL value of each DOLAR and EURO row ("KUR ALINAMADI" when the rate is unknown).
ExportTable statementTable(const PeriodStatement& statement, const RateLookup& rate = {});

// The columns of statementTable.
enum StatementColumn {
    StmCurrency,
    StmDate,
    StmDescription,
    StmLent,
    StmPaidBack,
    StmBalance,
    StmStatus,
    StmRate,
    StmTlValue
};

QString rateText(double rate); // four decimals, decimal comma: 32,1234
QString rateUnavailableText(); // "KUR ALINAMADI"

} // namespace kalvora
