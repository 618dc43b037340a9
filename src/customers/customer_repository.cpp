#include "customers/customer_repository.h"

#include "archive/archive_writer.h"
#include "data/turkish_text.h"

#include <algorithm>
#include <string>
#include <vector>

namespace kalvora {

namespace {

const char* const selectColumns = "SELECT oto_kod, adisoyadi, istel, ceptel, tc, verdai, adres, SonBakiye, "
                                  "SonBakiye_usd, SonBakiye_euro FROM MUSTERILER";

Customer readCustomer(const Statement& st)
{
    return Customer{st.text(0), st.text(1), st.text(2), st.text(3), st.text(4),
                    st.text(5), st.text(6), st.text(7), st.text(8), st.text(9)};
}

QVariantList upperCased(const CustomerContact& c)
{
    return {BuyukHarf(c.name),     BuyukHarf(c.workPhone), BuyukHarf(c.mobilePhone),
            BuyukHarf(c.idNumber), BuyukHarf(c.taxOffice), BuyukHarf(c.address)};
}

} // namespace

QList<Customer> CustomerRepository::readAll()
{
    QList<Customer> out;
    Statement st =
        m_store.accounts().prepare(QString::fromLatin1(selectColumns) + QStringLiteral(" ORDER BY oto_kod"));
    while (st.step())
        out.append(readCustomer(st));
    return out;
}

// The order of ORDER BY adisoyadi COLLATE TURKISH, oto_kod (rows come in key order, the sort is stable),
// with each name's sort key computed once instead of twice per comparison.
QList<Customer> CustomerRepository::sortedByName(QList<Customer> rows)
{
    struct Keyed {
        std::u32string key;
        qsizetype index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(static_cast<size_t>(rows.size()));
    for (qsizetype i = 0; i < rows.size(); ++i)
        keyed.push_back({turkishSortKey(rows.at(i).name), i});
    std::stable_sort(keyed.begin(), keyed.end(), [&rows](const Keyed& a, const Keyed& b) {
        if (a.key != b.key)
            return a.key < b.key;
        return rows.at(a.index).name < rows.at(b.index).name;
    });
    QList<Customer> out;
    out.reserve(rows.size());
    for (const Keyed& k : keyed)
        out.append(std::move(rows[k.index]));
    return out;
}

QList<Customer> CustomerRepository::all()
{
    return sortedByName(readAll());
}

bool CustomerRepository::matches(const Customer& c, const QString& upperFilter)
{
    if (upperFilter.isEmpty())
        return true;
    for (const QString* field :
         {&c.key, &c.name, &c.workPhone, &c.mobilePhone, &c.idNumber, &c.taxOffice, &c.address}) {
        if (BuyukHarf(*field).contains(upperFilter))
            return true;
    }
    return false;
}

QList<Customer> CustomerRepository::search(const QString& filter)
{
    const QString upper = BuyukHarf(filter);
    QList<Customer> rows = readAll();
    if (upper.isEmpty())
        return sortedByName(std::move(rows));
    QList<Customer> out;
    for (Customer& c : rows)
        if (matches(c, upper))
            out.append(std::move(c));
    return sortedByName(std::move(out));
}

std::optional<Customer> CustomerRepository::find(const QString& key)
{
    Statement st = m_store.accounts().prepare(QString::fromLatin1(selectColumns) +
                                              QStringLiteral(" WHERE oto_kod = ?1"));
    st.bind(1, key);
    if (!st.step())
        return std::nullopt;
    return readCustomer(st);
}

QString CustomerRepository::insert(const CustomerContact& contact)
{
    Database& db = m_store.accounts();
    QVariantList params = upperCased(contact);
    const QString zero = QStringLiteral("0");
    params << zero << zero << zero;
    db.execute(
        QStringLiteral("INSERT INTO MUSTERILER (adisoyadi, istel, ceptel, tc, verdai, adres, SonBakiye, "
                       "SonBakiye_usd, SonBakiye_euro) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)"),
        params);
    return QString::number(db.lastInsertRowId());
}

bool CustomerRepository::update(const QString& key, const CustomerContact& contact)
{
    QVariantList params = upperCased(contact);
    params << key;
    return m_store.accounts().execute(
               QStringLiteral("UPDATE MUSTERILER SET adisoyadi = ?1, istel = ?2, ceptel = ?3, "
                              "tc = ?4, verdai = ?5, adres = ?6 WHERE oto_kod = ?7"),
               params) > 0;
}

int CustomerRepository::remove(const QString& key)
{
    Database& db = m_store.accounts();
    Transaction tx(db);
    ArchiveWriter().archivePerson(db, ArchiveAction::PersonDelete, key);
    db.execute(QStringLiteral("DELETE FROM MUSTERILER WHERE oto_kod = ?1"), {key});
    const int removed = KartiniTemizle(db, key);
    tx.commit();
    return removed;
}

int CustomerRepository::KartiniTemizle(Database& db, const QString& key)
{
    return db.execute(QStringLiteral("DELETE FROM cari.CARIKART WHERE uye_kodu = ?1"), {key});
}

} // namespace kalvora
