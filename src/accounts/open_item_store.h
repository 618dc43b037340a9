#pragma once

#include "accounts/open_book.h"
#include "data/book_connection.h"
#include "data/store.h"

#include <QList>
#include <QSet>
#include <QString>

#include <functional>

namespace kalvora {

// The open items kept beside the rows (ACIK_KALEMLER, by due date with the book's default term), their
// sums per person and currency (ACIK_OZET) and the people whose rows changed since theirs were written
// (ACIK_DEGISEN, filled by the rows' triggers).
// Whoever changes a person's rows writes their items in the same transaction; whatever else changed
// rows leaves the person waiting, and readers work them out from the rows until they are written.
// Throws DbError.
namespace OpenItemStore {

// Whose open items are worked out from their rows: everyone's, or the people waiting.
enum class FromRows { Everyone, Waiting };
// Open items worked out from the rows, whatever is kept (by transaction date: each row due on its date);
// the people with anything open or paid in advance, in no particular order, without names.
QList<PersonOpenItems> fromRows(BookConnection& db, FromRows whose, int defaultTerm,
                                bool byTransactionDate = false);
// One person's items from all of their rows; the caller holds a transaction and the person's lock.
void write(BookConnection& db, const QString& personKey, const QList<AccountRow>& rows);
// Everyone waiting, each under their lock, in the caller's transaction: after an upgrade, an import, a
// move of the book or a new default term. Returns how many people were written.
int settleWaiting(BookConnection& db);
// The same in a transaction of its own, at a start: a book that cannot be written (a read-only file)
// is left waiting, as its readers work the items out from the rows. Returns how many were written.
int settleWaitingAtStart(Store& store);
// Goes through the kept items of everyone not waiting, a person's items one after the other (an
// item's amount is its open part); returns the open items of the people waiting, worked out from their
// rows, without names.
QList<PersonOpenItems>
forEachKept(BookConnection& db,
            const std::function<void(const QString& personKey, const OpenRow& item)>& visit);
// Every person with anything open or paid in advance, in no particular order, without names.
QList<PersonOpenItems> readAll(BookConnection& db);
// What is overdue on `today`, per person and currency, in no particular order, without names.
QList<OverdueEntry> overdue(BookConnection& db, const QDate& today);
// Whoever has anything overdue on `today`: someone whose oldest open debt in a currency fell due before.
QSet<QString> latePeople(BookConnection& db, const QDate& today);

} // namespace OpenItemStore

} // namespace kalvora
