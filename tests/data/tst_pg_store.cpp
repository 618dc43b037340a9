#include "data/database.h"
#include "data/pg/pg_connection.h"
#include "data/pg/server_schema.h"
#include "data/sql_dialect.h"
#include "data/store.h"
#include "data/turkish_text.h"
#include "support/pg_server.h"
#include "support/test_data.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <optional>
#include <thread>

using namespace kalvora;

namespace {

quint64 bits(double v)
{
    quint64 b = 0;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

QStringList pgColumns(PgConnection& conn, const QString& schema, const QString& table)
{
    QStringList out;
    PgStatement st =
        conn.prepare(QStringLiteral("SELECT column_name FROM information_schema.columns "
                                    "WHERE table_schema = $1 AND table_name = $2 ORDER BY ordinal_position"));
    st.bind(1, schema).bind(2, table);
    while (st.step())
        out << st.text(0);
    return out;
}

QStringList sqliteColumns(Database& db, const QString& table)
{
    QStringList out;
    Statement st = db.prepare(QStringLiteral("PRAGMA table_info(") + table + QLatin1Char(')'));
    while (st.step())
        out << st.text(QStringLiteral("name")).toLower();
    return out;
}

bool exists(PgConnection& conn, const QString& schema)
{
    return !conn.scalar(QStringLiteral("SELECT to_regnamespace($1)"), {schema}).isNull();
}

} // namespace

class TestPgStore : public QObject {
    Q_OBJECT

    test::PgServer m_server;
    QString m_book; // a database holding a book, created once
    int m_databases = 0;

    QString freshDatabase()
    {
        const QString uri = m_server.createDatabase(QStringLiteral("db%1").arg(++m_databases));
        if (uri.isEmpty())
            qWarning("%s", qPrintable(m_server.error()));
        return uri;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.error()));
        m_book = freshDatabase();
        QVERIFY(!m_book.isEmpty());
        PgConnection conn = PgConnection::open(m_book);
        QVERIFY(createServerSchema(conn));
        conn.exec(QStringLiteral(
            "CREATE TABLE public.probe (k bigint GENERATED ALWAYS AS IDENTITY, v text NOT NULL)"));
        // A commit that takes its time, so a test can break the connection while the server commits.
        conn.exec(QStringLiteral(
            "CREATE TABLE public.slow_commit (v text NOT NULL);"
            "CREATE FUNCTION public.slow() RETURNS trigger LANGUAGE plpgsql AS "
            "$$ BEGIN PERFORM pg_sleep(30); RETURN NULL; END $$;"
            "CREATE CONSTRAINT TRIGGER slow AFTER INSERT ON public.slow_commit DEFERRABLE INITIALLY DEFERRED "
            "FOR EACH ROW EXECUTE FUNCTION public.slow()"));
    }

    void boundParametersRoundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("storable");
        QTest::newRow("apostrophes") << QStringLiteral("O'REİLLY'; DROP TABLE public.probe; --") << true;
        QTest::newRow("backslashes") << QStringLiteral("C:\\YOL\\dosya \\' \\\\ \\x41 \\0") << true;
        QTest::newRow("placeholders and quoting") << QStringLiteral("$1 ?1 $$ $f$ \" %_ E'\\n' :x") << true;
        QTest::newRow("unicode") << QStringLiteral("ÇĞİÖŞÜ çğıöşü İı € 😀 \u200F \u00A0 \uFFFD") << true;
        QTest::newRow("control characters") << QStringLiteral("\t\n\r\x01\x1f\x7f") << true;
        QTest::newRow("10,000 characters") << QStringLiteral("ĞÜŞ'\\").repeated(2000) << true;
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("NUL is refused, not cut short")
            << QStringLiteral("BORÇ") + QChar(0) + QStringLiteral("SİLİNDİ") << false;
    }

    void boundParametersRoundTrip()
    {
        QFETCH(QString, text);
        QFETCH(bool, storable);
        PgConnection conn = PgConnection::open(m_book);
        const qint64 before = conn.scalar(QStringLiteral("SELECT count(*) FROM public.probe")).toLongLong();
        PgStatement insert =
            conn.prepare(QStringLiteral("INSERT INTO public.probe (v) VALUES ($1) RETURNING k"));
        if (!storable) {
            for (int path = 0; path < 2; ++path) {
                try {
                    if (path == 0)
                        insert.bind(1, text).step();
                    else
                        conn.execute(QStringLiteral("INSERT INTO public.probe (v) VALUES ($1)"), {text});
                    QFAIL("a NUL reached the server");
                } catch (const PgError& e) {
                    QCOMPARE(e.sqlState(), QStringLiteral("22021"));
                    QVERIFY(e.turkishText().contains(QStringLiteral("KARAKTER")));
                }
            }
            QCOMPARE(conn.scalar(QStringLiteral("SELECT count(*) FROM public.probe")).toLongLong(), before);
            return;
        }
        insert.bind(1, text);
        QVERIFY(insert.step());
        const qint64 key = insert.int64(0);
        // Read back through the prepared and the one-shot path, and compared on the server itself.
        PgStatement read = conn.prepare(QStringLiteral("SELECT v, length(v) FROM public.probe WHERE k = $1"));
        read.bind(1, key);
        QVERIFY(read.step());
        QCOMPARE(read.text(0), text);
        QVERIFY(!read.isNull(0));
        QCOMPARE(read.int64(1), qint64(text.toUcs4().size()));
        QCOMPARE(conn.scalar(QStringLiteral("SELECT count(*) FROM public.probe WHERE k = $1 AND v = $2"),
                             {key, text})
                     .toLongLong(),
                 1);
        QCOMPARE(
            conn.execute(QStringLiteral("UPDATE public.probe SET v = $2 WHERE k = $1"), {key, text + text}),
            1);
        QCOMPARE(conn.scalar(QStringLiteral("SELECT v FROM public.probe WHERE k = $1"), {key}).toString(),
                 text + text);
    }

    void transactionRollsBackUnlessCommitted_data()
    {
        QTest::addColumn<int>("ending");
        QTest::addColumn<bool>("stored");
        QTest::newRow("destroyed without commit") << 0 << false;
        QTest::newRow("a statement failed, then commit") << 1 << false;
        QTest::newRow("committed") << 2 << true;
    }

    void transactionRollsBackUnlessCommitted()
    {
        QFETCH(int, ending);
        QFETCH(bool, stored);
        PgConnection conn = PgConnection::open(m_book);
        PgConnection other = PgConnection::open(m_book);
        const QString marker = QStringLiteral("İŞLEM %1").arg(QString::fromUtf8(QTest::currentDataTag()));
        {
            PgTransaction tx(conn);
            QVERIFY(conn.inTransaction());
            conn.execute(QStringLiteral("INSERT INTO public.probe (v) VALUES ($1)"), {marker});
            QVERIFY_THROWS_EXCEPTION(PgError, PgTransaction{conn});
            if (ending == 1) {
                QVERIFY_THROWS_EXCEPTION(
                    PgError, conn.execute(QStringLiteral("SELECT no_such_column FROM public.probe")));
                try {
                    tx.commit();
                    QFAIL("a failed transaction was reported as committed");
                } catch (const PgError& e) {
                    QCOMPARE(e.sqlState(), QStringLiteral("25P02"));
                    QVERIFY(e.turkishText().contains(QStringLiteral("HİÇBİR DEĞİŞİKLİK KAYDEDİLMEDİ")));
                }
            } else if (ending == 2) {
                tx.commit();
            }
        }
        QVERIFY(!conn.inTransaction());
        QCOMPARE(other.scalar(QStringLiteral("SELECT count(*) FROM public.probe WHERE v = $1"), {marker})
                     .toLongLong(),
                 stored ? 1 : 0);
        QCOMPARE(conn.scalar(QStringLiteral("SELECT 1")).toInt(), 1);
    }

    void serverFunctionsReadLikeEmbedded_data()
    {
        QTest::addColumn<QString>("text");
        const QStringList texts{
            // numbers
            QStringLiteral("1.250,50"), QStringLiteral("1250,5"), QStringLiteral("0,00"), QStringLiteral("0"),
            QStringLiteral(",75"), QStringLiteral("-,5"), QStringLiteral("5,"), QStringLiteral("-0"),
            QStringLiteral("-0,0"), QStringLiteral("  12  "), QStringLiteral("\t-12\n"),
            QStringLiteral("\u00A012\u3000"), QStringLiteral("\u2028 7,5 \u0085"), QStringLiteral("1.2.3"),
            QStringLiteral("1,2,3"), QStringLiteral("12a"), QStringLiteral("+5"), QStringLiteral("--5"),
            QStringLiteral("- 5"), QStringLiteral("-"), QStringLiteral(","), QStringLiteral("."), QString(),
            QStringLiteral("1e5"), QStringLiteral("0x10"), QStringLiteral("Infinity"), QStringLiteral("NaN"),
            QStringLiteral("1 000"), QStringLiteral("\u0661\u0662"), QStringLiteral("\uFF11\uFF12"),
            QStringLiteral("0,1"), QStringLiteral("99999999999999999999"), QStringLiteral("9007199254740993"),
            QStringLiteral("0,30000000000000004"), QStringLiteral("1") + QString(400, QLatin1Char('0')),
            QStringLiteral("0,") + QString(400, QLatin1Char('0')) + QStringLiteral("1"),
            QStringLiteral("0,") + QString(310, QLatin1Char('0')) + QStringLiteral("5"),
            QString(1000, QLatin1Char('.')) + QStringLiteral("3"),
            // dates
            QStringLiteral("01.02.2024"), QStringLiteral("1.2.2024"), QStringLiteral("29.02.2024"),
            QStringLiteral("29.02.2023"), QStringLiteral("29.02.1900"), QStringLiteral("29.02.2000"),
            QStringLiteral("31.04.2024"), QStringLiteral("31.12.9999"), QStringLiteral("00.01.2024"),
            QStringLiteral("01.13.2024"), QStringLiteral("01.01.0000"), QStringLiteral("01.01.0001"),
            QStringLiteral(" 01.02.2024\t"), QStringLiteral("\v01.02.2024\r\n"),
            QStringLiteral("\u00A001.02.2024"), QStringLiteral("01.02.24"), QStringLiteral("001.02.2024"),
            QStringLiteral("01/02/2024"), QStringLiteral("01.02.2024 10:00"), QStringLiteral("1.1.12345"),
            QStringLiteral("\u0660\u0661.\u0660\u0662.\u0662\u0660\u0662\u0664")};
        for (const QString& t : texts) {
            // Tags show blanks and control characters by their codes.
            QString tag;
            for (const QChar c : t.size() > 40 ? t.left(20) + QStringLiteral("...") + t.right(5) : t)
                tag += c.isPrint() && !c.isSpace()
                           ? QString(c)
                           : QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            QTest::addRow("%s", qPrintable(tag)) << t;
        }
    }

    void serverFunctionsReadLikeEmbedded()
    {
        QFETCH(QString, text);
        static QTemporaryDir dir;
        static Database lite =
            Database::open(dir.filePath(QStringLiteral("f.db")), QString(), Database::Mode::ReadWriteCreate);
        static PgConnection pg = PgConnection::open(m_book, accountsSearchPath());
        const QVariant liteNumber = lite.scalar(QStringLiteral("SELECT cdbl(?1)"), {text});
        const QVariant pgNumber = pg.scalar(QStringLiteral("SELECT cdbl($1)"), {text});
        QCOMPARE(pgNumber.isNull(), liteNumber.isNull());
        if (!liteNumber.isNull())
            QCOMPARE(bits(pgNumber.toDouble()), bits(liteNumber.toDouble()));
        const QVariant liteDate = lite.scalar(QStringLiteral("SELECT CDATE(?1)"), {text});
        const QVariant pgDate = pg.scalar(QStringLiteral("SELECT CDATE($1)"), {text});
        QCOMPARE(pgDate.isNull(), liteDate.isNull());
        QCOMPARE(pgDate.toLongLong(), liteDate.toLongLong());
    }

    void bookMatchesEmbeddedSchema()
    {
        test::TestData data;
        PgConnection conn = PgConnection::open(m_book, accountsSearchPath());
        struct Table {
            const char* schema;
            const char* table;
            Database* db;
            bool versioned;
        };
        const Table tables[] = {{"cari", "MUSTERILER", &data.store().accounts().file(), true},
                                {"cari", "CARIKART", &data.store().accounts().file(), true},
                                {"iptal", "IPTALLER", &data.store().accounts().file(), false},
                                {"iptal", "IPTAL_HAREKETLER", &data.store().accounts().file(), false},
                                {"gelir", "GIDERLER", &data.store().ledger(Ledger::Income).file(), false},
                                {"gelir", "KASA_NET", &data.store().ledger(Ledger::Income).file(), false},
                                {"gider", "GIDERLER", &data.store().ledger(Ledger::Expense).file(), false},
                                {"gider", "KASA_NET", &data.store().ledger(Ledger::Expense).file(), false}};
        for (const Table& t : tables) {
            QStringList expected = sqliteColumns(*t.db, QString::fromLatin1(t.table));
            if (t.versioned)
                expected << QStringLiteral("row_version");
            QCOMPARE(pgColumns(conn, QString::fromLatin1(t.schema), QString::fromLatin1(t.table).toLower()),
                     expected);
        }
        // Texts default to the empty text and never to NULL.
        QCOMPARE(conn.scalar(QStringLiteral(
                                 "SELECT count(*) FROM information_schema.columns WHERE table_schema IN "
                                 "('cari', 'iptal', 'gelir', 'gider') AND data_type = 'text' AND "
                                 "(is_nullable = 'YES' OR column_default IS DISTINCT FROM '''''::text')"))
                     .toLongLong(),
                 0);
        for (const char* s : {"gelir", "gider"})
            QCOMPARE(conn.scalar(QStringLiteral("SELECT string_agg(kasa_net_bakiye, '|') FROM %1.KASA_NET")
                                     .arg(QString::fromLatin1(s)))
                         .toString(),
                     QStringLiteral("0"));
        // A second start finds the book and changes nothing.
        QVERIFY(!createServerSchema(conn));
        // The collation orders the Turkish alphabet as turkishCompare does (where the root order differs).
        QStringList names{QStringLiteral("ÇAĞLAR"),   QStringLiteral("CEM"),   QStringLiteral("İNCE"),
                          QStringLiteral("IŞIK"),     QStringLiteral("ÖMER"),  QStringLiteral("OZAN"),
                          QStringLiteral("ŞÜKRÜ"),    QStringLiteral("SUNA"),  QStringLiteral("ÜMİT"),
                          QStringLiteral("UZAY"),     QStringLiteral("ĞAZİ"),  QStringLiteral("GÖNÜL"),
                          QStringLiteral("ALİ VELİ"), QStringLiteral("ALİCAN")};
        QStringList server;
        PgStatement st =
            conn.prepare(QStringLiteral("SELECT n FROM unnest($1::text[]) n ORDER BY n COLLATE TURKISH"));
        st.bind(1, QLatin1Char('{') + names.join(QLatin1Char(',')) + QLatin1Char('}'));
        while (st.step())
            server << st.text(0);
        std::sort(names.begin(), names.end(),
                  [](const QString& a, const QString& b) { return turkishCompare(a, b) < 0; });
        QCOMPARE(server, names);
    }

    void rowVersionsFollowOwnData_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("step");
        QTest::newRow("person's contact")
            << QStringLiteral("MUSTERILER") << QStringLiteral("adres = 'YENİ ADRES'") << 1;
        QTest::newRow("person's balances")
            << QStringLiteral("MUSTERILER") << QStringLiteral("SonBakiye = '5,00', SonBakiye_usd = '1,00'")
            << 0;
        QTest::newRow("person's same texts")
            << QStringLiteral("MUSTERILER") << QStringLiteral("adisoyadi = adisoyadi") << 0;
        QTest::newRow("version written by a desk")
            << QStringLiteral("MUSTERILER") << QStringLiteral("row_version = 99") << 0;
        QTest::newRow("transaction's amount")
            << QStringLiteral("CARIKART") << QStringLiteral("tutar = '7'") << 1;
        QTest::newRow("transaction's copy of the person")
            << QStringLiteral("CARIKART") << QStringLiteral("adisoyadi = 'YENİ AD', adres = 'YENİ ADRES'")
            << 0;
    }

    void rowVersionsFollowOwnData()
    {
        QFETCH(QString, table);
        QFETCH(QString, change);
        QFETCH(int, step);
        PgConnection conn = PgConnection::open(m_book, accountsSearchPath());
        const QString key =
            table == QLatin1String("MUSTERILER") ? QStringLiteral("oto_kod") : QStringLiteral("otokod");
        const qint64 row =
            conn.scalar(
                    QStringLiteral("INSERT INTO %1 (adisoyadi) VALUES ('AYŞE') RETURNING %2").arg(table, key))
                .toLongLong();
        const QString version = QStringLiteral("SELECT row_version FROM %1 WHERE %2 = $1").arg(table, key);
        QCOMPARE(conn.scalar(version, {row}).toLongLong(), 1);
        QCOMPARE(
            conn.execute(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = $1").arg(table, change, key), {row}), 1);
        QCOMPARE(conn.scalar(version, {row}).toLongLong(), 1 + step);
    }

    // What the first start on a server makes of the database it finds: the book on an empty one; on any
    // other, or with no server, a message that ends the start, with nothing on the server touched.
    void startOnServer_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("inTheWay");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("foreign table")
            << QStringLiteral("CREATE TABLE public.faturalar (no int)") << QStringLiteral("public.faturalar");
        QTest::newRow("foreign view")
            << QStringLiteral("CREATE VIEW public.ozet AS SELECT 1 AS x") << QStringLiteral("public.ozet");
        QTest::newRow("schema of the same name")
            << QStringLiteral("CREATE SCHEMA gelir") << QStringLiteral("gelir");
        QTest::newRow("book of another version")
            << QStringLiteral("CREATE SCHEMA kalvora; CREATE TABLE kalvora.schema_version (version integer); "
                              "INSERT INTO kalvora.schema_version VALUES (2)")
            << QStringLiteral("kalvora.schema_version = 2");
        QTest::newRow("no server there") << QStringLiteral("-") << QStringLiteral("SUNUCUYA BAĞLANILAMADI");
    }

    void startOnServer()
    {
        QFETCH(QString, setup);
        QFETCH(QString, inTheWay);
        const bool reachable = setup != QLatin1String("-");
        const QString uri =
            reachable ? freshDatabase() : QStringLiteral("postgresql:///yok?host=/yok/boyle/klasor");
        QVERIFY(!uri.isEmpty());
        std::optional<PgConnection> conn;
        if (reachable) {
            conn.emplace(PgConnection::open(uri));
            if (!setup.isEmpty())
                conn->exec(setup);
        }
        QTemporaryDir folder;
        const std::unique_ptr<Store> store = Store::onServer(folder.path(), uri);
        const QList<StoreProblem> problems = store->initialize();
        // The data folder keeps its scratch file only: the book is on the server.
        QVERIFY(QFile::exists(folder.filePath(QStringLiteral("FRData.mdb"))));
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("uyeler.mdb"))));
        if (inTheWay.isEmpty()) {
            QVERIFY(problems.isEmpty());
            QCOMPARE(inspectServerSchema(*conn).kind, ServerSchemaState::Kind::Book);
            QCOMPARE(conn->scalar(QStringLiteral("SELECT kalvora.cdbl('1.250,50')")).toDouble(), 1250.5);
            QVERIFY(store->initialize().isEmpty()); // the next start finds its book
            return;
        }
        QCOMPARE(problems.size(), 1);
        QVERIFY(problems.at(0).fatal);
        const QString text = problems.at(0).text;
        QVERIFY2(text.contains(inTheWay), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("SUNUCU: ")), qPrintable(text));
        if (!reachable)
            return;
        QVERIFY2(text.contains(QStringLiteral("BOŞ DEĞİL")), qPrintable(text));
        QVERIFY(text.contains(uri.section(QLatin1Char('?'), 0, 0).section(QLatin1Char('/'), -1)));
        for (const char* s : {"cari", "gider"})
            QVERIFY2(!exists(*conn, QString::fromLatin1(s)), s);
        QCOMPARE(inspectServerSchema(*conn).kind, ServerSchemaState::Kind::Foreign);
    }

    // Each statement is written once, for the embedded store; the server reads it rewritten.
    void serverStatementTexts_data()
    {
        QTest::addColumn<QString>("embedded");
        QTest::addColumn<QString>("server");
        QTest::newRow("numbered and bare parameters")
            << QStringLiteral("SELECT a FROM t WHERE b = ?2 AND c = ?1 OR d = ?")
            << QStringLiteral("SELECT a FROM t WHERE b = $2 AND c = $1 OR d = $3");
        QTest::newRow("question marks in literals and names stay")
            << QStringLiteral("SELECT '?1 it''s ?', \"x?\" FROM t WHERE a = ?1")
            << QStringLiteral("SELECT '?1 it''s ?', \"x?\" FROM t WHERE a = $1");
        QTest::newRow("IS NOT and IS against a value")
            << QStringLiteral(
                   "UPDATE t SET a = ?1 WHERE a IS NOT ?1 OR b IS ?2 OR c IS NOT NULL OR d IS NULL")
            << QStringLiteral(
                   "UPDATE t SET a = $1 WHERE a IS DISTINCT FROM $1 OR b IS NOT DISTINCT FROM $2 OR c "
                   "IS NOT NULL OR d IS NULL");
        QTest::newRow("main qualifier, not other schemas")
            << QStringLiteral("SELECT m.x FROM main.MUSTERILER m JOIN cari.CARIKART c ON c.main = m.x")
            << QStringLiteral("SELECT m.x FROM MUSTERILER m JOIN cari.CARIKART c ON c.main = m.x");
        QTest::newRow("rowid") << QStringLiteral("SELECT v FROM KASA_NET ORDER BY rowid LIMIT 1")
                               << QStringLiteral("SELECT v FROM KASA_NET ORDER BY ctid LIMIT 1");
        QTest::newRow("GLOB and NOT GLOB")
            << QStringLiteral("WHERE d GLOB '[0-9][0-9].*' AND e NOT GLOB 'a?b'")
            << QStringLiteral("WHERE d ~ '^[0-9][0-9]\\..*$' AND e !~ '^a.b$'");
    }

    void serverStatementTexts()
    {
        QFETCH(QString, embedded);
        QFETCH(QString, server);
        QCOMPARE(serverStatementText(embedded), server);
    }

    void connectFailureNamesServerNotPassword_data()
    {
        QTest::addColumn<QString>("uri");
        QTest::addColumn<QString>("named");
        QTest::newRow("no server at the socket")
            << QStringLiteral("postgresql:///defter?host=/tmp/kalvora-nowhere&user=u&password=gizli%2Fsifre")
            << QStringLiteral("/tmp/kalvora-nowhere");
        QTest::newRow("unknown database")
            << m_server.uri(QStringLiteral("olmayan")) + QStringLiteral("&password=gizli")
            << QStringLiteral("olmayan");
        QTest::newRow("malformed password") << QStringLiteral("postgresql://u:gizli%zz@/defter") << QString();
        QTest::newRow("key=value text")
            << QStringLiteral("host=/tmp/kalvora-nowhere dbname=defter password='gizli x'")
            << QStringLiteral("defter");
    }

    void connectFailureNamesServerNotPassword()
    {
        QFETCH(QString, uri);
        QFETCH(QString, named);
        try {
            PgConnection::open(uri);
            QFAIL("connected");
        } catch (const PgError& e) {
            QCOMPARE(e.kind(), PgError::Kind::Connect);
            const QString text = e.turkishText();
            QVERIFY2(text.contains(QStringLiteral("SUNUCUYA BAĞLANILAMADI")), qPrintable(text));
            QVERIFY2(text.contains(named), qPrintable(text));
            QVERIFY2(!text.contains(QStringLiteral("gizli")) &&
                         !QString::fromStdString(e.what()).contains(QStringLiteral("gizli")),
                     qPrintable(text));
        }
    }

    void lostConnectionIsReportedThenReconnects_data()
    {
        QTest::addColumn<int>("when");
        QTest::addColumn<QString>("said");
        QTest::newRow("idle, one-shot statement") << 0 << QStringLiteral("BAĞLANTI KOPTU");
        QTest::newRow("idle, prepared statement") << 1 << QStringLiteral("BAĞLANTI KOPTU");
        QTest::newRow("inside a transaction") << 2 << QStringLiteral("BAĞLANTI KOPTU");
        // The server may or may not have committed: the user is told so, not that nothing was stored.
        QTest::newRow("while the server commits") << 3 << QStringLiteral("KAYDEDİLMEDİĞİ BİLİNMİYOR");
    }

    void lostConnectionIsReportedThenReconnects()
    {
        QFETCH(int, when);
        QFETCH(QString, said);
        PgConnection conn = PgConnection::open(
            m_book + QStringLiteral("&application_name=baska&password=gizli"), accountsSearchPath());
        PgConnection admin = PgConnection::open(m_book);
        const QString marker = QStringLiteral("KOPUK %1").arg(QString::fromUtf8(QTest::currentDataTag()));
        const QString table =
            when == 3 ? QStringLiteral("public.slow_commit") : QStringLiteral("public.probe");
        PgStatement probe = conn.prepare(QStringLiteral("SELECT cdbl('1,5')"));
        QVERIFY(probe.step());
        probe.reset();
        std::unique_ptr<PgTransaction> tx;
        if (when >= 2) {
            tx = std::make_unique<PgTransaction>(conn);
            conn.execute(QStringLiteral("INSERT INTO %1 (v) VALUES ($1)").arg(table), {marker});
        }
        const int pid = conn.backendPid();
        auto kill = [this, pid](bool atCommit) {
            PgConnection killer = PgConnection::open(m_book);
            for (int i = 0; atCommit && i < 1000; ++i) {
                if (killer
                        .scalar(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE pid = $1 AND "
                                               "wait_event = 'PgSleep'"),
                                {pid})
                        .toInt() == 1)
                    break;
                QThread::msleep(10);
            }
            return killer.scalar(QStringLiteral("SELECT pg_terminate_backend($1, 10000)"), {pid}).toBool();
        };
        std::atomic<bool> killed = false;
        std::thread killerThread;
        if (when == 3)
            killerThread = std::thread([&] {
                try {
                    killed = kill(true);
                } catch (const PgError&) {
                }
            });
        else
            QVERIFY(kill(false));
        try {
            switch (when) {
            case 1:
                probe.step();
                break;
            case 3:
                tx->commit();
                break;
            default:
                conn.scalar(QStringLiteral("SELECT 1"));
            }
            QFAIL("a killed connection answered");
        } catch (const PgError& e) {
            QVERIFY(e.connectionLost());
            QVERIFY2(e.turkishText().contains(said), qPrintable(e.turkishText()));
            QVERIFY2(e.turkishText().contains(m_server.socketFolder()), qPrintable(e.turkishText()));
            QVERIFY(!e.turkishText().contains(QStringLiteral("gizli")));
        }
        if (killerThread.joinable())
            killerThread.join();
        QVERIFY(when != 3 || killed);
        if (when == 2) {
            // No reconnection behind an open transaction: the rest of it must not land outside it.
            QVERIFY_THROWS_EXCEPTION(PgError, conn.scalar(QStringLiteral("SELECT 1")));
            try {
                tx->commit();
                QFAIL("a transaction on a killed connection was committed");
            } catch (const PgError& e) {
                QVERIFY(e.connectionLost());
            }
        }
        tx.reset();
        QCOMPARE(conn.scalar(QStringLiteral("SELECT 1")).toInt(), 1);
        QVERIFY(conn.backendPid() != pid);
        QCOMPARE(conn.scalar(QStringLiteral("SELECT application_name FROM pg_stat_activity WHERE pid = "
                                            "pg_backend_pid()"))
                     .toString(),
                 QStringLiteral("kalvora"));
        QVERIFY(probe.step());
        QCOMPARE(probe.real(0), 1.5);
        QCOMPARE(admin.scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE v = $1").arg(table), {marker})
                     .toLongLong(),
                 0);
    }
};

QTEST_GUILESS_MAIN(TestPgStore)
#include "tst_pg_store.moc"
