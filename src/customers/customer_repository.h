#pragma once

#include "customers/customer.h"
#include "data/store.h"

#include <QList>

#include <functional>
#include <optional>
#include <vector>

namespace kalvora {

// MUSTERILER: the register of people, and the removal of a person's CARIKART rows with them.
// Every method throws DbError.
class CustomerRepository final {
public:
    explicit CustomerRepository(Store& store) : m_store(store) {}

    // Every person, in Turkish alphabetical order of the name.
    QList<Customer> all();
    // The people whose key, name, telephones, identity number, tax office or address contain the
    // filter, both sides upper-cased by the Turkish rules; an empty filter matches everybody.
    QList<Customer> search(const QString& filter);

    std::optional<Customer> find(const QString& key);
    // Every person in key order.
    QList<Customer> readAll();
    // The same, except that a person whose stored texts equal those of known(oto_kod) is not read
    // again but named in unchanged: a reload of a large register converts only what changed.
    QList<Customer> readAll(const std::function<const Customer*(qint64)>& known,
                            std::vector<qint64>* unchanged);

    // Registers a person with the three balances set to the text 0; every text is stored through
    // BuyukHarf, otherwise exactly as given (blanks, apostrophes and line breaks kept). Returns oto_kod.
    QString insert(const CustomerContact& contact);
    // Rewrites the six contact columns of the person (through BuyukHarf); the balances and the
    // person's transactions are left alone. False when no person has this key.
    bool update(const QString& key, const CustomerContact& contact);
    // Removes the person and every CARIKART row of the person in one transaction spanning uyeler.mdb
    // and data.mdb, the person and the rows kept in the archive in the same transaction: when any part
    // fails, no file has changed. Returns the number of transactions removed.
    int remove(const QString& key);

private:
    // The second delete of remove(): the person's transactions.
    static int KartiniTemizle(Database& db, const QString& key);

    Store& m_store;
};

} // namespace kalvora
