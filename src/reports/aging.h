#pragma once

#include "accounts/open_book.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

namespace kalvora {

// The upper bounds, in days late, of the three middle buckets: 1..first, first+1..second,
// second+1..third; beyond third is the last. A debt not late (due today or later) is not yet due.
struct AgingBounds {
    int first = 30;
    int second = 60;
    int third = 90;
    bool valid() const { return first >= 1 && second > first && third > second; }
};

inline constexpr int agingBucketCount = 5;
// The bucket of a debt late by `daysLate` days (-1: a due date that does not read, the oldest bucket).
int agingBucket(int daysLate, const AgingBounds& bounds);
// "VADESİ GELMEMİŞ", "1-30 GÜN", "31-60 GÜN", "61-90 GÜN", "90 GÜNDEN FAZLA" for the bounds.
QStringList agingBucketTitles(const AgingBounds& bounds);

// One person's open items in one currency, in kuruş.
struct AgingRow {
    QString personKey;
    QString name;
    Currency currency = Currency::Tl;
    std::array<qint64, agingBucketCount> buckets{};
    qint64 total = 0;   // the buckets' sum: the balance when the person owes
    qint64 advance = 0; // paid beyond every debt
    int oldestLate = 0; // days the oldest open debt is late; 0 when nothing is late, -1 when unreadable
};

struct AgingReport {
    QList<AgingRow> rows;
    // Per currency: the buckets, the total and the advances.
    std::array<std::array<qint64, agingBucketCount + 2>, 3> totals{};
};

// Rows for every person and currency with anything open, the oldest overdue first (an unreadable due
// date first of all); rows as late as each other by name, then by the register's key and currency.
AgingReport buildAging(const QList<PersonOpenItems>& people, const QDate& today, const AgingBounds& bounds);
// Reads the book and builds the report: by due date from the items kept beside the rows, by transaction
// date from every row. Throws DbError.
AgingReport agingReport(Store& store, const QDate& today, const AgingBounds& bounds,
                        OpenBook::Dating dating = OpenBook::Dating::ByDueDate);

// The row's column texts: name, currency, the five buckets, total, advance ("#,##0.00") and days late.
QStringList agingRowTexts(const AgingRow& row);

} // namespace kalvora
