#pragma once

#include "accounts/account.h"

#include <QDate>
#include <QHash>
#include <QList>

#include <algorithm>
#include <array>
#include <optional>

namespace kalvora {

// What of a person's account is still open, recomputed from the rows alone, so a reset, a cancel, an
// edit or a restore is reflected by construction. Per currency, the payments (rows with a negative
// amount) close the debts (rows with a positive amount) oldest due date first, rows due the same day in
// the order of their keys; whatever the payments leave over is an advance, kept against the latest
// payments. All amounts are whole kuruş, so open debts - advance is exactly the sum of the rows.
struct OpenRow {
    qint64 key = 0;
    Currency currency = Currency::Tl;
    bool debt = false; // a positive amount: money the person owes
    QDate due;         // the row's own due date, else its date + the default term; invalid: unreadable
    qint64 amount = 0; // the row's amount, without its sign
    qint64 open = 0;   // a debt: what is still unpaid; a payment: what no debt has used (advance)
};

class OpenItems final {
public:
    // rows: one person's rows in any order; a row of another currency text counts nowhere.
    // defaultTermDays: the term of a row without a due date of its own.
    static OpenItems compute(const QList<AccountRow>& rows, int defaultTermDays = 0);
    // The same from rows as openRowOf gives them, in any order.
    static OpenItems matched(QList<OpenRow> rows);
    // The items as kept beside the rows: only what is open, each one's amount its open part.
    static OpenItems fromOpenRows(QList<OpenRow> rows);

    // The rows that count, in the order debts are closed per currency (by due date, then key).
    const QList<OpenRow>& rows() const { return m_rows; }
    // null when the row has no currency that counts.
    const OpenRow* row(qint64 key) const;

    qint64 openDebts(Currency c) const { return m_open[index(c)]; }
    qint64 advance(Currency c) const { return m_advance[index(c)]; }
    qint64 balance(Currency c) const { return openDebts(c) - advance(c); }
    bool anythingOpen() const
    {
        return std::any_of(m_open.cbegin(), m_open.cend(), [](qint64 v) { return v != 0; }) ||
               std::any_of(m_advance.cbegin(), m_advance.cend(), [](qint64 v) { return v != 0; });
    }
    // What fell due before `today` and is still open; a debt whose due date is unreadable counts.
    qint64 overdue(Currency c, const QDate& today) const;
    // The earliest due date of an open debt before today; an unreadable one comes first (invalid date).
    std::optional<QDate> oldestOverdue(Currency c, const QDate& today) const;

    // Days a debt due on `due` is late on `today`; 0 when not late. An unreadable due date is late by
    // an unknown number of days, reported as -1.
    static int daysLate(const QDate& due, const QDate& today);

private:
    static size_t index(Currency c) { return static_cast<size_t>(c); }
    void sortRows();
    void indexRows();
    QList<OpenRow> m_rows;
    QHash<qint64, qsizetype> m_byKey;
    std::array<qint64, 3> m_open{};
    std::array<qint64, 3> m_advance{};
};

// Whole kuruş of an amount text as every reader converts it (an unreadable text is zero).
qint64 amountCents(const QString& text);

// One row as the matching takes it, still wholly open; none for a row that counts nowhere (a currency
// text that counts nowhere, or nothing).
std::optional<OpenRow> openRowOf(const AccountRow& row, int defaultTermDays);

// The due date the matching uses for one row (own date, else date + term; invalid when neither reads).
QDate effectiveDueDate(const AccountRow& row, int defaultTermDays);

// A card's text for one row: "AÇIK 250,00", "KAPANDI", "AVANS 100,00" for an unused payment, with
// " GECİKME: N GÜN" after an overdue open debt; empty for a payment fully used.
QString openRowText(const OpenRow& row, const QDate& today);

} // namespace kalvora
