#include "archive/cancellation_archive.h"

#include "accounts/account_book.h"
#include "customers/customer_repository.h"
#include "data/turkish_text.h"

namespace kalvora {

namespace {

const char* const rowColumns =
    "uye_kodu, aylar, tutar, durum, tarih, para_cinsi, adisoyadi, istel, ceptel, tc, "
    "verdai, adres, para";

bool personExists(BookConnection& db, const QString& key)
{
    return db.scalar(QStringLiteral("SELECT count(*) FROM main.MUSTERILER WHERE oto_kod = ?1"), {key})
               .toLongLong() > 0;
}

// Puts the item's rows back into CARIKART under their old keys; a key taken meanwhile gets a new one.
// The keys the store gave before are below its next key, so the rows under their old keys never stand
// in the way of a later insert.
void reinsertRows(BookConnection& db, qint64 item)
{
    const QString columns = QString::fromLatin1(rowColumns);
    const QString taken =
        QStringLiteral("EXISTS (SELECT 1 FROM cari.CARIKART c WHERE c.otokod = h.otokod) ORDER BY h.sira");
    db.execute(QStringLiteral("INSERT INTO cari.CARIKART (") + columns + QLatin1Char(')') +
                   QStringLiteral(" SELECT ") + columns +
                   QStringLiteral(" FROM iptal.IPTAL_HAREKETLER h WHERE h.iptal_no = ?1 AND ") + taken,
               {item});
    db.execute(QStringLiteral("INSERT INTO cari.CARIKART (otokod, ") + columns + QLatin1Char(')') +
                   db.keepingKeys() + QStringLiteral(" SELECT h.otokod, ") + columns +
                   QStringLiteral(" FROM iptal.IPTAL_HAREKETLER h WHERE h.iptal_no = ?1 AND NOT ") + taken,
               {item});
}

} // namespace

QStringList ArchiveItem::columnTexts() const
{
    const bool single =
        archiveActionOf(action) == ArchiveAction::Cancel || archiveActionOf(action) == ArchiveAction::Edit;
    QString who = user;
    if (!computer.isEmpty())
        who += QLatin1Char('@') + computer;
    return {(date + QLatin1Char(' ') + time).trimmed(),
            action,
            personName,
            single ? description : QString::number(rowCount) + QStringLiteral(" İŞLEM"),
            single ? formatAmount(numberValue(amount), AmountPattern::NoLeadingZero) : QString(),
            single ? currency : QString(),
            who};
}

QList<ArchiveItem> CancellationArchive::items()
{
    BookQuery st = m_store.accounts().prepare(QStringLiteral(
        "SELECT i.iptal_no, i.islem, i.tarih, i.saat, i.kullanici, i.bilgisayar, i.uye_kodu, i.adisoyadi, "
        "(SELECT count(*) FROM iptal.IPTAL_HAREKETLER h WHERE h.iptal_no = i.iptal_no), "
        "h.aylar, h.tutar, h.para_cinsi FROM iptal.IPTALLER i LEFT JOIN iptal.IPTAL_HAREKETLER h ON h.sira = "
        "(SELECT min(sira) FROM iptal.IPTAL_HAREKETLER WHERE iptal_no = i.iptal_no) ORDER BY i.iptal_no "
        "DESC"));
    QList<ArchiveItem> out;
    while (st.step()) {
        ArchiveItem item;
        item.key = st.int64(0);
        item.action = st.text(1);
        item.date = st.text(2);
        item.time = st.text(3);
        item.user = st.text(4);
        item.computer = st.text(5);
        item.personKey = st.text(6);
        item.personName = st.text(7);
        item.rowCount = static_cast<int>(st.int64(8));
        item.description = st.text(9);
        item.amount = st.text(10);
        item.currency = st.text(11);
        out.append(std::move(item));
    }
    return out;
}

bool CancellationArchive::matches(const ArchiveItem& item, const QString& filter)
{
    const QString upper = BuyukHarf(filter);
    if (upper.isEmpty())
        return true;
    for (const QString& text : item.columnTexts())
        if (BuyukHarf(text).contains(upper))
            return true;
    return false;
}

CancellationArchive::Restore CancellationArchive::restore(qint64 itemKey)
{
    BookConnection& db = m_store.accounts();
    BookTransaction tx(db);
    Restore out;
    BookQuery st =
        db.prepare(QStringLiteral("SELECT islem, uye_kodu FROM iptal.IPTALLER WHERE iptal_no = ?1"));
    st.bind(1, itemKey);
    if (!st.step())
        return out;
    const std::optional<ArchiveAction> action = archiveActionOf(st.text(0));
    out.personKey = st.text(1);
    st = BookQuery();
    if (!action)
        return out; // not an item this program wrote
    CustomerRepository::lockPerson(db, out.personKey);
    const bool person = personExists(db, out.personKey);
    if (*action == ArchiveAction::PersonDelete) {
        if (person) {
            out.result = RestoreResult::PersonExists;
            return out;
        }
        db.execute(
            QStringLiteral("INSERT INTO main.MUSTERILER (oto_kod, adisoyadi, istel, ceptel, tc, verdai, "
                           "adres, SonBakiye, SonBakiye_usd, SonBakiye_euro)") +
                db.keepingKeys() +
                QStringLiteral(
                    " SELECT CAST(uye_kodu AS BIGINT), adisoyadi, istel, ceptel, tc, verdai, adres, "
                    "SonBakiye, SonBakiye_usd, SonBakiye_euro FROM iptal.IPTALLER WHERE iptal_no = ?1"),
            {itemKey});
    } else if (!person) {
        out.result = RestoreResult::PersonGone;
        return out;
    }

    if (*action == ArchiveAction::Edit) {
        const QVariant rowKey = db.scalar(
            QStringLiteral("SELECT otokod FROM iptal.IPTAL_HAREKETLER WHERE iptal_no = ?1"), {itemKey});
        // The version being replaced is kept in turn, so the restore itself can be undone. A row
        // removed since is archived with its latest version: that item has to come back first, or the
        // row would return twice.
        if (!ArchiveWriter().archiveRow(db, ArchiveAction::Edit, rowKey.toLongLong())) {
            out.result = RestoreResult::RowGone;
            return out;
        }
        db.execute(QStringLiteral("UPDATE cari.CARIKART SET (") + QString::fromLatin1(rowColumns) +
                       QStringLiteral(") = (SELECT ") + QString::fromLatin1(rowColumns) +
                       QStringLiteral(" FROM iptal.IPTAL_HAREKETLER WHERE iptal_no = ?1) WHERE otokod = ?2"),
                   {itemKey, rowKey});
    } else {
        reinsertRows(db, itemKey);
    }
    db.execute(QStringLiteral("DELETE FROM iptal.IPTAL_HAREKETLER WHERE iptal_no = ?1"), {itemKey});
    db.execute(QStringLiteral("DELETE FROM iptal.IPTALLER WHERE iptal_no = ?1"), {itemKey});
    const AccountState state = AccountBook::readRows(db, out.personKey);
    AccountBook::BakiyeGuncelle(db, out.personKey, state.figures);
    tx.commit();
    out.result = RestoreResult::Restored;
    return out;
}

} // namespace kalvora
