#include "app/main_window.h"
#include "app/window_openers.h"
#include "local_http_server.h"
#include "rate_samples.h"
#include "rates/ui/rates_window.h"
#include "support/gui_helpers.h"
#include "support/test_data.h"
#include "widgets/picture_button.h"

#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QNetworkProxy>
#include <QTest>

using namespace kalvora;
using namespace kalvora::test;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(kalvora::test::HttpAnswer)

namespace {

const QString notice =
    QStringLiteral("Kurlar TCMB' dan alınmaktadır. Sistemde oluşabilecek aksaklıklardan yazılımcı "
                   "firma sorumla tutulamaz.");

HttpAnswer answer(const QByteArray& body, int status = 200, const QByteArray& contentType = "text/xml")
{
    HttpAnswer a;
    a.status = status;
    a.body = body;
    a.headers = {{"Content-Type", contentType}};
    return a;
}

} // namespace

class TestRatesWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }
    void cleanup() { qunsetenv("KALVORA_KUR_URL"); }

    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("dollar caption") << QStringLiteral("Label2") << QStringLiteral("1 DOLAR:");
        QTest::newRow("dollar rate") << QStringLiteral("dolar") << QStringLiteral("0,00");
        QTest::newRow("euro caption") << QStringLiteral("Label3") << QStringLiteral("1 EURO:");
        QTest::newRow("euro rate") << QStringLiteral("euro") << QStringLiteral("0,00");
        QTest::newRow("notice") << QStringLiteral("Label4") << notice;
    }
    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        RatesWindow w;
        QCOMPARE(w.objectName(), QStringLiteral("TCMB_KUR"));
        QCOMPARE(w.windowTitle(), QStringLiteral("T.C.M.B KUR TABLOSU"));
        auto* frame = w.findChild<QGroupBox*>(QStringLiteral("Frame1"));
        QVERIFY(frame);
        auto* label = w.findChild<QLabel*>(name);
        QVERIFY(label);
        QCOMPARE(label->parentWidget(), frame);
        QCOMPARE(label->text(), text);
        QVERIFY(w.findChild<RateFetcher*>(QStringLiteral("Inet1")));
        // Nothing is fetched before the window appears.
        QVERIFY(!w.isFetching());
    }

    void fetchOnShow_data()
    {
        QTest::addColumn<HttpAnswer>("reply");
        QTest::addColumn<QString>("dollar");
        QTest::addColumn<QString>("euro");
        QTest::newRow("today.xml utf-8") << answer(todayXmlUtf8()) << sampleDollar() << sampleEuro();
        QTest::newRow("today.xml iso-8859-9")
            << answer(todayXmlIso88599(), 200, "text/xml; charset=ISO-8859-9") << sampleDollar()
            << sampleEuro();
        QTest::newRow("old text page")
            << answer(
                   (textRow(QStringLiteral("USD"), QStringLiteral("ABD DOLARI"), QStringLiteral("5.1234")) +
                    textRow(QStringLiteral("EUR"), QStringLiteral("EURO"), QStringLiteral("35.12345")))
                       .toUtf8(),
                   200, "text/html")
            << QStringLiteral("5,1234") << QStringLiteral("35,123");
        QTest::newRow("markup stays text")
            << answer(textRow(QStringLiteral("USD"), {}, QStringLiteral("<b>1</b>")).toUtf8(), 200,
                      "text/html")
            << QStringLiteral("<b>1</") << QString();
        QTest::newRow("404") << answer(todayXmlUtf8(), 404) << QString() << QString();
        QTest::newRow("empty body") << answer(QByteArray()) << QString() << QString();
        HttpAnswer silent;
        silent.mode = HttpAnswer::Mode::Silent;
        QTest::newRow("never answers") << silent << QString() << QString();
    }
    void fetchOnShow()
    {
        QFETCH(HttpAnswer, reply);
        QFETCH(QString, dollar);
        QFETCH(QString, euro);
        MessageBoxCapture boxes;
        LocalHttpServer server;
        server.route("/kurlar/today.xml", reply);
        qputenv("KALVORA_KUR_URL", server.url(QStringLiteral("/kurlar/today.xml")).toEncoded());

        RatesWindow w(nullptr, nullptr, 500ms);
        w.show();
        // The window is there at once, still waiting for the answer, with a busy cursor and without a figure.
        QVERIFY(w.isVisible());
        QVERIFY(w.isFetching());
        QCOMPARE(w.cursor().shape(), Qt::BusyCursor);
        QCOMPARE(test::labelText(&w, "dolar"), QString());
        QCOMPARE(test::labelText(&w, "euro"), QString());

        QTRY_VERIFY_WITH_TIMEOUT(!w.isFetching(), 5000);
        QCOMPARE(test::labelText(&w, "dolar"), dollar);
        QCOMPARE(test::labelText(&w, "euro"), euro);
        // A screen reader reads the rate itself, with its caption as the description; without a rate it
        // reads the caption.
        for (const auto& [name, caption] : {std::pair{"dolar", "1 DOLAR:"}, std::pair{"euro", "1 EURO:"}}) {
            const QString shown = test::labelText(&w, name);
            QAccessibleInterface* reader =
                QAccessible::queryAccessibleInterface(w.findChild<QLabel*>(QString::fromLatin1(name)));
            QCOMPARE(reader->text(QAccessible::Name), shown.isEmpty() ? QString::fromLatin1(caption) : shown);
            QCOMPARE(reader->text(QAccessible::Description), QString::fromLatin1(caption));
        }
        QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(test::labelText(&w, "Label2"), QStringLiteral("1 DOLAR:"));
        QCOMPARE(test::labelText(&w, "Label3"), QStringLiteral("1 EURO:"));
        QCOMPARE(test::labelText(&w, "Label4"), notice);
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(server.requestCount("/kurlar/today.xml"), 1);
        const auto* rate = w.findChild<QLabel*>(QStringLiteral("dolar"));
        QCOMPARE(rate->textFormat(), Qt::PlainText);
    }

    void noServer()
    {
        MessageBoxCapture boxes;
        quint16 port = 0;
        {
            LocalHttpServer closed;
            port = closed.port();
        }
        qputenv("KALVORA_KUR_URL",
                QStringLiteral("http://127.0.0.1:%1/kurlar/today.xml").arg(port).toLatin1());
        RatesWindow w;
        w.show();
        QTRY_VERIFY_WITH_TIMEOUT(!w.isFetching(), 5000);
        QCOMPARE(test::labelText(&w, "dolar"), QString());
        QCOMPARE(test::labelText(&w, "euro"), QString());
        QCOMPARE(test::labelText(&w, "Label2"), QStringLiteral("1 DOLAR:"));
        QCOMPARE(test::labelText(&w, "Label3"), QStringLiteral("1 EURO:"));
        QCOMPARE(boxes.count(), 0);
    }

    void showingAgainDoesNotFetchAgain()
    {
        LocalHttpServer server;
        server.route("/kurlar/today.xml", answer(todayXmlUtf8()));
        qputenv("KALVORA_KUR_URL", server.url(QStringLiteral("/kurlar/today.xml")).toEncoded());
        RatesWindow w;
        w.show();
        QTRY_VERIFY(!w.isFetching());
        w.hide();
        w.show();
        QVERIFY(!w.isFetching());
        QCOMPARE(test::labelText(&w, "dolar"), sampleDollar());
        QCOMPARE(server.requestCount("/kurlar/today.xml"), 1);
    }

    void closedWhileFetching()
    {
        LocalHttpServer server;
        HttpAnswer silent;
        silent.mode = HttpAnswer::Mode::Silent;
        server.route("/kurlar/today.xml", silent);
        qputenv("KALVORA_KUR_URL", server.url(QStringLiteral("/kurlar/today.xml")).toEncoded());
        auto* w = new RatesWindow(nullptr, nullptr, 300ms);
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->show();
        QTRY_COMPARE(server.requestCount("/kurlar/today.xml"), 1);
        QPointer<RatesWindow> guard(w);
        w->close();
        QTRY_VERIFY(!guard);
        QTest::qWait(500);
    }

    // "T.C.M.B KURLARI" opens the window modally over the main window and the rates arrive while it is open.
    void openedFromTheMainWindow()
    {
        MessageBoxCapture boxes;
        TestData data;
        LocalHttpServer server;
        server.route("/kurlar/today.xml", answer(todayXmlIso88599()));
        qputenv("KALVORA_KUR_URL", server.url(QStringLiteral("/kurlar/today.xml")).toEncoded());
        MainWindow main(data.store(), data.folder());
        connectWindowOpeners(main);
        main.show();

        bool modalOverMain = false;
        QString dollar;
        QString euro;
        QTimer poll;
        poll.setInterval(20);
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* w = QApplication::activeModalWidget();
            if (!w || w->objectName() != QStringLiteral("TCMB_KUR"))
                return;
            modalOverMain = w->parentWidget() == &main && w->isModal();
            dollar = test::labelText(w, "dolar");
            euro = test::labelText(w, "euro");
            if (!dollar.isEmpty())
                w->close();
        });
        poll.start();
        QTimer::singleShot(8000, this, [] {
            if (auto* w = QApplication::activeModalWidget())
                w->close();
        });
        auto* button = main.findChild<PictureButton*>(QStringLiteral("MyButton10"));
        QVERIFY(button);
        button->click();
        poll.stop();
        QVERIFY(modalOverMain);
        QCOMPARE(dollar, sampleDollar());
        QCOMPARE(euro, sampleEuro());
        QCOMPARE(boxes.count(), 0);
        main.allowClose();
    }
};

QTEST_MAIN(TestRatesWindow)
#include "tst_rates_window.moc"
