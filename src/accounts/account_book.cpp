#include "accounts/account_book.h"

#include "accounts/open_item_store.h"
#include "archive/archive_writer.h"
#include "customers/customer_repository.h"
#include "data/turkish_text.h"

namespace kalvora {

namespace {

// Only money lent falls due; a repayment never carries a date of its own.
QString dueDateText(const Entry& entry, const QString& kind)
{
    return kind == loanKind() && entry.dueDate.isValid() ? dateText(entry.dueDate) : QString();
}

} // namespace

AccountState AccountBook::readRows(BookConnection& db, const QString& personKey, const QString& currency)
{
    // The uye_kodu index keeps this to the person's own rows whatever the size of the table. A text
    // that is no date sorts first (as a NULL would on the embedded store, but not on the server).
    QString sql = QStringLiteral("SELECT otokod, aylar, tutar, durum, tarih, para_cinsi, para, vade, ") +
                  db.rowVersion() + QStringLiteral(" FROM cari.CARIKART WHERE uye_kodu = ?1");
    if (!currency.isNull())
        sql += QStringLiteral(" AND para_cinsi = ?2");
    sql += QStringLiteral(" ORDER BY coalesce(CDATE(durum), 0) ASC, otokod ASC");
    BookQuery st = db.prepare(sql);
    st.bind(1, personKey);
    if (!currency.isNull())
        st.bind(2, currency);
    QList<AccountRow> rows;
    while (st.step()) {
        AccountRow r;
        r.key = st.int64(0);
        r.description = st.text(1);
        r.amount = st.text(2);
        r.date = st.text(3);
        r.time = st.text(4);
        r.currency = st.text(5);
        r.kind = st.text(6);
        r.dueDate = st.text(7);
        r.version = st.int64(8);
        rows.append(std::move(r));
    }
    return summarize(std::move(rows));
}

AccountState AccountBook::load(const QString& personKey)
{
    return readRows(m_store.accounts(), personKey);
}

AccountState AccountBook::load(const QString& personKey, const QString& currency)
{
    // A null text would mean "every currency"; an empty choice lists nothing, as the exact match does.
    return readRows(m_store.accounts(), personKey, currency.isNull() ? QStringLiteral("") : currency);
}

void AccountBook::lockRegisteredPerson(BookConnection& db, const QString& personKey)
{
    if (!CustomerRepository::lockPerson(db, personKey))
        throw RowChangedError();
}

QString AccountBook::lockListedRow(BookConnection& db, qint64 rowKey, qint64 listedVersion)
{
    BookQuery st = db.prepare(QStringLiteral("SELECT para, ") + db.rowVersion() +
                              QStringLiteral(" FROM cari.CARIKART WHERE otokod = ?1") + db.forUpdate());
    st.bind(1, rowKey);
    const bool found = st.step();
    if (listedVersion != 0 && (!found || st.int64(1) != listedVersion))
        throw RowChangedError();
    return found ? st.text(0) : QString();
}

bool AccountBook::BakiyeGuncelle(BookConnection& db, const QString& personKey, const QString& tl,
                                 const QString& usd, const QString& euro)
{
    return db.execute(QStringLiteral("UPDATE main.MUSTERILER SET SonBakiye = ?1, SonBakiye_usd = ?2, "
                                     "SonBakiye_euro = ?3 WHERE oto_kod = ?4 AND (SonBakiye IS NOT ?1 OR "
                                     "SonBakiye_usd IS NOT ?2 OR SonBakiye_euro IS NOT ?3)"),
                      {tl, usd, euro, personKey}) > 0;
}

bool AccountBook::BakiyeGuncelle(BookConnection& db, const QString& personKey, const AccountFigures& figures)
{
    return BakiyeGuncelle(db, personKey, figures.balanceText(Currency::Tl),
                          figures.balanceText(Currency::Dolar), figures.balanceText(Currency::Euro));
}

AccountState AccountBook::insert(const Customer& person, const Entry& entry, const QString& kind)
{
    BookConnection& db = m_store.accounts();
    BookTransaction tx(db);
    lockRegisteredPerson(db, person.key);
    // The same save again, its first COMMIT answered by a broken connection: the server kept the id
    // with the row (or waits here until the first one ends), so it is stored once.
    if (db.onServer() && !entry.saveId.isEmpty() &&
        !db.scalar(QStringLiteral("SELECT kalvora.note_save(CAST(?1 AS uuid))"), {entry.saveId}).toBool()) {
        AccountState state = readRows(db, person.key);
        tx.commit();
        return state;
    }
    db.execute(
        QStringLiteral("INSERT INTO cari.CARIKART(uye_kodu,aylar,tutar,durum,tarih,para_cinsi,adisoyadi,"
                       "istel,ceptel,tc,verdai,adres,para,vade) VALUES "
                       "(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14)"),
        {person.key, BuyukHarf(entry.description), newRowAmount(entry.amount, kind), dateText(entry.date),
         entry.time, entry.currency, person.name, person.workPhone, person.mobilePhone, person.idNumber,
         person.taxOffice, person.address, kind, dueDateText(entry, kind)});
    AccountState state = readRows(db, person.key);
    BakiyeGuncelle(db, person.key, state.figures);
    OpenItemStore::write(db, person.key, state.rows);
    tx.commit();
    return state;
}

AccountState AccountBook::lend(const Customer& person, const Entry& entry)
{
    return insert(person, entry, loanKind());
}

AccountState AccountBook::collect(const Customer& person, const Entry& entry)
{
    return insert(person, entry, repaymentKind());
}

AccountState AccountBook::edit(const QString& personKey, const QString& personName, qint64 rowKey,
                               const Entry& entry, qint64 listedVersion)
{
    BookConnection& db = m_store.accounts();
    BookTransaction tx(db);
    lockRegisteredPerson(db, personKey);
    const QString kind = lockListedRow(db, rowKey, listedVersion);
    ArchiveWriter().archiveRow(db, ArchiveAction::Edit, rowKey);
    db.execute(QStringLiteral("UPDATE cari.CARIKART SET aylar = ?1, tutar = ?2, durum = ?3, tarih = ?4, "
                              "para_cinsi = ?5, adisoyadi = ?6, vade = ?7 WHERE otokod = ?8"),
               {BuyukHarf(entry.description), editedRowAmount(entry.amount, kind), dateText(entry.date),
                entry.time, entry.currency, personName, dueDateText(entry, kind), rowKey});
    AccountState state = readRows(db, personKey);
    BakiyeGuncelle(db, personKey, state.figures);
    OpenItemStore::write(db, personKey, state.rows);
    tx.commit();
    return state;
}

AccountState AccountBook::cancel(const QString& personKey, qint64 rowKey, qint64 listedVersion)
{
    BookConnection& db = m_store.accounts();
    BookTransaction tx(db);
    lockRegisteredPerson(db, personKey);
    lockListedRow(db, rowKey, listedVersion);
    ArchiveWriter().archiveRow(db, ArchiveAction::Cancel, rowKey);
    db.execute(QStringLiteral("DELETE FROM cari.CARIKART WHERE otokod = ?1"), {rowKey});
    AccountState state = readRows(db, personKey);
    BakiyeGuncelle(db, personKey, state.figures);
    OpenItemStore::write(db, personKey, state.rows);
    tx.commit();
    return state;
}

AccountBook::ResetOutcome AccountBook::reset(const QString& personKey)
{
    BookConnection& db = m_store.accounts();
    BookTransaction tx(db);
    lockRegisteredPerson(db, personKey);
    ResetOutcome out;
    out.state = readRows(db, personKey);
    out.outstanding = out.state.figures.firstOutstanding();
    if (out.outstanding)
        return out;
    ArchiveWriter().archivePerson(db, ArchiveAction::Reset, personKey);
    db.execute(QStringLiteral("DELETE FROM cari.CARIKART WHERE uye_kodu = ?1"), {personKey});
    out.state = readRows(db, personKey);
    out.balancesChanged = BakiyeGuncelle(db, personKey, out.state.figures);
    OpenItemStore::write(db, personKey, out.state.rows);
    tx.commit();
    return out;
}

} // namespace kalvora
