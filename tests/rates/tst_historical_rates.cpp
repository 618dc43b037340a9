#include "local_http_server.h"
#include "rate_samples.h"
#include "rates/historical_rates.h"
#include "support/test_data.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTest>

using namespace kalvora;
using namespace kalvora::test;
using namespace std::chrono_literals;

namespace {

// A day's archive page: today.xml's layout with this day's selling rates.
HttpAnswer archivePage(const QString& usd, const QString& eur)
{
    QString xml = todayXml(QStringLiteral("UTF-8"));
    xml.replace(QStringLiteral("<ForexSelling>36.5976</ForexSelling>"),
                QStringLiteral("<ForexSelling>%1</ForexSelling>").arg(usd));
    xml.replace(QStringLiteral("<ForexSelling>39.8167</ForexSelling>"),
                QStringLiteral("<ForexSelling>%1</ForexSelling>").arg(eur));
    HttpAnswer a;
    a.body = xml.toUtf8();
    a.headers = {{"Content-Type", "application/xml"}};
    return a;
}

QByteArray pathOf(const QDate& d)
{
    return HistoricalRates::archivePage(QUrl(QStringLiteral("http://x/kurlar/today.xml")), d)
        .path()
        .toLatin1();
}

QDate day(const char* text)
{
    return QDate::fromString(QString::fromLatin1(text), QStringLiteral("dd.MM.yyyy"));
}

// Runs one fetch to its end and answers "published day usd eur" per asked day, "-" when unknown.
QStringList run(HistoricalRates& rates, const QList<QDate>& days)
{
    QSignalSpy done(&rates, &HistoricalRates::finished);
    rates.fetch(days);
    if (!done.wait(20000))
        return {QStringLiteral("no answer")};
    QStringList out;
    for (const QDate& d : days) {
        const auto usd = rates.selling(Currency::Dolar, d);
        const auto eur = rates.selling(Currency::Euro, d);
        out.append(usd ? rates.publishedFor(d).toString(QStringLiteral("dd.MM")) + QLatin1Char(' ') +
                             QString::number(*usd) + QLatin1Char(' ') + QString::number(eur.value_or(0))
                       : QStringLiteral("-"));
    }
    return out;
}

} // namespace

class TestHistoricalRates : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }

    void archiveAddress()
    {
        QCOMPARE(HistoricalRates::archivePage(
                     QUrl(QStringLiteral("https://www.tcmb.gov.tr/kurlar/today.xml")), day("07.03.2026")),
                 QUrl(QStringLiteral("https://www.tcmb.gov.tr/kurlar/202603/07032026.xml")));
    }

    // Friday and Monday are published, the weekend between is not: Saturday and Sunday take Friday's
    // rates, each page is asked once, and a second run (a new window) asks the server nothing at all.
    void weekendGap()
    {
        TestData data;
        LocalHttpServer server;
        QVERIFY(server.isListening());
        server.route(pathOf(day("06.03.2026")),
                     archivePage(QStringLiteral("43.1000"), QStringLiteral("50.2000")));
        server.route(pathOf(day("09.03.2026")),
                     archivePage(QStringLiteral("43.3000"), QStringLiteral("50.4000")));
        QNetworkAccessManager network;
        const QUrl today = server.url(QStringLiteral("/kurlar/today.xml"));
        const QList<QDate> days{day("08.03.2026"), day("07.03.2026"), day("09.03.2026"), day("06.03.2026")};
        const QStringList expected{QStringLiteral("06.03 43.1 50.2"), QStringLiteral("06.03 43.1 50.2"),
                                   QStringLiteral("09.03 43.3 50.4"), QStringLiteral("06.03 43.1 50.2")};
        {
            HistoricalRates rates(data.store(), &network, today, 5s);
            QSignalSpy progress(&rates, &HistoricalRates::progress);
            QCOMPARE(run(rates, days), expected);
            QCOMPARE(progress.size(), 4);
            QCOMPARE(progress.last(), (QVariantList{4, 4}));
        }
        for (const char* d : {"06.03.2026", "07.03.2026", "08.03.2026", "09.03.2026"})
            QCOMPARE(server.requestCount(pathOf(day(d))), 1);

        server.route(pathOf(day("06.03.2026")),
                     archivePage(QStringLiteral("99.0000"), QStringLiteral("99.0000")));
        HistoricalRates again(data.store(), &network, today, 5s);
        QCOMPARE(run(again, days), expected);
        for (const char* d : {"06.03.2026", "07.03.2026", "08.03.2026", "09.03.2026"})
            QCOMPARE(server.requestCount(pathOf(day(d))), 1);
    }

    // Days no rate can be found for stay unknown, and are not kept, so a later try asks again.
    void unavailable_data()
    {
        QTest::addColumn<bool>("serverUp");
        QTest::addColumn<int>("requests"); // pages asked for the one day
        QTest::newRow("nothing published for ten days back") << true << 11;
        QTest::newRow("no server") << false << 0;
    }
    void unavailable()
    {
        QFETCH(bool, serverUp);
        QFETCH(int, requests);
        TestData data;
        QNetworkAccessManager network;
        auto server = std::make_unique<LocalHttpServer>();
        const QUrl today = server->url(QStringLiteral("/kurlar/today.xml"));
        // Published eleven days before: one day too far back to count.
        server->route(pathOf(day("09.03.2026")),
                      archivePage(QStringLiteral("43.3000"), QStringLiteral("50.4000")));
        if (!serverUp)
            server.reset();
        HistoricalRates rates(data.store(), &network, today, 5s);
        QCOMPARE(run(rates, {day("20.03.2026"), day("21.03.2026")}),
                 (QStringList{QStringLiteral("-"), QStringLiteral("-")}));
        if (server) {
            int asked = 0;
            for (QDate d = day("09.03.2026"); d <= day("20.03.2026"); d = d.addDays(1))
                asked += server->requestCount(pathOf(d));
            QCOMPARE(asked, requests);
            QCOMPARE(server->requestCount(pathOf(day("09.03.2026"))), 0);
            // The 21st asks only its own page: the days before were found unpublished a moment ago.
            QCOMPARE(server->requestCount(pathOf(day("21.03.2026"))), 1);
        }
        const qint64 kept =
            data.store().scratch().scalar(QStringLiteral("SELECT count(*) FROM KUR_ARSIVI")).toLongLong();
        QCOMPARE(kept, 0);
    }
};

QTEST_GUILESS_MAIN(TestHistoricalRates)
#include "tst_historical_rates.moc"
