#include "accounts/archive_restore.h"

#include "accounts/account_book.h"
#include "accounts/open_item_store.h"
#include "data/clock.h"
#include "data/turkish_text.h"

namespace kalvora {

namespace {

const char* const rowColumns =
    "uye_kodu, aylar, tutar, durum, tarih, para_cinsi, adisoyadi, istel, ceptel, tc, "
    "verdai, adres, para, vade";

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

CancellationArchive::RestoreResult resultOf(const QString& text)
{
    using R = CancellationArchive::RestoreResult;
    for (const auto& [name, result] :
         {std::pair{"Restored", R::Restored}, std::pair{"PersonGone", R::PersonGone},
          std::pair{"RowGone", R::RowGone}, std::pair{"PersonExists", R::PersonExists}})
        if (text == QLatin1String(name))
            return result;
    return R::NotFound;
}

} // namespace

CancellationArchive::Restore ArchiveRestore::restore(qint64 itemKey)
{
    BookConnection& db = m_store.accounts();
    BookTransaction tx(db);
    CancellationArchive::Restore out;
    if (db.onServer()) {
        const QDateTime now = Clock::now();
        const ArchiveActor actor = ArchiveActor::current();
        BookQuery st =
            db.prepare(QStringLiteral("SELECT result, person FROM iptal.geri_al(?1, ?2, ?3, ?4, ?5)"));
        st.bindAll({itemKey, actor.user, actor.computer, dateText(now.date()), timeText(now.time())});
        if (st.step()) {
            out.result = resultOf(st.text(0));
            out.personKey = st.text(1);
        }
    } else {
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
        out.result = restoreHere(db, itemKey, *action, out.personKey);
    }
    if (out.result != CancellationArchive::RestoreResult::Restored)
        return out;
    const AccountState state = AccountBook::readRows(db, out.personKey);
    AccountBook::BakiyeGuncelle(db, out.personKey, state.figures);
    OpenItemStore::write(db, out.personKey, state.rows);
    tx.commit();
    return out;
}

CancellationArchive::RestoreResult ArchiveRestore::restoreHere(BookConnection& db, qint64 itemKey,
                                                               ArchiveAction action, const QString& personKey)
{
    using R = CancellationArchive::RestoreResult;
    const bool person = personExists(db, personKey);
    if (action == ArchiveAction::PersonDelete) {
        if (person)
            return R::PersonExists;
        db.execute(
            QStringLiteral("INSERT INTO main.MUSTERILER (oto_kod, adisoyadi, istel, ceptel, tc, verdai, "
                           "adres, SonBakiye, SonBakiye_usd, SonBakiye_euro)") +
                db.keepingKeys() +
                QStringLiteral(
                    " SELECT CAST(uye_kodu AS BIGINT), adisoyadi, istel, ceptel, tc, verdai, adres, "
                    "SonBakiye, SonBakiye_usd, SonBakiye_euro FROM iptal.IPTALLER WHERE iptal_no = ?1"),
            {itemKey});
    } else if (!person) {
        return R::PersonGone;
    }

    if (action == ArchiveAction::Edit) {
        const QVariant rowKey = db.scalar(
            QStringLiteral("SELECT otokod FROM iptal.IPTAL_HAREKETLER WHERE iptal_no = ?1"), {itemKey});
        // The version being replaced is kept in turn, so the restore itself can be undone. A row
        // removed since is archived with its latest version: that item has to come back first, or the
        // row would return twice.
        if (!ArchiveWriter().archiveRow(db, ArchiveAction::Edit, rowKey.toLongLong()))
            return R::RowGone;
        db.execute(QStringLiteral("UPDATE cari.CARIKART SET (") + QString::fromLatin1(rowColumns) +
                       QStringLiteral(") = (SELECT ") + QString::fromLatin1(rowColumns) +
                       QStringLiteral(" FROM iptal.IPTAL_HAREKETLER WHERE iptal_no = ?1) WHERE otokod = ?2"),
                   {itemKey, rowKey});
    } else {
        reinsertRows(db, itemKey);
    }
    db.execute(QStringLiteral("DELETE FROM iptal.IPTAL_HAREKETLER WHERE iptal_no = ?1"), {itemKey});
    db.execute(QStringLiteral("DELETE FROM iptal.IPTALLER WHERE iptal_no = ?1"), {itemKey});
    return R::Restored;
}

} // namespace kalvora
