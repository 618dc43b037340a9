#include "data/turkish_text.h"
#include "listview/sort_compare.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QTest>

using namespace kalvora;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(kalvora::SortKind)

namespace {

// The comparison of the text kind done the long way: both keys built with the widths of the pair, the pair
// ordered by the two passes, and the first text compared with text1 ignoring case.
int naturalDecision(const QString& text1, const QString& text2)
{
    const NaturalKeyWidths widths = naturalKeyWidths({text1, text2});
    const QString key1 = naturalKey(text1, widths);
    const QString key2 = naturalKey(text2, widths);
    const int ignoringCase = turkishCompareNoCase(key1, key2);
    QString first = text1;
    if (ignoringCase > 0 || (ignoringCase == 0 && key2 > key1))
        first = text2;
    return turkishCompareNoCase(first, text1) == 0 ? -1 : 1;
}

QString randomText(QRandomGenerator& random)
{
    static const QString alphabet = QStringLiteral("aAiİıIçÇ00129 .\\/,-");
    QString text;
    const int length = random.bounded(9);
    for (int i = 0; i < length; ++i)
        text.append(alphabet.at(random.bounded(alphabet.size())));
    return text;
}

// A row of the comparison tables: the kind, the two cells, the expected result.
void comparison(const char* tag, SortKind kind, const QString& a, const QString& b, int expected)
{
    QTest::newRow(tag) << kind << a << b << expected;
}

// A row with a cell that may not convert; aConverts says whether the first one does.
void badCell(const char* tag, SortKind kind, const QString& a, const QString& b, int expected, bool aConverts)
{
    QTest::newRow(tag) << kind << a << b << expected << aConverts;
}

QStringList arranged(const QStringList& cells, SortKind kind, bool descending)
{
    QStringList out;
    for (int row : sortOrder(cells, kind, descending))
        out.append(cells.at(row));
    return out;
}

} // namespace

class TestSortCompare : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void compare_data()
    {
        QTest::addColumn<SortKind>("kind");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("expected");
        const auto text = SortKind::Text;
        const auto number = SortKind::Number;
        const auto date = SortKind::Date;
        comparison("digit runs by number", text, u"ALİ 2"_s, u"ALİ 10"_s, -1);
        comparison("digit runs by number, swapped", text, u"ALİ 10"_s, u"ALİ 2"_s, 1);
        comparison("nine before ten", text, u"ALİ 9"_s, u"ALİ 10"_s, -1);
        comparison("amounts as text", text, u"200,00"_s, u"1.500,00"_s, -1);
        comparison("amounts as text, swapped", text, u"1.500,00"_s, u"200,00"_s, 1);
        comparison("dates as text: year, then day", text, u"15.03.2008"_s, u"02.04.2008"_s, 1);
        comparison("dates as text, swapped", text, u"02.04.2008"_s, u"15.03.2008"_s, -1);
        comparison("turkish case pair", text, u"ali"_s, u"ALİ"_s, -1);
        comparison("turkish case pair, swapped", text, u"ALİ"_s, u"ali"_s, -1);
        comparison("dotless i is not i", text, u"alı"_s, u"ALİ"_s, -1);
        comparison("dotless i is not i, swapped", text, u"ALİ"_s, u"alı"_s, 1);
        comparison("identical", text, u"ALİ"_s, u"ALİ"_s, -1);
        comparison("C before Ç", text, u"CAN"_s, u"ÇAĞLA"_s, -1);
        comparison("Ç before D", text, u"ÇAĞLA"_s, u"DEMİR"_s, -1);
        comparison("I before İ", text, u"IŞIK"_s, u"İLKER"_s, -1);
        comparison("small ı is I", text, u"ışık"_s, u"İLKER"_s, -1);
        comparison("İ after I", text, u"İLKER"_s, u"IŞIK"_s, 1);
        comparison("Z last", text, u"ZEKİ"_s, u"ÖMER"_s, 1);
        comparison("empty first", text, u""_s, u"A"_s, -1);
        comparison("empty first, swapped", text, u"A"_s, u""_s, 1);
        comparison("both empty", text, u""_s, u""_s, -1);
        comparison("same key ignoring case: larger codes first", text, u"a2"_s, u"A02"_s, -1);
        comparison("same key ignoring case, swapped", text, u"A02"_s, u"a2"_s, 1);
        comparison("identical keys keep text1 first", text, u"ALİ 2"_s, u"ALİ 02"_s, -1);
        comparison("identical keys, swapped", text, u"ALİ 02"_s, u"ALİ 2"_s, -1);
        comparison("extension first", text, u"RAPOR.TXT"_s, u"ANKET.DOC"_s, 1);
        comparison("dot before the last backslash", text, u"C:\\X.Y\\DOSYA"_s, u"C:\\X.Y\\BELGE"_s, 1);
        comparison("dot before the last slash", text, u"A.B/2"_s, u"A.B/10"_s, -1);
        comparison("unknown kind counts as text", static_cast<SortKind>(7), u"ALİ 2"_s, u"ALİ 10"_s, -1);

        comparison("larger amount first", number, u"100"_s, u"1.500,00"_s, 1400);
        comparison("larger amount first, swapped", number, u"1.500,00"_s, u"100"_s, -1400);
        comparison("less than half a unit apart", number, u"10,20"_s, u"10,40"_s, 0);
        comparison("less than half a unit apart, swapped", number, u"10,40"_s, u"10,20"_s, 0);
        comparison("grouped and typed", number, u"1.250,50"_s, u"1250,5"_s, 0);
        comparison("negative", number, u"-300,00"_s, u"200"_s, 500);
        comparison("half to even: 0,5", number, u"0"_s, u"0,5"_s, 0);
        comparison("half to even: 1,5", number, u"0"_s, u"1,5"_s, 2);
        comparison("half to even: 2,5", number, u"0"_s, u"2,5"_s, 2);
        comparison("half to even: -2,5", number, u"0"_s, u"-2,5"_s, -2);
        comparison("just over half", number, u"0"_s, u"0,5001"_s, 1);
        comparison("fifth decimal rounds up", number, u"0"_s, u"0,50006"_s, 1);
        comparison("fifth decimal half to even", number, u"0"_s, u"0,50005"_s, 0);
        comparison("fifth decimal half to odd", number, u"0"_s, u"0,50015"_s, 1);
        comparison("display form without zero", number, u",50"_s, u"1,50"_s, 1);
        comparison("blanks around", number, u" 7 "_s, u"7"_s, 0);
        comparison("beyond 32 bits", number, u"0"_s, u"3.000.000.000"_s, 2147483647);
        comparison("beyond 32 bits, swapped", number, u"3.000.000.000"_s, u"0"_s, -2147483647);
        comparison("fifteen digits", number, u"999.999.999.999.999,99"_s, u"999.999.999.999.998,99"_s, -1);
        comparison("thirty digits", number, QString(30, QLatin1Char('9')), u"0"_s, -2147483647);

        comparison("earlier first", date, u"15.03.2008"_s, u"02.04.2008"_s, -18);
        comparison("earlier first, swapped", date, u"02.04.2008"_s, u"15.03.2008"_s, 18);
        comparison("across a year", date, u"01.01.2008"_s, u"31.12.2007"_s, 1);
        comparison("same day", date, u"15.03.2008"_s, u"15.03.2008"_s, 0);
        comparison("short day and month", date, u" 5.3.2008 "_s, u"05.03.2008"_s, 0);
        comparison("different days under half a day", date, u"15.03.2008 20:00:00"_s,
                   u"16.03.2008 07:00:00"_s, 0);
        comparison("exactly half a day", date, u"15.03.2008 12:00:00"_s, u"16.03.2008 00:00:00"_s, 0);
        comparison("a day and a half", date, u"15.03.2008 00:00:00"_s, u"16.03.2008 12:00:00"_s, -2);
        comparison("time without seconds", date, u"15.03.2008 23:00"_s, u"16.03.2008 12:00:01"_s, -1);
    }
    void compare()
    {
        QFETCH(SortKind, kind);
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, expected);
        QCOMPARE(SiralamaKarsilastir(a, b, kind), expected);
        QCOMPARE(SortKey::compare(SortKey(a, kind), SortKey(b, kind)), expected);
    }

    // Cells that do not convert count as lower than every value: with the smallest amounts, the earliest
    // dates. None of them may crash or hang.
    void badInput_data()
    {
        QTest::addColumn<SortKind>("kind");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("aConverts");
        const auto number = SortKind::Number;
        const auto date = SortKind::Date;
        const auto text = SortKind::Text;
        badCell("empty amount after any amount", number, u""_s, u"-5"_s, 1, false);
        badCell("any amount before empty", number, u"5"_s, u""_s, -1, true);
        badCell("two unreadable amounts", number, u""_s, u"abc"_s, 0, false);
        badCell("two commas", number, u"1,2,3"_s, u"-1.000.000"_s, 1, false);
        badCell("letters after digits", number, u"12a"_s, u"0"_s, 1, false);
        badCell("lone minus", number, u"-"_s, u","_s, 0, false);
        badCell("inner blank", number, u"1 000"_s, u"0"_s, 1, false);
        badCell("more than thirty digits", number, u"1"_s + QString(30, QLatin1Char('0')), u"5"_s, 1, false);
        badCell("empty date before any date", date, u""_s, u"01.01.1900"_s, -1, false);
        badCell("any date after empty", date, u"01.01.2000"_s, u""_s, 1, true);
        badCell("no such day", date, u"31.02.2008"_s, u"01.01.1900"_s, -1, false);
        badCell("no such hour", date, u"15.03.2008 25:00:00"_s, u"01.01.1900"_s, -1, false);
        badCell("two-digit year", date, u"15.03.08"_s, u"01.01.1900"_s, -1, false);
        badCell("garbage after the date", date, u"15.03.2008 öğle"_s, u"01.01.1900"_s, -1, false);
        badCell("two unreadable dates", date, u"bozuk"_s, u""_s, 0, false);
        badCell("control characters as text", text, QStringLiteral("\x01\t\uFFFF"), u"A"_s, -1, true);
        badCell("lone surrogate as text", text, QString(QChar(0xD800)), u"A"_s, 1, true);
    }
    void badInput()
    {
        QFETCH(SortKind, kind);
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, expected);
        QFETCH(bool, aConverts);
        QCOMPARE(SortKey(a, kind).converts(), aConverts);
        QCOMPARE(SiralamaKarsilastir(a, b, kind), expected);
        QCOMPARE(SiralamaKarsilastir(b, a, kind), -expected);
    }

    void unreadablePlace_data()
    {
        QTest::addColumn<SortKind>("kind");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QStringList>("expected");
        const QStringList amounts{u"5"_s, u""_s, u"1.500,00"_s, u"abc"_s, u"-3"_s};
        QTest::newRow("amounts, first click: smallest first")
            << SortKind::Number << true << amounts
            << QStringList{u""_s, u"abc"_s, u"-3"_s, u"5"_s, u"1.500,00"_s};
        QTest::newRow("amounts, second click")
            << SortKind::Number << false << amounts
            << QStringList{u"1.500,00"_s, u"5"_s, u"-3"_s, u""_s, u"abc"_s};
        const QStringList dates{u"02.04.2008"_s, u""_s, u"15.03.2008"_s, u"bozuk"_s,
                                u"15.03.2008 18:00:00"_s};
        QTest::newRow("dates, first click: latest first")
            << SortKind::Date << true << dates
            << QStringList{u"02.04.2008"_s, u"15.03.2008 18:00:00"_s, u"15.03.2008"_s, u""_s, u"bozuk"_s};
        QTest::newRow("dates, second click: earliest first")
            << SortKind::Date << false << dates
            << QStringList{u""_s, u"bozuk"_s, u"15.03.2008"_s, u"15.03.2008 18:00:00"_s, u"02.04.2008"_s};
    }
    void unreadablePlace()
    {
        QFETCH(SortKind, kind);
        QFETCH(bool, descending);
        QFETCH(QStringList, cells);
        QFETCH(QStringList, expected);
        QCOMPARE(arranged(cells, kind, descending), expected);
    }

    void sortOrder_data()
    {
        QTest::addColumn<SortKind>("kind");
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QStringList>("ascending");
        QTest::addColumn<QStringList>("descending");
        QTest::newRow("natural names")
            << SortKind::Text << QStringList{u"ALİ 10"_s, u"BETÜL"_s, u"ALİ 2"_s, u"ALİ 9"_s}
            << QStringList{u"ALİ 2"_s, u"ALİ 9"_s, u"ALİ 10"_s, u"BETÜL"_s}
            << QStringList{u"BETÜL"_s, u"ALİ 10"_s, u"ALİ 9"_s, u"ALİ 2"_s};
        QTest::newRow("equal ignoring case keep their order")
            << SortKind::Text << QStringList{u"ALİ"_s, u"ali"_s, u"ALİ"_s}
            << QStringList{u"ALİ"_s, u"ali"_s, u"ALİ"_s} << QStringList{u"ALİ"_s, u"ali"_s, u"ALİ"_s};
        QTest::newRow("identical keys keep their order")
            << SortKind::Text << QStringList{u"ALİ 02"_s, u"ALİ 2"_s, u"ALİ 002"_s}
            << QStringList{u"ALİ 02"_s, u"ALİ 2"_s, u"ALİ 002"_s}
            << QStringList{u"ALİ 02"_s, u"ALİ 2"_s, u"ALİ 002"_s};
        QTest::newRow("amounts equal within half a unit keep their order")
            << SortKind::Number << QStringList{u"10,40"_s, u"10,20"_s} << QStringList{u"10,40"_s, u"10,20"_s}
            << QStringList{u"10,40"_s, u"10,20"_s};
        QTest::newRow("amounts") << SortKind::Number
                                 << QStringList{u"250,00"_s, u"1.500,00"_s, u"-75,00"_s, u"100"_s}
                                 << QStringList{u"1.500,00"_s, u"250,00"_s, u"100"_s, u"-75,00"_s}
                                 << QStringList{u"-75,00"_s, u"100"_s, u"250,00"_s, u"1.500,00"_s};
        QTest::newRow("dates") << SortKind::Date
                               << QStringList{u"02.04.2008"_s, u"15.03.2008"_s, u"01.01.2009"_s}
                               << QStringList{u"15.03.2008"_s, u"02.04.2008"_s, u"01.01.2009"_s}
                               << QStringList{u"01.01.2009"_s, u"02.04.2008"_s, u"15.03.2008"_s};
        QTest::newRow("empty list") << SortKind::Text << QStringList{} << QStringList{} << QStringList{};
    }
    void sortOrder()
    {
        QFETCH(SortKind, kind);
        QFETCH(QStringList, cells);
        QFETCH(QStringList, ascending);
        QFETCH(QStringList, descending);
        QCOMPARE(arranged(cells, kind, false), ascending);
        QCOMPARE(arranged(cells, kind, true), descending);
    }

    void naturalKeys_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("digit runs") << QStringList{u"ALİ 2"_s, u"ALİ 10"_s}
                                    << QStringList{u"ALİ 02"_s, u"ALİ 10"_s};
        QTest::newRow("amounts") << QStringList{u"200,00"_s, u"1.500,00"_s}
                                 << QStringList{u"      200,000"_s, u"500,00001"_s};
        QTest::newRow("dates") << QStringList{u"15.03.2008"_s, u"02.04.2008"_s}
                               << QStringList{u"200815.03"_s, u"200802.04"_s};
        QTest::newRow("path") << QStringList{u"C:\\X.Y\\DOSYA 7"_s, u"B/RAPOR.TXT"_s}
                              << QStringList{u"   C:\\X.Y\\DOSYA 7"_s, u"TXTB/RAPOR"_s};
    }
    void naturalKeys()
    {
        QFETCH(QStringList, texts);
        QFETCH(QStringList, keys);
        const NaturalKeyWidths widths = naturalKeyWidths(texts);
        QStringList built;
        for (const QString& t : texts)
            built.append(naturalKey(t, widths));
        QCOMPARE(built, keys);
    }

    void turkishOrderWhateverTheLocale()
    {
        const QLocale saved;
        const QStringList names{u"JALE"_s, u"İLKER"_s, u"ışık"_s, u"HALİL"_s, u"ilker"_s, u"IRMAK"_s};
        const QStringList expected{u"HALİL"_s, u"IRMAK"_s, u"ışık"_s, u"İLKER"_s, u"ilker"_s, u"JALE"_s};
        for (const QLocale& locale : {QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::German), QLocale(QLocale::Turkish, QLocale::Turkey)}) {
            QLocale::setDefault(locale);
            QCOMPARE(arranged(names, SortKind::Text, false), expected);
        }
        QLocale::setDefault(saved);
    }

    void dogalSirala()
    {
        QStringList texts{u"ALİ 10"_s, u"BETÜL"_s, u"ali 2"_s, u"ALİ 2"_s, u"ALİ 1"_s, u"ÇAĞLA"_s, u"CAN"_s};
        DogalSirala(texts);
        QCOMPARE(texts, QStringList({u"ALİ 1"_s, u"ali 2"_s, u"ALİ 2"_s, u"ALİ 10"_s, u"BETÜL"_s, u"CAN"_s,
                                     u"ÇAĞLA"_s}));
    }

    // The keys are compared without being built and with the widths of the whole list rather than of the
    // pair; both must give exactly the pairwise decision.
    void textAgreesWithPairwiseKeys()
    {
        QRandomGenerator random(20080315);
        for (int i = 0; i < 20000; ++i) {
            const QString a = randomText(random);
            const QString b = randomText(random);
            const int expected = naturalDecision(a, b);
            const SortKey ka(a, SortKind::Text);
            const SortKey kb(b, SortKind::Text);
            const int got = SortKey::compare(ka, kb);
            if (got != expected)
                QFAIL(qPrintable(QStringLiteral("\"%1\" against \"%2\": %3, expected %4")
                                     .arg(a, b)
                                     .arg(got)
                                     .arg(expected)));
            const int reverse = naturalDecision(b, a);
            const int agreed = expected < 0 && reverse > 0 ? -1 : (expected > 0 && reverse < 0 ? 1 : 0);
            QCOMPARE(SortKey::order(ka, kb), agreed);
        }
    }

    void sortedByNaturalKeys()
    {
        QRandomGenerator random(42);
        QStringList cells;
        for (int i = 0; i < 400; ++i)
            cells.append(randomText(random));
        const QStringList sorted = arranged(cells, SortKind::Text, false);
        const NaturalKeyWidths widths = naturalKeyWidths(cells);
        for (int i = 1; i < sorted.size(); ++i)
            QVERIFY2(turkishCompareNoCase(naturalKey(sorted.at(i - 1), widths),
                                          naturalKey(sorted.at(i), widths)) <= 0,
                     qPrintable(sorted.at(i - 1) + QStringLiteral(" / ") + sorted.at(i)));
    }

    void manyDigitRuns()
    {
        QStringList runs;
        for (int i = 1; i <= 150; ++i)
            runs.append(QString::number(i));
        const QString base = runs.join(QLatin1Char(' '));
        const QString nine = base + QStringLiteral(" 9");
        const QString ten = base + QStringLiteral(" 10");
        QCOMPARE(SiralamaKarsilastir(nine, ten, SortKind::Text), -1);
        QCOMPARE(SiralamaKarsilastir(ten, nine, SortKind::Text), 1);
        QCOMPARE(SiralamaKarsilastir(nine, ten, SortKind::Number), 0);
        QCOMPARE(SiralamaKarsilastir(nine, ten, SortKind::Date), 0);
        QStringList cells;
        for (int i = 0; i < 500; ++i)
            cells.append(base + QLatin1Char(' ') + QString::number((i * 7919) % 500));
        const QStringList sorted = arranged(cells, SortKind::Text, false);
        QCOMPARE(sorted.first(), base + QStringLiteral(" 0"));
        QCOMPARE(sorted.last(), base + QStringLiteral(" 499"));
    }

    void longDigitRun()
    {
        const QString huge = QLatin1Char('1') + QString(200000, QLatin1Char('0'));
        QCOMPARE(SiralamaKarsilastir(huge, QStringLiteral("2"), SortKind::Text), 1);
        QCOMPARE(SiralamaKarsilastir(QStringLiteral("0") + huge, huge, SortKind::Text), -1);
        // A column of ten thousand short texts beside it would need gigabytes of keys padded to its run.
        for (const int rows : {1000, 10000}) {
            QStringList cells(rows, QStringLiteral("7"));
            cells[rows / 2] = huge;
            QCOMPARE(arranged(cells, SortKind::Text, false).last(), huge);
        }
        QVERIFY(!SortKey(huge, SortKind::Number).converts());
    }

    void tenThousandCells_data()
    {
        QTest::addColumn<SortKind>("kind");
        QTest::newRow("text") << SortKind::Text;
        QTest::newRow("number") << SortKind::Number;
        QTest::newRow("date") << SortKind::Date;
    }
    void tenThousandCells()
    {
        QFETCH(SortKind, kind);
        QRandomGenerator random(7);
        QStringList cells;
        for (int i = 0; i < 10000; ++i) {
            switch (kind) {
            case SortKind::Text:
                cells.append(
                    QStringLiteral("MÜŞTERİ %1 ŞUBE %2").arg(random.bounded(5000)).arg(random.bounded(30)));
                break;
            case SortKind::Number:
                cells.append(formatAmount(random.bounded(2e6) - 1e6));
                break;
            case SortKind::Date:
                cells.append(dateText(QDate(2000, 1, 1).addDays(random.bounded(9000))));
                break;
            }
        }
        for (const bool ascending : {true, false}) {
            std::vector<int> all = kalvora::sortOrder(cells, kind, ascending);
            std::sort(all.begin(), all.end());
            for (int i = 0; i < 10000; ++i)
                QCOMPARE(all[size_t(i)], i);
        }
    }
};

QTEST_GUILESS_MAIN(TestSortCompare)
#include "tst_sort_compare.moc"
