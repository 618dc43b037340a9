#pragma once

#include "book_moves.h"
#include "book_tables.h"
#include "row_streams.h"

#include "accounts/account.h"

#include <QHash>
#include <QList>

#include <functional>
#include <memory>

namespace kalvora::tasi {

struct TableResult {
    const BookTable* table = nullptr;
    qint64 sourceRows = 0;
    qint64 targetRows = 0;
    qint64 highestKey = 0;
    QString difference;  // the first row that differs, empty when the tables are equal
    QStringList cashBox; // the cash-box texts, for a KASA_NET table
};

// The stored balances of every person and the rows they must equal, gathered from the source.
class BalanceCheck {
public:
    void person(const QStringList& row);
    void transaction(const QStringList& row);
    qint64 people() const { return m_people.size(); }
    // One line per balance that is not the sum of its person's rows.
    QStringList mismatches() const;

private:
    struct Person {
        QString key;
        QString name;
        QString balances[3];
    };
    QList<Person> m_people;
    QHash<QString, QList<AccountRow>> m_rows;
};

using RowsFn = std::function<std::unique_ptr<RowSource>(const BookTable&)>;
using SinkFn = std::function<std::unique_ptr<RowSink>(const BookTable&)>;

QList<TableResult> copyTables(const RowsFn& from, const SinkFn& to, BalanceCheck& balances);
// Reads both sides again and compares them row by row; true when every table is equal.
bool compareTables(const RowsFn& source, const RowsFn& target, QList<TableResult>& results);
// The summary of a finished copy; a balance that is not the sum of its rows fails the check.
MoveResult summary(const QString& title, const QString& from, const QString& to,
                   const QList<TableResult>& results, const BalanceCheck& balances);
QString differenceText(const QList<TableResult>& results);

} // namespace kalvora::tasi
