#include "local_http_server.h"
#include "rate_samples.h"
#include "rates/rate_fetcher.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTest>

using namespace kalvora;
using namespace Qt::StringLiterals;
using namespace kalvora::test;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(kalvora::test::HttpAnswer)

namespace {

// An answer with the body; announced says whether its length goes out as a header.
HttpAnswer answer(const QByteArray& body, const QByteArray& contentType = "text/html", int status = 200,
                  bool announced = true)
{
    HttpAnswer a;
    a.status = status;
    a.announceLength = announced;
    a.body = body;
    a.headers = {{"Content-Type", contentType}};
    return a;
}

HttpAnswer redirect(const QByteArray& to)
{
    HttpAnswer a;
    a.status = 302;
    a.headers = {{"Location", to}};
    return a;
}

QByteArray oldPage()
{
    return (u"<html><pre>\n"_s + textRow(u"USD"_s, u"ABD DOLARI"_s, u"5.1234"_s) +
            textRow(u"EUR"_s, u"EURO"_s, u"35.12345"_s))
        .toUtf8();
}

// An old-style page that would give rates if it were read, padded to the given size.
QByteArray paddedPage(qsizetype size)
{
    QByteArray page = oldPage();
    return page + QByteArray(size - page.size(), ' ');
}

struct Fetch {
    QString dollar;
    QString euro;
    qint64 elapsed = 0;
    int signals = 0;
};

Fetch fetch(QNetworkAccessManager* network, const QUrl& url, std::chrono::milliseconds limit = 5s)
{
    RateFetcher fetcher(network, limit);
    QSignalSpy spy(&fetcher, &RateFetcher::finished);
    QElapsedTimer clock;
    clock.start();
    fetcher.start(url);
    Fetch result;
    if (spy.wait(10000)) {
        result.elapsed = clock.elapsed();
        result.dollar = spy.at(0).at(0).toString();
        result.euro = spy.at(0).at(1).toString();
        // No second answer may follow.
        QTest::qWait(50);
        result.signals = static_cast<int>(spy.size());
        if (fetcher.isRunning() || fetcher.rates().dollar != result.dollar ||
            fetcher.rates().euro != result.euro)
            result.signals = -1;
    }
    return result;
}

} // namespace

class TestRateFetcher : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        // The tests talk to 127.0.0.1 only; a proxy from the environment must not take the requests
        // elsewhere.
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    }

    void cleanup() { qunsetenv("KALVORA_KUR_URL"); }

    void answers_data()
    {
        QTest::addColumn<HttpAnswer>("reply");
        QTest::addColumn<QString>("dollar");
        QTest::addColumn<QString>("euro");

        const QString d = sampleDollar();
        const QString e = sampleEuro();
        QTest::newRow("today.xml utf-8") << answer(todayXmlUtf8(), "application/xml") << d << e;
        QTest::newRow("today.xml iso-8859-9")
            << answer(todayXmlIso88599(), "text/xml; charset=ISO-8859-9") << d << e;
        QTest::newRow("today.xml iso-8859-9 without charset")
            << answer(todayXmlIso88599(), "text/xml") << d << e;
        QTest::newRow("today.xml without length") << answer(todayXmlUtf8(), "text/xml", 200, false) << d << e;
        QTest::newRow("old text page") << answer(oldPage()) << u"5,1234"_s << u"35,123"_s;
        QTest::newRow("old page with an earlier EUR")
            << answer((u"EUR"_s.leftJustified(46, u' ') + u"14.03.2025\n"_s).toUtf8() + oldPage())
            << u"5,1234"_s << u"14,03,"_s;
        QTest::newRow("empty body") << answer(QByteArray()) << QString() << QString();
        QTest::newRow("404 with a page") << answer(oldPage(), "text/html", 404) << QString() << QString();
        QTest::newRow("500 with a document")
            << answer(todayXmlUtf8(), "text/xml", 500) << QString() << QString();
        QTest::newRow("binary body") << answer(QByteArray("\0\0\0", 3) + oldPage(),
                                               "application/octet-stream")
                                     << QString() << QString();
        QTest::newRow("one mebibyte is taken")
            << answer(paddedPage(RateFetcher::maximumBody)) << u"5,1234"_s << u"35,123"_s;
        QTest::newRow("over one mebibyte announced")
            << answer(paddedPage(RateFetcher::maximumBody + 1)) << QString() << QString();
        QTest::newRow("over one mebibyte unannounced")
            << answer(paddedPage(4 * RateFetcher::maximumBody), "text/html", 200, false) << QString()
            << QString();
    }
    void answers()
    {
        QFETCH(HttpAnswer, reply);
        QFETCH(QString, dollar);
        QFETCH(QString, euro);
        LocalHttpServer server;
        QVERIFY(server.isListening());
        server.route("/kurlar/today.xml", reply);
        QNetworkAccessManager network;
        const Fetch f = fetch(&network, server.url(u"/kurlar/today.xml"_s));
        QCOMPARE(f.signals, 1);
        QCOMPARE(f.dollar, dollar);
        QCOMPARE(f.euro, euro);
    }

    void redirects_data()
    {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QString>("dollar");
        QTest::addColumn<bool>("loop");
        QTest::newRow("moved once") << QByteArray("/kurlar/today.html") << sampleDollar() << false;
        QTest::newRow("loop") << QByteArray("/loop") << QString() << true;
    }
    void redirects()
    {
        QFETCH(QByteArray, start);
        QFETCH(QString, dollar);
        QFETCH(bool, loop);
        LocalHttpServer server;
        server.route("/kurlar/today.html", redirect("/kurlar/today.xml"));
        server.route("/kurlar/today.xml", answer(todayXmlUtf8(), "text/xml"));
        server.route("/loop", redirect("/loop"));
        QNetworkAccessManager network;
        const Fetch f = fetch(&network, server.url(QString::fromLatin1(start)));
        QCOMPARE(f.signals, 1);
        QCOMPARE(f.dollar, dollar);
        // The network layer may resend a request on a connection the server closed, so only a bound holds.
        const int loopRequests = server.requestCount("/loop");
        if (loop)
            QVERIFY(loopRequests > RateFetcher::maximumRedirects &&
                    loopRequests <= 2 * (RateFetcher::maximumRedirects + 1));
        else
            QCOMPARE(loopRequests, 0);
    }

    void limit_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("never answers") << int(HttpAnswer::Mode::Silent);
        // Bytes keep coming, but the whole fetch still has to end at the limit.
        QTest::newRow("answers too slowly") << int(HttpAnswer::Mode::Trickle);
    }
    void limit()
    {
        QFETCH(int, mode);
        LocalHttpServer server;
        HttpAnswer slow = answer(oldPage());
        slow.mode = HttpAnswer::Mode(mode);
        server.route("/kurlar/today.xml", slow);
        QNetworkAccessManager network;
        const Fetch f = fetch(&network, server.url(u"/kurlar/today.xml"_s), 400ms);
        QCOMPARE(f.signals, 1);
        QCOMPARE(f.dollar, QString());
        QCOMPARE(f.euro, QString());
        QVERIFY2(f.elapsed >= 350 && f.elapsed < 3000, QByteArray::number(f.elapsed).constData());
    }

    void noServer()
    {
        quint16 port = 0;
        {
            LocalHttpServer closed;
            port = closed.port();
        }
        QNetworkAccessManager network;
        const Fetch f = fetch(&network, QUrl(u"http://127.0.0.1:%1/kurlar/today.xml"_s.arg(port)));
        QCOMPARE(f.signals, 1);
        QCOMPARE(f.dollar, QString());
        QCOMPARE(f.euro, QString());
    }

    void refusedAddresses_data()
    {
        QTest::addColumn<QUrl>("url");
        QTest::newRow("other scheme") << QUrl(u"ftp://127.0.0.1/kurlar/today.xml"_s);
        QTest::newRow("data url") << QUrl(u"data:text/plain,USD"_s);
        QTest::newRow("empty") << QUrl();
    }
    void refusedAddresses()
    {
        QFETCH(QUrl, url);
        QNetworkAccessManager network;
        RateFetcher fetcher(&network, 5s);
        QSignalSpy spy(&fetcher, &RateFetcher::finished);
        fetcher.start(url);
        // The answer comes from the event loop, as for every other failure.
        QCOMPARE(spy.size(), 0);
        QVERIFY(fetcher.isRunning());
        QVERIFY(spy.wait(2000));
        QCOMPARE(spy.at(0).at(0).toString(), QString());
        QCOMPARE(spy.at(0).at(1).toString(), QString());
        QVERIFY(!fetcher.isRunning());
    }

    void savedPage()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(u"today.html"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(oldPage());
        file.close();
        QNetworkAccessManager network;
        const Fetch f = fetch(&network, QUrl::fromLocalFile(file.fileName()));
        QCOMPARE(f.dollar, u"5,1234"_s);
        QCOMPARE(f.euro, u"35,123"_s);
    }

    void abortGivesNoAnswer()
    {
        LocalHttpServer server;
        HttpAnswer silent;
        silent.mode = HttpAnswer::Mode::Silent;
        server.route("/silent", silent);
        server.route("/kurlar/today.xml", answer(todayXmlUtf8(), "text/xml"));
        QNetworkAccessManager network;
        RateFetcher fetcher(&network, 300ms);
        QSignalSpy spy(&fetcher, &RateFetcher::finished);

        fetcher.start(server.url(u"/silent"_s));
        fetcher.abort();
        QVERIFY(!fetcher.isRunning());
        QTest::qWait(500);
        QCOMPARE(spy.size(), 0);

        // A new start drops the old fetch: only the new one answers.
        fetcher.start(server.url(u"/silent"_s));
        fetcher.start(server.url(u"/kurlar/today.xml"_s));
        QVERIFY(spy.wait(3000));
        QTest::qWait(500);
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), sampleDollar());
    }

    void destroyedWhileRunning()
    {
        LocalHttpServer server;
        HttpAnswer silent;
        silent.mode = HttpAnswer::Mode::Silent;
        server.route("/kurlar/today.xml", silent);
        QNetworkAccessManager network;
        {
            RateFetcher fetcher(&network, 5s);
            fetcher.start(server.url(u"/kurlar/today.xml"_s));
            QTest::qWait(100);
        }
        QTest::qWait(100);
    }

    void address_data()
    {
        QTest::addColumn<QByteArray>("environment");
        QTest::addColumn<QUrl>("expected");
        QTest::newRow("unset") << QByteArray() << QUrl(u"https://www.tcmb.gov.tr/kurlar/today.xml"_s);
        QTest::newRow("blank") << QByteArray("  ") << QUrl(u"https://www.tcmb.gov.tr/kurlar/today.xml"_s);
        QTest::newRow("set") << QByteArray("http://127.0.0.1:8080/kur.xml")
                             << QUrl(u"http://127.0.0.1:8080/kur.xml"_s);
        QTest::newRow("saved file") << QByteArray("/tmp/today.html")
                                    << QUrl::fromLocalFile(u"/tmp/today.html"_s);
    }
    void address()
    {
        QFETCH(QByteArray, environment);
        QFETCH(QUrl, expected);
        if (environment.isNull())
            qunsetenv("KALVORA_KUR_URL");
        else
            qputenv("KALVORA_KUR_URL", environment);
        QCOMPARE(RateFetcher::address(), expected);
    }

    void startUsesTheAddress()
    {
        LocalHttpServer server;
        server.route("/kur.xml", answer(todayXmlIso88599(), "text/xml"));
        qputenv("KALVORA_KUR_URL", server.url(u"/kur.xml"_s).toEncoded());
        QNetworkAccessManager network;
        RateFetcher fetcher(&network);
        QSignalSpy spy(&fetcher, &RateFetcher::finished);
        fetcher.start();
        QVERIFY(spy.wait(5000));
        QCOMPARE(fetcher.rates(), (ExchangeRates{sampleDollar(), sampleEuro()}));
        QCOMPARE(server.requestCount("/kur.xml"), 1);
    }
};

QTEST_GUILESS_MAIN(TestRateFetcher)
#include "tst_rate_fetcher.moc"
