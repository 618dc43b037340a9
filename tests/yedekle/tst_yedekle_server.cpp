#include "backups.h"
#include "command_line.h"
#include "data/data_folder.h"
#include "data/pg/pg_connection.h"
#include "data/pg/server_schema.h"
#include "data/server_choice.h"
#include "manifest.h"
#include "server_dump.h"
#include "support/pg_server.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace kalvora;
using namespace kalvora::backup;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}

// Every row of the book's tables, with the keys the sequences would give next.
QStringList bookRows(const QString& uri)
{
    PgConnection conn = PgConnection::open(uri);
    QStringList out;
    for (const char* t : {"cari.musteriler", "cari.carikart", "iptal.iptaller", "iptal.iptal_hareketler",
                          "gelir.giderler", "gelir.kasa_net", "gider.giderler", "gider.kasa_net"}) {
        PgStatement st = conn.prepare(QStringLiteral("SELECT * FROM ") + QString::fromLatin1(t) +
                                      QStringLiteral(" ORDER BY 1"));
        while (st.step()) {
            QStringList cells;
            for (int i = 0; i < st.columnCount(); ++i)
                cells << st.text(i);
            out << QString::fromLatin1(t) + QLatin1Char('|') + cells.join(QLatin1Char('|'));
        }
    }
    out << conn.scalar(QStringLiteral("SELECT pg_sequence_last_value('cari.musteriler_oto_kod_seq')"))
               .toString();
    return out;
}

const QString secret = QStringLiteral("Yedek_Parolasi_77");

} // namespace

// Backups of a book on a server: pg_dump into the dated backup folder with the manifest, verified by
// reading the dump back, restored in one transaction only while no other desk is connected.
class TestYedekleServer : public QObject {
    Q_OBJECT

    test::PgServer m_server;
    QTemporaryDir m_dir;
    QString m_uri;
    QString m_data;
    QString m_target;
    QString m_backup; // a verified backup of the book as fillBook leaves it

    Backups backups() const
    {
        Backups::Options options;
        options.server = m_uri + QStringLiteral("&password=") + secret;
        return Backups(m_data, databasePassword(), options);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.error()));
        m_uri = m_server.createDatabase(QStringLiteral("yedek"));
        QVERIFY2(!m_uri.isEmpty(), qPrintable(m_server.error()));
        PgConnection conn = PgConnection::open(m_uri, accountsSearchPath());
        QVERIFY(createServerSchema(conn));
        conn.execute(
            QStringLiteral("INSERT INTO MUSTERILER (adisoyadi, adres, SonBakiye) VALUES ($1, $2, $3)"),
            {QStringLiteral("ŞÜKRÜ ĞÖÇİ"), QStringLiteral("çok\tsatırlı\nadres \\ ").repeated(300),
             QStringLiteral("1.250,50")});
        conn.execute(
            QStringLiteral("INSERT INTO CARIKART (uye_kodu, aylar, tutar, para_cinsi, para) "
                           "VALUES ('1', '', '1250,5', 'TL', '100'), ('1', 'İADE', '0', 'TL', '200')"));
        conn.exec(QStringLiteral("UPDATE gelir.KASA_NET SET Kasa_net_bakiye = '1500'; INSERT INTO "
                                 "gider.GIDERLER (gider_ad, gider_tutar) VALUES ('KİRA', '1500')"));
        m_data = QDir(m_dir.path()).filePath(QStringLiteral("veri"));
        m_target = QDir(m_dir.path()).filePath(QStringLiteral("yedekler"));
        QVERIFY(QDir().mkpath(m_data));
        writeAll(QDir(m_data).filePath(QString::fromLatin1(files::password)), "sifre-1");
        writeAll(QDir(m_data).filePath(QStringLiteral("paralar.fr3")), "<TfrxReport/>");

        const Outcome made = backups().create(m_target, Kind::Manual);
        QVERIFY2(made.ok, qPrintable(made.text));
        QVERIFY(!made.text.contains(secret));
        QVERIFY2(made.text.contains(QStringLiteral("KİŞİ SAYISI: 1\nHAREKET SAYISI: 2")),
                 qPrintable(made.text));
        m_backup = made.folder;
        QCOMPARE(QDir(m_backup).entryList(QDir::Files),
                 (QStringList{QStringLiteral("kalvora.dump"), QStringLiteral("paralar.fr3"),
                              QString::fromLatin1(files::password), QStringLiteral("yedek.json")}));
        const auto manifest =
            Manifest::fromJson(readAll(QDir(m_backup).filePath(QStringLiteral("yedek.json"))));
        QVERIFY(manifest && !manifest->server.isEmpty() && !manifest->server.contains(secret));
        QCOMPARE(manifest->tables.value(QStringLiteral("gider.giderler")), 1);
        QCOMPARE(manifest->tables.value(QStringLiteral("gelir.kasa_net")), 1);
        const Verification v = backups().verify(m_backup);
        QVERIFY2(v.ok, qPrintable(v.problems.join(QLatin1Char('\n'))));
    }

    // Changes made after the backup go away with the restore, and come back from the backup the
    // restore takes first; sifre.dll and the templates return to the data folder.
    void restoreRoundTrip()
    {
        const QStringList before = bookRows(m_uri);
        {
            PgConnection conn = PgConnection::open(m_uri, accountsSearchPath());
            conn.exec(
                QStringLiteral("INSERT INTO MUSTERILER (adisoyadi) VALUES ('SONRA'); DELETE FROM CARIKART "
                               "WHERE otokod = 2; UPDATE gelir.KASA_NET SET Kasa_net_bakiye = '7'"));
        }
        writeAll(QDir(m_data).filePath(QString::fromLatin1(files::password)), "sifre-2");
        const QStringList changed = bookRows(m_uri);
        const Outcome restored = backups().restore(m_backup, m_target);
        QVERIFY2(restored.ok, qPrintable(restored.text));
        QVERIFY(!restored.text.contains(secret));
        QCOMPARE(bookRows(m_uri), before);
        QCOMPARE(readAll(QDir(m_data).filePath(QString::fromLatin1(files::password))), QByteArray("sifre-1"));
        // The backup taken first holds the changed book: restoring it brings the changes back.
        QVERIFY(!restored.folder.isEmpty());
        const Outcome back = backups().restore(restored.folder, m_target);
        QVERIFY2(back.ok, qPrintable(back.text));
        QCOMPARE(bookRows(m_uri), changed);
        QVERIFY(backups().restore(m_backup, m_target).ok);
    }

    // Another desk's connection stops a restore before anything is written; once it is gone the
    // restore runs.
    void restoreRefusedWhileAnotherDeskIsConnected()
    {
        {
            PgConnection conn = PgConnection::open(m_uri, accountsSearchPath());
            conn.exec(QStringLiteral("INSERT INTO MUSTERILER (adisoyadi) VALUES ('BAŞKA MASA')"));
        }
        const QStringList before = bookRows(m_uri);
        const int backupsBefore = static_cast<int>(Backups::list(m_target).size());
        {
            PgConnection desk = PgConnection::open(m_uri);
            const Outcome refused = backups().restore(m_backup, m_target);
            QVERIFY(!refused.ok);
            QVERIFY2(refused.text.contains(QStringLiteral("SUNUCUDAKİ DEFTERE BAĞLI 1 BAŞKA KALVORA VAR.")),
                     qPrintable(refused.text));
            QVERIFY(
                refused.text.contains(QStringLiteral("GERİ YÜKLEME YAPILMADI, VERİLERİNİZE DOKUNULMADI.")));
            QCOMPARE(bookRows(m_uri), before);
            QCOMPARE(Backups::list(m_target).size(), backupsBefore);
        }
        QVERIFY(backups().restore(m_backup, m_target).ok);
    }

    // A damaged backup fails its verification and is never restored.
    void damagedBackup_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("expected");
        QTest::newRow("a byte of the dump changed")
            << QStringLiteral("byte") << QStringLiteral("kalvora.dump: DOSYA İÇERİĞİ DEĞİŞMİŞ (BOZUK).");
        QTest::newRow("dump cut short, manifest rewritten to match")
            << QStringLiteral("cut") << QStringLiteral("kalvora.dump: pg_restore BAŞARISIZ OLDU");
        QTest::newRow("counts that the dump does not hold")
            << QStringLiteral("count")
            << QStringLiteral("kalvora.dump: cari.carikart TABLOSUNDA 5 SATIR OLMALI, YEDEKTE 2 VAR.");
    }
    void damagedBackup()
    {
        QFETCH(QString, damage);
        QFETCH(QString, expected);
        QTemporaryDir copyDir;
        const QString copy = QDir(copyDir.path()).filePath(QStringLiteral("KALVORA_YEDEK_20240101_000000"));
        QVERIFY(QDir().mkpath(copy));
        for (const QString& name : QDir(m_backup).entryList(QDir::Files))
            QVERIFY(QFile::copy(QDir(m_backup).filePath(name), QDir(copy).filePath(name)));
        const QString dump = QDir(copy).filePath(QStringLiteral("kalvora.dump"));
        QByteArray bytes = readAll(dump);
        QJsonObject root =
            QJsonDocument::fromJson(readAll(QDir(copy).filePath(QStringLiteral("yedek.json")))).object();
        if (damage == QLatin1String("byte")) {
            bytes[bytes.size() / 2] = static_cast<char>(bytes.at(bytes.size() / 2) ^ 0x5a);
        } else if (damage == QLatin1String("cut")) {
            bytes.truncate(bytes.size() * 2 / 3);
        } else {
            QJsonObject tables = root.value(QStringLiteral("tables")).toObject();
            tables.insert(QStringLiteral("cari.carikart"), 5);
            root.insert(QStringLiteral("tables"), tables);
        }
        writeAll(dump, bytes);
        if (damage != QLatin1String("byte")) {
            auto manifest = Manifest::fromJson(QJsonDocument(root).toJson());
            QVERIFY(manifest);
            for (FileEntry& f : manifest->files)
                if (f.name == QLatin1String("kalvora.dump")) {
                    f.size = bytes.size();
                    f.sha256 = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
                }
            writeAll(QDir(copy).filePath(QStringLiteral("yedek.json")), manifest->toJson());
        }
        const Verification v = backups().verify(copy);
        QVERIFY(!v.ok);
        QVERIFY2(v.problems.join(QLatin1Char('\n')).contains(expected),
                 qPrintable(v.problems.join(QLatin1Char('\n'))));
        const QStringList before = bookRows(m_uri);
        const Outcome refused = backups().restore(copy, m_target);
        QVERIFY(!refused.ok);
        QVERIFY(refused.text.startsWith(QStringLiteral("SEÇİLEN YEDEK BOZUK, GERİ YÜKLENEMEZ:")));
        QCOMPARE(bookRows(m_uri), before);
    }

    // The store the book is in decides which backups may go back: never a folder's into the server.
    void restoreOfTheOtherStoreRefused()
    {
        const Outcome refused = Backups(m_data, databasePassword()).restore(m_backup, m_target);
        QVERIFY(!refused.ok);
        QVERIFY2(refused.text.startsWith(QStringLiteral("BU YEDEK SUNUCUDAKİ BİR DEFTERİN;")),
                 qPrintable(refused.text));
    }

    // --server, else $KALVORA_SERVER, else the first line of sunucu.txt.
    void serverChoiceOrder_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("expected");
        QTest::newRow("command line first")
            << QStringLiteral("postgresql:///a") << QStringLiteral("postgresql:///b")
            << QByteArray("postgresql:///c\n") << QStringLiteral("postgresql:///a");
        QTest::newRow("environment next")
            << QString() << QStringLiteral(" postgresql:///b ") << QByteArray("postgresql:///c\n")
            << QStringLiteral("postgresql:///b");
        QTest::newRow("file with a byte-order mark, first line only")
            << QString() << QString() << QByteArray("\xef\xbb\xbf  postgresql:///c \r\nikinci satır\n")
            << QStringLiteral("postgresql:///c");
        QTest::newRow("nothing: the data folder") << QString() << QString() << QByteArray() << QString();
    }
    void serverChoiceOrder()
    {
        QFETCH(QString, commandLine);
        QFETCH(QString, environment);
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        QTemporaryDir folder;
        if (!file.isEmpty())
            writeAll(QDir(folder.path()).filePath(QString::fromLatin1(serverFileName)), file);
        qputenv("KALVORA_SERVER", environment.toUtf8());
        QCOMPARE(serverChoice(commandLine, folder.path()), expected);
        const CommandLine cl = CommandLine::parse(
            commandLine.isEmpty()
                ? QStringList{QStringLiteral("yedekle"), QStringLiteral("--data-dir"), folder.path()}
                : QStringList{QStringLiteral("yedekle"), QStringLiteral("--data-dir"), folder.path(),
                              QStringLiteral("--server"), commandLine});
        QCOMPARE(cl.options().server, expected);
        qunsetenv("KALVORA_SERVER");
    }
};

QTEST_GUILESS_MAIN(TestYedekleServer)
#include "tst_yedekle_server.moc"
