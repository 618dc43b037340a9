#include "book_moves.h"
#include "data/data_folder.h"
#include "data/database.h"
#include "data/pg/pg_connection.h"
#include "data/pg/server_schema.h"
#include "data/scratch_cleanup.h"
#include "data/store.h"
#include "support/pg_server.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <sys/wait.h>
#include <unistd.h>

using namespace kalvora;

namespace {

// Every book table of a data folder with its keys, and where each key sequence stands.
QStringList folderRows(const QString& folder)
{
    Store store(folder);
    QStringList out;
    auto read = [&](Database& db, const QString& table) {
        Statement st = db.prepare(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" ORDER BY 1"));
        while (st.step()) {
            QStringList cells;
            for (int i = 0; i < st.columnCount(); ++i)
                cells << st.text(i);
            out << table + QLatin1Char('|') + cells.join(QChar(0x1f));
        }
    };
    Database& accounts = store.accounts().file();
    for (const char* t : {"main.MUSTERILER", "cari.CARIKART", "iptal.IPTALLER", "iptal.IPTAL_HAREKETLER",
                          "main.sqlite_sequence", "cari.sqlite_sequence", "iptal.sqlite_sequence"})
        read(accounts, QString::fromLatin1(t));
    for (Ledger l : {Ledger::Income, Ledger::Expense})
        for (const char* t : {"GIDERLER", "KASA_NET", "sqlite_sequence"})
            read(store.ledger(l).file(), QString::fromLatin1(t));
    return out;
}

// Every file under a folder with its content's hash: a refusal must leave them all as they were.
QMap<QString, QByteArray> folderFiles(const QString& folder)
{
    QMap<QString, QByteArray> out;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly))
            out.insert(f.fileName(), QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256));
    }
    return out;
}

QStringList serverRows(const QString& uri)
{
    PgConnection conn = PgConnection::open(uri);
    QStringList out;
    PgStatement tables = conn.prepare(QStringLiteral(
        "SELECT n.nspname || '.' || c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
        "WHERE c.relkind = 'r' AND n.nspname NOT IN ('pg_catalog', 'information_schema') ORDER BY 1"));
    QStringList names;
    while (tables.step())
        names << tables.text(0);
    for (const QString& t : names) {
        PgStatement st = conn.prepare(QStringLiteral("SELECT * FROM ") + t + QStringLiteral(" ORDER BY 1"));
        while (st.step()) {
            QStringList cells;
            for (int i = 0; i < st.columnCount(); ++i)
                cells << st.text(i);
            out << t + QLatin1Char('|') + cells.join(QChar(0x1f));
        }
        out << t;
    }
    return out;
}

qint64 deadPid()
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

int runTasi(const QStringList& arguments, QString* text)
{
    QString out;
    QString err;
    QTextStream o(&out);
    QTextStream e(&err);
    const int code = tasi::run(QStringList{QStringLiteral("kalvora-tasi")} + arguments, o, e);
    *text = out + err;
    return code;
}

const QString secret = QStringLiteral("Gizli_Parola_42");

} // namespace

class TestKalvoraTasi : public QObject {
    Q_OBJECT

    test::PgServer m_server;
    int m_databases = 0;
    QTemporaryDir m_dir;
    QString m_book; // a data folder with a book that uses every kind of text and key

    QString freshDatabase()
    {
        const QString uri = m_server.createDatabase(QStringLiteral("tasi%1").arg(++m_databases));
        if (uri.isEmpty())
            qWarning("%s", qPrintable(m_server.error()));
        return uri;
    }

    QString newFolder() { return QDir(m_dir.path()).filePath(QStringLiteral("klasor%1").arg(++m_databases)); }

    // People with gaps in their keys and keys deleted at the end, texts Turkish, long, empty and full of
    // the characters a copy must escape; transactions in all three currencies whose sums the stored
    // balances match; both ledgers with their cash boxes; the archive.
    static void fillBook(const QString& folder)
    {
        Store store(folder);
        QVERIFY(store.initialize().isEmpty());
        Database& db = store.accounts().file();
        Transaction tx(db);
        const QString longText = QStringLiteral("ÇOK UZUN AÇIKLAMA ığüşöç\t\\N\\.\r\n").repeated(600);
        const QString person = QStringLiteral(
            "INSERT INTO MUSTERILER(oto_kod,adisoyadi,istel,ceptel,tc,verdai,adres,SonBakiye,SonBakiye_usd,"
            "SonBakiye_euro) VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10)");
        db.execute(person, {2, QStringLiteral("ŞÜKRÜ ĞÖÇİ'LER"), QString(), QStringLiteral("0532"), QString(),
                            QStringLiteral("KADIKÖY"), longText, QStringLiteral("1.250,50"),
                            QStringLiteral("-3,00"), QStringLiteral("0")});
        db.execute(person, {7, QString(), QString(), QString(), QString(), QString(), QString(),
                            QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")});
        db.execute(person,
                   {40, QStringLiteral("ışık \"tırnak\" %_"), QString(), QString(), QString(), QString(),
                    QString(), QStringLiteral("0,00"), QStringLiteral("0"), QStringLiteral("12,25")});
        db.execute(person, {90, QStringLiteral("SİLİNECEK"), QString(), QString(), QString(), QString(),
                            QString(), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")});
        db.execute(QStringLiteral("DELETE FROM MUSTERILER WHERE oto_kod = 90"));
        const QString row = QStringLiteral(
            "INSERT INTO cari.CARIKART(otokod,uye_kodu,aylar,tutar,durum,tarih,para_cinsi,adisoyadi,para) "
            "VALUES (?1,?2,?3,?4,?5,'12:00:00',?6,?7,?8)");
        db.execute(row,
                   {3, QStringLiteral("2"), longText, QStringLiteral("1000,5"), QStringLiteral("02.04.2008"),
                    QStringLiteral("TL"), QStringLiteral("ŞÜKRÜ ĞÖÇİ'LER"), QStringLiteral("100")});
        db.execute(row,
                   {11, QStringLiteral("2"), QString(), QStringLiteral("250"), QStringLiteral("01.01.2008"),
                    QStringLiteral("TL"), QString(), QStringLiteral("100")});
        db.execute(row, {12, QStringLiteral("2"), QStringLiteral("İADE"), QStringLiteral("-3"),
                         QStringLiteral("bozuk tarih"), QStringLiteral("DOLAR"), QString(),
                         QStringLiteral("200")});
        db.execute(row,
                   {30, QStringLiteral("40"), QString(), QStringLiteral("12,25"), QStringLiteral("5.5.2010"),
                    QStringLiteral("EURO"), QString(), QStringLiteral("100")});
        db.execute(
            QStringLiteral("INSERT INTO iptal.IPTALLER(iptal_no,islem,tarih,uye_kodu,adisoyadi,SonBakiye) "
                           "VALUES (5,'HAREKET İPTALİ','03.04.2008','2','ŞÜKRÜ','1.250,50')"));
        db.execute(
            QStringLiteral("INSERT INTO iptal.IPTAL_HAREKETLER(sira,iptal_no,otokod,uye_kodu,aylar,tutar) "
                           "VALUES (9,5,8,'2',?1,'-7,5')"),
            {longText});
        // The book's settings, the sender's details and what was sent move with the book.
        db.execute(QStringLiteral("INSERT INTO cari.AYARLAR(ad, deger) VALUES ('VARSAYILAN_VADE', '30')"));
        db.execute(QStringLiteral("INSERT INTO FIRMA_BILGILERI(kayit_no, unvan, iban, logo) VALUES "
                                  "(1, 'ÖRNEK TİCARET', 'TR00 0001', ?1)"),
                   {longText});
        db.execute(
            QStringLiteral("INSERT INTO GONDERILENLER(kayit_no, uye_kodu, adisoyadi, yol, basarili, hata) "
                           "VALUES (6, '2', 'ŞÜKRÜ', 'E-POSTA', 0, 'REDDEDİLDİ')"));
        db.execute(QStringLiteral(
            "INSERT INTO KISI_EPOSTA(uye_kodu, eposta) VALUES ('2', 'sukru@example.invalid')"));
        tx.commit();
        for (Ledger l : {Ledger::Income, Ledger::Expense}) {
            Database& d = store.ledger(l).file();
            const QString entry = QStringLiteral(
                "INSERT INTO GIDERLER(kayit_no,gider_ad,gider_tarihi,gider_aciklama,gider_tutar,gider_iptal) "
                "VALUES (?1,?2,'01.02.2024',?3,?4,?5)");
            d.execute(entry,
                      {4, QStringLiteral("KİRA"), longText, QStringLiteral("1500"), QStringLiteral("0")});
            d.execute(entry, {8, QString(), QString(), QStringLiteral("20,75"), QStringLiteral("1")});
            d.execute(QStringLiteral("UPDATE KASA_NET SET Kasa_net_bakiye = ?1"),
                      {l == Ledger::Income ? QStringLiteral("1500") : QStringLiteral("-1.499,25")});
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.error()));
        m_book = newFolder();
        fillBook(m_book);
    }

    // Folder to server to folder: every table equal row by row with its keys, and new keys go on
    // past the old ones, the deleted last person's included. Once into an empty database, once into a
    // book a desk's first start made and nobody used.
    void roundTrip_data()
    {
        QTest::addColumn<bool>("emptyBookFirst");
        QTest::newRow("empty database") << false;
        QTest::newRow("unused book") << true;
    }
    void roundTrip()
    {
        QFETCH(bool, emptyBookFirst);
        const QString uri = freshDatabase();
        QVERIFY(!uri.isEmpty());
        if (emptyBookFirst) {
            PgConnection conn = PgConnection::open(uri);
            QVERIFY(createServerSchema(conn));
        }
        QString text;
        QCOMPARE(runTasi({QStringLiteral("--data-dir"), m_book, QStringLiteral("--server"), uri}, &text), 0);
        QVERIFY2(text.contains(QStringLiteral("KALVORA DEFTERİ SUNUCUYA TAŞINDI.")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("3 KİŞİNİN ÜÇ BAKİYESİ İKİ TARAFTA AYNI")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("GİDER KASASI: -1.499,25 (İKİ TARAFTA AYNI)")),
                 qPrintable(text));
        {
            PgConnection conn = PgConnection::open(uri, accountsSearchPath());
            QCOMPARE(conn.scalar(QStringLiteral("INSERT INTO MUSTERILER (adisoyadi) VALUES ('YENİ') "
                                                "RETURNING oto_kod")),
                     QVariant(qint64(91)));
            QCOMPARE(conn.scalar(QStringLiteral("SELECT adres FROM MUSTERILER WHERE oto_kod = 2")).toString(),
                     folderRows(m_book)
                         .filter(QStringLiteral("main.MUSTERILER|2"))
                         .first()
                         .split(QChar(0x1f))
                         .at(6));
            conn.exec(QStringLiteral("DELETE FROM MUSTERILER WHERE oto_kod = 91"));
        }
        const QString back = newFolder();
        QCOMPARE(runTasi({QStringLiteral("--server"), uri, QStringLiteral("--to-folder"), back}, &text), 0);
        QVERIFY2(text.contains(QStringLiteral("KALVORA DEFTERİ VERİ KLASÖRÜNE TAŞINDI.")), qPrintable(text));
        QStringList expected = folderRows(m_book);
        // The person added and deleted on the server moved the key sequence on.
        expected.replaceInStrings(QStringLiteral("main.sqlite_sequence|MUSTERILER\x1f"
                                                 "90"),
                                  QStringLiteral("main.sqlite_sequence|MUSTERILER\x1f"
                                                 "91"));
        QCOMPARE(folderRows(back), expected);
        QVERIFY(QFileInfo(QDir(back).filePath(QString::fromLatin1(files::scratch))).isFile());
        QCOMPARE(QDir(back).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot),
                 (QStringList{QStringLiteral("data"), QStringLiteral("image"), QStringLiteral("iptaller")}));
    }

    // A target that holds anything is refused with its reason, and neither side changes. The URI's
    // password never shows in what is printed.
    void refusals_data()
    {
        QTest::addColumn<bool>("toFolder");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("expected");
        QTest::newRow("server book with rows")
            << false << QStringLiteral("book")
            << QStringLiteral("ZATEN KAYITLAR OLAN BİR KALVORA DEFTERİ VAR");
        QTest::newRow("cash box used")
            << false << QStringLiteral("cash")
            << QStringLiteral("ZATEN KAYITLAR OLAN BİR KALVORA DEFTERİ VAR (gider.KASA_NET)");
        QTest::newRow("foreign database") << false << QStringLiteral("foreign")
                                          << QStringLiteral("BAŞKA TABLOLAR TUTUYOR (public.faturalar)");
        QTest::newRow("folder with rows")
            << true << QStringLiteral("rows")
            << QStringLiteral("HEDEF KLASÖRDE KAYITLAR VAR: data.mdb (CARIKART)");
        QTest::newRow("folder with a foreign file")
            << true << QStringLiteral("garbage") << QStringLiteral("VERİ DOSYASI AÇILAMIYOR, DOKUNULMADI");
        QTest::newRow("server without a book")
            << true << QStringLiteral("nobook") << QStringLiteral("SUNUCUDA KALVORA DEFTERİ YOK.");
    }
    void refusals()
    {
        QFETCH(bool, toFolder);
        QFETCH(QString, setup);
        QFETCH(QString, expected);
        const QString uri = freshDatabase();
        QVERIFY(!uri.isEmpty());
        {
            PgConnection conn = PgConnection::open(uri);
            if (setup == QLatin1String("foreign"))
                conn.exec(
                    QStringLiteral("CREATE TABLE faturalar (no int); INSERT INTO faturalar VALUES (1)"));
            else if (setup != QLatin1String("nobook"))
                QVERIFY(createServerSchema(conn));
            if (setup == QLatin1String("book"))
                conn.exec(QStringLiteral("INSERT INTO cari.MUSTERILER (adisoyadi) VALUES ('VAR')"));
            if (setup == QLatin1String("cash"))
                conn.exec(QStringLiteral("UPDATE gider.KASA_NET SET Kasa_net_bakiye = '5'"));
        }
        const QString folder = toFolder ? newFolder() : m_book;
        if (setup == QLatin1String("rows") || setup == QLatin1String("garbage")) {
            Store store(folder);
            QVERIFY(store.initialize().isEmpty());
            if (setup == QLatin1String("rows"))
                store.accounts().exec(QStringLiteral("INSERT INTO cari.CARIKART (uye_kodu) VALUES ('1')"));
            store.closeAll();
            if (setup == QLatin1String("garbage")) {
                QFile f(QDir(folder).filePath(QString::fromLatin1(files::archive)));
                QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
                f.write("bir veritabanı değil");
            }
        }
        const auto filesBefore = folderFiles(folder);
        const QStringList serverBefore = serverRows(uri);
        const QString withSecret = uri + QStringLiteral("&password=") + secret;
        QString text;
        const int code =
            toFolder
                ? runTasi({QStringLiteral("--server"), withSecret, QStringLiteral("--to-folder"), folder},
                          &text)
                : runTasi({QStringLiteral("--data-dir"), folder, QStringLiteral("--server"), withSecret},
                          &text);
        QCOMPARE(code, 1);
        QVERIFY2(text.startsWith(QStringLiteral("TAŞIMA YAPILMADI.\n")), qPrintable(text));
        QVERIFY2(text.contains(expected), qPrintable(text));
        QVERIFY(!text.contains(secret));
        QCOMPARE(folderFiles(folder), filesBefore);
        QCOMPARE(serverRows(uri), serverBefore);
    }

    // A stored balance that is not the sum of its rows is reported, not mended: the copy is exact,
    // and the exit code says the check failed. Both directions check.
    void balanceMismatch()
    {
        const QString source = newFolder();
        fillBook(source);
        {
            Store store(source);
            store.accounts().exec(
                QStringLiteral("UPDATE MUSTERILER SET SonBakiye_euro = '99' WHERE oto_kod = 40"));
        }
        const QString uri = freshDatabase();
        QString text;
        QCOMPARE(runTasi({QStringLiteral("--data-dir"), source, QStringLiteral("--server"), uri}, &text), 1);
        const QString line =
            QStringLiteral("  40 ışık \"tırnak\" %_: EURO KAYITLI \"99\", HAREKETLERİN TOPLAMI 12,25");
        QVERIFY2(text.contains(QStringLiteral("ANCAK DENETİMDE UYUŞMAZLIK VAR.")), qPrintable(text));
        QVERIFY2(text.contains(line), qPrintable(text));
        QCOMPARE(text.count(QStringLiteral("KAYITLI \"")), 1);
        const QString back = newFolder();
        QCOMPARE(runTasi({QStringLiteral("--server"), uri, QStringLiteral("--to-folder"), back}, &text), 1);
        QVERIFY2(text.contains(line), qPrintable(text));
        QCOMPARE(folderRows(back), folderRows(source));
    }

    // Staging folders left by moves that died are cleared of what a move writes, never through a
    // link, never another computer's, never a file a move does not write.
    void abandonedStagingsLeaveOthersAlone()
    {
        const QString uri = freshDatabase();
        QVERIFY(!uri.isEmpty());
        QString text;
        QCOMPARE(runTasi({QStringLiteral("--data-dir"), m_book, QStringLiteral("--server"), uri}, &text), 0);
        const QString back = newFolder();
        const QDir dir(back);
        QVERIFY(QDir().mkpath(back));
        const QString outside = QDir(m_dir.path()).filePath(QStringLiteral("disarisi"));
        QVERIFY(QDir().mkpath(outside));
        writeFile(QDir(outside).filePath(QStringLiteral("uyeler.mdb")), "kullanicinin");
        const QString pid = QString::number(deadPid());
        const QString linked = QStringLiteral(".kalvora-tasi.") + scratchHostTag() + QLatin1Char('.') + pid;
        QVERIFY(QFile::link(outside, dir.filePath(linked)));
        const QString otherHost = QStringLiteral(".kalvora-tasi.baska-bilgisayar.") + pid;
        QVERIFY(dir.mkpath(otherHost + QStringLiteral("/iptaller")));
        writeFile(dir.filePath(otherHost + QStringLiteral("/uyeler.mdb")), "suruyor");
        const QString own = QStringLiteral(".kalvora-tasi.") + scratchHostTag() + QLatin1Char('.') +
                            QString::number(deadPid());
        QVERIFY(dir.mkpath(own + QStringLiteral("/iptaller")));
        writeFile(dir.filePath(own + QStringLiteral("/uyeler.mdb")), "yarim");
        writeFile(dir.filePath(own + QStringLiteral("/iptaller/iptaller.mdb")), "yarim");
        writeFile(dir.filePath(own + QStringLiteral("/notlar.txt")), "kullanicinin");

        QCOMPARE(runTasi({QStringLiteral("--server"), uri, QStringLiteral("--to-folder"), back}, &text), 0);
        QVERIFY(QFileInfo(dir.filePath(linked)).isSymLink());
        QVERIFY(QFile::exists(QDir(outside).filePath(QStringLiteral("uyeler.mdb"))));
        QVERIFY(QFile::exists(dir.filePath(otherHost + QStringLiteral("/uyeler.mdb"))));
        QVERIFY(QFile::exists(dir.filePath(own + QStringLiteral("/notlar.txt"))));
        QCOMPARE(QDir(dir.filePath(own)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("notlar.txt")});
        QStringList left{linked, own, otherHost};
        left.sort();
        QCOMPARE(dir.entryList({QStringLiteral(".kalvora-tasi*")},
                               QDir::AllEntries | QDir::Hidden | QDir::System, QDir::Name),
                 left);
    }
};

QTEST_GUILESS_MAIN(TestKalvoraTasi)
#include "tst_kalvora_tasi.moc"
