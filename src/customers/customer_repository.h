#pragma once

#include "customers/customer.h"
#include "data/store.h"

#include <QList>

#include <functional>
#include <optional>
#include <vector>

namespace kalvora {

// MUSTERILER: the register of people, and the removal of a person's CARIKART rows with them.
// Every method throws DbError. listedVersion: the person's version when this desk listed them; a
// change of a person another desk changed or removed since throws RowChangedError (0: not checked).
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
    // The same, except that a person whose row still holds exactly the texts and version of the
    // Customer known(oto_kod) gives is not converted again but named in unchanged: a reload of a large
    // register converts only what changed.
    QList<Customer> readAll(const std::function<const Customer*(qint64)>& known,
                            std::vector<qint64>* unchanged);

    // Registers a person with the three balances set to the text 0; every text is stored through
    // BuyukHarf, otherwise exactly as given (blanks, apostrophes and line breaks kept). Returns oto_kod.
    QString insert(const CustomerContact& contact);
    // Rewrites the six contact columns of the person (through BuyukHarf); the balances and the
    // person's transactions are left alone. False when no person has this key.
    bool update(const QString& key, const CustomerContact& contact, qint64 listedVersion = 0);
    // Removes the person and every CARIKART row of the person in one transaction spanning uyeler.mdb
    // and data.mdb, the person and the rows kept in the archive in the same transaction: when any part
    // fails, no file has changed. Returns the number of transactions removed. With a listed version,
    // the balances are checked again as they stand under the lock: a person another desk has lent to
    // since is refused (RowChangedError).
    int remove(const QString& key, qint64 listedVersion = 0);

    // Inside a change's transaction: locks the person's MUSTERILER row on a server book until the
    // commit, before anything of the person is read (the embedded store's write transaction holds the
    // whole file already). The row's version, or nothing when the person is not registered.
    static std::optional<qint64> lockPerson(BookConnection& db, const QString& key);

private:
    // The second delete of remove(): the person's transactions.
    static int KartiniTemizle(BookConnection& db, const QString& key);
    // Locks the person's row and checks it is the one listed.
    static void checkListed(BookConnection& db, const QString& key, qint64 listedVersion);

    Store& m_store;
};

} // namespace kalvora
