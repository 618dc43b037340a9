#include "support/test_data.h"

#include "data/pg/pg_connection.h"
#include "support/pg_server.h"
#include "widgets/message_box.h"

#include <QStandardPaths>

namespace kalvora::test {

namespace {

// The server's databases: a book goes back to the free list when its TestData ends and is emptied
// before its next use, which costs far less than a new database per test case.
struct ServerBooks {
    PgServer server;
    QStringList free;
    int made = 0;

    ServerBooks()
    {
        if (!server.start())
            qFatal("the test server did not start: %s", qPrintable(server.error()));
    }

    QString take()
    {
        if (free.isEmpty()) {
            const QString uri = server.createDatabase(QStringLiteral("book%1").arg(++made));
            if (uri.isEmpty())
                qFatal("no test database: %s", qPrintable(server.error()));
            return uri;
        }
        const QString uri = free.takeLast();
        PgConnection conn = PgConnection::open(uri);
        conn.exec(QStringLiteral(
            "DO $$ DECLARE r record; BEGIN FOR r IN SELECT tgname, tgrelid::regclass AS t FROM pg_trigger "
            "WHERE tgname LIKE 'test\\_refuse\\_%' LOOP EXECUTE format('DROP TRIGGER %I ON %s', r.tgname, "
            "r.t); "
            "END LOOP; END $$"));
        conn.exec(QStringLiteral(
            "TRUNCATE cari.MUSTERILER, cari.CARIKART, iptal.IPTALLER, iptal.IPTAL_HAREKETLER, "
            "iptal.GERI_ALINANLAR, kalvora.save_ids, gelir.GIDERLER, cari.FIRMA_BILGILERI, "
            "cari.GONDERILENLER, "
            "cari.KISI_EPOSTA, cari.AYARLAR, "
            "gider.GIDERLER RESTART IDENTITY; DELETE FROM gelir.KASA_NET; DELETE FROM gider.KASA_NET; "
            "INSERT INTO gelir.KASA_NET (Kasa_net_bakiye) VALUES ('0'); "
            "INSERT INTO gider.KASA_NET (Kasa_net_bakiye) VALUES ('0')"));
        return uri;
    }
};

ServerBooks& serverBooks()
{
    static ServerBooks books;
    return books;
}

} // namespace

bool TestData::onServer()
{
    return qEnvironmentVariable("KALVORA_TEST_STORE") == QLatin1String("server");
}

TestData::TestData()
{
    QStandardPaths::setTestModeEnabled(true);
    m_folder = m_dir.path();
    if (onServer()) {
        m_serverUri = serverBooks().take();
        m_store = Store::onServer(m_folder, m_serverUri);
    } else {
        m_store = std::make_unique<Store>(m_folder);
    }
    const auto problems = m_store->initialize();
    if (!problems.isEmpty())
        qFatal("test data folder could not be prepared: %s", qPrintable(problems.first().text));
}

TestData::~TestData()
{
    m_store.reset();
    if (!m_serverUri.isEmpty())
        serverBooks().free.append(m_serverUri);
}

qint64 TestData::addPerson(const QString& name, const QString& tl, const QString& usd, const QString& euro,
                           const QStringList& contact)
{
    QVariantList params{name};
    for (int i = 0; i < 5; ++i)
        params.append(i < contact.size() ? contact.at(i) : QString());
    params << tl << usd << euro;
    return m_store->accounts().insert(
        QStringLiteral("INSERT INTO MUSTERILER(adisoyadi,istel,ceptel,tc,verdai,adres,SonBakiye,"
                       "SonBakiye_usd,SonBakiye_euro) VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9)"),
        params, QStringLiteral("oto_kod"));
}

qint64 TestData::addTransaction(qint64 person, const QString& amount, const QString& currency,
                                const QString& date, const QString& kind, const QString& description)
{
    return m_store->accounts().insert(
        QStringLiteral("INSERT INTO CARIKART(uye_kodu,aylar,tutar,durum,tarih,para_cinsi,para) "
                       "VALUES (?1,?2,?3,?4,'12:00:00',?5,?6)"),
        {QString::number(person), description, amount, date, currency, kind}, QStringLiteral("otokod"));
}

std::unique_ptr<Store> TestData::otherDesk()
{
    if (m_serverUri.isEmpty())
        return std::make_unique<Store>(m_folder);
    return Store::onServer(m_folder, m_serverUri);
}

void TestData::refuseChanges(const QString& schema, const QString& table, const QString& event)
{
    const QString name = QStringLiteral("test_refuse_") + event.toLower();
    BookConnection& db = m_store->accounts();
    if (!db.onServer()) {
        db.exec(QStringLiteral("CREATE TRIGGER ") + schema + QLatin1Char('.') + name +
                QStringLiteral(" BEFORE ") + event + QStringLiteral(" ON ") + table +
                QStringLiteral(" BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        return;
    }
    db.exec(
        QStringLiteral("CREATE OR REPLACE FUNCTION kalvora.test_refuse() RETURNS trigger LANGUAGE plpgsql AS "
                       "$$ BEGIN RAISE EXCEPTION 'refused'; END $$"));
    db.exec(QStringLiteral("CREATE TRIGGER ") + name + QStringLiteral(" BEFORE ") + event +
            QStringLiteral(" ON ") + (schema == QLatin1String("main") ? QStringLiteral("cari") : schema) +
            QLatin1Char('.') + table +
            QStringLiteral(" FOR EACH ROW EXECUTE FUNCTION kalvora.test_refuse()"));
}

void TestData::allowChanges(const QString& schema, const QString& table, const QString& event)
{
    const QString name = QStringLiteral("test_refuse_") + event.toLower();
    BookConnection& db = m_store->accounts();
    if (!db.onServer()) {
        db.exec(QStringLiteral("DROP TRIGGER ") + schema + QLatin1Char('.') + name);
        return;
    }
    db.exec(QStringLiteral("DROP TRIGGER ") + name + QStringLiteral(" ON ") +
            (schema == QLatin1String("main") ? QStringLiteral("cari") : schema) + QLatin1Char('.') + table);
}

QString TestData::bookLabel(const QString& file) const
{
    return m_serverUri.isEmpty() ? file : QStringLiteral("SUNUCU");
}

MessageBoxCapture::MessageBoxCapture()
{
    MessageBox::setTestMode(true);
}

MessageBoxCapture::~MessageBoxCapture()
{
    MessageBox::setTestMode(false);
}

QString MessageBoxCapture::lastText() const
{
    return MessageBox::shown().isEmpty() ? QString() : MessageBox::shown().last().text;
}

QString MessageBoxCapture::lastTitle() const
{
    return MessageBox::shown().isEmpty() ? QString() : MessageBox::shown().last().title;
}

int MessageBoxCapture::count() const
{
    return static_cast<int>(MessageBox::shown().size());
}

} // namespace kalvora::test
