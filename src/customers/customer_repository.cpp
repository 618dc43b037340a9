#include "customers/customer_repository.h"

#include "archive/archive_writer.h"
#include "customers/customer_checks.h"
#include "customers/customer_register.h"
#include "data/turkish_text.h"

namespace kalvora {

namespace {

QString selectColumns(const BookConnection& db)
{
    return QStringLiteral("SELECT oto_kod, adisoyadi, istel, ceptel, tc, verdai, adres, SonBakiye, "
                          "SonBakiye_usd, SonBakiye_euro, ") +
           db.rowVersion() + QStringLiteral(" FROM MUSTERILER");
}

Customer readCustomer(const BookQuery& st)
{
    return Customer{st.text(0), st.text(1), st.text(2), st.text(3), st.text(4),  st.text(5),
                    st.text(6), st.text(7), st.text(8), st.text(9), st.int64(10)};
}

Customer shownBalances(Customer c)
{
    c.balanceTl = displayAmount(c.balanceTl);
    c.balanceUsd = displayAmount(c.balanceUsd);
    c.balanceEuro = displayAmount(c.balanceEuro);
    return c;
}

// True when the statement's row holds exactly the texts and the version c was read from: compared
// in place, so the register keeps no second copy of what it read.
bool sameRow(const BookQuery& st, const Customer& c)
{
    const QString* texts[] = {&c.key,       &c.name,    &c.workPhone, &c.mobilePhone, &c.idNumber,
                              &c.taxOffice, &c.address, &c.balanceTl, &c.balanceUsd,  &c.balanceEuro};
    for (int i = 0; i < 10; ++i) {
        if (!QAnyStringView::equal(st.utf8(i), *texts[i]))
            return false;
    }
    return st.int64(10) == c.version;
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
    BookConnection& db = m_store.accounts();
    BookQuery st = db.prepare(selectColumns(db) + QStringLiteral(" ORDER BY oto_kod"));
    while (st.step()) {
        if (known) {
            const Customer* before = known(st.int64(0));
            if (before && sameRow(st, *before)) {
                unchanged->push_back(st.int64(0));
                continue;
            }
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
    BookConnection& db = m_store.accounts();
    BookQuery st = db.prepare(selectColumns(db) + QStringLiteral(" WHERE oto_kod = ?1"));
    st.bind(1, key);
    if (!st.step())
        return std::nullopt;
    return readCustomer(st);
}

QString CustomerRepository::insert(const CustomerContact& contact)
{
    BookConnection& db = m_store.accounts();
    QVariantList params = upperCased(contact);
    const QString zero = QStringLiteral("0");
    params << zero << zero << zero;
    return QString::number(db.insert(
        QStringLiteral("INSERT INTO MUSTERILER (adisoyadi, istel, ceptel, tc, verdai, adres, SonBakiye, "
                       "SonBakiye_usd, SonBakiye_euro) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)"),
        params, QStringLiteral("oto_kod")));
}

std::optional<qint64> CustomerRepository::lockPerson(BookConnection& db, const QString& key)
{
    const QVariant version =
        db.scalar(QStringLiteral("SELECT ") + db.rowVersion() +
                      QStringLiteral(" FROM main.MUSTERILER WHERE oto_kod = ?1") + db.forUpdate(),
                  {key});
    if (version.isNull())
        return std::nullopt;
    return version.toLongLong();
}

void CustomerRepository::checkListed(BookConnection& db, const QString& key, qint64 listedVersion)
{
    const std::optional<qint64> version = lockPerson(db, key);
    if (listedVersion != 0 && version != listedVersion)
        throw RowChangedError();
}

bool CustomerRepository::update(const QString& key, const CustomerContact& contact, qint64 listedVersion)
{
    BookConnection& db = m_store.accounts();
    BookTransaction tx(db);
    checkListed(db, key, listedVersion);
    QVariantList params = upperCased(contact);
    params << key;
    const bool found =
        db.execute(QStringLiteral("UPDATE MUSTERILER SET adisoyadi = ?1, istel = ?2, "
                                  "ceptel = ?3, tc = ?4, verdai = ?5, adres = ?6 WHERE oto_kod = ?7"),
                   params) > 0;
    tx.commit();
    return found;
}

int CustomerRepository::remove(const QString& key, qint64 listedVersion)
{
    BookConnection& db = m_store.accounts();
    BookTransaction tx(db);
    checkListed(db, key, listedVersion);
    if (listedVersion != 0) {
        // The balances as they stand now, under the lock: another desk may have lent since the list
        // showed zero.
        BookQuery st = db.prepare(selectColumns(db) + QStringLiteral(" WHERE oto_kod = ?1"));
        st.bind(1, key);
        if (st.step() && deleteRefusal(shownBalances(readCustomer(st))))
            throw RowChangedError();
    }
    ArchiveWriter().archivePerson(db, ArchiveAction::PersonDelete, key);
    db.execute(QStringLiteral("DELETE FROM MUSTERILER WHERE oto_kod = ?1"), {key});
    const int removed = KartiniTemizle(db, key);
    tx.commit();
    return removed;
}

int CustomerRepository::KartiniTemizle(BookConnection& db, const QString& key)
{
    const int removed = db.execute(QStringLiteral("DELETE FROM cari.CARIKART WHERE uye_kodu = ?1"), {key});
    // With no rows, nothing is open and nothing waits to be worked out.
    db.execute(QStringLiteral("DELETE FROM cari.ACIK_KALEMLER WHERE uye_kodu = ?1"), {key});
    db.execute(QStringLiteral("DELETE FROM cari.ACIK_OZET WHERE uye_kodu = ?1"), {key});
    db.execute(QStringLiteral("DELETE FROM cari.ACIK_DEGISEN WHERE uye_kodu = ?1"), {key});
    return removed;
}

} // namespace kalvora
