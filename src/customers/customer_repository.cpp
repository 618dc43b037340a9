#include "customers/customer_repository.h"

#include "archive/archive_writer.h"
#include "customers/customer_register.h"
#include "data/turkish_text.h"

namespace kalvora {

namespace {

const char* const selectColumns = "SELECT oto_kod, adisoyadi, istel, ceptel, tc, verdai, adres, SonBakiye, "
                                  "SonBakiye_usd, SonBakiye_euro FROM MUSTERILER";

Customer readCustomer(const Statement& st)
{
    return Customer{st.text(0), st.text(1), st.text(2), st.text(3), st.text(4),
                    st.text(5), st.text(6), st.text(7), st.text(8), st.text(9)};
}

bool sameTexts(const Customer& c, const Statement& st)
{
    const QString* texts[] = {&c.key,       &c.name,    &c.workPhone, &c.mobilePhone, &c.idNumber,
                              &c.taxOffice, &c.address, &c.balanceTl, &c.balanceUsd,  &c.balanceEuro};
    for (int i = 0; i < 10; ++i) {
        if (!QAnyStringView::equal(*texts[i], st.utf8(i)))
            return false;
    }
    return true;
}

QVariantList upperCased(const CustomerContact& c)
{
    return {BuyukHarf(c.name),     BuyukHarf(c.workPhone), BuyukHarf(c.mobilePhone),
            BuyukHarf(c.idNumber), BuyukHarf(c.taxOffice), BuyukHarf(c.address)};
}

} // namespace

QList<Customer> CustomerRepository::readAll()
{
    return readAll({}, nullptr);
}

QList<Customer> CustomerRepository::readAll(const std::function<const Customer*(qint64)>& known,
                                            std::vector<qint64>* unchanged)
{
    QList<Customer> out;
    Statement st =
        m_store.accounts().prepare(QString::fromLatin1(selectColumns) + QStringLiteral(" ORDER BY oto_kod"));
    while (st.step()) {
        const Customer* before = known ? known(st.int64(0)) : nullptr;
        if (before && sameTexts(*before, st)) {
            unchanged->push_back(st.int64(0));
            continue;
        }
        out.append(readCustomer(st));
    }
    return out;
}

QList<Customer> CustomerRepository::all()
{
    return search(QString());
}

QList<Customer> CustomerRepository::search(const QString& filter)
{
    // The main list's own order and filter rule, so both give the same people in the same order.
    CustomerRegister everybody;
    everybody.load(m_store);
    const QString upper = BuyukHarf(filter);
    QList<Customer> out;
    for (const CustomerRegister::Person& p : everybody.people()) {
        if (CustomerRegister::matches(p, upper))
            out.append(p.customer);
    }
    return out;
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
