#include "ledger/ledger_store.h"
#include "reports/chart.h"
#include "reports/chart_figures.h"
#include "reports/ui/charts_window.h"
#include "support/test_data.h"
#include "widgets/file_dialog.h"

#include <QComboBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace kalvora;

namespace {

QList<qint64> nets(const QList<NetPositionMonth>& months)
{
    QList<qint64> out;
    for (const NetPositionMonth& m : months)
        out << m.month << m.changeCents << m.netCents;
    return out;
}

QList<QStringList> tableOf(const QTableWidget* t)
{
    QList<QStringList> rows;
    for (int r = 0; r < t->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < t->columnCount(); ++c)
            row << t->item(r, c)->text();
        rows << row;
    }
    return rows;
}

void record(Store& store, Ledger which, const QString& date, const QString& amount)
{
    LedgerEntry e;
    e.title = QStringLiteral("KİRA");
    e.date = date;
    e.time = QStringLiteral("10:00:00");
    e.amount = amount;
    LedgerStore(store, which).record(e, -1);
}

} // namespace

class TestCharts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { FileDialog::setTestMode(true); }

    void netPositionMonthByMonth_data()
    {
        QTest::addColumn<QString>("currency");
        QTest::addColumn<QList<qint64>>("expected"); // month, change, net for each month
        // Lent 100,50 and 0,25 in January, nothing in February (zero change, net carried), 40,25 back on
        // the last day of March: a negative net position all along.
        QTest::newRow("TL") << QStringLiteral("TL")
                            << QList<qint64>{202601, -10075, -10075, 202602, 0, -10075, 202603, 4025, -6050};
        // The person with dollars only; the row dated 31.02 is no date and has no month.
        QTest::newRow("DOLAR, one person")
            << QStringLiteral("DOLAR") << QList<qint64>{202612, -550, -550, 202701, 1000, 450};
        QTest::newRow("EURO, no rows") << QStringLiteral("EURO") << QList<qint64>{};
    }
    void netPositionMonthByMonth()
    {
        QFETCH(QString, currency);
        QFETCH(QList<qint64>, expected);
        test::TestData data;
        const qint64 a = data.addPerson(QStringLiteral("ALİ"));
        const qint64 b = data.addPerson(QStringLiteral("VELİ"));
        const QString tl = QStringLiteral("TL");
        const QString usd = QStringLiteral("DOLAR");
        const QString given = QStringLiteral("100");
        const QString received = QStringLiteral("200");
        data.addTransaction(a, QStringLiteral("100,50"), tl, QStringLiteral("01.01.2026"), given);
        data.addTransaction(a, QStringLiteral(",25"), tl, QStringLiteral("31.01.2026"), given);
        data.addTransaction(a, QStringLiteral("-40,25"), tl, QStringLiteral("31.03.2026"), received);
        data.addTransaction(b, QStringLiteral("5,5"), usd, QStringLiteral("31.12.2026"), given);
        data.addTransaction(b, QStringLiteral("-10"), usd, QStringLiteral("01.01.2027"), received);
        data.addTransaction(b, QStringLiteral("99"), usd, QStringLiteral("31.02.2026"), given);
        data.addTransaction(b, QStringLiteral("7"), QStringLiteral("dolar"), QStringLiteral("01.01.2027"),
                            given);
        QCOMPARE(nets(ChartFigures(data.store()).netPositionByMonth(currency)), expected);
    }

    void topBalancesPerCurrency()
    {
        test::TestData data;
        QList<qint64> keys;
        // Twelve debtors of 1..12 lira (the tenth and eleventh equal), one creditor, one with dollars only.
        for (int i = 1; i <= 12; ++i)
            keys << data.addPerson(QStringLiteral("KİŞİ %1").arg(i),
                                   QString::number(i == 11 ? 10 : i) + QStringLiteral(",5"));
        const qint64 creditor = data.addPerson(QStringLiteral("ALACAKLI"), QStringLiteral("-1.234,56"));
        const qint64 dollars =
            data.addPerson(QStringLiteral("DOLARCI"), QStringLiteral("0"), QStringLiteral("-3"));
        ChartFigures figures(data.store());
        const QList<BalanceBar> debtors = figures.topDebtors(QStringLiteral("TL"));
        QCOMPARE(debtors.size(), 10);
        QCOMPARE(debtors.first().personKey, keys.at(11));
        QCOMPARE(debtors.first().cents, 1250);
        QCOMPARE(debtors.at(1).personKey, keys.at(9)); // 10,5 twice: the smaller key first
        QCOMPARE(debtors.at(2).personKey, keys.at(10));
        QCOMPARE(debtors.last().cents, 350);
        const QList<BalanceBar> creditors = figures.topCreditors(QStringLiteral("TL"));
        QCOMPARE(creditors.size(), 1);
        QCOMPARE(creditors.first().personKey, creditor);
        QCOMPARE(creditors.first().cents, -123456);
        QCOMPARE(creditors.first().name, QStringLiteral("ALACAKLI"));
        const QList<BalanceBar> usd = figures.topCreditors(QStringLiteral("DOLAR"));
        QCOMPARE(usd.size(), 1);
        QCOMPARE(usd.first().personKey, dollars);
        QVERIFY(figures.topDebtors(QStringLiteral("DOLAR")).isEmpty());
        QVERIFY(figures.topDebtors(QStringLiteral("EURO")).isEmpty());
        const Chart chart = topCreditorsChart(creditors, QStringLiteral("TL"));
        QCOMPARE(chart.tableRows(),
                 QList<QStringList>({{QStringLiteral("ALACAKLI"), QStringLiteral("-1.234,56")}}));
    }

    void lentAndCollectedOfOneYear()
    {
        test::TestData data;
        const qint64 a = data.addPerson(QStringLiteral("ALİ"));
        const QString tl = QStringLiteral("TL");
        data.addTransaction(a, QStringLiteral("1000"), tl, QStringLiteral("31.12.2025"),
                            QStringLiteral("100"));
        data.addTransaction(a, QStringLiteral("100"), tl, QStringLiteral("01.01.2026"),
                            QStringLiteral("100"));
        data.addTransaction(a, QStringLiteral("0,01"), tl, QStringLiteral("15.01.2026"),
                            QStringLiteral("100"));
        data.addTransaction(a, QStringLiteral("-60,5"), tl, QStringLiteral("31.01.2026"),
                            QStringLiteral("200"));
        data.addTransaction(a, QStringLiteral("-20"), tl, QStringLiteral("31.12.2026"),
                            QStringLiteral("200"));
        data.addTransaction(a, QStringLiteral("3000"), tl, QStringLiteral("01.01.2027"),
                            QStringLiteral("100"));
        data.addTransaction(a, QStringLiteral("77"), QStringLiteral("EURO"), QStringLiteral("10.06.2026"),
                            QStringLiteral("100"));
        const auto months = ChartFigures(data.store()).lentAndCollected(2026, tl);
        QList<qint64> lent;
        QList<qint64> collected;
        for (const LentCollectedMonth& m : months) {
            lent << m.lentCents;
            collected << m.collectedCents;
        }
        QCOMPARE(lent, QList<qint64>({10001, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(collected, QList<qint64>({6050, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2000}));
        const Chart chart = lentCollectedChart(months, 2026, tl);
        QCOMPARE(chart.tableHeader(), QStringList({QStringLiteral("AY"), QStringLiteral("VERİLEN (TL)"),
                                                   QStringLiteral("ALINAN (TL)")}));
        QCOMPARE(chart.tableRows().first(), QStringList({QStringLiteral("OCAK 2026"),
                                                         QStringLiteral("100,01"), QStringLiteral("60,50")}));
        QCOMPARE(chart.tableRows().at(5), QStringList({QStringLiteral("HAZİRAN 2026"), QStringLiteral("0,00"),
                                                       QStringLiteral("0,00")}));
    }

    void ledgerIncomeExpenseAndCashBox()
    {
        test::TestData data;
        Store& s = data.store();
        record(s, Ledger::Income, QStringLiteral("31.12.2025"), QStringLiteral("500"));
        record(s, Ledger::Income, QStringLiteral("01.01.2026"), QStringLiteral("100,25"));
        record(s, Ledger::Income, QStringLiteral("31.03.2026"), QStringLiteral("50"));
        record(s, Ledger::Expense, QStringLiteral("28.02.2026"), QStringLiteral("700"));
        record(s, Ledger::Expense, QStringLiteral("01.01.2027"), QStringLiteral("9"));
        record(s, Ledger::Expense, QStringLiteral("3.3.2026"),
               QStringLiteral("1")); // a date in its short form
        LedgerStore expense(s, Ledger::Expense);
        record(s, Ledger::Expense, QStringLiteral("15.03.2026"), QStringLiteral("80"));
        const qint64 cancelled = expense.allEntries().last().key;
        QVERIFY(expense.cancel(cancelled));
        const auto months = ChartFigures(s).ledgerMonths(2026);
        QList<qint64> got;
        for (const LedgerMonth& m : months)
            got << m.incomeCents << m.expenseCents << m.cashCents;
        QCOMPARE(got.mid(0, 12),
                 QList<qint64>({10025, 0, 60025, 0, 70000, -9975, 5000, 100, -5075, 0, 0, -5075}));
        QCOMPARE(months.back().cashCents, -5075);
    }

    void windowTablesShowTheFiguresAndFollowOtherDesks()
    {
        test::TestData data;
        const qint64 a = data.addPerson(QStringLiteral("ALİ"), QStringLiteral("0"), QStringLiteral("12,5"));
        data.addTransaction(a, QStringLiteral("12,5"), QStringLiteral("DOLAR"), QStringLiteral("05.05.2026"),
                            QStringLiteral("100"));
        ChartsWindow w(data.store());
        w.findChild<QComboBox*>(QStringLiteral("Combo1"))->setCurrentIndex(1);
        w.findChild<QToolButton*>(QStringLiteral("MyButton1"))->click();
        QVERIFY(w.showingTables());
        for (ChartKind k : {ChartKind::NetPosition, ChartKind::TopDebtors, ChartKind::LentCollected}) {
            w.showKind(k);
            const auto* table = w.findChild<QTableWidget*>(QStringLiteral("Table%1").arg(int(k) + 1));
            QCOMPARE(qobject_cast<QStackedWidget*>(table->parentWidget())->currentWidget(), table);
            QCOMPARE(tableOf(table), w.chart(k).tableRows());
        }
        w.showKind(ChartKind::NetPosition);
        QCOMPARE(w.chart(ChartKind::NetPosition).tableRows(),
                 QList<QStringList>({{QStringLiteral("MAYIS 2026"), QStringLiteral("-12,50")}}));
        // Another desk lends more in June: the open chart is read again.
        std::unique_ptr<Store> other = data.otherDesk();
        other->accounts().execute(QStringLiteral("INSERT INTO CARIKART(uye_kodu,tutar,durum,para_cinsi,para) "
                                                 "VALUES (?1,'2','01.06.2026','DOLAR','100')"),
                                  {QString::number(a)});
        w.refreshForOtherDesks();
        const auto* table = w.findChild<QTableWidget*>(QStringLiteral("Table1"));
        QCOMPARE(tableOf(table),
                 QList<QStringList>({{QStringLiteral("MAYIS 2026"), QStringLiteral("-12,50")},
                                     {QStringLiteral("HAZİRAN 2026"), QStringLiteral("-14,50")}}));
    }

    void saveAsPictureOrPdf_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("start");
        QTest::newRow("png") << QStringLiteral("grafik.png") << QByteArray("\x89PNG");
        QTest::newRow("pdf") << QStringLiteral("grafik.pdf") << QByteArray("%PDF");
    }
    void saveAsPictureOrPdf()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, start);
        test::TestData data;
        record(data.store(), Ledger::Income, QStringLiteral("01.02.2026"), QStringLiteral("10"));
        ChartsWindow w(data.store());
        w.showKind(ChartKind::Ledger);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        FileDialog::setNextAnswer(path);
        w.findChild<QToolButton*>(QStringLiteral("MyButton2"))->click();
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.read(4), start);
    }
};

QTEST_MAIN(TestCharts)
#include "tst_charts.moc"
