#include "data/turkish_text.h"

#include <QRegularExpression>
#include <QTest>

using namespace kalvora;

class TestTurkishText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void upperCase_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("turkish letters") << QStringLiteral("çiğdem ışık") << QStringLiteral("ÇİĞDEM IŞIK");
        QTest::newRow("istanbul") << QStringLiteral("istanbul") << QStringLiteral("İSTANBUL");
        QTest::newRow("already upper") << QStringLiteral("ALİ VELİ 12") << QStringLiteral("ALİ VELİ 12");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("apostrophe") << QStringLiteral("ali'nin dükkanı") << QStringLiteral("ALİ'NİN DÜKKANI");
        QTest::newRow("line break") << QStringLiteral("a\nb") << QStringLiteral("A\nB");
    }
    void upperCase()
    {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QCOMPARE(BuyukHarf(input), expected);
    }

    void readNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        QTest::newRow("grouped") << QStringLiteral("1.250,50") << true << 1250.5;
        QTest::newRow("typed") << QStringLiteral("1250,5") << true << 1250.5;
        QTest::newRow("zero display") << QStringLiteral("0,00") << true << 0.0;
        QTest::newRow("leading comma") << QStringLiteral(",75") << true << 0.75;
        QTest::newRow("negative") << QStringLiteral("-1.500,50") << true << -1500.5;
        QTest::newRow("blanks") << QStringLiteral("  12 ") << true << 12.0;
        QTest::newRow("trailing comma") << QStringLiteral("12,") << true << 12.0;
        QTest::newRow("empty") << QString() << false << 0.0;
        QTest::newRow("lone comma") << QStringLiteral(",") << false << 0.0;
        QTest::newRow("lone minus") << QStringLiteral("-") << false << 0.0;
        QTest::newRow("two commas") << QStringLiteral("1,2,3") << false << 0.0;
        QTest::newRow("letters") << QStringLiteral("12a") << false << 0.0;
        QTest::newRow("inner minus") << QStringLiteral("1-2") << false << 0.0;
    }
    void readNumber()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(double, value);
        const auto v = kalvora::readNumber(text);
        QCOMPARE(v.has_value(), valid);
        if (valid)
            QCOMPARE(*v, value);
        QCOMPARE(numberValue(text), value);
    }

    void format_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("zeroPadded");
        QTest::addColumn<QString>("noLeadingZero");
        QTest::newRow("zero") << 0.0 << QStringLiteral("0,00") << QStringLiteral(",00");
        QTest::newRow("half") << 0.5 << QStringLiteral("0,50") << QStringLiteral(",50");
        QTest::newRow("thousands") << 1250.5 << QStringLiteral("1.250,50") << QStringLiteral("1.250,50");
        QTest::newRow("negative") << -300.0 << QStringLiteral("-300,00") << QStringLiteral("-300,00");
        QTest::newRow("million") << 1234567.89 << QStringLiteral("1.234.567,89")
                                 << QStringLiteral("1.234.567,89");
        QTest::newRow("half away from zero") << 2.675 << QStringLiteral("2,68") << QStringLiteral("2,68");
        QTest::newRow("negative half") << -0.125 << QStringLiteral("-0,13") << QStringLiteral("-,13");
        QTest::newRow("carry") << 999.995 << QStringLiteral("1.000,00") << QStringLiteral("1.000,00");
        QTest::newRow("float dust") << (0.1 + 0.2 - 0.3) << QStringLiteral("0,00") << QStringLiteral(",00");
        QTest::newRow("negative zero") << -0.0 << QStringLiteral("0,00") << QStringLiteral(",00");
        QTest::newRow("tiny negative") << -0.001 << QStringLiteral("0,00") << QStringLiteral(",00");
        QTest::newRow("three decimals") << 12.346 << QStringLiteral("12,35") << QStringLiteral("12,35");
    }
    void format()
    {
        QFETCH(double, value);
        QFETCH(QString, zeroPadded);
        QFETCH(QString, noLeadingZero);
        QCOMPARE(formatAmount(value, AmountPattern::ZeroPadded), zeroPadded);
        QCOMPARE(formatAmount(value, AmountPattern::NoLeadingZero), noLeadingZero);
    }

    void plainText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << QStringLiteral("0");
        QTest::newRow("repayment") << -1500.5 << QStringLiteral("-1500,5");
        QTest::newRow("whole") << -200.0 << QStringLiteral("-200");
        QTest::newRow("fraction") << 0.75 << QStringLiteral("0,75");
        QTest::newRow("large") << 1e20 << QStringLiteral("100000000000000000000");
    }
    void plainText()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(plainNumberText(value), text);
        QCOMPARE(numberValue(text), value);
    }

    void tooManyDigits()
    {
        QVERIFY(!hasTooManyDigits(QStringLiteral("123456789012345")));
        QVERIFY(hasTooManyDigits(QStringLiteral("1234567890123456")));
        QVERIFY(!hasTooManyDigits(QStringLiteral("0,10000000000000000")));
        QVERIFY(hasTooManyDigits(QStringLiteral("1,234567890123456")));
    }

    // Dates are read by hand in the stored form and by the full pattern otherwise: both give what the
    // pattern alone gives.
    void dates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("dd.MM.yyyy") << QStringLiteral("15.03.2008");
        QTest::newRow("d.M.yyyy") << QStringLiteral("5.3.2008");
        QTest::newRow("no such day") << QStringLiteral("31.02.2008");
        QTest::newRow("ISO") << QStringLiteral("2008-03-15");
        QTest::newRow("empty") << QString();
        QTest::newRow("three-digit day") << QStringLiteral("123.3.2008");
        QTest::newRow("five-digit year") << QStringLiteral("1.3.20080");
        QTest::newRow("missing month") << QStringLiteral("01..2008");
        QTest::newRow("a third dot") << QStringLiteral("1.3.20.08");
        QTest::newRow("zeros") << QStringLiteral("00.00.0000");
        QTest::newRow("blanks around") << QStringLiteral(" 5.3.2008 ");
        QTest::newRow("Arabic-Indic digits") << QStringLiteral("٥.٣.٢٠٠٨");
        QTest::newRow("year 999") << QStringLiteral("01.01.0999");
        QTest::newRow("ten digits, no dot") << QStringLiteral("3366666636");
        QTest::newRow("five-digit day") << QStringLiteral("33666.6.36");
    }
    void dates()
    {
        QFETCH(QString, text);
        static const QRegularExpression re(QStringLiteral("^\\s*(\\d{1,2})\\.(\\d{1,2})\\.(\\d{4})\\s*$"));
        const auto m = re.match(text);
        const QDate expected =
            m.hasMatch() ? QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt())
                         : QDate();
        QCOMPARE(readDateText(text), expected);
        if (expected.isValid())
            QCOMPARE(readDateText(dateText(expected)), expected);
    }

    void datesAndTimesWritten()
    {
        QCOMPARE(dateText(QDate(2008, 3, 5)), QStringLiteral("05.03.2008"));
        QCOMPARE(dateText(QDate(9999, 12, 31)), QStringLiteral("31.12.9999"));
        QCOMPARE(dateText(QDate(999, 1, 2)), QDate(999, 1, 2).toString(QStringLiteral("dd.MM.yyyy")));
        QCOMPARE(dateText(QDate()), QString());
        QCOMPARE(timeText(QTime(14, 5, 9)), QStringLiteral("14:05:09"));
        QCOMPARE(readTimeText(QStringLiteral("14:05:09")), QTime(14, 5, 9));
        QVERIFY(!readTimeText(QStringLiteral("25:00:00")).isValid());
    }

    void turkishOrder_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::newRow("C before Ç") << QStringLiteral("CAN") << QStringLiteral("ÇAĞLA");
        QTest::newRow("Ç before D") << QStringLiteral("ÇAĞLA") << QStringLiteral("DENİZ");
        QTest::newRow("I before İ") << QStringLiteral("IŞIK") << QStringLiteral("İLKER");
        QTest::newRow("O before Ö before P") << QStringLiteral("OKAN") << QStringLiteral("ÖMER");
        QTest::newRow("S before Ş") << QStringLiteral("SELİM") << QStringLiteral("ŞAHİN");
        QTest::newRow("U before Ü") << QStringLiteral("UMUT") << QStringLiteral("ÜMİT");
        QTest::newRow("G before Ğ before H") << QStringLiteral("GÖKHAN") << QStringLiteral("ĞA");
        QTest::newRow("blank first") << QStringLiteral("ALİ") << QStringLiteral("ALİ VELİ");
        QTest::newRow("Z last") << QStringLiteral("ÜMİT") << QStringLiteral("ZEKİ");
    }
    void turkishOrder()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QVERIFY(turkishCompare(a, b) < 0);
        QVERIFY(turkishCompare(b, a) > 0);
    }

    void turkishCaseFolding()
    {
        QCOMPARE(turkishCompareNoCase(QStringLiteral("ali"), QStringLiteral("ALİ")), 0);
        QCOMPARE(turkishCompareNoCase(QStringLiteral("ılık"), QStringLiteral("ILIK")), 0);
        QVERIFY(turkishCompareNoCase(QStringLiteral("ali"), QStringLiteral("ALI")) != 0);
        QVERIFY(turkishCompare(QStringLiteral("ali"), QStringLiteral("ALİ")) != 0);
    }
};

QTEST_GUILESS_MAIN(TestTurkishText)
#include "tst_turkish_text.moc"
