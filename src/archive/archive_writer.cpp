#include "archive/archive_writer.h"

#include "data/clock.h"

#include "data/turkish_text.h"

#include <QSysInfo>

#include <pwd.h>
#include <unistd.h>

namespace kalvora {

namespace {

const char* const rowColumns =
    "uye_kodu, aylar, tutar, durum, tarih, para_cinsi, adisoyadi, istel, ceptel, tc, "
    "verdai, adres, para, vade";

} // namespace

QString archiveActionText(ArchiveAction action)
{
    switch (action) {
    case ArchiveAction::Cancel:
        return QStringLiteral("İPTAL");
    case ArchiveAction::Edit:
        return QStringLiteral("DEĞİŞİKLİK");
    case ArchiveAction::Reset:
        return QStringLiteral("SIFIRLAMA");
    case ArchiveAction::PersonDelete:
        return QStringLiteral("KİŞİ SİLME");
    }
    return QString();
}

std::optional<ArchiveAction> archiveActionOf(const QString& text)
{
    for (ArchiveAction a :
         {ArchiveAction::Cancel, ArchiveAction::Edit, ArchiveAction::Reset, ArchiveAction::PersonDelete})
        if (text == archiveActionText(a))
            return a;
    return std::nullopt;
}

ArchiveActor ArchiveActor::current()
{
    ArchiveActor actor;
    // The account database, not the environment, names the user a login shell would show.
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name)
        actor.user = QString::fromLocal8Bit(pw->pw_name);
    if (actor.user.isEmpty())
        actor.user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
    actor.computer = QSysInfo::machineHostName();
    return actor;
}

ArchiveWriter::ArchiveWriter() : ArchiveWriter(Clock::now(), ArchiveActor::current()) {}

qint64 ArchiveWriter::insertItem(BookConnection& db, ArchiveAction action, const QString& personKey,
                                 const QString& personName) const
{
    return db.insert(
        QStringLiteral("INSERT INTO iptal.IPTALLER (islem, tarih, saat, kullanici, bilgisayar, uye_kodu, "
                       "adisoyadi) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)"),
        {archiveActionText(action), dateText(m_when.date()), timeText(m_when.time()), m_actor.user,
         m_actor.computer, personKey, personName},
        QStringLiteral("iptal_no"));
}

void ArchiveWriter::copyRows(BookConnection& db, qint64 item, const QString& where, const QVariant& value)
{
    const QString columns = QString::fromLatin1(rowColumns);
    db.execute(QStringLiteral("INSERT INTO iptal.IPTAL_HAREKETLER (iptal_no, otokod, ") + columns +
                   QStringLiteral(") SELECT CAST(?1 AS BIGINT), otokod, ") + columns +
                   QStringLiteral(" FROM cari.CARIKART WHERE ") + where +
                   QStringLiteral(" = ?2 ORDER BY otokod"),
               {item, value});
}

bool ArchiveWriter::archiveRow(BookConnection& db, ArchiveAction action, qint64 rowKey) const
{
    // The person's key is compared as the text CARIKART keeps, so a key that is no number finds nobody
    // on either store instead of failing.
    BookQuery st = db.prepare(QStringLiteral(
        "SELECT c.uye_kodu, COALESCE((SELECT m.adisoyadi FROM main.MUSTERILER m WHERE CAST(m.oto_kod AS "
        "TEXT) = c.uye_kodu), c.adisoyadi) FROM cari.CARIKART c WHERE c.otokod = ?1"));
    st.bind(1, rowKey);
    if (!st.step())
        return false;
    const QString personKey = st.text(0);
    const QString name = st.text(1);
    st = BookQuery();
    copyRows(db, insertItem(db, action, personKey, name), QStringLiteral("otokod"), rowKey);
    return true;
}

bool ArchiveWriter::archivePerson(BookConnection& db, ArchiveAction action, const QString& personKey) const
{
    const bool withPerson = action == ArchiveAction::PersonDelete;
    const bool exists =
        db.scalar(QStringLiteral("SELECT count(*) FROM main.MUSTERILER WHERE oto_kod = ?1"), {personKey})
            .toLongLong() > 0;
    const qint64 rows =
        db.scalar(QStringLiteral("SELECT count(*) FROM cari.CARIKART WHERE uye_kodu = ?1"), {personKey})
            .toLongLong();
    if (withPerson ? !exists : rows == 0)
        return false;
    QString name =
        db.scalar(QStringLiteral("SELECT adisoyadi FROM main.MUSTERILER WHERE oto_kod = ?1"), {personKey})
            .toString();
    if (!exists)
        name = db.scalar(QStringLiteral(
                             "SELECT adisoyadi FROM cari.CARIKART WHERE uye_kodu = ?1 ORDER BY otokod"),
                         {personKey})
                   .toString();
    // One INSERT with the person's columns: a desk of a server book may add to the archive, never
    // change what is in it.
    const qint64 item =
        withPerson ? db.insert(QStringLiteral(
                                   "INSERT INTO iptal.IPTALLER (islem, tarih, saat, kullanici, bilgisayar, "
                                   "uye_kodu, adisoyadi, istel, ceptel, tc, verdai, adres, SonBakiye, "
                                   "SonBakiye_usd, SonBakiye_euro) SELECT ?1, ?2, ?3, ?4, ?5, ?6, ?7, istel, "
                                   "ceptel, tc, verdai, adres, SonBakiye, SonBakiye_usd, SonBakiye_euro FROM "
                                   "main.MUSTERILER WHERE oto_kod = ?8"),
                               {archiveActionText(action), dateText(m_when.date()), timeText(m_when.time()),
                                m_actor.user, m_actor.computer, personKey, name, personKey},
                               QStringLiteral("iptal_no"))
                   : insertItem(db, action, personKey, name);
    copyRows(db, item, QStringLiteral("uye_kodu"), personKey);
    return true;
}

} // namespace kalvora
