#pragma once

#include "accounts/open_items.h"
#include "data/store.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

namespace kalvora {

// One person's open items, with the name the register holds.
struct PersonOpenItems {
    QString personKey;
    QString name;
    OpenItems items;
};

// One overdue debt of a person in one currency: the open amount of the debts already due, the oldest
// of their due dates and how late it is (-1: a due date that does not read).
struct OverdueEntry {
    QString personKey;
    QString name;
    Currency currency = Currency::Tl;
    qint64 open = 0; // kuruş
    QDate due;
    int daysLate = 0;
    QDateTime lastReminder; // the last statement or letter sent to the person; invalid when none is known
};

// The open items of the whole book in one pass over CARIKART, for the aging report, the overdue
// window and the debtors list. Throws DbError.
class OpenBook final {
public:
    explicit OpenBook(Store& store) : m_store(store) {}

    // How a row's due date is taken: its own (else its date + the book's default term), or its date.
    enum class Dating { ByDueDate, ByTransactionDate };

    // Every person with at least one row in a currency that counts, in the register's key order.
    // defaultTerm < 0: the book's own setting.
    QList<PersonOpenItems> everyone(Dating dating = Dating::ByDueDate, int defaultTerm = -1);
    // One person's open items (the card's figures without the card).
    OpenItems forPerson(const QString& personKey, int defaultTerm = -1);
    // What is overdue for one person today, most urgent first.
    QList<OverdueEntry> overdueFor(const QString& personKey, const QDate& today);

private:
    Store& m_store;
};

// Everything overdue on `today`, most urgent first: the longest late first, then the larger amount, then
// the name; a due date that does not read comes first of all.
QList<OverdueEntry> overdueEntries(const QList<PersonOpenItems>& people, const QDate& today);
// The number of people with anything overdue.
int overduePeople(const QList<OverdueEntry>& entries);

} // namespace kalvora
