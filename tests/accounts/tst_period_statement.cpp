#include "accounts/period_statement.h"
#include "data/turkish_text.h"

#include <QTest>

using namespace kalvora;
using namespace Qt::StringLiterals;

namespace {

AccountRow row(qint64 key, const char* date, const char* amount, const char* currency, const char* kind)
{
    AccountRow r;
    r.key = key;
    r.date = QString::fromLatin1(date);
    r.description = QStringLiteral("SATIR %1").arg(key);
    r.amount = QString::fromLatin1(amount);
    r.currency = QString::fromLatin1(currency);
    r.kind = QString::fromLatin1(kind);
    return r;
}

// Given out of date order, as a sort of the card's list would leave them; two TL rows share a date.
QList<AccountRow> sampleRows()
{
    return {row(3, "15.02.2026", "500,5", "TL", "100"),     row(1, "10.01.2026", "1000", "TL", "100"),
            row(4, "15.02.2026", "-1.250,50", "TL", "200"), row(2, "05.01.2026", "-250", "TL", "200"),
            row(5, "01.03.2026", "100", "DOLAR", "100"),    row(6, "20.12.2025", "300", "EURO", "100"),
            row(7, "20.03.2026", "-300", "EURO", "200"),    row(8, "25.03.2026", "-50", "EURO", "200")};
}

QDate day(const char* text)
{
    return readDateText(QString::fromLatin1(text));
}

} // namespace

class TestPeriodStatement : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each currency's figures against sums taken straight from the rows: the carried-in balance of every
    // row before the start, each running balance, the totals, the closing balance and its status word.
    void figures_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QStringList>("shown"); // currency: keys of the period's rows, closing, status
        QTest::newRow("start between rows") << "07.01.2026"
                                            << "31.12.2026"
                                            << "TL" << QStringList{u"TL:1,3,4:0,00:TEMİZ"_s};
        QTest::newRow("start on a row's date takes it") << "15.02.2026"
                                                        << "31.12.2026"
                                                        << "TL" << QStringList{u"TL:3,4:0,00:TEMİZ"_s};
        QTest::newRow("end before later rows")
            << "01.01.2026"
            << "31.01.2026"
            << "TÜMÜ" << QStringList{u"TL:2,1:750,00:BORÇLU"_s, u"EURO::300,00:BORÇLU"_s};
        QTest::newRow("after every row: carried-in only")
            << "01.04.2026"
            << "31.12.2026"
            << "TÜMÜ" << QStringList{u"DOLAR::100,00:BORÇLU"_s, u"EURO::-50,00:ALACAKLI"_s};
        QTest::newRow("paid back more than lent") << "21.12.2025"
                                                  << "31.12.2026"
                                                  << "EURO" << QStringList{u"EURO:7,8:-50,00:ALACAKLI"_s};
        QTest::newRow("nothing in range") << "01.01.2020"
                                          << "31.12.2020"
                                          << "TÜMÜ" << QStringList{};
        QTest::newRow("start after end") << "01.02.2026"
                                         << "01.01.2026"
                                         << "TL" << QStringList{u"TL::750,00:BORÇLU"_s};
    }
    void figures()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, choice);
        QFETCH(QStringList, shown);
        const QList<AccountRow> rows = sampleRows();
        const PeriodStatement st = buildPeriodStatement(rows, readDateText(from), readDateText(to),
                                                        statementCurrencies(currencyOf(choice)));
        QStringList got;
        for (const CurrencyStatement& s : st.currencies) {
            const QString code = currencyText(s.currency);
            double carried = 0;
            double inPeriod = 0;
            for (const AccountRow& r : rows) {
                if (r.currency != code)
                    continue;
                const QDate d = readDateText(r.date);
                if (d < st.from)
                    carried += numberValue(r.amount);
                else if (d <= st.to)
                    inPeriod += numberValue(r.amount);
            }
            QCOMPARE(s.carriedInText(), formatAmount(carried));
            QCOMPARE(s.closingText(), formatAmount(carried + inPeriod));
            QCOMPARE(formatAmount(s.lentTotal - s.paidBackTotal), formatAmount(inPeriod));
            double running = carried;
            QStringList keys;
            for (const StatementEntry& e : s.entries) {
                running += e.lent - e.paidBack;
                QCOMPARE(formatAmount(e.balance), formatAmount(running));
                QVERIFY(e.lent >= 0 && e.paidBack >= 0);
                keys.append(QString::number(e.rowKey));
            }
            got.append(code + QLatin1Char(':') + keys.join(QLatin1Char(',')) + QLatin1Char(':') +
                       s.closingText() + QLatin1Char(':') + s.closingStatus());
        }
        QCOMPARE(got, shown);
    }

    // The lines the window lists, prints and exports, with the rate columns: a DOLAR row whose rate is
    // known gets its TL value, one without a rate says so, TL rows ask no rate.
    void table()
    {
        const PeriodStatement st = buildPeriodStatement(sampleRows(), day("01.02.2026"), day("31.03.2026"),
                                                        statementCurrencies(std::nullopt));
        QList<QPair<Currency, QDate>> asked;
        const ExportTable t = statementTable(st, [&](Currency c, const QDate& d) -> std::optional<double> {
            asked.append({c, d});
            if (c == Currency::Dolar)
                return 35.1234;
            return std::nullopt;
        });
        QCOMPARE(t.headers.size(), 9);
        QCOMPARE(t.kinds.at(StmBalance), ExportKind::Number);
        QCOMPARE(t.kinds.at(StmDate), ExportKind::Date);
        const QList<QStringList> expected = {
            {u"TL"_s, u"01.02.2026"_s, u"DEVİR"_s, u""_s, u""_s, u"750,00"_s, u"BORÇLU"_s, u""_s, u""_s},
            {u"TL"_s, u"15.02.2026"_s, u"SATIR 3"_s, u"500,50"_s, u""_s, u"1.250,50"_s, u""_s, u""_s, u""_s},
            {u"TL"_s, u"15.02.2026"_s, u"SATIR 4"_s, u""_s, u"1.250,50"_s, u"0,00"_s, u""_s, u""_s, u""_s},
            {u"TL"_s, u""_s, u"DÖNEM TOPLAMI"_s, u"500,50"_s, u"1.250,50"_s, u""_s, u""_s, u""_s, u""_s},
            {u"TL"_s, u"31.03.2026"_s, u"KAPANIŞ BAKİYESİ"_s, u""_s, u""_s, u"0,00"_s, u"TEMİZ"_s, u""_s,
             u""_s},
            {u"DOLAR"_s, u"01.02.2026"_s, u"DEVİR"_s, u""_s, u""_s, u"0,00"_s, u"TEMİZ"_s, u""_s, u""_s},
            {u"DOLAR"_s, u"01.03.2026"_s, u"SATIR 5"_s, u"100,00"_s, u""_s, u"100,00"_s, u""_s, u"35,1234"_s,
             u"3.512,34"_s},
            {u"DOLAR"_s, u""_s, u"DÖNEM TOPLAMI"_s, u"100,00"_s, u"0,00"_s, u""_s, u""_s, u""_s, u""_s},
            {u"DOLAR"_s, u"31.03.2026"_s, u"KAPANIŞ BAKİYESİ"_s, u""_s, u""_s, u"100,00"_s, u"BORÇLU"_s,
             u""_s, u""_s},
            {u"EURO"_s, u"01.02.2026"_s, u"DEVİR"_s, u""_s, u""_s, u"300,00"_s, u"BORÇLU"_s, u""_s, u""_s},
            {u"EURO"_s, u"20.03.2026"_s, u"SATIR 7"_s, u""_s, u"300,00"_s, u"0,00"_s, u""_s,
             u"KUR ALINAMADI"_s, u"KUR ALINAMADI"_s},
            {u"EURO"_s, u"25.03.2026"_s, u"SATIR 8"_s, u""_s, u"50,00"_s, u"-50,00"_s, u""_s,
             u"KUR ALINAMADI"_s, u"KUR ALINAMADI"_s},
            {u"EURO"_s, u""_s, u"DÖNEM TOPLAMI"_s, u"0,00"_s, u"350,00"_s, u""_s, u""_s, u""_s, u""_s},
            {u"EURO"_s, u"31.03.2026"_s, u"KAPANIŞ BAKİYESİ"_s, u""_s, u""_s, u"-50,00"_s, u"ALACAKLI"_s,
             u""_s, u""_s},
        };
        QCOMPARE(t.rows.size(), expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i)
            QCOMPARE(t.rows.at(i), expected.at(i));
        QCOMPARE(asked.size(), 3);
        QCOMPARE(asked.first(), qMakePair(Currency::Dolar, day("01.03.2026")));
    }
};

QTEST_GUILESS_MAIN(TestPeriodStatement)
#include "tst_period_statement.moc"
