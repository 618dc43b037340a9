#include "sending/sent_record.h"

#include "archive/archive_writer.h"
#include "data/book_connection.h"
#include "data/clock.h"
#include "data/store.h"
#include "data/turkish_text.h"

namespace kalvora {

QString sendWayText(SendWay way)
{
    switch (way) {
    case SendWay::Email:
        return QStringLiteral("E-POSTA");
    case SendWay::MailProgram:
        return QStringLiteral("E-POSTA PROGRAMI");
    case SendWay::WhatsApp:
        break;
    }
    return QStringLiteral("WHATSAPP");
}

qint64 SentRecord::add(SentItem item)
{
    if (item.date.isEmpty()) {
        const QDateTime now = Clock::now();
        item.date = dateText(now.date());
        item.time = timeText(now.time());
    }
    if (item.user.isEmpty())
        item.user = ArchiveActor::current().user;
    BookConnection& db = m_store.accounts();
    BookTransaction tx(db);
    const qint64 key = db.insert(
        QStringLiteral(
            "INSERT INTO GONDERILENLER (uye_kodu, adisoyadi, belge, yol, alici, tarih, saat, kullanici, "
            "donem, bakiyeler, dosya, basarili, hata) "
            "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)"),
        {item.personKey, item.personName, item.document, item.way, item.recipient, item.date, item.time,
         item.user, item.period, item.balances, item.file, item.succeeded ? 1 : 0, item.error},
        QStringLiteral("kayit_no"));
    tx.commit();
    return key;
}

QList<SentItem> SentRecord::list(const QString& filter, bool onlyFailed)
{
    BookConnection& db = m_store.accounts();
    BookQuery q = db.prepare(QStringLiteral(
        "SELECT kayit_no, uye_kodu, adisoyadi, belge, yol, alici, tarih, saat, kullanici, donem, bakiyeler, "
        "dosya, basarili, hata FROM GONDERILENLER ORDER BY kayit_no DESC"));
    const QString needle = BuyukHarf(filter.trimmed());
    QList<SentItem> items;
    while (q.step()) {
        SentItem it;
        it.key = q.int64(0);
        it.personKey = q.text(1);
        it.personName = q.text(2);
        it.document = q.text(3);
        it.way = q.text(4);
        it.recipient = q.text(5);
        it.date = q.text(6);
        it.time = q.text(7);
        it.user = q.text(8);
        it.period = q.text(9);
        it.balances = q.text(10);
        it.file = q.text(11);
        it.succeeded = q.int64(12) != 0;
        it.error = q.text(13);
        if (onlyFailed && it.succeeded)
            continue;
        if (!needle.isEmpty()) {
            bool hit = false;
            for (const QString* s : {&it.personName, &it.way, &it.recipient, &it.error, &it.document})
                hit = hit || BuyukHarf(*s).contains(needle);
            if (!hit)
                continue;
        }
        items.append(it);
    }
    return items;
}

std::optional<QDateTime> SentRecord::lastSentTo(const QString& personKey)
{
    const QHash<QString, QDateTime> sent = lastSent();
    const auto it = sent.constFind(personKey);
    if (it == sent.cend())
        return std::nullopt;
    return *it;
}

QHash<QString, QDateTime> SentRecord::lastSent()
{
    QHash<QString, QDateTime> out;
    BookQuery q = m_store.accounts().prepare(
        QStringLiteral("SELECT uye_kodu, tarih, saat FROM GONDERILENLER WHERE kayit_no IN "
                       "(SELECT max(kayit_no) FROM GONDERILENLER WHERE basarili = 1 GROUP BY uye_kodu)"));
    while (q.step())
        out.insert(q.text(0), QDateTime(readDateText(q.text(1)), readTimeText(q.text(2))));
    return out;
}

} // namespace kalvora
