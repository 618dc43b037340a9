#pragma once

#include "accounts/open_items.h"
#include "data/store.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <utility>
#include <vector>

namespace kalvora {

// The register's names by key, read once in key order and looked up by halving.
class RegisteredNames final {
public:
    explicit RegisteredNames(BookConnection& db);
    // A key no longer registered (the rows of an old book) stands for itself.
    QString of(const QString& personKey) const;

private:
    std::vector<std::pair<qint64, QString>> m_names;
};

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

    // Every person with anything open or paid in advance, in the register's key order. defaultTerm < 0:
    // the book's own setting. By due date with the book's term, the items kept beside the rows are
    // read; otherwise every row of the book.
    QList<PersonOpenItems> everyone(Dating dating = Dating::ByDueDate, int defaultTerm = -1);
    // One person's open items (the card's figures without the card).
    OpenItems forPerson(const QString& personKey, int defaultTerm = -1);
    // Everything overdue on `today`, most urgent first (as overdueEntries orders it), from the kept
    // items.
    QList<OverdueEntry> overdue(const QDate& today);
    // What is overdue for one person today, most urgent first.
    QList<OverdueEntry> overdueFor(const QString& personKey, const QDate& today);

private:
    Store& m_store;
};

// Everything overdue on `today`, most urgent first: the longest late first, then the larger amount, then
// the name (then the key); a due date that does not read comes first of all.
QList<OverdueEntry> overdueEntries(const QList<PersonOpenItems>& people, const QDate& today);

} // namespace kalvora
