#include "reports/report_templates.h"
#include "reports/ui/balance_list_window.h"
#include "reports/ui/money_list_window.h"
#include "reports/ui/net_position_window.h"
#include "reports/ui/reports_menu_window.h"
#include "support/test_data.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"
#include "widgets/report_list.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace kalvora;

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
