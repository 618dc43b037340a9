#pragma once

// The actions and the data set the fault-injection tests share, and what they count.

#include "accounts/account_book.h"
#include "customers/customer_repository.h"
#include "data/store.h"
#include "ledger/ledger_store.h"
#include "support/test_data.h"

#include <QMap>
#include <QString>

#include <stdexcept>

namespace kalvora::test {

inline Entry entry(const QString& amount, const QString& currency, const QString& description = QString())
{
    return Entry{description, amount, QDate(2024, 3, 15), QStringLiteral("10:20:30"), currency,
                 QString(),   QDate()};
}

inline Customer person(Store& store, const QString& key)
{
    const auto c = CustomerRepository(store).find(key);
    if (!c)
        throw std::runtime_error("no such person");
    return *c;
}

inline LedgerEntry ledgerEntry(const QString& amount)
{
    LedgerEntry e;
    e.title = QStringLiteral("KİRA");
    e.date = QStringLiteral("15.03.2024");
    e.description = QStringLiteral("MART'IN KİRASI");
    e.time = QStringLiteral("10:20:30");
    e.maker = QStringLiteral("İŞLETME");
    e.amount = amount;
    return e;
}

// Two people with rows whose balances are written back, and one entry in each ledger.
inline void standardSetup(test::TestData& data)
{
    Store& store = data.store();
    AccountBook book(store);
    const QString a = CustomerRepository(store).insert(
        {QStringLiteral("ALİ VELİ"), QStringLiteral("212"), QString(), QString(), QString(), QString()});
    const QString b = CustomerRepository(store).insert(
        {QStringLiteral("AYŞE'NİN DÜKKANI"), QString(), QString(), QString(), QString(), QString()});
    book.lend(person(store, a), entry(QStringLiteral("1500,5"), QStringLiteral("TL")));
    book.collect(person(store, a), entry(QStringLiteral("250"), QStringLiteral("TL")));
    book.lend(person(store, a), entry(QStringLiteral("100"), QStringLiteral("DOLAR")));
    book.lend(person(store, b), entry(QStringLiteral("75,25"), QStringLiteral("EURO")));
    book.collect(person(store, b), entry(QStringLiteral("75,25"), QStringLiteral("EURO")));
    LedgerStore(store, Ledger::Income).record(ledgerEntry(QStringLiteral("1000")), -1);
    LedgerStore(store, Ledger::Expense).record(ledgerEntry(QStringLiteral("12,5")), -1);
}

inline qint64 firstRowOf(Store& store, const QString& personKey)
{
    return store.accounts()
        .scalar(QStringLiteral("SELECT min(otokod) FROM cari.CARIKART WHERE uye_kodu=?1"), {personKey})
        .toLongLong();
}

struct Tally {
    int injected = 0;     // runs in which the fault was injected
    int failed = 0;       // of those, runs the action reported as failed
    int storedAnyway = 0; // failed runs whose change was nevertheless stored whole
};

// Prints what each action met, for the record.
inline void printTallies(const QMap<QString, Tally>& tallies)
{
    for (auto it = tallies.cbegin(); it != tallies.cend(); ++it)
        qInfo("%s: %d fault points injected, %d reported failures, %d failed but stored whole",
              qPrintable(it.key()), it->injected, it->failed, it->storedAnyway);
}

} // namespace kalvora::test
