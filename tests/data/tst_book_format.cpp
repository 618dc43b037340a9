#include "accounts/account_book.h"
#include "customers/customer_repository.h"
#include "data/data_folder.h"
#include "data/database.h"
#include "data/store.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace kalvora;
using namespace Qt::StringLiterals;

// The books' files do not depend on the SQLCipher this program was built with: what Debian 12's stock
// sqlcipher shell (SQLCipher 3.4) writes opens here, and every file written here opens in that shell
// with the key alone. The same program runs in the build against the system library and in the one
// against SQLCipher 4's amalgamation (KALVORA_SQLCIPHER_AMALGAMATION).
class TestBookFormat : public QObject {
    Q_OBJECT

    struct Shell {
        int exitCode = -1;
        QString output;
    };
    static Shell shell(const QString& file, const QString& sql)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStandardPaths::findExecutable(u"sqlcipher"_s),
                {u"-batch"_s, file, u"PRAGMA key = '"_s + databasePassword() + u"'; "_s + sql});
        if (!p.waitForFinished(60000))
            return {};
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAll()).trimmed()};
    }

    // Writes through the store what each encrypted file holds: a person, a loan and a cancelled loan
    // (the archive), an entry in each ledger.
    static void writeBook(Store& store)
    {
        const QString key = CustomerRepository(store).insert({u"AYŞE"_s, {}, {}, {}, {}, {}});
        Customer person;
        person.key = key;
        person.name = u"AYŞE"_s;
        AccountBook book(store);
        Entry e;
        e.amount = u"100"_s;
        e.currency = u"TL"_s;
        e.date = QDate(2025, 12, 8);
        e.time = u"14:05:09"_s;
        book.lend(person, e);
        e.amount = u"7"_s;
        book.cancel(key, book.lend(person, e).rows.last().key);
        for (Ledger l : {Ledger::Income, Ledger::Expense})
            store.ledger(l).execute(u"INSERT INTO GIDERLER (gider_ad, gider_tutar) VALUES ('KİRA', '5')"_s);
        store.closeAll();
    }

    QTemporaryDir m_dir;
    QString m_shellBook; // made by the shell, then written to here
    QString m_ownBook;   // made here

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable(u"sqlcipher"_s).isEmpty(),
                 "the sqlcipher shell is needed (scripts/install-deps.sh installs it)");
        m_shellBook = QDir(m_dir.path()).filePath(u"kabuk"_s);
        m_ownBook = QDir(m_dir.path()).filePath(u"burada"_s);
        for (const char* name :
             {files::customers, files::transactions, files::income, files::expense, files::archive}) {
            const QString path = QDir(m_shellBook).filePath(QString::fromLatin1(name));
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            const Shell made =
                shell(path, u"CREATE TABLE yazan (kim TEXT); INSERT INTO yazan VALUES ('kabuk');"_s);
            QVERIFY2(made.exitCode == 0, qPrintable(made.output));
            // A connection of its own, before any ATTACH of this process could set the library's defaults.
            Database db = Database::open(path, databasePassword(), Database::Mode::ReadOnly);
            QCOMPARE(db.scalar(u"SELECT kim FROM yazan"_s).toString(), u"kabuk"_s);
        }
        for (const QString& folder : {m_shellBook, m_ownBook}) {
            Store store(folder);
            const QList<StoreProblem> problems = store.initialize();
            QVERIFY2(problems.isEmpty(), qPrintable(problems.isEmpty() ? QString() : problems.first().text));
            writeBook(store);
        }
    }

    // One SQLite in the process: the library this was built with, never the system's plain libsqlite3 or,
    // in the amalgamation build, the system's SQLCipher beside it.
    void oneSqliteInTheProcess()
    {
        QFile maps(u"/proc/self/maps"_s);
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        QVERIFY(!mapped.contains("libsqlite3.so"));
        Database db = Database::open(QDir(m_ownBook).filePath(QString::fromLatin1(files::customers)),
                                     databasePassword(), Database::Mode::ReadOnly);
        const QString version = db.scalar(u"PRAGMA cipher_version"_s).toString();
#ifdef KALVORA_SQLCIPHER_AMALGAMATION_BUILD
        QVERIFY(!mapped.contains("libsqlcipher.so"));
        QVERIFY2(version.startsWith(u"4."_s), qPrintable(version));
#else
        QVERIFY2(version.startsWith(u"3."_s), qPrintable(version));
#endif
    }

    void filesOpenInTheShell_data()
    {
        QTest::addColumn<QString>("book");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("expected");
        const QString ledgerRow = u"SELECT gider_ad || '=' || gider_tutar FROM GIDERLER"_s;
        for (const bool byShell : {true, false}) {
            const QString book = byShell ? u"kabuk"_s : u"burada"_s;
            auto row = [&](const char* file, const QString& sql, const QString& expected) {
                QTest::addRow("%s, %s", qPrintable(book), file)
                    << book << QString::fromLatin1(file) << sql << expected;
            };
            row(files::customers, u"SELECT adisoyadi FROM MUSTERILER"_s, u"AYŞE"_s);
            row(files::transactions, u"SELECT tutar FROM CARIKART"_s, u"100"_s);
            row(files::income, ledgerRow, u"KİRA=5"_s);
            row(files::expense, ledgerRow, u"KİRA=5"_s);
            row(files::archive, u"SELECT tutar FROM IPTAL_HAREKETLER"_s, u"7"_s);
            if (byShell)
                QTest::newRow("kabuk, the shell's own row") << book << QString::fromLatin1(files::customers)
                                                            << u"SELECT kim FROM yazan"_s << u"kabuk"_s;
        }
    }
    void filesOpenInTheShell()
    {
        QFETCH(QString, book);
        QFETCH(QString, file);
        QFETCH(QString, sql);
        QFETCH(QString, expected);
        const Shell read = shell(QDir(QDir(m_dir.path()).filePath(book)).filePath(file), sql);
        QCOMPARE(read.exitCode, 0);
        QCOMPARE(read.output, expected);
    }
};

QTEST_GUILESS_MAIN(TestBookFormat)
#include "tst_book_format.moc"
