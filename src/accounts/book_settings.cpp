#include "accounts/book_settings.h"

#include "accounts/open_item_store.h"

namespace kalvora {

namespace {

const char* const defaultTermName = "VARSAYILAN_VADE";

} // namespace

int BookSettings::defaultDueTerm(BookConnection& db)
{
    const QVariant v = db.scalar(QStringLiteral("SELECT deger FROM cari.AYARLAR WHERE ad = ?1"),
                                 {QString::fromLatin1(defaultTermName)});
    bool ok = false;
    const int days = v.toString().toInt(&ok);
    return ok && days >= 0 ? days : 0;
}

void BookSettings::setDefaultDueTerm(int days)
{
    BookConnection& db = m_store.accounts();
    BookTransaction tx(db);
    db.execute(QStringLiteral("DELETE FROM cari.AYARLAR WHERE ad = ?1"),
               {QString::fromLatin1(defaultTermName)});
    db.execute(QStringLiteral("INSERT INTO cari.AYARLAR (ad, deger) VALUES (?1, ?2)"),
               {QString::fromLatin1(defaultTermName), QString::number(qMax(0, days))});
    db.execute(QStringLiteral("DELETE FROM cari.ACIK_DEGISEN"));
    db.execute(QStringLiteral("INSERT INTO cari.ACIK_DEGISEN (uye_kodu) SELECT uye_kodu FROM cari.CARIKART "
                              "UNION SELECT uye_kodu FROM cari.ACIK_KALEMLER"));
    OpenItemStore::settleWaiting(db);
    tx.commit();
}

} // namespace kalvora
