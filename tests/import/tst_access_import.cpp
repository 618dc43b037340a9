#include "data/store.h"
#include "data/turkish_text.h"
#include "import/access_file.h"
#include "import/book_import.h"
#include "support/pg_server.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cmath>

using namespace kalvora;
using namespace Qt::StringLiterals;

namespace {

QString fixtures(const QString& sub)
{
    return QDir(QStringLiteral(KALVORA_FIXTURES)).filePath(sub);
}

QJsonObject expected(const QString& set)
{
    QFile f(fixtures(set + u"/expected.json"_s));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).object().value(u"files").toObject();
}

QJsonObject table(const QJsonObject& files, const char* file, const char* name)
{
    return files.value(QString::fromLatin1(file))
        .toObject()
        .value(u"tables")
        .toObject()
        .value(QString::fromLatin1(name))
        .toObject();
}

QJsonObject facts(const QJsonObject& files, const char* file)
{
    return files.value(QString::fromLatin1(file)).toObject().value(u"facts").toObject();
}

QString textOf(const QJsonValue& v)
{
    return v.isDouble() ? QString::number(qint64(v.toDouble())) : v.toString();
}

// Every row of a table of the book, its columns as texts, in key (or insertion) order.
QList<QStringList> bookRows(Store& store, const QString& table, const QStringList& columns,
                            const QString& order)
{
    QList<QStringList> rows;
    BookQuery q = store.wholeBook().prepare(u"SELECT "_s + columns.join(u',') + u" FROM "_s + table +
                                            u" ORDER BY "_s + order);
    while (q.step()) {
        QStringList r;
        for (int c = 0; c < columns.size(); ++c)
            r << q.text(c);
        rows << r;
    }
    return rows;
}

qint64 cents(const QString& text)
{
    return std::llround(readNumber(text).value_or(0.0) * 100.0);
}

// The target book: a fresh data folder, or an empty database on a server of the test's own.
struct Target {
    QTemporaryDir dir;
    std::unique_ptr<Store> store;
};

test::PgServer& server()
{
    static test::PgServer s;
    static bool started = s.start();
    if (!started)
        qFatal("the PostgreSQL server did not start: %s", qPrintable(s.error()));
    return s;
}

std::unique_ptr<Target> target(bool onServer)
{
    auto t = std::make_unique<Target>();
    if (onServer) {
        static int n = 0;
        const QString uri = server().createDatabase(u"al_%1"_s.arg(++n));
        t->store = Store::onServer(t->dir.path(), uri);
    } else {
        t->store = std::make_unique<Store>(t->dir.path());
    }
    return t;
}

qint64 count(Store& store, const char* table)
{
    return store.wholeBook().scalar(u"SELECT count(*) FROM "_s + QString::fromLatin1(table)).toLongLong();
}

} // namespace

class TestAccessImport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void smallBook_data();
    void smallBook();
    void largeBook_data();
    void largeBook();
    void passwordFiles_data();
    void passwordFiles();
    void refused_data();
    void refused();
    void cancelledWhileWriting_data();
    void cancelledWhileWriting();
    void killedImport();
};

void TestAccessImport::initTestCase()
{
    // The fixtures are part of the test: a missing folder fails, never skips.
    QVERIFY2(QFileInfo(fixtures(u"small/uyeler.mdb"_s)).isFile(), qPrintable(fixtures(u"small"_s)));
    QVERIFY(QFileInfo(fixtures(u"large/data.mdb"_s)).isFile());
}

void TestAccessImport::smallBook_data()
{
    QTest::addColumn<bool>("onServer");
    QTest::newRow("data folder") << false;
    QTest::newRow("server book") << true;
}

void TestAccessImport::smallBook()
{
    QFETCH(bool, onServer);
    const QJsonObject files = expected(u"small"_s);
    auto t = target(onServer);
    const ImportReport report = importBook(*t->store, readAccessFolder(fixtures(u"small"_s)), {});
    QVERIFY2(report.outcome == ImportReport::Outcome::Imported, qPrintable(report.text()));

    // The transactions, every column exactly (CR LF, the 255-character description, quotes, empty
    // texts, the key gap, the orphans kept).
    const QJsonArray rows = table(files, "data.mdb", "CARIKART").value(u"rows").toArray();
    const QList<QStringList> stored =
        bookRows(*t->store, u"cari.CARIKART"_s, transactionColumns(), u"otokod"_s);
    QCOMPARE(stored.size(), rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QJsonObject e = rows.at(i).toObject();
        for (qsizetype c = 0; c < transactionColumns().size(); ++c)
            QCOMPARE(stored.at(i).at(c), textOf(e.value(transactionColumns().at(c))));
    }
    const QJsonObject dataFacts = facts(files, "data.mdb");
    const QJsonObject byPerson = dataFacts.value(u"sum_cents_by_uye_kodu").toObject();

    // The people, contact texts exactly, balances recomputed from the rows.
    const QJsonArray people = table(files, "uyeler.mdb", "MUSTERILER").value(u"rows").toArray();
    const QList<QStringList> book = bookRows(*t->store, u"main.MUSTERILER"_s, personColumns(), u"oto_kod"_s);
    QCOMPARE(book.size(), people.size());
    const QStringList currencies{u"TL"_s, u"DOLAR"_s, u"EURO"_s};
    for (qsizetype i = 0; i < people.size(); ++i) {
        const QJsonObject e = people.at(i).toObject();
        for (qsizetype c = 0; c < 7; ++c)
            QCOMPARE(book.at(i).at(c), textOf(e.value(personColumns().at(c))));
        const QJsonObject sum = byPerson.value(book.at(i).at(0)).toObject();
        for (int c = 0; c < 3; ++c)
            QCOMPARE(book.at(i).at(7 + c), formatAmount(sum.value(currencies.at(c)).toDouble() / 100.0));
    }

    // The ledgers in the order they were recorded, the cash boxes as stored.
    for (const auto& [file, schema] : {std::pair{"gelirmdb.mdb", "gelir"}, {"gider.mdb", "gider"}}) {
        const QJsonArray entries = table(files, file, "GIDERLER").value(u"rows").toArray();
        const QList<QStringList> kept =
            bookRows(*t->store, QString::fromLatin1(schema) + u".GIDERLER"_s, ledgerColumns(), u"kayit_no"_s);
        QCOMPARE(kept.size(), entries.size());
        for (qsizetype i = 0; i < entries.size(); ++i)
            for (qsizetype c = 0; c < ledgerColumns().size(); ++c)
                QCOMPARE(kept.at(i).at(c), entries.at(i).toObject().value(ledgerColumns().at(c)).toString());
        QCOMPARE(t->store->wholeBook()
                     .scalar(u"SELECT Kasa_net_bakiye FROM "_s + QString::fromLatin1(schema) + u".KASA_NET"_s)
                     .toString(),
                 facts(files, file).value(u"Kasa_net_bakiye").toString());
    }

    // The report: the stale balance with its old and new text, the orphans, both cash-box differences.
    const QJsonArray stale = dataFacts.value(u"stale_balances").toArray();
    QCOMPARE(report.staleBalances.size(), stale.size());
    for (qsizetype i = 0; i < stale.size(); ++i) {
        const QJsonObject s = stale.at(i).toObject();
        QCOMPARE(report.staleBalances.at(i).key, textOf(s.value(u"oto_kod")));
        QCOMPARE(report.staleBalances.at(i).column, s.value(u"column").toString());
        QCOMPARE(report.staleBalances.at(i).stored, s.value(u"stored").toString());
        QCOMPARE(cents(report.staleBalances.at(i).computed), qint64(s.value(u"sum_cents").toDouble()));
    }
    QStringList orphans;
    for (const OrphanTransaction& o : report.orphans)
        orphans << o.personKey;
    QCOMPARE(orphans, dataFacts.value(u"orphan_rows_by_uye_kodu").toObject().keys());
    QVERIFY(report.text().contains(u"SAHİPSİZ HAREKET"_s));
    QCOMPARE(report.cashBoxes.size(), 2);
    QCOMPARE(report.cashBoxes.at(0).fromEntries, u"-1250010,72"_s);

    // The same folder again: the book is no longer empty and is refused, unchanged; as new people it
    // shows who looks like a duplicate.
    const ImportReport again = importBook(*t->store, readAccessFolder(fixtures(u"small"_s)), {});
    QVERIFY(again.refused());
    QCOMPARE(count(*t->store, "main.MUSTERILER"), qint64(people.size()));
    ImportOptions add;
    add.addToBook = true;
    add.dryRun = true;
    const ImportReport preview = importBook(*t->store, readAccessFolder(fixtures(u"small"_s)), add);
    QCOMPARE(preview.outcome, ImportReport::Outcome::Checked);
    QCOMPARE(preview.duplicates.size(), people.size());
    add.dryRun = false;
    QCOMPARE(importBook(*t->store, readAccessFolder(fixtures(u"small"_s)), add).outcome,
             ImportReport::Outcome::Imported);
    QCOMPARE(count(*t->store, "main.MUSTERILER"), qint64(2 * people.size()));
    // Rows follow their new person; the orphans are not added to a book whose keys they could name.
    QCOMPARE(count(*t->store, "cari.CARIKART"), qint64(2 * rows.size() - 2));
    QCOMPARE(count(*t->store, "cari.CARIKART WHERE uye_kodu = '4'"), 1);
}

void TestAccessImport::largeBook_data()
{
    smallBook_data();
}

void TestAccessImport::largeBook()
{
    QFETCH(bool, onServer);
    const QJsonObject files = expected(u"large"_s);
    auto t = target(onServer);
    const ImportReport report = importBook(*t->store, readAccessFolder(fixtures(u"large"_s)), {});
    QVERIFY2(report.outcome == ImportReport::Outcome::Imported, qPrintable(report.text()));
    const QJsonObject people = table(files, "uyeler.mdb", "MUSTERILER");
    const QJsonObject transactions = table(files, "data.mdb", "CARIKART");
    QCOMPARE(count(*t->store, "main.MUSTERILER"), qint64(people.value(u"row_count").toInt()));
    QCOMPARE(count(*t->store, "cari.CARIKART"), qint64(transactions.value(u"row_count").toInt()));
    QCOMPARE(t->store->wholeBook().scalar(u"SELECT max(otokod) FROM cari.CARIKART"_s).toLongLong(),
             qint64(transactions.value(u"key_max").toInt()));
    QCOMPARE(count(*t->store, "gelir.GIDERLER"), 1500);
    QCOMPARE(count(*t->store, "gider.GIDERLER"), 1500);
    QVERIFY(report.cashBoxes.isEmpty());

    // Per person: the number of rows and the sum per currency in kuruş, and the balances written.
    const QJsonObject dataFacts = facts(files, "data.mdb");
    const QJsonObject byPerson = dataFacts.value(u"sum_cents_by_uye_kodu").toObject();
    QHash<QString, std::array<qint64, 4>> sums;
    const QStringList currencies{u"TL"_s, u"DOLAR"_s, u"EURO"_s};
    for (const QStringList& r :
         bookRows(*t->store, u"cari.CARIKART"_s, {u"uye_kodu"_s, u"para_cinsi"_s, u"tutar"_s}, u"otokod"_s)) {
        auto& s = sums[r.at(0)];
        ++s[0];
        s[size_t(1 + currencies.indexOf(r.at(1)))] += cents(r.at(2));
    }
    QCOMPARE(qsizetype(sums.size()), byPerson.size());
    for (auto it = byPerson.begin(); it != byPerson.end(); ++it) {
        const QJsonObject e = it.value().toObject();
        const auto s = sums.value(it.key());
        QCOMPARE(s[0], qint64(e.value(u"rows").toInt()));
        for (int c = 0; c < 3; ++c)
            QCOMPARE(s[size_t(1 + c)], qint64(e.value(currencies.at(c)).toDouble()));
    }
    for (const QStringList& p :
         bookRows(*t->store, u"main.MUSTERILER"_s,
                  {u"oto_kod"_s, u"SonBakiye"_s, u"SonBakiye_usd"_s, u"SonBakiye_euro"_s}, u"oto_kod"_s)) {
        const QJsonObject e = byPerson.value(p.at(0)).toObject();
        for (int c = 0; c < 3; ++c)
            QCOMPARE(cents(p.at(1 + c)), qint64(e.value(currencies.at(c)).toDouble()));
    }
    QCOMPARE(report.staleBalances.size(), dataFacts.value(u"stale_balances").toArray().size());
    QCOMPARE(report.orphans.size(), dataFacts.value(u"orphan_row_count").toInt());
}

void TestAccessImport::passwordFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("Access 2000") << u"V2000_with-password.mdb"_s;
    QTest::newRow("Access 2003") << u"V2003_with-password.mdb"_s;
}

void TestAccessImport::passwordFiles()
{
    QFETCH(QString, file);
    QString problem;
    std::optional<AccessFile> f = AccessFile::open(fixtures(u"password/"_s + file), &problem);
    QVERIFY2(f, qPrintable(problem));
    QVERIFY(f->tables().contains(u"Table1"_s));
    const std::optional<SourceTable> t = f->read(u"Table1"_s, &problem);
    QVERIFY2(t, qPrintable(problem));
    QCOMPARE(t->rows.size(), 3);
    const qsizetype data = t->column(u"Data"_s);
    QVERIFY(data >= 0);
    QCOMPARE(t->rows.at(2).at(data), u"Three"_s);
}

void TestAccessImport::refused_data()
{
    QTest::addColumn<QString>("file");    // the file of the small folder that is spoiled
    QTest::addColumn<QString>("damage");  // random, cut, missing, foreign
    QTest::addColumn<QString>("message"); // what the refusal names
    QTest::newRow("not an Access file") << u"uyeler.mdb"_s << u"random"_s << u"uyeler.mdb"_s;
    QTest::newRow("cut short") << u"data.mdb"_s << u"cut"_s << u"data.mdb"_s;
    QTest::newRow("missing ledger") << u"gider.mdb"_s << u"missing"_s << u"gider.mdb"_s;
    QTest::newRow("other tables") << u"uyeler.mdb"_s << u"foreign"_s << u"MUSTERILER"_s;
}

void TestAccessImport::refused()
{
    QFETCH(QString, file);
    QFETCH(QString, damage);
    QFETCH(QString, message);
    QTemporaryDir source;
    for (const QString& f : {u"uyeler.mdb"_s, u"data.mdb"_s, u"gelirmdb.mdb"_s, u"gider.mdb"_s})
        QVERIFY(QFile::copy(fixtures(u"small/"_s + f), source.filePath(f)));
    const QString spoiled = source.filePath(file);
    QFile::setPermissions(spoiled, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (damage == u"missing") {
        QVERIFY(QFile::remove(spoiled));
    } else if (damage == u"foreign") {
        QVERIFY(QFile::remove(spoiled));
        QVERIFY(QFile::copy(fixtures(u"password/V2000_with-password.mdb"_s), spoiled));
    } else {
        QFile f(spoiled);
        QVERIFY(f.open(QIODevice::ReadWrite));
        if (damage == u"cut") {
            QVERIFY(f.resize(60000));
        } else {
            f.resize(0);
            QByteArray noise(8192, 0);
            for (qsizetype i = 0; i < noise.size(); ++i)
                noise[i] = char((i * 7919) % 251);
            f.write(noise);
        }
    }
    auto t = target(false);
    const ImportReport report = importBook(*t->store, readAccessFolder(source.path()), {});
    QVERIFY(report.refused());
    QVERIFY2(report.text().contains(message), qPrintable(report.text()));
    QVERIFY(report.text().contains(u"HİÇBİR ŞEY DEĞİŞTİRİLMEDİ"_s));
    QVERIFY(!QFileInfo::exists(t->dir.filePath(u"uyeler.mdb"_s)));
}

void TestAccessImport::cancelledWhileWriting_data()
{
    smallBook_data();
}

void TestAccessImport::cancelledWhileWriting()
{
    // A cancel asked for once the people are in is heard while the transactions are written, long before
    // their end, and the book keeps nothing of the import.
    QFETCH(bool, onServer);
    auto t = target(onServer);
    const ImportBook book = readAccessFolder(fixtures(u"large"_s));
    QVERIFY(book.transactions.size() > 1000);
    qsizetype last = 0;
    const ImportReport report = importBook(*t->store, book, {}, [&](qsizetype done, qsizetype) {
        last = done;
        return done <= book.people.size();
    });
    QCOMPARE(report.outcome, ImportReport::Outcome::Cancelled);
    QVERIFY2(last > book.people.size() && last < book.people.size() + 1000,
             qPrintable(QString::number(last)));
    QCOMPARE(count(*t->store, "main.MUSTERILER"), 0);
    QCOMPARE(count(*t->store, "cari.CARIKART"), 0);
}

void TestAccessImport::killedImport()
{
    // kalvora-al killed at different points of the large import: the book holds nothing of it or all.
    const QString program = qEnvironmentVariable("KALVORA_TEST_BIN_DIR") + u"/kalvora-al"_s;
    QVERIFY(QFileInfo(program).isExecutable());
    // The points are spread over the time a whole import takes on this machine.
    QElapsedTimer whole;
    {
        QTemporaryDir dir;
        whole.start();
        QCOMPARE(
            QProcess::execute(program, {u"--access"_s, fixtures(u"large"_s), u"--data-dir"_s, dir.path()}),
            0);
    }
    const qint64 full = whole.elapsed();
    int empty = 0, complete = 0;
    for (int percent : {10, 30, 50, 70, 80, 90, 95, 98}) {
        const unsigned long delay = static_cast<unsigned long>(full * percent / 100);
        QTemporaryDir dir;
        QProcess p;
        p.start(program, {u"--access"_s, fixtures(u"large"_s), u"--data-dir"_s, dir.path()});
        QVERIFY(p.waitForStarted());
        QThread::msleep(delay);
        p.kill();
        p.waitForFinished();
        Store store(dir.path());
        QVERIFY(store.initialize().isEmpty());
        const qint64 people = count(store, "main.MUSTERILER");
        const qint64 rows = count(store, "cari.CARIKART");
        const qint64 income = count(store, "gelir.GIDERLER");
        const qint64 expense = count(store, "gider.GIDERLER");
        const QString cash =
            store.wholeBook().scalar(u"SELECT Kasa_net_bakiye FROM gelir.KASA_NET"_s).toString();
        if (people == 0) {
            QCOMPARE(rows + income + expense, 0);
            QCOMPARE(cash, u"0"_s);
            ++empty;
        } else {
            QCOMPARE(people, 1000);
            QCOMPARE(rows, 30000);
            QCOMPARE(income + expense, 3000);
            QCOMPARE(cash, u"-9905089,74"_s);
            ++complete;
        }
    }
    qInfo("whole import %lld ms; killed: empty %d, complete %d", full, empty, complete);
}

QTEST_GUILESS_MAIN(TestAccessImport)
#include "tst_access_import.moc"
