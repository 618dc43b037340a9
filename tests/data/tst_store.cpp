#include "data/database.h"
#include "data/store.h"
#include "support/test_data.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <utility>

#include <sys/stat.h>
#include <unistd.h>

using namespace kalvora;
using namespace Qt::StringLiterals;

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
    Statement st = db.prepare(u"PRAGMA table_info("_s + table + QLatin1Char(')'));
    while (st.step())
        out << st.text(u"name"_s);
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
        QVERIFY(head(QDir(data.folder()).filePath(u"FRData.mdb"_s)).startsWith("SQLite format 3"));
        for (const char* sub : {"data", "image", "iptaller"})
            QVERIFY(QDir(data.folder()).exists(QString::fromLatin1(sub)));

        Database& acc = data.store().accounts().file();
        QCOMPARE(columns(acc, u"MUSTERILER"_s),
                 QStringList({u"oto_kod"_s, u"adisoyadi"_s, u"istel"_s, u"ceptel"_s, u"tc"_s, u"verdai"_s,
                              u"adres"_s, u"SonBakiye"_s, u"SonBakiye_usd"_s, u"SonBakiye_euro"_s}));
        QVERIFY(columns(acc, u"CARIKART"_s).contains(u"uye_kodu"_s));
        QVERIFY(columns(acc, u"IPTAL_HAREKETLER"_s).contains(u"otokod"_s));
        for (Ledger l : {Ledger::Income, Ledger::Expense}) {
            Database& db = data.store().ledger(l).file();
            QCOMPARE(db.scalar(u"SELECT count(*) FROM KASA_NET"_s).toInt(), 1);
            QCOMPARE(db.scalar(u"SELECT Kasa_net_bakiye FROM KASA_NET"_s).toString(), u"0"_s);
        }
    }

    // Under the usual umask, what a start makes is its owner's alone; what was there keeps its mode.
    void newFilesAreTheOwnersAlone_data()
    {
        QTest::addColumn<bool>("existingBook");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("mode");
        QTest::newRow("new book, its folder") << false << QString() << 0700;
        for (const char* sub : {"data", "image", "iptaller"})
            QTest::addRow("new book, %s", sub) << false << QString::fromLatin1(sub) << 0700;
        for (const char* file :
             {"uyeler.mdb", "data.mdb", "gelirmdb.mdb", "gider.mdb", "iptaller/iptaller.mdb", "FRData.mdb"})
            QTest::addRow("new book, %s", file) << false << QString::fromLatin1(file) << 0600;
        QTest::newRow("existing folder") << true << QString() << 0750;
        QTest::newRow("existing file") << true << u"uyeler.mdb"_s << 0640;
        QTest::newRow("file new in an existing book") << true << u"gider.mdb"_s << 0600;
    }
    void newFilesAreTheOwnersAlone()
    {
        QFETCH(bool, existingBook);
        QFETCH(QString, name);
        QFETCH(int, mode);
        const mode_t umaskBefore = ::umask(022);
        QTemporaryDir dir;
        const QString folder = QDir(dir.path()).filePath(u"veri"_s);
        if (existingBook) {
            QVERIFY(QDir().mkpath(folder));
            Database::open(QDir(folder).filePath(u"uyeler.mdb"_s), databasePassword(),
                           Database::Mode::ReadWriteCreate)
                .exec(u"CREATE TABLE MUSTERILER(oto_kod INTEGER PRIMARY KEY)"_s);
            QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0750) == 0);
            QVERIFY(::chmod(QFile::encodeName(QDir(folder).filePath(u"uyeler.mdb"_s)).constData(), 0640) ==
                    0);
        }
        Store store(folder);
        const QList<StoreProblem> problems = store.initialize();
        ::umask(umaskBefore);
        QVERIFY(problems.isEmpty());
        struct stat st {};
        QVERIFY(::stat(QFile::encodeName(QDir(folder).filePath(name)).constData(), &st) == 0);
        QCOMPARE(int(st.st_mode & 07777), mode);
    }

    void secondStartKeepsData()
    {
        test::TestData data;
        data.addPerson(u"ALİ"_s);
        data.store().ledger(Ledger::Income).execute(u"UPDATE KASA_NET SET Kasa_net_bakiye='-5'"_s);
        data.store().closeAll();
        Store again(data.folder());
        QVERIFY(again.initialize().isEmpty());
        QCOMPARE(again.accounts().scalar(u"SELECT count(*) FROM MUSTERILER"_s).toInt(), 1);
        QCOMPARE(again.ledger(Ledger::Income).scalar(u"SELECT Kasa_net_bakiye FROM KASA_NET"_s),
                 QVariant(u"-5"_s));
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
        QTest::newRow("empty people file") << u"uyeler.mdb"_s << QByteArray() << false;
        QTest::newRow("empty transaction file") << u"data.mdb"_s << QByteArray() << false;
    }
    void unreadableFilesAreReportedAndNeverTouched()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(bool, plainSqlite);
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(file);
        QVERIFY(QFileInfo(path).dir().mkpath(u"."_s));
        if (plainSqlite) {
            Database db = Database::open(path, QString(), Database::Mode::ReadWriteCreate);
            db.exec(u"CREATE TABLE x(a)"_s);
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
        QVERIFY(!QFile::exists(path + u"-journal"_s));
        // The other files were still created, and nothing was left under a temporary name.
        QVERIFY(QFile::exists(QDir(dir.path()).filePath(u"gider.mdb"_s)));
        QVERIFY(QDir(dir.path()).entryList({u"*.yeni*"_s}, QDir::Files | QDir::Hidden).isEmpty());
        try {
            store.accounts();
            QFAIL("opening a foreign file must fail");
        } catch (const DbError& e) {
            QCOMPARE(e.code() & 0xff, SQLITE_NOTADB);
            QVERIFY(e.turkishText().contains(u"ŞİFRE YANLIŞ"_s));
            QVERIFY(e.turkishText().contains(QFileInfo(file).fileName()));
        }
    }

    void keysAreNeverReused()
    {
        test::TestData data;
        const qint64 a = data.addPerson(u"A"_s);
        const qint64 b = data.addPerson(u"B"_s);
        data.store().accounts().execute(u"DELETE FROM MUSTERILER WHERE oto_kod=?1"_s, {b});
        const qint64 c = data.addPerson(u"C"_s);
        QVERIFY(c > b && b > a);
    }

    void valuesAreBoundNotPasted()
    {
        test::TestData data;
        const QString name = u"ALİ'NİN DÜKKANI \"X\"; DROP TABLE MUSTERILER; --"_s;
        const qint64 key = data.addPerson(name);
        QCOMPARE(data.store()
                     .accounts()
                     .scalar(u"SELECT adisoyadi FROM MUSTERILER WHERE oto_kod=?1"_s, {QString::number(key)})
                     .toString(),
                 name);
        // An empty field is stored as the empty text, never NULL.
        QCOMPARE(data.store().accounts().scalar(u"SELECT count(*) FROM MUSTERILER WHERE istel=''"_s).toInt(),
                 1);
    }

    void conversionFunctionsOrder()
    {
        test::TestData data;
        Database& db = data.store().accounts().file();
        for (const char* v : {"1.500,00", "200,00", "-300", "", "abc", "1250,5", ",75"})
            db.execute(u"INSERT INTO MUSTERILER(adisoyadi, SonBakiye) VALUES ('x', ?1)"_s,
                       {QString::fromLatin1(v)});
        QStringList order;
        Statement st = db.prepare(u"select SonBakiye from MUSTERILER order by cdbl(SonBakiye) DESC"_s);
        while (st.step())
            order << st.text(0);
        // Texts that are no number (NULL) come last in descending order.
        QCOMPARE(order.mid(0, 5),
                 QStringList({u"1.500,00"_s, u"1250,5"_s, u"200,00"_s, u",75"_s, u"-300"_s}));

        for (const char* d : {"02.04.2008", "15.03.2008", "01.01.2009", "bad"})
            db.execute(u"INSERT INTO CARIKART(durum) VALUES (?1)"_s, {QString::fromLatin1(d)});
        QStringList dates;
        Statement st2 = db.prepare(u"select durum from CARIKART order by CDATE(durum) ASC"_s);
        while (st2.step())
            dates << st2.text(0);
        QCOMPARE(dates, QStringList({u"bad"_s, u"15.03.2008"_s, u"02.04.2008"_s, u"01.01.2009"_s}));
    }

    void transactionSpansBothFiles()
    {
        test::TestData data;
        Database& db = data.store().accounts().file();
        {
            Transaction tx(db);
            db.execute(u"INSERT INTO MUSTERILER(adisoyadi) VALUES ('A')"_s);
            db.execute(u"INSERT INTO CARIKART(uye_kodu) VALUES ('1')"_s);
            // destroyed without commit: both inserts roll back
        }
        QCOMPARE(db.scalar(u"SELECT count(*) FROM MUSTERILER"_s).toInt(), 0);
        QCOMPARE(db.scalar(u"SELECT count(*) FROM CARIKART"_s).toInt(), 0);
        {
            Transaction tx(db);
            db.execute(u"INSERT INTO MUSTERILER(adisoyadi) VALUES ('A')"_s);
            db.execute(u"INSERT INTO CARIKART(uye_kodu) VALUES ('1')"_s);
            tx.commit();
        }
        // Each file holds its own table: open data.mdb alone and find the row there.
        Database plain = Database::open(QDir(data.folder()).filePath(u"data.mdb"_s), databasePassword());
        QCOMPARE(plain.scalar(u"SELECT count(*) FROM CARIKART"_s).toInt(), 1);
    }

    void lockedFileFailsWithTurkishMessage()
    {
        test::TestData data;
        Database& db = data.store().ledger(Ledger::Expense).file();
        db.setBusyTimeout(200);
        Database other = Database::open(QDir(data.folder()).filePath(u"gider.mdb"_s), databasePassword());
        other.exec(u"BEGIN EXCLUSIVE"_s);
        try {
            db.execute(u"UPDATE KASA_NET SET Kasa_net_bakiye='1'"_s);
            QFAIL("a locked file must not be written");
        } catch (const DbError& e) {
            QCOMPARE(e.code() & 0xff, SQLITE_BUSY);
            QVERIFY(e.turkishText().contains(u"gider.mdb"_s));
            QVERIFY(e.turkishText().contains(u"KİLİTLİ"_s));
        }
        other.exec(u"ROLLBACK"_s);
        db.execute(u"UPDATE KASA_NET SET Kasa_net_bakiye='1'"_s);
    }

    void replacedFileIsReopened()
    {
        test::TestData data;
        data.addPerson(u"ESKİ"_s);
        QCOMPARE(data.store().accounts().scalar(u"SELECT count(*) FROM MUSTERILER"_s).toInt(), 1);
        // Another program puts a different uyeler.mdb in place (as a restore would).
        const QString path = QDir(data.folder()).filePath(u"uyeler.mdb"_s);
        const QString fresh = path + u".new"_s;
        {
            Database db = Database::open(fresh, databasePassword(), Database::Mode::ReadWriteCreate);
            db.exec(u"CREATE TABLE MUSTERILER(oto_kod INTEGER PRIMARY KEY, adisoyadi TEXT)"_s);
        }
        QVERIFY(::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(path).constData()) == 0);
        QCOMPARE(data.store().accounts().scalar(u"SELECT count(*) FROM MUSTERILER"_s).toInt(), 0);
    }

    // A file changing under an open reader reads as the file now is, and a file cut short under a
    // running statement is an error, never a crash.
    void readsFollowTheFileUnderThem_data()
    {
        QTest::addColumn<bool>("cutShort");
        QTest::addRow("grown by another connection") << false;
        QTest::addRow("cut short by another program") << true;
    }
    void readsFollowTheFileUnderThem()
    {
        QFETCH(bool, cutShort);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"data.mdb"_s);
        Database writer = Database::open(path, databasePassword(), Database::Mode::ReadWriteCreate);
        auto addRows = [&writer](int from, int count) {
            writer.exec(u"BEGIN"_s);
            for (int i = from; i < from + count; ++i)
                writer.execute(u"INSERT INTO t VALUES (?1, ?2)"_s, {i, QString(400, QChar(u'a' + i % 26))});
            writer.exec(u"COMMIT"_s);
        };
        writer.exec(u"CREATE TABLE t(k INTEGER PRIMARY KEY, s TEXT)"_s);
        addRows(0, 8000);
        Database reader = Database::open(path, databasePassword(), Database::Mode::ReadOnly);
        reader.exec(u"PRAGMA cache_size = 0"_s); // every page from the file
        auto readAll = [&reader] {
            qint64 rows = 0, sum = 0;
            Statement st = reader.prepare(u"SELECT k, length(s) FROM t ORDER BY k"_s);
            while (st.step()) {
                ++rows;
                sum += st.int64(0) + st.int64(1);
            }
            return std::pair(rows, sum);
        };
        QCOMPARE(readAll(), std::pair(qint64(8000), qint64(8000) * 7999 / 2 + 8000 * 400));
        if (!cutShort) {
            addRows(8000, 16000);
            QCOMPARE(readAll(), std::pair(qint64(24000), qint64(24000) * 23999 / 2 + 24000 * 400));
            return;
        }
        Statement st = reader.prepare(u"SELECT length(s) FROM t ORDER BY k"_s);
        for (int i = 0; i < 100; ++i)
            QVERIFY(st.step());
        // Cut at a memory page's border: the next page read lies wholly past the file's new end.
        const qint64 cut = QFileInfo(path).size() / 3 / 4096 * 4096;
        QVERIFY(::truncate(QFile::encodeName(path).constData(), cut) == 0);
        int rows = 100;
        try {
            while (st.step())
                ++rows;
        } catch (const DbError&) {
            rows = -1;
        }
        QVERIFY2(rows < 8000, qPrintable(QString::number(rows)));
    }

    void missingFileIsReported()
    {
        test::TestData data;
        data.store().closeAll();
        QFile::remove(QDir(data.folder()).filePath(u"gelirmdb.mdb"_s));
        try {
            data.store().ledger(Ledger::Income);
            QFAIL("a missing file must not be created behind the user's back");
        } catch (const DbError& e) {
            QVERIFY(e.turkishText().contains(u"gelirmdb.mdb"_s));
        }
        QVERIFY(!QFile::exists(QDir(data.folder()).filePath(u"gelirmdb.mdb"_s)));
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
