#include "rate_samples.h"
#include "rates/exchange_rates.h"

#include <QStringEncoder>
#include <QTest>

using namespace kalvora;
using namespace kalvora::test;

namespace {

QByteArray iso88599(const QString& text)
{
    QStringEncoder encoder("ISO-8859-9");
    return encoder.encode(text);
}

QString heading()
{
    return QStringLiteral("<html><body><pre>\nT.C. MERKEZ BANKASI GÖSTERGE NİTELİĞİNDEKİ KURLAR\n");
}

} // namespace

class TestExchangeRates : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void encodingsOfTheSample()
    {
        // The ISO-8859-9 sample must really be single-byte Turkish, else the second case proves nothing.
        QVERIFY(todayXmlIso88599().contains('\xDD'));
        QVERIFY(!todayXmlUtf8().contains('\xDD'));
    }

    void page_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("charset");
        QTest::addColumn<QString>("dollar");
        QTest::addColumn<QString>("euro");

        const QString d = sampleDollar();
        const QString e = sampleEuro();
        QTest::newRow("xml utf-8") << todayXmlUtf8() << QByteArray() << d << e;
        QTest::newRow("xml iso-8859-9") << todayXmlIso88599() << QByteArray() << d << e;
        QTest::newRow("xml iso-8859-9 named by the server")
            << todayXmlIso88599() << QByteArray("iso-8859-9") << d << e;
        QTest::newRow("xml with utf-8 bom")
            << QByteArray("\xEF\xBB\xBF") + todayXmlUtf8() << QByteArray() << d << e;
        QTest::newRow("xml without declaration in iso-8859-9")
            << iso88599(todayXml(QStringLiteral("x")).section(u'\n', 1)) << QByteArray() << d << e;

        const QString usd = QStringLiteral(
            R"(<Currency Kod="USD" CurrencyCode="USD"><Unit>1</Unit><ForexBuying>  36.5318
</ForexBuying></Currency>)");
        const QString eur = QStringLiteral(
            R"(<Currency Kod="EUR" CurrencyCode="EUR"><ForexBuying>39.7451</ForexBuying></Currency>)");
        auto doc = [](const QString& inner) {
            return (QStringLiteral(R"(<?xml version="1.0"?><Tarih_Date Tarih="14.03.2025">)") + inner +
                    QStringLiteral("</Tarih_Date>"))
                .toUtf8();
        };
        QTest::newRow("xml euro before dollar, figure trimmed") << doc(eur + usd) << QByteArray() << d << e;
        QTest::newRow("xml first of a code wins")
            << doc(usd + eur +
                   QStringLiteral(
                       R"(<Currency CurrencyCode="USD"><ForexBuying>1.0</ForexBuying></Currency>)"))
            << QByteArray() << d << e;
        QTest::newRow("xml code only in Kod")
            << doc(QStringLiteral(R"(<Currency Kod="USD"><ForexBuying>36.5318</ForexBuying></Currency>)") +
                   eur)
            << QByteArray() << d << e;
        QTest::newRow("xml without euro") << doc(usd) << QByteArray() << d << QString();
        QTest::newRow("xml euro without figure")
            << doc(usd + QStringLiteral(R"(<Currency CurrencyCode="EUR"><ForexBuying/></Currency>)"))
            << QByteArray() << d << QString();
        QTest::newRow("xml empty document") << doc(QString()) << QByteArray() << QString() << QString();
        // A cut-off document is a failed fetch, not an old text page.
        QTest::newRow("xml cut short") << todayXmlUtf8().left(todayXmlUtf8().indexOf("<Isim>EURO"))
                                       << QByteArray() << QString() << QString();
        QTest::newRow("xml spoilt after the rates")
            << doc(usd + eur).replace("</Tarih_Date>", "</Tarih>") << QByteArray() << QString() << QString();
        QTest::newRow("xml encoding unknown")
            << todayXmlUtf8().replace("UTF-8", "X-NO-SUCH") << QByteArray() << d << e;

        // The old text page: the six characters 46 places after the first code.
        QTest::newRow("text 5.1234")
            << (heading() +
                textRow(QStringLiteral("USD"), QStringLiteral("ABD DOLARI"), QStringLiteral("5.1234")) +
                textRow(QStringLiteral("EUR"), QStringLiteral("EURO"), QStringLiteral("5.9876")))
                   .toUtf8()
            << QByteArray() << QStringLiteral("5,1234") << QStringLiteral("5,9876");
        QTest::newRow("text cut to six")
            << (textRow(QStringLiteral("USD"), QStringLiteral("ABD DOLARI"), QStringLiteral("35.12345")) +
                textRow(QStringLiteral("EUR"), QStringLiteral("EURO"), QStringLiteral("38.9")))
                   .toUtf8()
            << QByteArray() << QStringLiteral("35,123") << QStringLiteral("38,9  ");
        QTest::newRow("text earlier EUR in a heading wins")
            << (QStringLiteral("EUR/TRY ÇAPRAZ KURLARI").leftJustified(46, u'-') +
                QStringLiteral("ab.cdef\n") +
                textRow(QStringLiteral("USD"), QStringLiteral("ABD DOLARI"), QStringLiteral("5.1234")) +
                textRow(QStringLiteral("EUR"), QStringLiteral("EURO"), QStringLiteral("5.9876")))
                   .toUtf8()
            << QByteArray() << QStringLiteral("5,1234") << QStringLiteral("ab,cde");
        QTest::newRow("text search is case-sensitive")
            << (QStringLiteral("usd eur\n") +
                textRow(QStringLiteral("USD"), QStringLiteral("ABD DOLARI"), QStringLiteral("5.1234")))
                   .toUtf8()
            << QByteArray() << QStringLiteral("5,1234") << QString();
        QTest::newRow("text page ends sooner")
            << (QStringLiteral("USD").leftJustified(46, u' ') + QStringLiteral("5.1")).toUtf8()
            << QByteArray() << QStringLiteral("5,1") << QString();
        QTest::newRow("text page ends before the rate")
            << QByteArray("USD EUR 5.1234") << QByteArray() << QString() << QString();
        // Turkish letters are one character each, whatever their encoding.
        const QString turkish =
            textRow(QStringLiteral("USD"), QStringLiteral("ŞİĞÜÖÇ DOLARI"), QStringLiteral("5.1234")) +
            textRow(QStringLiteral("EUR"), QStringLiteral("AVRUPA BİRLİĞİ"), QStringLiteral("6.25"));
        QTest::newRow("text utf-8 turkish")
            << turkish.toUtf8() << QByteArray() << QStringLiteral("5,1234") << QStringLiteral("6,25  ");
        QTest::newRow("text iso-8859-9 unlabelled")
            << iso88599(turkish) << QByteArray() << QStringLiteral("5,1234") << QStringLiteral("6,25  ");
        QTest::newRow("text iso-8859-9 named by the server")
            << iso88599(turkish) << QByteArray("ISO-8859-9") << QStringLiteral("5,1234")
            << QStringLiteral("6,25  ");
        QTest::newRow("text named in a meta tag")
            << QByteArray("<meta charset=\"iso-8859-9\">") + iso88599(turkish) << QByteArray()
            << QStringLiteral("5,1234") << QStringLiteral("6,25  ");
        QTest::newRow("text utf-16 with bom")
            << QByteArray("\xFF\xFE") +
                   QByteArray(reinterpret_cast<const char*>(turkish.utf16()), turkish.size() * 2)
            << QByteArray() << QStringLiteral("5,1234") << QStringLiteral("6,25  ");
        // An XML document of another kind (an XHTML page) is read as a text page.
        QTest::newRow("other xml read as text")
            << (QStringLiteral("<html>") +
                textRow(QStringLiteral("USD"), QString(), QStringLiteral("5.1234")) +
                QStringLiteral("</html>"))
                   .toUtf8()
            << QByteArray() << QStringLiteral("5,1234") << QString();

        QTest::newRow("empty body") << QByteArray() << QByteArray() << QString() << QString();
        QTest::newRow("no codes at all")
            << QStringLiteral("Sayfa bulunamadı. Lütfen daha sonra tekrar deneyiniz, 12.34.56.78.90")
                   .leftJustified(80, u'.')
                   .toUtf8()
            << QByteArray() << QString() << QString();
        QTest::newRow("binary body")
            << QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) +
                   textRow(QStringLiteral("USD"), {}, QStringLiteral("5.1234")).toUtf8()
            << QByteArray() << QString() << QString();
    }
    void page()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, charset);
        QFETCH(QString, dollar);
        QFETCH(QString, euro);
        const ExchangeRates rates = ratesFromPage(body, charset);
        QCOMPARE(rates.dollar, dollar);
        QCOMPARE(rates.euro, euro);
    }

    void xmlOnlyForTheDailyDocument()
    {
        QVERIFY(ratesFromXml(todayXmlUtf8()).has_value());
        QVERIFY(!ratesFromXml(QByteArray("USD 5.1234")).has_value());
        QVERIFY(!ratesFromXml(QByteArray("<!DOCTYPE html><html><body>USD</body></html>")).has_value());
        QVERIFY(!ratesFromXml(QByteArray()).has_value());
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("charset");
        QTest::addColumn<bool>("text");
        QTest::addColumn<QString>("expected");
        const QString word = QStringLiteral("İĞŞığş");
        QTest::newRow("utf-8") << word.toUtf8() << QByteArray() << true << word;
        QTest::newRow("iso-8859-9 sniffed") << iso88599(word) << QByteArray() << true << word;
        QTest::newRow("server charset wins")
            << iso88599(QStringLiteral("<?xml encoding=\"utf-8\"?>") + word) << QByteArray("ISO-8859-9")
            << true << QStringLiteral("<?xml encoding=\"utf-8\"?>") + word;
        QTest::newRow("unknown server charset ignored")
            << word.toUtf8() << QByteArray("x-nothing") << true << word;
        QTest::newRow("line breaks and tabs")
            << QByteArray("a\tb\r\nc\f") << QByteArray() << true << QStringLiteral("a\tb\r\nc\f");
        QTest::newRow("nul") << QByteArray("USD\0", 4) << QByteArray() << false << QString();
        QTest::newRow("escape") << QByteArray("USD\x1B[0m") << QByteArray() << false << QString();
    }
    void decode()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, charset);
        QFETCH(bool, text);
        QFETCH(QString, expected);
        const auto decoded = decodePage(body, charset);
        QCOMPARE(decoded.has_value(), text);
        if (text)
            QCOMPARE(*decoded, expected);
    }
};

QTEST_GUILESS_MAIN(TestExchangeRates)
#include "tst_exchange_rates.moc"
