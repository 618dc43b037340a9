#pragma once

#include "customers/customer.h"
#include "customers/customer_repository.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace kalvora {

class Store;

// Everybody in MUSTERILER in the main list's order (Turkish name order, then oto_kod), each with the
// keys that order and the filter need, computed once when the person is read.
class CustomerRegister final {
public:
    struct Person {
        Customer customer;      // as stored
        std::u32string sortKey; // turkishSortKey(name)
        qint64 number = 0;      // oto_kod as a number, the tie-break
        // BuyukHarf of key, name and the five contact texts, made by the first filter that asks.
        mutable QStringList upperFields;
        // The main list's ten texts: the three balances as "#,##0.00", name, the five contact texts, key.
        QStringList listTexts;
    };

    // Reads every person; throws DbError. People whose stored texts did not change since the last
    // load keep their keys, so reading the register again costs about the reading alone.
    void load(Store& store);
    // Re-reads one person (gone when not found) and moves them to their place; throws DbError.
    void reread(Store& store, const QString& key);

    const std::vector<Person>& people() const { return m_people; }
    const Person* find(const QString& key) const;

    // True when a comes before b in the list's order.
    static bool before(const Person& a, const Person& b);
    static Person keyed(Customer c);
    // The filter test of the main list: the BuyukHarf'ed filter inside any of the seven texts.
    static bool matches(const Person& p, const QString& upperFilter);

private:
    // Keys the people and puts them in the list's order.
    static std::vector<Person> sorted(QList<Customer>& rows);

    std::vector<Person> m_people;
};

} // namespace kalvora
