#pragma once

#include "data/database.h"
#include "data/store.h"

#include <QString>

namespace kalvora::test {

// Writes a ledger row straight into the book, as an earlier session of the program would have.
inline qint64 addLedgerEntry(Store& store, Ledger which, const QString& date, const QString& amount,
                             const QString& state = QStringLiteral("0"),
                             const QString& time = QStringLiteral("10:00:00"),
                             const QString& maker = QStringLiteral("İŞLETME"),
                             const QString& title = QStringLiteral("KİRA"),
                             const QString& description = QStringLiteral("AÇIKLAMA"))
{
    return store.ledger(which).insert(
        QStringLiteral("INSERT INTO GIDERLER(gider_ad,gider_tarihi,gider_aciklama,gider_saati,gider_yapan,"
                       "gider_tutar,gider_iptal) VALUES (?1,?2,?3,?4,?5,?6,?7)"),
        {title, date, description, time, maker, amount, state}, QStringLiteral("kayit_no"));
}

inline QString cashBoxText(Store& store, Ledger which)
{
    return store.ledger(which).scalar(QStringLiteral("SELECT Kasa_net_bakiye FROM KASA_NET")).toString();
}

inline qint64 entryCount(Store& store, Ledger which)
{
    return store.ledger(which).scalar(QStringLiteral("SELECT count(*) FROM GIDERLER")).toLongLong();
}

} // namespace kalvora::test
