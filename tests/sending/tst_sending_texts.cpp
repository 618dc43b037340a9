#include "sending/amount_words.h"
#include "sending/message_template.h"
#include "sending/phone_number.h"
#include "sending/smtp_mail.h"

#include <QTest>

using namespace kalvora;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(kalvora::Currency)

class TestSendingTexts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void amountInWords_data()
    {
        QTest::addColumn<qint64>("hundredths");
        QTest::addColumn<Currency>("currency");
        QTest::addColumn<QString>("words");
        const Currency tl = Currency::Tl;
        QTest::newRow("0") << qint64(0) << tl << u"SIFIR TÜRK LİRASI"_s;
        QTest::newRow("0,01") << qint64(1) << tl << u"BİR KURUŞ"_s;
        QTest::newRow("1") << qint64(100) << tl << u"BİR TÜRK LİRASI"_s;
        QTest::newRow("10") << qint64(1000) << tl << u"ON TÜRK LİRASI"_s;
        QTest::newRow("11") << qint64(1100) << tl << u"ON BİR TÜRK LİRASI"_s;
        QTest::newRow("100") << qint64(10000) << tl << u"YÜZ TÜRK LİRASI"_s;
        QTest::newRow("101") << qint64(10100) << tl << u"YÜZ BİR TÜRK LİRASI"_s;
        QTest::newRow("1.000") << qint64(100000) << tl << u"BİN TÜRK LİRASI"_s;
        QTest::newRow("1.001") << qint64(100100) << tl << u"BİN BİR TÜRK LİRASI"_s;
        QTest::newRow("1.234,50") << qint64(123450) << tl
                                  << u"BİN İKİ YÜZ OTUZ DÖRT TÜRK LİRASI ELLİ KURUŞ"_s;
        QTest::newRow("1.000.000") << qint64(100000000) << tl << u"BİR MİLYON TÜRK LİRASI"_s;
        QTest::newRow("2.000.000.000") << qint64(200000000000) << tl << u"İKİ MİLYAR TÜRK LİRASI"_s;
        QTest::newRow("11.000 (a thousand group above one)")
            << qint64(1100000) << tl << u"ON BİR BİN TÜRK LİRASI"_s;
        QTest::newRow("1.001.001,99")
            << qint64(100100199) << tl << u"BİR MİLYON BİN BİR TÜRK LİRASI DOKSAN DOKUZ KURUŞ"_s;
        QTest::newRow("negative shown without its sign")
            << qint64(-123450) << tl << u"BİN İKİ YÜZ OTUZ DÖRT TÜRK LİRASI ELLİ KURUŞ"_s;
        QTest::newRow("dollar") << qint64(25075) << Currency::Dolar
                                << u"İKİ YÜZ ELLİ ABD DOLARI YETMİŞ BEŞ SENT"_s;
        QTest::newRow("euro") << qint64(90000) << Currency::Euro << u"DOKUZ YÜZ EURO"_s;
    }
    void amountInWords()
    {
        QFETCH(qint64, hundredths);
        QFETCH(Currency, currency);
        QFETCH(QString, words);
        QCOMPARE(kalvora::amountInWords(hundredths, currency), words);
    }

    // A balance summed in doubles (0,1 + 0,2) still names the hundredths it shows.
    void amountInWordsRoundsShownValue()
    {
        QCOMPARE(kalvora::amountInWords(0.1 + 0.2, Currency::Tl), u"OTUZ KURUŞ"_s);
    }

    void mobileNumbers_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("digits"); // empty: refused
        QTest::newRow("05xx") << u"05321234567"_s << u"905321234567"_s;
        QTest::newRow("5xx") << u"5321234567"_s << u"905321234567"_s;
        QTest::newRow("+90 with blanks") << u"+90 532 123 45 67"_s << u"905321234567"_s;
        QTest::newRow("0090") << u"0090 532 1234567"_s << u"905321234567"_s;
        QTest::newRow("90 without plus") << u"905321234567"_s << u"905321234567"_s;
        QTest::newRow("brackets and dashes") << u"(0532) 123-45-67"_s << u"905321234567"_s;
        QTest::newRow("dots") << u"0532.123.45.67"_s << u"905321234567"_s;
        QTest::newRow("landline") << u"0212 123 45 67"_s << QString();
        QTest::newRow("too short") << u"0532 123 45"_s << QString();
        QTest::newRow("too long") << u"05321234567 8"_s << QString();
        QTest::newRow("letters") << u"0532 ABC 45 67"_s << QString();
        QTest::newRow("foreign") << u"+49 151 2345678"_s << QString();
        QTest::newRow("empty") << u"  "_s << QString();
    }
    void mobileNumbers()
    {
        QFETCH(QString, typed);
        QFETCH(QString, digits);
        const MobileNumber n = turkishMobile(typed);
        QCOMPARE(n.digits, digits);
        QCOMPARE(n.valid(), !digits.isEmpty());
        QCOMPARE(n.error.isEmpty(), n.valid()); // a refusal always says why
    }

    void emailAddresses_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("plain") << u"ayse.yilmaz@example.invalid"_s << true;
        QTest::newRow("blanks around") << u"  ali@example.invalid "_s << true;
        QTest::newRow("no domain") << u"ali@"_s << false;
        QTest::newRow("no dot in the domain") << u"ali@example"_s << false;
        QTest::newRow("two at signs") << u"ali@veli@example.invalid"_s << false;
        QTest::newRow("a line break (a second header)") << u"ali@example.invalid\nBcc: x@y.z"_s << false;
        QTest::newRow("two addresses") << u"ali@example.invalid, veli@example.invalid"_s << false;
        QTest::newRow("taken for an option") << u"--attach=/etc/passwd@example.invalid"_s << false;
    }
    void emailAddresses()
    {
        QFETCH(QString, address);
        QFETCH(bool, accepted);
        QCOMPARE(looksLikeEmail(address), accepted);
    }

    void templates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("filled");
        QTest::addColumn<QStringList>("unknown");
        QTest::newRow("all fields") << u"{ADI} {BAKIYE} {TARIH} {FIRMA}"_s
                                    << u"AYŞE 1.234,50 TL BORÇ 31.12.2026 ORVENTA"_s << QStringList();
        QTest::newRow("a field twice") << u"{ADI}/{ADI}"_s << u"AYŞE/AYŞE"_s << QStringList();
        QTest::newRow("no field") << u"MERHABA"_s << u"MERHABA"_s << QStringList();
        QTest::newRow("an unknown field stays")
            << u"{ADI} {ADRES} {ADRES}"_s << u"AYŞE {ADRES} {ADRES}"_s << QStringList{u"ADRES"_s};
        QTest::newRow("lower case is not a field") << u"{adi}"_s << u"{adi}"_s << QStringList{u"adi"_s};
        QTest::newRow("unclosed brace") << u"{ADI"_s << u"{ADI"_s << QStringList();
    }
    void templates()
    {
        QFETCH(QString, text);
        QFETCH(QString, filled);
        QFETCH(QStringList, unknown);
        const MessageFields f{u"AYŞE"_s, u"1.234,50 TL BORÇ"_s, u"31.12.2026"_s, u"ORVENTA"_s};
        QCOMPARE(fillTemplate(text, f), filled);
        QCOMPARE(unknownFields(text), unknown);
    }

    // A sender who set no company name gets no dangling text in its place; a name with braces is not
    // taken for a field.
    void templateMissingValues()
    {
        const MessageFields none{u"{TARIH}"_s, QString(), QString(), QString()};
        QCOMPARE(fillTemplate(u"SAYIN {ADI}\n\n{FIRMA}"_s, none), u"SAYIN {TARIH}"_s);
        QVERIFY(unknownFields(defaultSubjectTemplate()).isEmpty());
        QVERIFY(unknownFields(defaultBodyTemplate()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSendingTexts)
#include "tst_sending_texts.moc"
