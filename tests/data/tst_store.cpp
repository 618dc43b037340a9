#include "data/database.h"
#include "data/store.h"
#include "support/test_data.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace kalvora;

namespace {

QByteArray head(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.read(16);
}

QStringList columns(Database& db, const QString& table)
{
    QStringList out;
    Statement st = db.prepare(QStringLiteral("PRAGMA table_info(") + table + QLatin1Char(')'));
    while (st.step())
        out << st.text(QStringLiteral("name"));
    return out;
}

} // namespace

class TestStore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstStartCreatesEncryptedFiles()
    {
        test::TestData data;
        for (const char* name :
             {"uyeler.mdb", "data.mdb", "gelirmdb.mdb", "gider.mdb", "iptaller/iptaller.mdb"}) {
            const QString path = QDir(data.folder()).filePath(QString::fromLatin1(name));
            QVERIFY2(QFile::exists(path), name);
            QVERIFY2(!head(path).startsWith("SQLite format 3"), name);
            QVERIFY_THROWS_EXCEPTION(DbError, Database::open(path, QString()));
            Database db = Database::open(path, databasePassword());
        }
        QVERIFY(
            head(QDir(data.folder()).filePath(QStringLiteral("FRData.mdb"))).startsWith("SQLite format 3"));
        for (const char* sub : {"data", "image", "iptaller"})
            QVERIFY(QDir(data.folder()).exists(QString::fromLatin1(sub)));

        Database& acc = data.store().accounts().file();
        QCOMPARE(columns(acc, QStringLiteral("MUSTERILER")),
                 QStringList({QStringLiteral("oto_kod"), QStringLiteral("adisoyadi"), QStringLiteral("istel"),
                              QStringLiteral("ceptel"), QStringLiteral("tc"), QStringLiteral("verdai"),
                              QStringLiteral("adres"), QStringLiteral("SonBakiye"),
                              QStringLiteral("SonBakiye_usd"), QStringLiteral("SonBakiye_euro")}));
        QVERIFY(columns(acc, QStringLiteral("CARIKART")).contains(QStringLiteral("uye_kodu")));
        QVERIFY(columns(acc, QStringLiteral("IPTAL_HAREKETLER")).contains(QStringLiteral("otokod")));
        for (Ledger l : {Ledger::Income, Ledger::Expense}) {
            Database& db = data.store().ledger(l).file();
            QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM KASA_NET")).toInt(), 1);
            QCOMPARE(db.scalar(QStringLiteral("SELECT Kasa_net_bakiye FROM KASA_NET")).toString(),
                     QStringLiteral("0"));
        }
    }

    void secondStartKeepsData()
    {
        test::TestData data;
        data.addPerson(QStringLiteral("ALİ"));
        data.store()
            .ledger(Ledger::Income)
            .execute(QStringLiteral("UPDATE KASA_NET SET Kasa_net_bakiye='-5'"));
        data.store().closeAll();
        Store again(data.folder());
        QVERIFY(again.initialize().isEmpty());
        QCOMPARE(again.accounts().scalar(QStringLiteral("SELECT count(*) FROM MUSTERILER")).toInt(), 1);
        QCOMPARE(again.ledger(Ledger::Income).scalar(QStringLiteral("SELECT Kasa_net_bakiye FROM KASA_NET")),
                 QVariant(QStringLiteral("-5")));
    }

    void unreadableFilesAreReportedAndNeverTouched_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("plainSqlite");
        for (const char* file : {"uyeler.mdb", "iptaller/iptaller.mdb"}) {
            QTest::addRow("%s, not a database", file)
                << QString::fromLatin1(file) << QByteArray(5000, 'x') << false;
            QTest::addRow("%s, plain sqlite", file) << QString::fromLatin1(file) << QByteArray() << true;
        }
        // SQLite would take an empty file for an empty database: the people's balances would then
        // stand beside no transaction at all.
        QTest::newRow("empty people file") << QStringLiteral("uyeler.mdb") << QByteArray() << false;
        QTest::newRow("empty transaction file") << QStringLiteral("data.mdb") << QByteArray() << false;
    }
    void unreadableFilesAreReportedAndNeverTouched()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(bool, plainSqlite);
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(file);
        QVERIFY(QFileInfo(path).dir().mkpath(QStringLiteral(".")));
        if (plainSqlite) {
            Database db = Database::open(path, QString(), Database::Mode::ReadWriteCreate);
            db.exec(QStringLiteral("CREATE TABLE x(a)"));
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        const QByteArray before = [&] {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        Store store(dir.path());
        const auto problems = store.initialize();
        QCOMPARE(problems.size(), 1);
        QCOMPARE(problems.first().file, file);
        QVERIFY(problems.first().text.contains(QFileInfo(file).fileName()));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
        QVERIFY(!QFile::exists(path + QStringLiteral("-journal")));
        // The other files were still created, and nothing was left under a temporary name.
        QVERIFY(QFile::exists(QDir(dir.path()).filePath(QStringLiteral("gider.mdb"))));
        QVERIFY(
            QDir(dir.path()).entryList({QStringLiteral("*.yeni*")}, QDir::Files | QDir::Hidden).isEmpty());
        try {
            store.accounts();
            QFAIL("opening a foreign file must fail");
        } catch (const DbError& e) {
            QCOMPARE(e.code() & 0xff, SQLITE_NOTADB);
            QVERIFY(e.turkishText().contains(QStringLiteral("ŞİFRE YANLIŞ")));
            QVERIFY(e.turkishText().contains(QFileInfo(file).fileName()));
        }
    }

    void keysAreNeverReused()
    {
        test::TestData data;
        const qint64 a = data.addPerson(QStringLiteral("A"));
        const qint64 b = data.addPerson(QStringLiteral("B"));
        data.store().accounts().execute(QStringLiteral("DELETE FROM MUSTERILER WHERE oto_kod=?1"), {b});
        const qint64 c = data.addPerson(QStringLiteral("C"));
        QVERIFY(c > b && b > a);
    }

    void valuesAreBoundNotPasted()
    {
        test::TestData data;
        const QString name = QStringLiteral("ALİ'NİN DÜKKANI \"X\"; DROP TABLE MUSTERILER; --");
        const qint64 key = data.addPerson(name);
        QCOMPARE(data.store()
                     .accounts()
                     .scalar(QStringLiteral("SELECT adisoyadi FROM MUSTERILER WHERE oto_kod=?1"),
                             {QString::number(key)})
                     .toString(),
                 name);
        // An empty field is stored as the empty text, never NULL.
        QCOMPARE(data.store()
                     .accounts()
                     .scalar(QStringLiteral("SELECT count(*) FROM MUSTERILER WHERE istel=''"))
                     .toInt(),
                 1);
    }

    void conversionFunctionsOrder()
    {
        test::TestData data;
        Database& db = data.store().accounts().file();
        for (const char* v : {"1.500,00", "200,00", "-300", "", "abc", "1250,5", ",75"})
            db.execute(QStringLiteral("INSERT INTO MUSTERILER(adisoyadi, SonBakiye) VALUES ('x', ?1)"),
                       {QString::fromLatin1(v)});
        QStringList order;
        Statement st =
            db.prepare(QStringLiteral("select SonBakiye from MUSTERILER order by cdbl(SonBakiye) DESC"));
        while (st.step())
            order << st.text(0);
        // Texts that are no number (NULL) come last in descending order.
        QCOMPARE(order.mid(0, 5),
                 QStringList({QStringLiteral("1.500,00"), QStringLiteral("1250,5"), QStringLiteral("200,00"),
                              QStringLiteral(",75"), QStringLiteral("-300")}));

        for (const char* d : {"02.04.2008", "15.03.2008", "01.01.2009", "bad"})
            db.execute(QStringLiteral("INSERT INTO CARIKART(durum) VALUES (?1)"), {QString::fromLatin1(d)});
        QStringList dates;
        Statement st2 = db.prepare(QStringLiteral("select durum from CARIKART order by CDATE(durum) ASC"));
        while (st2.step())
            dates << st2.text(0);
        QCOMPARE(dates, QStringList({QStringLiteral("bad"), QStringLiteral("15.03.2008"),
                                     QStringLiteral("02.04.2008"), QStringLiteral("01.01.2009")}));
    }

    void transactionSpansBothFiles()
    {
        test::TestData data;
        Database& db = data.store().accounts().file();
        {
            Transaction tx(db);
            db.execute(QStringLiteral("INSERT INTO MUSTERILER(adisoyadi) VALUES ('A')"));
            db.execute(QStringLiteral("INSERT INTO CARIKART(uye_kodu) VALUES ('1')"));
            // destroyed without commit: both inserts roll back
        }
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM MUSTERILER")).toInt(), 0);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM CARIKART")).toInt(), 0);
        {
            Transaction tx(db);
            db.execute(QStringLiteral("INSERT INTO MUSTERILER(adisoyadi) VALUES ('A')"));
            db.execute(QStringLiteral("INSERT INTO CARIKART(uye_kodu) VALUES ('1')"));
            tx.commit();
        }
        // Each file holds its own table: open data.mdb alone and find the row there.
        Database plain =
            Database::open(QDir(data.folder()).filePath(QStringLiteral("data.mdb")), databasePassword());
        QCOMPARE(plain.scalar(QStringLiteral("SELECT count(*) FROM CARIKART")).toInt(), 1);
    }

    void lockedFileFailsWithTurkishMessage()
    {
        test::TestData data;
        Database& db = data.store().ledger(Ledger::Expense).file();
        db.setBusyTimeout(200);
        Database other =
            Database::open(QDir(data.folder()).filePath(QStringLiteral("gider.mdb")), databasePassword());
        other.exec(QStringLiteral("BEGIN EXCLUSIVE"));
        try {
            db.execute(QStringLiteral("UPDATE KASA_NET SET Kasa_net_bakiye='1'"));
            QFAIL("a locked file must not be written");
        } catch (const DbError& e) {
            QCOMPARE(e.code() & 0xff, SQLITE_BUSY);
            QVERIFY(e.turkishText().contains(QStringLiteral("gider.mdb")));
            QVERIFY(e.turkishText().contains(QStringLiteral("KİLİTLİ")));
        }
        other.exec(QStringLiteral("ROLLBACK"));
        db.execute(QStringLiteral("UPDATE KASA_NET SET Kasa_net_bakiye='1'"));
    }

    void replacedFileIsReopened()
    {
        test::TestData data;
        data.addPerson(QStringLiteral("ESKİ"));
        QCOMPARE(data.store().accounts().scalar(QStringLiteral("SELECT count(*) FROM MUSTERILER")).toInt(),
                 1);
        // Another program puts a different uyeler.mdb in place (as a restore would).
        const QString path = QDir(data.folder()).filePath(QStringLiteral("uyeler.mdb"));
        const QString fresh = path + QStringLiteral(".new");
        {
            Database db = Database::open(fresh, databasePassword(), Database::Mode::ReadWriteCreate);
            db.exec(QStringLiteral("CREATE TABLE MUSTERILER(oto_kod INTEGER PRIMARY KEY, adisoyadi TEXT)"));
        }
        QVERIFY(::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(path).constData()) == 0);
        QCOMPARE(data.store().accounts().scalar(QStringLiteral("SELECT count(*) FROM MUSTERILER")).toInt(),
                 0);
    }

    void missingFileIsReported()
    {
        test::TestData data;
        data.store().closeAll();
        QFile::remove(QDir(data.folder()).filePath(QStringLiteral("gelirmdb.mdb")));
        try {
            data.store().ledger(Ledger::Income);
            QFAIL("a missing file must not be created behind the user's back");
        } catch (const DbError& e) {
            QVERIFY(e.turkishText().contains(QStringLiteral("gelirmdb.mdb")));
        }
        QVERIFY(!QFile::exists(QDir(data.folder()).filePath(QStringLiteral("gelirmdb.mdb"))));
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
