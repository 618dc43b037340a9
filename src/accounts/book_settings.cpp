#include "accounts/book_settings.h"

namespace kalvora {

namespace {

const char* const defaultTermName = "VARSAYILAN_VADE";

} // namespace

int BookSettings::defaultDueTerm()
{
    const QVariant v =
        m_store.accounts().scalar(QStringLiteral("SELECT deger FROM cari.AYARLAR WHERE ad = ?1"),
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
    tx.commit();
}

} // namespace kalvora
