#pragma once

#include "customers/customer.h"
#include "data/store.h"

#include <QList>

namespace kalvora {

// MUSTERILER: reading the register for the main list. Throws DbError.
class CustomerRepository final {
public:
    explicit CustomerRepository(Store& store) : m_store(store) {}

    // Every person, in Turkish alphabetical order of the name.
    QList<Customer> all();
    // The people whose key, name, telephones, identity number, tax office or address contain the
    // filter, both sides upper-cased by the Turkish rules; an empty filter matches everybody.
    QList<Customer> search(const QString& filter);
    static bool matches(const Customer& c, const QString& upperFilter);

private:
    Store& m_store;
};

} // namespace kalvora
