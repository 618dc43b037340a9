#include "data/database.h"
#include "data/pg/book_watcher.h"
#include "data/pg/pg_connection.h"
#include "data/pg/server_schema.h"
#include "data/sql_dialect.h"
#include "data/store.h"
#include "data/turkish_text.h"
#include "support/fake_network.h"
#include "support/pg_server.h"
#include "support/test_data.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <libpq-fe.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <optional>
#include <thread>

using namespace kalvora;
using namespace Qt::StringLiterals;

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
    Statement st = db.prepare(u"PRAGMA table_info("_s + table + QLatin1Char(')'));
    while (st.step())
        out << st.text(u"name"_s).toLower();
    return out;
}

bool exists(PgConnection& conn, const QString& schema)
{
    return !conn.scalar(u"SELECT to_regnamespace($1)"_s, {schema}).isNull();
}

} // namespace

class TestPgStore : public QObject {
    Q_OBJECT

    test::PgServer m_server;
    QString m_book; // a database holding a book, created once
    int m_databases = 0;

    QString freshDatabase()
    {
        const QString uri = m_server.createDatabase(u"db%1"_s.arg(++m_databases));
        if (uri.isEmpty())
            qWarning("%s", qPrintable(m_server.error()));
        return uri;
    }

private Q_SLOTS:
    // The book's database reached over TCP at 127.0.0.1 (or another host name for the same server).
    QString tcpUri(const QString& query, const QString& host = u"127.0.0.1"_s, int port = 0) const
    {
        return u"postgresql://kalvora_test@%1:%2/%3?%4"_s.arg(host)
            .arg(port ? port : m_server.port())
            .arg(m_book.section(u'?', 0, 0).section(u'/', -1), query);
    }

    void initTestCase()
    {
        m_server.setTls(true);
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
        QTest::newRow("apostrophes") << u"O'REİLLY'; DROP TABLE public.probe; --"_s << true;
        QTest::newRow("backslashes") << u"C:\\YOL\\dosya \\' \\\\ \\x41 \\0"_s << true;
        QTest::newRow("placeholders and quoting") << u"$1 ?1 $$ $f$ \" %_ E'\\n' :x"_s << true;
        QTest::newRow("unicode") << u"ÇĞİÖŞÜ çğıöşü İı € 😀 \u200F \u00A0 \uFFFD"_s << true;
        QTest::newRow("control characters") << u"\t\n\r\x01\x1f\x7f"_s << true;
        QTest::newRow("10,000 characters") << u"ĞÜŞ'\\"_s.repeated(2000) << true;
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("NUL is refused, not cut short") << u"BORÇ"_s + QChar(0) + u"SİLİNDİ"_s << false;
    }

    void boundParametersRoundTrip()
    {
        QFETCH(QString, text);
        QFETCH(bool, storable);
        PgConnection conn = PgConnection::open(m_book);
        const qint64 before = conn.scalar(u"SELECT count(*) FROM public.probe"_s).toLongLong();
        PgStatement insert = conn.prepare(u"INSERT INTO public.probe (v) VALUES ($1) RETURNING k"_s);
        if (!storable) {
            for (int path = 0; path < 2; ++path) {
                try {
                    if (path == 0)
                        insert.bind(1, text).step();
                    else
                        conn.execute(u"INSERT INTO public.probe (v) VALUES ($1)"_s, {text});
                    QFAIL("a NUL reached the server");
                } catch (const PgError& e) {
                    QCOMPARE(e.sqlState(), u"22021"_s);
                    QVERIFY(e.turkishText().contains(u"KARAKTER"_s));
                }
            }
            QCOMPARE(conn.scalar(u"SELECT count(*) FROM public.probe"_s).toLongLong(), before);
            return;
        }
        insert.bind(1, text);
        QVERIFY(insert.step());
        const qint64 key = insert.int64(0);
        // Read back through the prepared and the one-shot path, and compared on the server itself.
        PgStatement read = conn.prepare(u"SELECT v, length(v) FROM public.probe WHERE k = $1"_s);
        read.bind(1, key);
        QVERIFY(read.step());
        QCOMPARE(read.text(0), text);
        QVERIFY(!read.isNull(0));
        QCOMPARE(read.int64(1), qint64(text.toUcs4().size()));
        QCOMPARE(conn.scalar(u"SELECT count(*) FROM public.probe WHERE k = $1 AND v = $2"_s, {key, text})
                     .toLongLong(),
                 1);
        QCOMPARE(conn.execute(u"UPDATE public.probe SET v = $2 WHERE k = $1"_s, {key, text + text}), 1);
        QCOMPARE(conn.scalar(u"SELECT v FROM public.probe WHERE k = $1"_s, {key}).toString(), text + text);
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
        const QString marker = u"İŞLEM %1"_s.arg(QString::fromUtf8(QTest::currentDataTag()));
        {
            PgTransaction tx(conn);
            QVERIFY(conn.inTransaction());
            conn.execute(u"INSERT INTO public.probe (v) VALUES ($1)"_s, {marker});
            QVERIFY_THROWS_EXCEPTION(PgError, PgTransaction{conn});
            if (ending == 1) {
                QVERIFY_THROWS_EXCEPTION(PgError, conn.execute(u"SELECT no_such_column FROM public.probe"_s));
                try {
                    tx.commit();
                    QFAIL("a failed transaction was reported as committed");
                } catch (const PgError& e) {
                    QCOMPARE(e.sqlState(), u"25P02"_s);
                    QVERIFY(e.turkishText().contains(u"HİÇBİR DEĞİŞİKLİK KAYDEDİLMEDİ"_s));
                }
            } else if (ending == 2) {
                tx.commit();
            }
        }
        QVERIFY(!conn.inTransaction());
        QCOMPARE(other.scalar(u"SELECT count(*) FROM public.probe WHERE v = $1"_s, {marker}).toLongLong(),
                 stored ? 1 : 0);
        QCOMPARE(conn.scalar(u"SELECT 1"_s).toInt(), 1);
    }

    void serverFunctionsReadLikeEmbedded_data()
    {
        QTest::addColumn<QString>("text");
        const QStringList texts{
            // numbers
            u"1.250,50"_s, u"1250,5"_s, u"0,00"_s, u"0"_s, u",75"_s, u"-,5"_s, u"5,"_s, u"-0"_s, u"-0,0"_s,
            u"  12  "_s, u"\t-12\n"_s, u"\u00A012\u3000"_s, u"\u2028 7,5 \u0085"_s, u"1.2.3"_s, u"1,2,3"_s,
            u"12a"_s, u"+5"_s, u"--5"_s, u"- 5"_s, u"-"_s, u","_s, u"."_s, QString(), u"1e5"_s, u"0x10"_s,
            u"Infinity"_s, u"NaN"_s, u"1 000"_s, u"\u0661\u0662"_s, u"\uFF11\uFF12"_s, u"0,1"_s,
            u"99999999999999999999"_s, u"9007199254740993"_s, u"0,30000000000000004"_s,
            u"1"_s + QString(400, QLatin1Char('0')), u"0,"_s + QString(400, QLatin1Char('0')) + u"1"_s,
            u"0,"_s + QString(310, QLatin1Char('0')) + u"5"_s, QString(1000, QLatin1Char('.')) + u"3"_s,
            // dates
            u"01.02.2024"_s, u"1.2.2024"_s, u"29.02.2024"_s, u"29.02.2023"_s, u"29.02.1900"_s,
            u"29.02.2000"_s, u"31.04.2024"_s, u"31.12.9999"_s, u"00.01.2024"_s, u"01.13.2024"_s,
            u"01.01.0000"_s, u"01.01.0001"_s, u" 01.02.2024\t"_s, u"\v01.02.2024\r\n"_s,
            u"\u00A001.02.2024"_s, u"01.02.24"_s, u"001.02.2024"_s, u"01/02/2024"_s, u"01.02.2024 10:00"_s,
            u"1.1.12345"_s, u"\u0660\u0661.\u0660\u0662.\u0662\u0660\u0662\u0664"_s};
        for (const QString& t : texts) {
            // Tags show blanks and control characters by their codes.
            QString tag;
            for (const QChar c : t.size() > 40 ? t.left(20) + u"..."_s + t.right(5) : t)
                tag += c.isPrint() && !c.isSpace() ? QString(c)
                                                   : u"\\u%1"_s.arg(c.unicode(), 4, 16, QLatin1Char('0'));
            QTest::addRow("%s", qPrintable(tag)) << t;
        }
    }

    void serverFunctionsReadLikeEmbedded()
    {
        QFETCH(QString, text);
        static QTemporaryDir dir;
        static Database lite =
            Database::open(dir.filePath(u"f.db"_s), QString(), Database::Mode::ReadWriteCreate);
        static PgConnection pg = PgConnection::open(m_book, accountsSearchPath());
        const QVariant liteNumber = lite.scalar(u"SELECT cdbl(?1)"_s, {text});
        const QVariant pgNumber = pg.scalar(u"SELECT cdbl($1)"_s, {text});
        QCOMPARE(pgNumber.isNull(), liteNumber.isNull());
        if (!liteNumber.isNull())
            QCOMPARE(bits(pgNumber.toDouble()), bits(liteNumber.toDouble()));
        const QVariant liteDate = lite.scalar(u"SELECT CDATE(?1)"_s, {text});
        const QVariant pgDate = pg.scalar(u"SELECT CDATE($1)"_s, {text});
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
            QStringList serverOnly; // what the server keeps of its own
        };
        const QStringList versioned{u"row_version"_s};
        const Table tables[] = {{"cari", "MUSTERILER", &data.store().accounts().file(), versioned},
                                {"cari", "CARIKART", &data.store().accounts().file(), versioned},
                                {"iptal",
                                 "IPTALLER",
                                 &data.store().accounts().file(),
                                 {u"sunucu_kullanici"_s, u"sunucu_zamani"_s}},
                                {"iptal", "IPTAL_HAREKETLER", &data.store().accounts().file(), {}},
                                {"cari", "FIRMA_BILGILERI", &data.store().accounts().file(), {}},
                                {"cari", "GONDERILENLER", &data.store().accounts().file(), {}},
                                {"cari", "KISI_EPOSTA", &data.store().accounts().file(), {}},
                                {"gelir", "GIDERLER", &data.store().ledger(Ledger::Income).file(), {}},
                                {"gelir", "KASA_NET", &data.store().ledger(Ledger::Income).file(), {}},
                                {"gider", "GIDERLER", &data.store().ledger(Ledger::Expense).file(), {}},
                                {"gider", "KASA_NET", &data.store().ledger(Ledger::Expense).file(), {}}};
        for (const Table& t : tables) {
            // A column a later version added stands last on the server, after what the server keeps of
            // its own: every statement names its columns, so only the set has to agree.
            QStringList expected = sqliteColumns(*t.db, QString::fromLatin1(t.table)) + t.serverOnly;
            QStringList got =
                pgColumns(conn, QString::fromLatin1(t.schema), QString::fromLatin1(t.table).toLower());
            expected.sort();
            got.sort();
            QCOMPARE(got, expected);
        }
        // Texts default to the empty text and never to NULL.
        QCOMPARE(conn.scalar(QStringLiteral(
                                 "SELECT count(*) FROM information_schema.columns WHERE table_schema IN "
                                 "('cari', 'iptal', 'gelir', 'gider') AND data_type = 'text' AND "
                                 "(is_nullable = 'YES' OR column_default IS DISTINCT FROM '''''::text')"))
                     .toLongLong(),
                 0);
        for (const char* s : {"gelir", "gider"})
            QCOMPARE(conn.scalar(u"SELECT string_agg(kasa_net_bakiye, '|') FROM %1.KASA_NET"_s.arg(
                                     QString::fromLatin1(s)))
                         .toString(),
                     u"0"_s);
        // A second start finds the book and changes nothing.
        QVERIFY(!createServerSchema(conn));
        // The collation orders the Turkish alphabet as turkishCompare does (where the root order differs).
        QStringList names{u"ÇAĞLAR"_s, u"CEM"_s,   u"İNCE"_s,     u"IŞIK"_s,  u"ÖMER"_s,
                          u"OZAN"_s,   u"ŞÜKRÜ"_s, u"SUNA"_s,     u"ÜMİT"_s,  u"UZAY"_s,
                          u"ĞAZİ"_s,   u"GÖNÜL"_s, u"ALİ VELİ"_s, u"ALİCAN"_s};
        QStringList server;
        PgStatement st = conn.prepare(u"SELECT n FROM unnest($1::text[]) n ORDER BY n COLLATE TURKISH"_s);
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
        QTest::newRow("person's contact") << u"MUSTERILER"_s << u"adres = 'YENİ ADRES'"_s << 1;
        QTest::newRow("person's balances")
            << u"MUSTERILER"_s << u"SonBakiye = '5,00', SonBakiye_usd = '1,00'"_s << 0;
        QTest::newRow("person's same texts") << u"MUSTERILER"_s << u"adisoyadi = adisoyadi"_s << 0;
        QTest::newRow("version written by a desk") << u"MUSTERILER"_s << u"row_version = 99"_s << 0;
        QTest::newRow("transaction's amount") << u"CARIKART"_s << u"tutar = '7'"_s << 1;
        QTest::newRow("transaction's copy of the person")
            << u"CARIKART"_s << u"adisoyadi = 'YENİ AD', adres = 'YENİ ADRES'"_s << 0;
    }

    void rowVersionsFollowOwnData()
    {
        QFETCH(QString, table);
        QFETCH(QString, change);
        QFETCH(int, step);
        PgConnection conn = PgConnection::open(m_book, accountsSearchPath());
        const QString key = table == QLatin1String("MUSTERILER") ? u"oto_kod"_s : u"otokod"_s;
        const qint64 row =
            conn.scalar(u"INSERT INTO %1 (adisoyadi) VALUES ('AYŞE') RETURNING %2"_s.arg(table, key))
                .toLongLong();
        const QString version = u"SELECT row_version FROM %1 WHERE %2 = $1"_s.arg(table, key);
        QCOMPARE(conn.scalar(version, {row}).toLongLong(), 1);
        QCOMPARE(conn.execute(u"UPDATE %1 SET %2 WHERE %3 = $1"_s.arg(table, change, key), {row}), 1);
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
            << u"CREATE TABLE public.faturalar (no int)"_s << u"public.faturalar"_s;
        QTest::newRow("foreign view") << u"CREATE VIEW public.ozet AS SELECT 1 AS x"_s << u"public.ozet"_s;
        QTest::newRow("schema of the same name") << u"CREATE SCHEMA gelir"_s << u"gelir"_s;
        const int newer = currentServerSchemaVersion() + 1;
        QTest::newRow("book of a newer version")
            << QStringLiteral("CREATE SCHEMA kalvora; CREATE TABLE kalvora.schema_version (version integer); "
                              "INSERT INTO kalvora.schema_version VALUES (%1)")
                   .arg(newer)
            << u"kalvora.schema_version = %1"_s.arg(newer);
        QTest::newRow("no server there") << u"-"_s << u"SUNUCUYA BAĞLANILAMADI"_s;
    }

    void startOnServer()
    {
        QFETCH(QString, setup);
        QFETCH(QString, inTheWay);
        const bool reachable = setup != QLatin1String("-");
        const QString uri = reachable ? freshDatabase() : u"postgresql:///yok?host=/yok/boyle/klasor"_s;
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
        QVERIFY(QFile::exists(folder.filePath(u"FRData.mdb"_s)));
        QVERIFY(!QFile::exists(folder.filePath(u"uyeler.mdb"_s)));
        if (inTheWay.isEmpty()) {
            QVERIFY(problems.isEmpty());
            QCOMPARE(inspectServerSchema(*conn).kind, ServerSchemaState::Kind::Book);
            QCOMPARE(conn->scalar(u"SELECT kalvora.cdbl('1.250,50')"_s).toDouble(), 1250.5);
            QVERIFY(store->initialize().isEmpty()); // the next start finds its book
            return;
        }
        QCOMPARE(problems.size(), 1);
        QVERIFY(problems.at(0).fatal);
        const QString text = problems.at(0).text;
        QVERIFY2(text.contains(inTheWay), qPrintable(text));
        QVERIFY2(text.contains(u"SUNUCU: "_s), qPrintable(text));
        if (!reachable)
            return;
        QVERIFY2(text.contains(u"BOŞ DEĞİL"_s), qPrintable(text));
        QVERIFY(text.contains(uri.section(QLatin1Char('?'), 0, 0).section(QLatin1Char('/'), -1)));
        for (const char* s : {"cari", "gider"})
            QVERIFY2(!exists(*conn, QString::fromLatin1(s)), s);
        QCOMPARE(inspectServerSchema(*conn).kind, ServerSchemaState::Kind::Foreign);
    }

    // A book made by the previous version (CDATE with capture groups, no index of free-form dates) is
    // brought up to date by the next start, its rows untouched, and the ledgers' free-form dates are
    // found through the index with the statement text the history runs.
    void olderBookIsBroughtUpToDate()
    {
        const QString uri = freshDatabase();
        QTemporaryDir folder;
        QVERIFY(Store::onServer(folder.path(), uri)->initialize().isEmpty());
        PgConnection conn = PgConnection::open(uri, ledgerSearchPath(Ledger::Income));
        conn.exec(QStringLiteral(
            "DROP INDEX gelir.giderler_serbest_tarih; DROP INDEX gider.giderler_serbest_tarih; "
            "DROP FUNCTION kalvora.note_save; DROP TABLE kalvora.save_ids; DROP FUNCTION iptal.geri_al; "
            "DROP TABLE iptal.GERI_ALINANLAR; DROP TRIGGER iptaller_stamp ON iptal.IPTALLER; "
            "DROP FUNCTION kalvora.stamp_archive; "
            "ALTER TABLE iptal.IPTALLER DROP COLUMN sunucu_kullanici, DROP COLUMN sunucu_zamani; "
            "DROP TABLE cari.FIRMA_BILGILERI, cari.GONDERILENLER, cari.KISI_EPOSTA; "
            "DROP TRIGGER acik_isaretle ON cari.CARIKART; DROP FUNCTION kalvora.acik_isaretle; "
            "DROP TABLE cari.ACIK_KALEMLER, cari.ACIK_OZET, cari.ACIK_DEGISEN; "
            "DROP TABLE cari.AYARLAR; ALTER TABLE cari.CARIKART DROP COLUMN vade; "
            "ALTER TABLE iptal.IPTAL_HAREKETLER DROP COLUMN vade; "
            "UPDATE kalvora.schema_version SET version = 1; "
            "INSERT INTO gelir.GIDERLER (gider_tarihi, gider_tutar) VALUES ('1.2.2024', '5')"));
        QCOMPARE(inspectServerSchema(conn).version, 1);
        QVERIFY(Store::onServer(folder.path(), uri)->initialize().isEmpty());
        QCOMPARE(inspectServerSchema(conn).version, currentServerSchemaVersion());
        QVERIFY(!upgradeServerSchema(conn));
        QVERIFY(!conn.scalar(u"SELECT to_regprocedure('iptal.geri_al(bigint, text, text, text, text)')"_s)
                     .isNull());
        QVERIFY(!conn.scalar(u"SELECT to_regclass('kalvora.save_ids')"_s).isNull());
        for (const char* table : {"cari.firma_bilgileri", "cari.gonderilenler", "cari.kisi_eposta",
                                  "cari.acik_kalemler", "cari.acik_ozet", "cari.acik_degisen"})
            QVERIFY2(!conn.scalar(u"SELECT to_regclass($1)"_s, {QString::fromLatin1(table)}).isNull(), table);
        QCOMPARE(conn.scalar(u"SELECT gider_tutar FROM GIDERLER WHERE CDATE(gider_tarihi) = 20240201"_s)
                     .toString(),
                 u"5"_s);
        conn.exec(u"SET enable_seqscan = off"_s);
        QStringList plan;
        PgStatement st = conn.prepare(
            u"EXPLAIN "_s + serverStatementText(u"SELECT kayit_no FROM GIDERLER WHERE gider_tarihi NOT GLOB "
                                                "'[0-9][0-9].[0-9][0-9].[0-9][0-9][0-9][0-9]'"_s));
        while (st.step())
            plan << st.text(0);
        QVERIFY2(plan.join(u' ').contains(u"giderler_serbest_tarih"_s), qPrintable(plan.join(u'\n')));
    }

    // Each statement is written once, for the embedded store; the server reads it rewritten.
    void serverStatementTexts_data()
    {
        QTest::addColumn<QString>("embedded");
        QTest::addColumn<QString>("server");
        QTest::newRow("numbered and bare parameters")
            << u"SELECT a FROM t WHERE b = ?2 AND c = ?1 OR d = ?"_s
            << u"SELECT a FROM t WHERE b = $2 AND c = $1 OR d = $3"_s;
        QTest::newRow("question marks in literals and names stay")
            << u"SELECT '?1 it''s ?', \"x?\" FROM t WHERE a = ?1"_s
            << u"SELECT '?1 it''s ?', \"x?\" FROM t WHERE a = $1"_s;
        QTest::newRow("IS NOT and IS against a value")
            << QStringLiteral(
                   "UPDATE t SET a = ?1 WHERE a IS NOT ?1 OR b IS ?2 OR c IS NOT NULL OR d IS NULL")
            << QStringLiteral(
                   "UPDATE t SET a = $1 WHERE a IS DISTINCT FROM $1 OR b IS NOT DISTINCT FROM $2 OR c "
                   "IS NOT NULL OR d IS NULL");
        QTest::newRow("main qualifier, not other schemas")
            << u"SELECT m.x FROM main.MUSTERILER m JOIN cari.CARIKART c ON c.main = m.x"_s
            << u"SELECT m.x FROM MUSTERILER m JOIN cari.CARIKART c ON c.main = m.x"_s;
        QTest::newRow("rowid") << u"SELECT v FROM KASA_NET ORDER BY rowid LIMIT 1"_s
                               << u"SELECT v FROM KASA_NET ORDER BY ctid LIMIT 1"_s;
        QTest::newRow("GLOB and NOT GLOB") << u"WHERE d GLOB '[0-9][0-9].*' AND e NOT GLOB 'a?b'"_s
                                           << u"WHERE d ~ '^[0-9][0-9]\\..*$' AND e !~ '^a.b$'"_s;
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
            << u"postgresql:///defter?host=/tmp/kalvora-nowhere&user=u&password=gizli%2Fsifre"_s
            << u"/tmp/kalvora-nowhere"_s;
        QTest::newRow("unknown database")
            << m_server.uri(u"olmayan"_s) + u"&password=gizli"_s << u"olmayan"_s;
        QTest::newRow("malformed password") << u"postgresql://u:gizli%zz@/defter"_s << QString();
        QTest::newRow("key=value text")
            << u"host=/tmp/kalvora-nowhere dbname=defter password='gizli x'"_s << u"defter"_s;
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
            QVERIFY2(text.contains(u"SUNUCUYA BAĞLANILAMADI"_s), qPrintable(text));
            QVERIFY2(text.contains(named), qPrintable(text));
            QVERIFY2(!text.contains(u"gizli"_s) && !QString::fromStdString(e.what()).contains(u"gizli"_s),
                     qPrintable(text));
        }
    }

    // Every session keeps to limits of its own unless the URI's options say otherwise: a lock wait
    // gives up in seconds, the server ends an idle transaction, a dead network is noticed, and a
    // connect_timeout of 0 (for ever) or a huge one is capped.
    void sessionLimits_data()
    {
        QTest::addColumn<QString>("uriTail");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("onServer");
        QTest::addColumn<QString>("value");
        QTest::newRow("lock wait") << QString() << u"lock_timeout"_s << true << u"3s"_s;
        QTest::newRow("statement") << QString() << u"statement_timeout"_s << true << u"2min"_s;
        QTest::newRow("idle transaction")
            << QString() << u"idle_in_transaction_session_timeout"_s << true << u"30s"_s;
        QTest::newRow("lock wait from the URI's options")
            << u"&options=-c%20lock_timeout%3D1500ms"_s << u"lock_timeout"_s << true << u"1500ms"_s;
        QTest::newRow("keepalives") << QString() << u"keepalives_idle"_s << false << u"10"_s;
        QTest::newRow("unacknowledged data") << QString() << u"tcp_user_timeout"_s << false << u"30000"_s;
        QTest::newRow("connect_timeout absent") << QString() << u"connect_timeout"_s << false << u"10"_s;
        QTest::newRow("connect_timeout=0")
            << u"&connect_timeout=0"_s << u"connect_timeout"_s << false << u"10"_s;
        QTest::newRow("connect_timeout shortened")
            << u"&connect_timeout=3"_s << u"connect_timeout"_s << false << u"3"_s;
        QTest::newRow("connect_timeout of a day")
            << u"&connect_timeout=86400"_s << u"connect_timeout"_s << false << u"60"_s;
    }
    void sessionLimits()
    {
        QFETCH(QString, uriTail);
        QFETCH(QString, name);
        QFETCH(bool, onServer);
        QFETCH(QString, value);
        PgConnection conn = PgConnection::open(m_book + uriTail);
        if (onServer) {
            QCOMPARE(conn.scalar(u"SELECT current_setting($1)"_s, {name}).toString(), value);
            return;
        }
        QString used;
        PQconninfoOption* options = PQconninfo(conn.handle());
        for (PQconninfoOption* o = options; o && o->keyword; ++o)
            if (name == QLatin1String(o->keyword))
                used = QString::fromUtf8(o->val);
        PQconninfoFree(options);
        QCOMPARE(used, value);
    }

    // Over a network the connection is encrypted and, with verify-full, proves the server; a
    // certificate from another authority, or a server without TLS, is refused with a Turkish reason.
    void tlsAcrossTheNetwork_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("plainServer");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("verify-full, the server's authority")
            << u"sslmode=verify-full&sslrootcert=CA"_s << u"127.0.0.1"_s << false << QString();
        QTest::newRow("verify-full by name")
            << u"sslmode=verify-full&sslrootcert=CA"_s << u"localhost"_s << false << QString();
        QTest::newRow("verify-full, another authority")
            << u"sslmode=verify-full&sslrootcert=OTHER"_s << u"127.0.0.1"_s << false
            << u"SERTİFİKASI DOĞRULANAMADI"_s;
        QTest::newRow("a network host, a server without TLS")
            << u"connect_timeout=3"_s << u"127.0.0.2"_s << true << u"ŞİFRELİ BAĞLANTI (TLS) SUNMUYOR"_s;
        QTest::newRow("a network host, TLS refused by the URI")
            << u"sslmode=disable&connect_timeout=2"_s << u"127.0.0.2"_s << true << u"-"_s;
    }
    void tlsAcrossTheNetwork()
    {
        QFETCH(QString, query);
        QFETCH(QString, host);
        QFETCH(bool, plainServer);
        QFETCH(QString, refusal);
        query.replace(u"OTHER"_s, m_server.otherCaFile()).replace(u"CA"_s, m_server.caFile());
        std::unique_ptr<test::FakeNetwork> plain;
        if (plainServer) {
            plain = std::make_unique<test::FakeNetwork>(test::FakeNetwork::Mode::NoTls, host);
            QVERIFY(plain->listening());
        }
        const QString uri = tcpUri(query, host, plain ? plain->port() : 0);
        try {
            PgConnection conn = PgConnection::open(uri);
            QVERIFY2(refusal.isEmpty(), qPrintable(uri));
            QCOMPARE(conn.scalar(u"SELECT ssl FROM pg_stat_ssl WHERE pid = pg_backend_pid()"_s).toBool(),
                     true);
        } catch (const PgError& e) {
            QVERIFY2(!refusal.isEmpty(), qPrintable(e.turkishText()));
            QCOMPARE(e.kind(), PgError::Kind::Connect);
            if (refusal == QLatin1String("-"))
                QVERIFY2(!e.turkishText().contains(u"TLS"_s), qPrintable(e.turkishText()));
            else
                QVERIFY2(e.turkishText().contains(refusal), qPrintable(e.turkishText()));
        }
    }

    // A server that sends what no server would: more than one result may hold, or a number column
    // that holds no number, is refused instead of being held or read as 0.
    void brokenServerAnswers_data()
    {
        QTest::addColumn<unsigned>("type");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QVariant>("read");
        const QVariant refused;
        QTest::newRow("integer") << 20u << QByteArray("42") << QVariant(qint64(42));
        QTest::newRow("integer with letters") << 20u << QByteArray("12abc") << refused;
        QTest::newRow("empty integer") << 20u << QByteArray() << refused;
        QTest::newRow("integer beyond 64 bits") << 20u << QByteArray("99999999999999999999") << refused;
        QTest::newRow("real") << 701u << QByteArray("1.5") << QVariant(1.5);
        QTest::newRow("real with a comma") << 701u << QByteArray("1,5") << refused;
        QTest::newRow("text keeps its letters") << 25u << QByteArray("12abc") << QVariant(u"12abc"_s);
    }
    void brokenServerAnswers()
    {
        QFETCH(unsigned, type);
        QFETCH(QByteArray, sent);
        QFETCH(QVariant, read);
        test::FakeNetwork server(test::FakeNetwork::Mode::Hostile, u"127.0.0.1"_s);
        QVERIFY(server.listening());
        server.setAnswer(type, sent);
        PgConnection conn = PgConnection::open(tcpUri(u"sslmode=disable"_s, u"127.0.0.1"_s, server.port()));
        try {
            const QVariant v = conn.scalar(u"SELECT n"_s);
            QVERIFY2(read.isValid(), qPrintable(v.toString()));
            QCOMPARE(v, read);
        } catch (const PgError& e) {
            QVERIFY2(!read.isValid(), qPrintable(e.turkishText()));
            QCOMPARE(e.sqlState(), u"22P02"_s);
            QVERIFY2(e.turkishText().contains(u"YANITI OKUNAMADI"_s), qPrintable(e.turkishText()));
        }
    }

    // A server that sends one row without end is cut off at the byte limit while the row arrives.
    void endlessResultIsCutOff()
    {
        test::FakeNetwork server(test::FakeNetwork::Mode::Hostile, u"127.0.0.1"_s);
        QVERIFY(server.listening());
        server.setAnswer(25, "x");
        server.setEndless(true);
        PgConnection conn = PgConnection::open(tcpUri(u"sslmode=disable"_s, u"127.0.0.1"_s, server.port()));
        conn.setResultLimits(PgConnection::defaultMaxRows, 4 << 20);
        QElapsedTimer clock;
        clock.start();
        try {
            conn.prepare(u"SELECT n"_s).step();
            QFAIL("an endless row was read");
        } catch (const PgError& e) {
            QCOMPARE(e.sqlState(), u"54000"_s);
            QVERIFY2(e.turkishText().contains(u"YANITI OKUNAMADI"_s), qPrintable(e.turkishText()));
        }
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    }

    void resultLimits_data()
    {
        QTest::addColumn<qint64>("rows");
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("refused");
        const qint64 many = PgConnection::defaultMaxBytes;
        QTest::newRow("rows at the limit")
            << qint64(100) << many << u"SELECT generate_series(1, 100)"_s << false;
        QTest::newRow("a row over") << qint64(100) << many << u"SELECT generate_series(1, 101)"_s << true;
        QTest::newRow("bytes within")
            << many << qint64(1'000'000) << u"SELECT repeat('x', 200000)"_s << false;
        QTest::newRow("bytes over") << many << qint64(100'000) << u"SELECT repeat('x', 200000)"_s << true;
    }
    void resultLimits()
    {
        QFETCH(qint64, rows);
        QFETCH(qint64, bytes);
        QFETCH(QString, sql);
        QFETCH(bool, refused);
        PgConnection conn = PgConnection::open(m_book);
        conn.setResultLimits(rows, bytes);
        for (bool prepared : {false, true}) {
            try {
                if (prepared)
                    conn.prepare(sql).step();
                else
                    conn.exec(sql);
                QVERIFY(!refused);
            } catch (const PgError& e) {
                QVERIFY2(refused, qPrintable(e.turkishText()));
                QCOMPARE(e.sqlState(), u"54000"_s);
            }
        }
        QCOMPARE(conn.scalar(u"SELECT 1"_s).toInt(), 1);
    }

    // The watcher's connection breaks and the server stops answering: the event loop goes on (a timer
    // fires on time) while the watcher tries again, and it listens again once the server answers.
    void watcherReconnectsWithoutBlocking()
    {
        test::FakeNetwork network(test::FakeNetwork::Mode::Relay, u"127.0.0.1"_s);
        QVERIFY(network.listening());
        network.relayTo(u"127.0.0.1"_s, m_server.port());
        BookWatcher watcher(tcpUri(u"sslmode=disable&connect_timeout=3"_s, u"127.0.0.1"_s, network.port()),
                            {});
        QVERIFY(watcher.listening());
        network.setBlackHole(true);
        PgConnection admin = PgConnection::open(m_book);
        QCOMPARE(
            admin
                .scalar(QStringLiteral("SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity WHERE "
                                       "client_addr IS NOT NULL AND pid <> pg_backend_pid()"))
                .toInt(),
            1);
        QTRY_VERIFY_WITH_TIMEOUT(!watcher.listening(), 2000);
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        qint64 longestGap = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            longestGap = std::max(longestGap, clock.elapsed() - last);
            last = clock.elapsed();
        });
        tick.start(50);
        QTest::qWait(4500); // a connection attempt and its timeout, and the next attempt
        QVERIFY2(longestGap < 500, qPrintable(QString::number(longestGap)));
        QVERIFY(!watcher.listening());
        QSignalSpy changed(&watcher, &BookWatcher::changed);
        network.setBlackHole(false);
        QTRY_VERIFY_WITH_TIMEOUT(watcher.listening(), 8000);
        QCOMPARE(changed.size(), 1); // what was missed meanwhile counts as a change of everything
        QVERIFY2(longestGap < 500, qPrintable(QString::number(longestGap)));
    }

    void lostConnectionIsReportedThenReconnects_data()
    {
        QTest::addColumn<int>("when");
        QTest::addColumn<QString>("said");
        QTest::newRow("idle, one-shot statement") << 0 << u"BAĞLANTI KOPTU"_s;
        QTest::newRow("idle, prepared statement") << 1 << u"BAĞLANTI KOPTU"_s;
        QTest::newRow("inside a transaction") << 2 << u"BAĞLANTI KOPTU"_s;
        // The server may or may not have committed: the user is told so, not that nothing was stored.
        QTest::newRow("while the server commits") << 3 << u"KAYDEDİLMEDİĞİ BİLİNMİYOR"_s;
    }

    void lostConnectionIsReportedThenReconnects()
    {
        QFETCH(int, when);
        QFETCH(QString, said);
        PgConnection conn =
            PgConnection::open(m_book + u"&application_name=baska&password=gizli"_s, accountsSearchPath());
        PgConnection admin = PgConnection::open(m_book);
        const QString marker = u"KOPUK %1"_s.arg(QString::fromUtf8(QTest::currentDataTag()));
        const QString table = when == 3 ? u"public.slow_commit"_s : u"public.probe"_s;
        PgStatement probe = conn.prepare(u"SELECT cdbl('1,5')"_s);
        QVERIFY(probe.step());
        probe.reset();
        std::unique_ptr<PgTransaction> tx;
        if (when >= 2) {
            tx = std::make_unique<PgTransaction>(conn);
            conn.execute(u"INSERT INTO %1 (v) VALUES ($1)"_s.arg(table), {marker});
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
            return killer.scalar(u"SELECT pg_terminate_backend($1, 10000)"_s, {pid}).toBool();
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
                conn.scalar(u"SELECT 1"_s);
            }
            QFAIL("a killed connection answered");
        } catch (const PgError& e) {
            QVERIFY(e.connectionLost());
            QVERIFY2(e.turkishText().contains(said), qPrintable(e.turkishText()));
            QVERIFY2(e.turkishText().contains(m_server.socketFolder()), qPrintable(e.turkishText()));
            QVERIFY(!e.turkishText().contains(u"gizli"_s));
        }
        if (killerThread.joinable())
            killerThread.join();
        QVERIFY(when != 3 || killed);
        if (when == 2) {
            // No reconnection behind an open transaction: the rest of it must not land outside it.
            QVERIFY_THROWS_EXCEPTION(PgError, conn.scalar(u"SELECT 1"_s));
            try {
                tx->commit();
                QFAIL("a transaction on a killed connection was committed");
            } catch (const PgError& e) {
                QVERIFY(e.connectionLost());
            }
        }
        tx.reset();
        QCOMPARE(conn.scalar(u"SELECT 1"_s).toInt(), 1);
        QVERIFY(conn.backendPid() != pid);
        QCOMPARE(conn.scalar(QStringLiteral("SELECT application_name FROM pg_stat_activity WHERE pid = "
                                            "pg_backend_pid()"))
                     .toString(),
                 u"kalvora"_s);
        QVERIFY(probe.step());
        QCOMPARE(probe.real(0), 1.5);
        QCOMPARE(admin.scalar(u"SELECT count(*) FROM %1 WHERE v = $1"_s.arg(table), {marker}).toLongLong(),
                 0);
    }
};

QTEST_GUILESS_MAIN(TestPgStore)
#include "tst_pg_store.moc"
