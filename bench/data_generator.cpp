#include "data_generator.h"

#include "data/store.h"
#include "data/turkish_text.h"

#include <QDate>
#include <QStringList>

#include <random>
#include <stdexcept>

namespace kalvora::bench {

DataSize sizeByName(const QString& name)
{
    if (name == QLatin1String("small"))
        return {name, 1000, 20000, 5000};
    if (name == QLatin1String("large"))
        return {name, 10000, 200000, 50000};
    if (name == QLatin1String("huge"))
        return {name, 100000, 2000000, 500000};
    throw std::invalid_argument("size must be small, large or huge");
}

namespace {

const char* const firstNames[] = {"AHMET",  "MEHMET", "AYŞE",    "FATMA",   "ALİ",   "VELİ",
                                  "ZEYNEP", "EMİNE",  "HÜSEYİN", "İBRAHİM", "ÇAĞLA", "ŞEYMA",
                                  "ÖMER",   "ÜMİT",   "IŞIL",    "GÖKHAN",  "DERYA", "CAN"};
const char* const lastNames[] = {"YILMAZ",   "KAYA",   "DEMİR", "ŞAHİN",   "ÇELİK",  "YILDIZ",
                                 "YILDIRIM", "ÖZTÜRK", "AYDIN", "ÖZDEMİR", "ARSLAN", "DOĞAN",
                                 "KILIÇ",    "ASLAN",  "ÇETİN", "KARA"};
const char* const offices[] = {"KADIKÖY", "BEŞİKTAŞ", "ÜSKÜDAR", "ÇANKAYA", "KONAK", "NİLÜFER", "SELÇUKLU"};
const char* const currencies[] = {"TL", "TL", "TL", "DOLAR", "EURO"};

QString amountText(std::mt19937_64& rng)
{
    const int whole = static_cast<int>(rng() % 20000) + 1;
    if (rng() % 2)
        return QString::number(whole);
    return QString::number(whole) + QLatin1Char(',') +
           QString::number(rng() % 100).rightJustified(2, QLatin1Char('0'));
}

} // namespace

void generate(const QString& folder, const DataSize& size)
{
    Store store(folder);
    const auto problems = store.initialize();
    if (!problems.isEmpty())
        throw std::runtime_error(problems.first().text.toStdString());
    std::mt19937_64 rng(20261209);
    const QDate first(2011, 1, 1);
    const int days = static_cast<int>(first.daysTo(QDate(2025, 12, 31)));

    Database& db = store.accounts().file();
    {
        Transaction tx(db);
        Statement ins = db.prepare(QStringLiteral(
            "INSERT INTO "
            "MUSTERILER(adisoyadi,istel,ceptel,tc,verdai,adres,SonBakiye,SonBakiye_usd,SonBakiye_euro) "
            "VALUES (?1,?2,?3,?4,?5,?6,'0','0','0')"));
        for (int p = 0; p < size.people; ++p) {
            const QString name = QString::fromUtf8(firstNames[rng() % std::size(firstNames)]) +
                                 QLatin1Char(' ') +
                                 QString::fromUtf8(lastNames[rng() % std::size(lastNames)]) +
                                 QLatin1Char(' ') + QString::number(p + 1);
            ins.reset();
            ins.bind(1, name)
                .bind(2, QStringLiteral("0212 %1").arg(rng() % 10000000, 7, 10, QLatin1Char('0')))
                .bind(3, QStringLiteral("05%1").arg(rng() % 1000000000, 9, 10, QLatin1Char('0')))
                .bind(4, QString::number(10000000000ULL + rng() % 89999999999ULL))
                .bind(5, QString::fromUtf8(offices[rng() % std::size(offices)]))
                .bind(6, QStringLiteral("%1 SOKAK NO %2")
                             .arg(QString::fromUtf8(lastNames[rng() % std::size(lastNames)]))
                             .arg(rng() % 200 + 1));
            ins.step();
        }
        // Transactions: one person in ten is busy; the rest have a few rows each.
        Statement tr = db.prepare(QStringLiteral(
            "INSERT INTO "
            "CARIKART(uye_kodu,aylar,tutar,durum,tarih,para_cinsi,adisoyadi,istel,ceptel,tc,verdai,adres,"
            "para) SELECT ?1,?2,?3,?4,?5,?6,adisoyadi,istel,ceptel,tc,verdai,adres,?7 FROM MUSTERILER WHERE "
            "oto_kod=?1"));
        for (int t = 0; t < size.transactions; ++t) {
            const qint64 person = (rng() % 10 == 0)
                                      ? static_cast<qint64>(rng() % std::max(1, size.people / 10)) + 1
                                      : static_cast<qint64>(rng() % size.people) + 1;
            const bool lent = rng() % 3 != 0;
            const QString amount = amountText(rng);
            const QDate date = first.addDays(static_cast<qint64>(rng() % days));
            tr.reset();
            tr.bind(1, QString::number(person))
                .bind(2, lent ? QStringLiteral("BORÇ VERİLDİ") : QStringLiteral("ÖDEME ALINDI"))
                .bind(3, lent ? amount : plainNumberText(-numberValue(amount)))
                .bind(4, dateText(date))
                .bind(5, timeText(QTime(static_cast<int>(rng() % 24), static_cast<int>(rng() % 60),
                                        static_cast<int>(rng() % 60))))
                .bind(6, QString::fromLatin1(currencies[rng() % std::size(currencies)]))
                .bind(7, lent ? QStringLiteral("100") : QStringLiteral("200"));
            tr.step();
        }
        // The stored balances are the sums of each person's rows, as the card writes them.
        Statement sums = db.prepare(QStringLiteral(
            "SELECT uye_kodu, para_cinsi, sum(cdbl(tutar)) FROM CARIKART GROUP BY uye_kodu, para_cinsi"));
        Statement upd[3] = {
            db.prepare(QStringLiteral("UPDATE MUSTERILER SET SonBakiye=?2 WHERE oto_kod=?1")),
            db.prepare(QStringLiteral("UPDATE MUSTERILER SET SonBakiye_usd=?2 WHERE oto_kod=?1")),
            db.prepare(QStringLiteral("UPDATE MUSTERILER SET SonBakiye_euro=?2 WHERE oto_kod=?1"))};
        while (sums.step()) {
            const QString cur = sums.text(1);
            const int c = cur == QLatin1String("TL") ? 0 : cur == QLatin1String("DOLAR") ? 1 : 2;
            upd[c].reset();
            upd[c].bind(1, sums.text(0)).bind(2, formatAmount(sums.real(2)));
            upd[c].step();
        }
        tx.commit();
    }
    for (Ledger l : {Ledger::Income, Ledger::Expense}) {
        Database& ldb = store.ledger(l).file();
        Transaction tx(ldb);
        Statement ins = ldb.prepare(QStringLiteral(
            "INSERT INTO "
            "GIDERLER(gider_ad,gider_tarihi,gider_aciklama,gider_saati,gider_yapan,gider_tutar,gider_iptal) "
            "VALUES (?1,?2,?3,?4,'İŞLETME',?5,?6)"));
        double cash = 0;
        for (int e = 0; e < size.ledgerEntries; ++e) {
            const QString amount = amountText(rng);
            const bool cancelled = rng() % 20 == 0;
            if (!cancelled)
                cash -= numberValue(amount);
            ins.reset();
            ins.bind(1, l == Ledger::Income ? QStringLiteral("SATIŞ") : QStringLiteral("KİRA"))
                .bind(2, dateText(first.addDays(static_cast<qint64>(rng() % days))))
                .bind(3, QStringLiteral("AÇIKLAMA %1").arg(e))
                .bind(4, timeText(QTime(static_cast<int>(rng() % 24), static_cast<int>(rng() % 60),
                                        static_cast<int>(rng() % 60))))
                .bind(5, amount)
                .bind(6, cancelled ? QStringLiteral("1") : QStringLiteral("0"));
            ins.step();
        }
        ldb.execute(QStringLiteral("UPDATE KASA_NET SET Kasa_net_bakiye=?1"), {plainNumberText(cash)});
        tx.commit();
    }
}

} // namespace kalvora::bench
