#include "accounts/account_book.h"
#include "reports/report_templates.h"
#include "reports/ui/aging_window.h"
#include "reports/ui/balance_list_window.h"
#include "reports/ui/money_list_window.h"
#include "reports/ui/net_position_window.h"
#include "reports/ui/reports_menu_window.h"
#include "support/gui_helpers.h"
#include "support/test_data.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"
#include "widgets/report_list.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace kalvora;
using namespace Qt::StringLiterals;

namespace {

QString binDir()
{
    return qEnvironmentVariable("KALVORA_TEST_BIN_DIR");
}

QStringList columnTexts(const ReportList* list, int column)
{
    QStringList out;
    for (int r = 0; r < list->rowCount(); ++r)
        out << list->cell(r, column);
    return out;
}

void choose(MoneyListWindow& w, const QString& currency)
{
    QComboBox* combo = w.findChild<QComboBox*>(QStringLiteral("Combo1"));
    combo->setCurrentIndex(combo->findText(currency));
    Q_EMIT combo->activated(combo->currentIndex());
}

// Prints through the real viewer into a PDF and returns its text.
QString printToText(ListReportWindow& w, const QString& tempFolder)
{
    QString definition;
    ReportOptions options;
    options.installationFolder = binDir();
    options.startViewer = [&](const QString&, const QStringList& args, const QString&) {
        definition = args.value(0);
        return true;
    };
    w.setReportOptions(options);
    w.print();
    if (definition.isEmpty())
        return {};
    const QString pdf = QDir(tempFolder).filePath(QStringLiteral("out.pdf"));
    QProcess viewer;
    viewer.start(QDir(binDir()).filePath(QStringLiteral("raporla")),
                 {QStringLiteral("--pdf"), pdf, definition});
    if (!viewer.waitForFinished(60000) || viewer.exitCode() != 0)
        return {};
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    text.waitForFinished(30000);
    return QString::fromUtf8(text.readAllStandardOutput());
}

} // namespace

class TestReportWindows : public QObject {
    Q_OBJECT
private:
    void fillMoney(test::TestData& data)
    {
        const qint64 a = data.addPerson(QStringLiteral("ALİ"));
        const qint64 b = data.addPerson(QStringLiteral("BEKİR"));
        auto& db = data.store().accounts();
        db.execute(QStringLiteral("UPDATE MUSTERILER SET istel='123', ceptel='456' WHERE oto_kod=?1"), {a});
        const char* rows[][5] = {{"1", "1234,5", "DOLAR", "05.03.2020", "100"},
                                 {"2", ",5", "DOLAR", "01.01.2021", "100"},
                                 {"2", "300", "DOLAR", "15.03.2008", "100"},
                                 {"1", "-150", "DOLAR", "02.04.2008", "200"},
                                 {"1", "999", "TL", "02.04.2008", "100"}};
        for (const auto& r : rows) {
            const qint64 who = QByteArray(r[0]) == "1" ? a : b;
            data.addTransaction(who, QString::fromLatin1(r[1]), QString::fromLatin1(r[2]),
                                QString::fromLatin1(r[3]), QString::fromLatin1(r[4]),
                                QStringLiteral("AÇIKLAMA"));
        }
        // The rows carry the person's data as it was when they were written.
        const QString update =
            QStringLiteral("UPDATE CARIKART SET adisoyadi=?1, istel=?2, ceptel=?3 WHERE uye_kodu=?4");
        db.execute(update,
                   {QStringLiteral("ALİ"), QStringLiteral("123"), QStringLiteral("456"), QString::number(a)});
        db.execute(update, {QStringLiteral("BEKİR"), QString(), QString(), QString::number(b)});
    }

private Q_SLOTS:
    void moneyGivenWindow()
    {
        test::TestData data;
        fillMoney(data);
        MoneyListWindow w(data.store(), data.folder(), MoneyDirection::Given);
        QCOMPARE(w.objectName(), QStringLiteral("Form14"));
        QCOMPARE(w.windowTitle(), QStringLiteral("VERDİĞİM PARALAR VE AYRINTILARI"));
        QCOMPARE(w.currencyBox()->currentText(), QString());
        QCOMPARE(w.list()->rowCount(), 0);
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Label3"))->text(), QStringLiteral("0,00"));
        choose(w, QStringLiteral("DOLAR"));
        QCOMPARE(columnTexts(w.list(), 7),
                 QStringList({QStringLiteral("1.234,50"), QStringLiteral("300,00"), QStringLiteral(",50")}));
        QCOMPARE(w.list()->cell(0, 0), QStringLiteral("ALİ"));
        QCOMPARE(w.list()->cell(0, 5), QStringLiteral("05.03.2020 12:00:00"));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Label3"))->text(), QStringLiteral("1.535,00"));
        QCOMPARE(w.list()->headerText(7), QStringLiteral("TUTAR"));
        // TARİH sorts as a date, TUTAR as a number.
        Q_EMIT w.list()->headerClicked(5);
        const QStringList firstClick = columnTexts(w.list(), 5);
        Q_EMIT w.list()->headerClicked(5);
        const QStringList secondClick = columnTexts(w.list(), 5);
        QCOMPARE(secondClick.first(), QStringLiteral("15.03.2008 12:00:00"));
        QCOMPARE(firstClick.first(), QStringLiteral("01.01.2021 12:00:00"));
    }

    void moneyReceivedShowsPositive()
    {
        test::TestData data;
        fillMoney(data);
        MoneyListWindow w(data.store(), data.folder(), MoneyDirection::Received);
        QCOMPARE(w.objectName(), QStringLiteral("Form15"));
        choose(w, QStringLiteral("DOLAR"));
        QCOMPARE(columnTexts(w.list(), 7), QStringList({QStringLiteral("150,00")}));
        QCOMPARE(w.list()->headerText(7), QStringLiteral("TUTARI"));
        choose(w, QStringLiteral("EURO"));
        QCOMPARE(w.list()->rowCount(), 0);
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Label3"))->text(), QStringLiteral("0,00"));
    }

    void balanceWindows()
    {
        test::TestData data;
        data.addPerson(QStringLiteral("İKİ YÖNLÜ"), QStringLiteral("100,00"), QStringLiteral("-50,00"),
                       QStringLiteral("0,00"));
        data.addPerson(QStringLiteral("TEMİZ"), QStringLiteral("0,00"), QStringLiteral("0,00"),
                       QStringLiteral("0,00"));
        BalanceListWindow debtors(data.store(), data.folder(), BalanceSide::Debtors);
        QCOMPARE(debtors.windowTitle(), QStringLiteral("TÜM BORÇULAR-TUTARA GÖRE LİSTELENMİŞTİR."));
        QCOMPARE(columnTexts(debtors.list(), 0), QStringList({QStringLiteral("İKİ YÖNLÜ")}));
        QCOMPARE(debtors.findChild<QLabel*>(QStringLiteral("Label3"))->text(), QStringLiteral("100,00"));
        QCOMPARE(debtors.findChild<QLabel*>(QStringLiteral("Label2"))->text(), QStringLiteral("-50,00"));
        QCOMPARE(debtors.findChild<QLabel*>(QStringLiteral("Label5"))->text(), QStringLiteral("0,00"));
        BalanceListWindow creditors(data.store(), data.folder(), BalanceSide::Creditors);
        QCOMPARE(creditors.objectName(), QStringLiteral("Form18"));
        QCOMPARE(creditors.list()->headerText(6), QStringLiteral("TOPLAM BORÇ(TL)"));
        QCOMPARE(columnTexts(creditors.list(), 7), QStringList({QStringLiteral("-50,00")}));
        QCOMPARE(creditors.findChild<QLabel*>(QStringLiteral("Label3"))->text(), QStringLiteral("100,00"));
    }

    void netPositionWindow()
    {
        test::TestData data;
        const qint64 a = data.addPerson(QStringLiteral("A"));
        data.addTransaction(a, QStringLiteral("1000"), QStringLiteral("TL"), QStringLiteral("01.01.2020"),
                            QStringLiteral("100"));
        data.addTransaction(a, QStringLiteral("-300"), QStringLiteral("TL"), QStringLiteral("01.02.2020"),
                            QStringLiteral("200"));
        NetPositionWindow w(data.store());
        QCOMPARE(w.windowTitle(), QStringLiteral("NET DURUMLAR"));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("al1"))->text(), QStringLiteral("-1.000,00"));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("ode1"))->text(), QStringLiteral("300,00"));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("kal1"))->text(), QStringLiteral("-700,00"));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("kal2"))->text(), QStringLiteral("0,00"));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Label22"))->text(),
                 QStringLiteral("TÜRK LİRASI NET DURUMU"));
        QVERIFY(
            w.findChild<QLabel*>(QStringLiteral("Label22"))->styleSheet().contains(QStringLiteral("red")));
    }

    void menuOpensEachWindow_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("window");
        QTest::newRow("given") << QStringLiteral("MyButton1") << QStringLiteral("Form14");
        QTest::newRow("received") << QStringLiteral("MyButton2") << QStringLiteral("Form15");
        QTest::newRow("net") << QStringLiteral("MyButton3") << QStringLiteral("Form16");
        QTest::newRow("debtors") << QStringLiteral("MyButton4") << QStringLiteral("Form17");
        QTest::newRow("creditors") << QStringLiteral("MyButton5") << QStringLiteral("Form18");
        QTest::newRow("charts") << QStringLiteral("MyButton6") << QStringLiteral("Grafikler");
        QTest::newRow("aging") << QStringLiteral("MyButton8") << QStringLiteral("FormYaslandirma");
    }
    void menuOpensEachWindow()
    {
        QFETCH(QString, button);
        QFETCH(QString, window);
        test::TestData data;
        ReportsMenuWindow menu(data.store(), data.folder());
        QCOMPARE(menu.windowTitle(), QStringLiteral("RAPORLAMA MENÜSÜ"));
        QString seen;
        QTimer::singleShot(0, &menu, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal) {
                seen = modal->objectName();
                modal->findChild<PictureButton*>(QStringLiteral("MyButton7"))->click();
            }
        });
        menu.findChild<PictureButton*>(button)->click();
        QCOMPARE(seen, window);
    }

    void printedListFollowsScreenOrder()
    {
        test::TestData data;
        fillMoney(data);
        installTemplates(binDir(), data.folder());
        QTemporaryDir temp;
        MoneyListWindow w(data.store(), data.folder(), MoneyDirection::Given);
        choose(w, QStringLiteral("DOLAR"));
        Q_EMIT w.list()->headerClicked(5);
        Q_EMIT w.list()->headerClicked(5); // earliest first
        // A choice not yet activated has read nothing: the print stays with the rows shown.
        auto* combo = w.findChild<QComboBox*>(QStringLiteral("Combo1"));
        combo->setCurrentIndex(combo->findText(QStringLiteral("EURO")));
        const QString text = printToText(w, temp.path());
        QVERIFY2(!text.isEmpty(), "the report was not rendered");
        QVERIFY(text.contains(QStringLiteral("VERDİĞİM PARALAR VE AYRINTILARI")));
        QVERIFY(text.contains(QStringLiteral("TOPLAM VERDİĞİM TUTAR")));
        QVERIFY(text.contains(QStringLiteral("1.535,00 DOLAR")));
        QVERIFY(text.contains(QStringLiteral("123-456")));
        const auto p1 = text.indexOf(QStringLiteral("15.03.2008"));
        const auto p2 = text.indexOf(QStringLiteral("05.03.2020"));
        const auto p3 = text.indexOf(QStringLiteral("01.01.2021"));
        QVERIFY(p1 >= 0 && p1 < p2 && p2 < p3);
    }

    void printedBalances()
    {
        test::TestData data;
        data.addPerson(QStringLiteral("BORÇLU BİR"), QStringLiteral("1.250,00"), QStringLiteral("0,00"),
                       QStringLiteral("3,00"), {QStringLiteral("123"), QStringLiteral("456")});
        data.addPerson(QStringLiteral("BORÇLU İKİ"), QStringLiteral("10,00"), QStringLiteral("0,00"),
                       QStringLiteral("0,00"));
        installTemplates(binDir(), data.folder());
        QTemporaryDir temp;
        BalanceListWindow w(data.store(), data.folder(), BalanceSide::Debtors);
        const QString text = printToText(w, temp.path());
        QVERIFY2(!text.isEmpty(), "the report was not rendered");
        QVERIFY(text.contains(QStringLiteral("123-456")));
        QVERIFY(text.indexOf(QStringLiteral("BORÇLU BİR")) < text.indexOf(QStringLiteral("BORÇLU İKİ")));
        QVERIFY(text.contains(QStringLiteral("1.260,00")));
    }

    // Per person and currency: the open amounts by how late they are, totals equal to the balances, an
    // advance in its own column, the oldest overdue first; aging by transaction date moves a debt with a
    // later due date into the late buckets; the print carries the rows and the currency totals.
    void agingWindow()
    {
        const test::FixedClock clock(QDateTime(QDate(2025, 6, 30), QTime(12, 0, 0)));
        test::TestData data;
        test::MessageBoxCapture boxes;
        const qint64 a = data.addPerson(QStringLiteral("AYŞE"));
        const qint64 b = data.addPerson(QStringLiteral("BURAK"));
        const qint64 c = data.addPerson(QStringLiteral("CEM"));
        auto entry = [](const QString& amount, const QString& currency, const QDate& date, const QDate& due) {
            Entry e;
            e.amount = amount;
            e.currency = currency;
            e.date = date;
            e.dueDate = due;
            e.time = QStringLiteral("10:00:00");
            return e;
        };
        auto who = [](qint64 key) {
            Customer p;
            p.key = QString::number(key);
            return p;
        };
        AccountBook book(data.store());
        book.lend(who(a), entry(u"100"_s, u"TL"_s, QDate(2025, 6, 1), QDate(2025, 7, 15))); // not yet due
        book.lend(who(a), entry(u"200"_s, u"TL"_s, QDate(2025, 5, 1), QDate(2025, 6, 10))); // 20 days late
        book.lend(who(a), entry(u"50"_s, u"DOLAR"_s, QDate(2025, 1, 1), QDate()));          // 180 days late
        book.lend(who(b), entry(u"300"_s, u"TL"_s, QDate(2025, 4, 1), QDate(2025, 4, 20))); // 71 days late
        book.collect(who(b), entry(u"100"_s, u"TL"_s, QDate(2025, 5, 1), QDate()));
        book.collect(who(c), entry(u"80"_s, u"EURO"_s, QDate(2025, 5, 1), QDate()));
        AgingWindow w(data.store(), data.folder());
        QCOMPARE(w.list()->headerText(2), u"VADESİ GELMEMİŞ"_s);
        QCOMPARE(w.list()->headerText(6), u"90 GÜNDEN FAZLA"_s);
        QCOMPARE(w.list()->rowCount(), 4);
        QCOMPARE(w.list()->rowTexts(0),
                 (QStringList{u"AYŞE"_s, u"DOLAR"_s, u"0,00"_s, u"0,00"_s, u"0,00"_s, u"0,00"_s, u"50,00"_s,
                              u"50,00"_s, u"0,00"_s, u"180"_s}));
        QCOMPARE(w.list()->rowTexts(1),
                 (QStringList{u"BURAK"_s, u"TL"_s, u"0,00"_s, u"0,00"_s, u"0,00"_s, u"200,00"_s, u"0,00"_s,
                              u"200,00"_s, u"0,00"_s, u"71"_s}));
        QCOMPARE(w.list()->rowTexts(2), (QStringList{u"AYŞE"_s, u"TL"_s, u"100,00"_s, u"200,00"_s, u"0,00"_s,
                                                     u"0,00"_s, u"0,00"_s, u"300,00"_s, u"0,00"_s, u"20"_s}));
        QCOMPARE(w.list()->rowTexts(3),
                 (QStringList{u"CEM"_s, u"EURO"_s, u"0,00"_s, u"0,00"_s, u"0,00"_s, u"0,00"_s, u"0,00"_s,
                              u"0,00"_s, u"80,00"_s, QString()}));
        QCOMPARE(test::labelText(&w, "Label7"), u"500,00"_s);
        QCOMPARE(test::labelText(&w, "Label11"), u"0,00  AVANS 80,00"_s);

        // New bounds regroup the same amounts.
        w.boundBox(0)->setValue(10);
        w.boundBox(1)->setValue(25);
        w.boundBox(2)->setValue(70);
        w.fill();
        QCOMPARE(w.list()->headerText(3), u"1-10 GÜN"_s);
        QCOMPARE(w.list()->rowTexts(2).mid(2, 5),
                 (QStringList{u"100,00"_s, u"0,00"_s, u"200,00"_s, u"0,00"_s, u"0,00"_s}));
        QCOMPARE(w.list()->rowTexts(1).mid(2, 5),
                 (QStringList{u"0,00"_s, u"0,00"_s, u"0,00"_s, u"0,00"_s, u"200,00"_s}));

        w.datingBox()->setCurrentIndex(1);
        w.fill();
        // By transaction date AYŞE's TL debts are 29 and 60 days old: nothing is "not yet due".
        for (int r = 0; r < w.list()->rowCount(); ++r)
            QCOMPARE(w.list()->cell(r, 2), u"0,00"_s);

        installTemplates(binDir(), data.folder());
        QTemporaryDir temp;
        const QString text = printToText(w, temp.path());
        QVERIFY2(!text.isEmpty(), qPrintable(boxes.lastText()));
        QVERIFY(text.contains(u"YAŞLANDIRMA (İŞLEM TARİHİNE GÖRE)"_s));
        QVERIFY(text.contains(u"1-10 GÜN"_s));
        QVERIFY(text.contains(u"BURAK"_s));
        QVERIFY(text.contains(u"TOPLAM EURO"_s));
        QVERIFY(text.contains(u"500,00"_s));
    }

    void emptyPrintStillStartsViewer()
    {
        test::TestData data;
        test::MessageBoxCapture boxes;
        installTemplates(binDir(), data.folder());
        QTemporaryDir temp;
        BalanceListWindow w(data.store(), data.folder(), BalanceSide::Creditors);
        const QString text = printToText(w, temp.path());
        QVERIFY(!text.isEmpty());
        QCOMPARE(boxes.count(), 0);
        QVERIFY(data.store().scratch().scalar(QStringLiteral("SELECT count(*) FROM tablo_glr")).toInt() == 0);
    }
};

QTEST_MAIN(TestReportWindows)
#include "tst_report_windows.moc"
