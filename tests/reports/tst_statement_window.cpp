#include "../export/xlsx_reader.h"
#include "../rates/local_http_server.h"
#include "../rates/rate_samples.h"
#include "accounts/ui/account_card.h"
#include "rates/historical_rates.h"
#include "reports/report_layout.h"
#include "reports/report_templates.h"
#include "reports/ui/statement_window.h"
#include "support/test_data.h"
#include "widgets/file_dialog.h"
#include "widgets/picture_button.h"
#include "widgets/report_list.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace kalvora;
using namespace kalvora::test;
using namespace std::chrono_literals;

namespace {

QDate day(const char* text)
{
    return QDate::fromString(QString::fromLatin1(text), QStringLiteral("dd.MM.yyyy"));
}

struct Fixture {
    TestData data;
    Customer person;

    Fixture()
    {
        const QStringList contact{QStringLiteral("0212 555"), QStringLiteral("0532 111"),
                                  QStringLiteral("123"), QStringLiteral("KADIKÖY"),
                                  QStringLiteral("MODA CAD. 5")};
        const qint64 key = data.addPerson(QStringLiteral("ŞÜKRÜ IŞIK"), QStringLiteral("0"),
                                          QStringLiteral("0"), QStringLiteral("0"), contact);
        person.key = QString::number(key);
        person.name = QStringLiteral("ŞÜKRÜ IŞIK");
        person.workPhone = contact.at(0);
        person.mobilePhone = contact.at(1);
        person.address = contact.at(4);
        data.addTransaction(key, QStringLiteral("1000"), QStringLiteral("TL"), QStringLiteral("02.01.2026"),
                            QStringLiteral("100"), QStringLiteral("ESKİ BORÇ"));
        data.addTransaction(key, QStringLiteral("-400"), QStringLiteral("TL"), QStringLiteral("06.03.2026"),
                            QStringLiteral("200"), QStringLiteral("ÖDEME"));
        data.addTransaction(key, QStringLiteral("100"), QStringLiteral("DOLAR"), QStringLiteral("07.03.2026"),
                            QStringLiteral("100"), QStringLiteral("CUMARTESİ"));
        data.addTransaction(key, QStringLiteral("200"), QStringLiteral("TL"), QStringLiteral("10.03.2026"),
                            QStringLiteral("100"), QStringLiteral("YENİ BORÇ"));
    }
};

void setPeriod(StatementWindow& w, const char* from, const char* to)
{
    w.findChild<QDateEdit*>(QStringLiteral("DTPicker1"))->setDate(day(from));
    w.findChild<QDateEdit*>(QStringLiteral("DTPicker2"))->setDate(day(to));
}

QStringList column(const ReportList* list, int c)
{
    QStringList out;
    for (int r = 0; r < list->rowCount(); ++r)
        out.append(list->cell(r, c));
    return out;
}

HttpAnswer page(const QString& usd)
{
    QString xml = todayXml(QStringLiteral("UTF-8"));
    xml.replace(QStringLiteral("<ForexSelling>36.5976</ForexSelling>"),
                QStringLiteral("<ForexSelling>%1</ForexSelling>").arg(usd));
    HttpAnswer a;
    a.body = xml.toUtf8();
    return a;
}

} // namespace

class TestStatementWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }

    // The card's EKSTRE button stands right of KAPAT and asks for the statement.
    void cardButton()
    {
        Fixture f;
        AccountCard card(f.data.store());
        auto* ekstre = card.findChild<PictureButton*>(QStringLiteral("MyButton8"));
        auto* close = card.findChild<PictureButton*>(QStringLiteral("MyButton5"));
        QVERIFY(ekstre && close);
        QCOMPARE(ekstre->text(), QStringLiteral("EKSTRE"));
        QCOMPARE(ekstre->tipTitle(), QStringLiteral("EKSTRE"));
        QCOMPARE(ekstre->tipText(), QStringLiteral("SEÇİLEN TARİHLER ARASINDAKİ HESAP EKSTRESİ"));
        QVERIFY(ekstre->geometry().left() > close->geometry().right());
        QCOMPARE(ekstre->geometry().top(), close->geometry().top());
        QSignalSpy asked(&card, &AccountCard::periodStatementRequested);
        ekstre->click();
        QCOMPARE(asked.size(), 1);
    }

    void defaults()
    {
        Fixture f;
        StatementWindow w(f.data.store(), f.person);
        QCOMPARE(w.windowTitle(), QStringLiteral("HESAP EKSTRESİ"));
        QCOMPARE(w.findChild<QDateEdit*>(QStringLiteral("DTPicker1"))->date(),
                 QDate(QDate::currentDate().year(), 1, 1));
        QCOMPARE(w.findChild<QDateEdit*>(QStringLiteral("DTPicker2"))->date(), QDate::currentDate());
        QCOMPARE(w.findChild<QComboBox*>(QStringLiteral("Combo1"))->currentText(), QStringLiteral("TÜMÜ"));
        QVERIFY(!w.findChild<QCheckBox*>(QStringLiteral("Check1"))->isChecked());
    }

    // A period starting between rows, shown, printed through ekstre.fr3 and exported: the carried-in
    // balance, the running balance and the closing status agree in all three.
    // With the sender's details set the print and the export start with them; without, neither names a
    // sender. The export's first lines say whose statement it is and for which period.
    void shownPrintedExported_data()
    {
        QTest::addColumn<bool>("withSender");
        QTest::newRow("no letterhead") << false;
        QTest::newRow("letterhead") << true;
    }
    void shownPrintedExported()
    {
        QFETCH(bool, withSender);
        Fixture f;
        MessageBoxCapture boxes;
        if (withSender) {
            CompanyInfo info;
            info.name = QStringLiteral("ORVENTA TİCARET");
            info.taxNumber = QStringLiteral("1234567890");
            saveCompanyInfo(f.data.store(), info);
        }
        StatementWindow w(f.data.store(), f.person);
        setPeriod(w, "01.03.2026", "31.03.2026");
        w.findChild<QComboBox*>(QStringLiteral("Combo1"))->setCurrentText(QStringLiteral("TL"));
        const QStringList descriptions{QStringLiteral("DEVİR"), QStringLiteral("ÖDEME"),
                                       QStringLiteral("YENİ BORÇ"), QStringLiteral("DÖNEM TOPLAMI"),
                                       QStringLiteral("KAPANIŞ BAKİYESİ")};
        const QStringList balances{QStringLiteral("1.000,00"), QStringLiteral("600,00"),
                                   QStringLiteral("800,00"), QString(), QStringLiteral("800,00")};
        QCOMPARE(column(w.list(), StmDescription), descriptions);
        QCOMPARE(column(w.list(), StmBalance), balances);
        QCOMPARE(w.list()->cell(4, StmStatus), QStringLiteral("BORÇLU"));

        installTemplates(qEnvironmentVariable("KALVORA_TEST_BIN_DIR"), f.data.folder());
        QTemporaryDir temp;
        QString definition;
        ReportOptions options;
        options.installationFolder = qEnvironmentVariable("KALVORA_TEST_BIN_DIR");
        options.startViewer = [&](const QString&, const QStringList& args, const QString&) {
            definition = args.value(0);
            return true;
        };
        w.setReportOptions(options);
        w.print();
        QVERIFY2(boxes.count() == 0, qPrintable(boxes.lastText()));
        QVERIFY(!definition.isEmpty());
        const PreparedReport report = prepareReportFile(definition);
        QCOMPARE(report.pages.size(), 1);
        QCOMPARE(report.texts(QStringLiteral("Memo3")), descriptions);
        QCOMPARE(report.texts(QStringLiteral("Memo6")), balances);
        QCOMPARE(report.texts(QStringLiteral("Memo11")), QStringList{f.person.name});
        QCOMPARE(report.texts(QStringLiteral("Memo13")),
                 QStringList{QStringLiteral("01.03.2026 - 31.03.2026")});
        QVERIFY(
            report.texts(QStringLiteral("Memo12")).value(0).contains(QStringLiteral("ADRES: MODA CAD. 5")));
        QCOMPARE(report.texts(QStringLiteral("Memo51")), QStringList{QStringLiteral("SAYFA 1 / 1")});
        const QString head = report.texts(QStringLiteral("Memo15")).join(QLatin1Char('\n'));
        QCOMPARE(head.contains(QStringLiteral("ORVENTA TİCARET")), withSender);
        QCOMPARE(head.isEmpty(), !withSender);

        FileDialog::setTestMode(true);
        const QString xlsx = temp.filePath(QStringLiteral("ekstre.xlsx"));
        FileDialog::setNextAnswer(xlsx);
        w.exportFile();
        FileDialog::setTestMode(false);
        QString error;
        const QJsonObject book = readXlsx(xlsx, &error);
        QVERIFY2(!book.isEmpty(), qPrintable(error));
        auto text = [&](int r, int c) { return xlsxCell(book, r, c).value(QStringLiteral("v")).toString(); };
        QStringList preamble;
        int top = 0; // the headers' row
        for (; !text(top, 0).isEmpty(); ++top)
            preamble.append(text(top, 0).mid(5) + QLatin1Char(' ') + text(top, 1).mid(5));
        ++top;
        QStringList expected{
            QStringLiteral("ADI SOYADI: ŞÜKRÜ IŞIK"), QStringLiteral("CARİ KODU: ") + f.person.key,
            QStringLiteral("TELEFON: İŞ: 0212 555   CEP: 0532 111"),
            QStringLiteral("DÖNEM: 01.03.2026 - 31.03.2026"), QStringLiteral("PARA CİNSİ: TL")};
        if (withSender)
            expected.prepend(QStringLiteral("GÖNDEREN: ORVENTA TİCARET - VERGİ NO: 1234567890"));
        QCOMPARE(preamble, expected);
        QCOMPARE(text(top, StmCurrency), QStringLiteral("text:PARA CİNSİ"));
        QCOMPARE(text(top + 1, StmBalance), QStringLiteral("number:1000.0"));
        QCOMPARE(text(top + 2, StmDate), QStringLiteral("date:2026-03-06 00:00:00"));
        QCOMPARE(text(top + 5, StmStatus), QStringLiteral("text:BORÇLU"));
    }

    // TL KARŞILIĞI: a Saturday row takes Friday's selling rate from the archive; without a server the
    // column says KUR ALINAMADI and the statement still prints.
    void tlValue_data()
    {
        QTest::addColumn<bool>("serverUp");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("tl");
        QTest::newRow("weekend row, Friday's rate") << true << "43,1000"
                                                    << "4.310,00";
        QTest::newRow("no network") << false << "KUR ALINAMADI"
                                    << "KUR ALINAMADI";
    }
    void tlValue()
    {
        QFETCH(bool, serverUp);
        QFETCH(QString, rate);
        QFETCH(QString, tl);
        Fixture f;
        MessageBoxCapture boxes;
        auto server = std::make_unique<LocalHttpServer>();
        server->route("/kurlar/202603/06032026.xml", page(QStringLiteral("43.1000")));
        const QUrl today = server->url(QStringLiteral("/kurlar/today.xml"));
        if (!serverUp)
            server.reset();
        QNetworkAccessManager network;
        StatementWindow w(f.data.store(), f.person);
        w.setRateSource(&network, today, 5s);
        setPeriod(w, "01.03.2026", "31.03.2026");
        w.findChild<QComboBox*>(QStringLiteral("Combo1"))->setCurrentText(QStringLiteral("DOLAR"));
        w.findChild<QCheckBox*>(QStringLiteral("Check1"))->setChecked(true);
        QVERIFY(!w.findChild<PictureButton*>(QStringLiteral("MyButton1"))->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!w.isFetchingRates(), 10000);
        QVERIFY(w.findChild<PictureButton*>(QStringLiteral("MyButton1"))->isEnabled());
        QCOMPARE(w.list()->cell(1, StmDescription), QStringLiteral("CUMARTESİ"));
        QCOMPARE(w.list()->cell(1, StmRate), rate);
        QCOMPARE(w.list()->cell(1, StmTlValue), tl);
        QCOMPARE(boxes.count(), 0);
    }

    void startAfterEndRefused()
    {
        Fixture f;
        MessageBoxCapture boxes;
        FileDialog::setTestMode(true);
        StatementWindow w(f.data.store(), f.person);
        setPeriod(w, "01.04.2026", "31.03.2026");
        w.exportFile();
        QCOMPARE(boxes.lastText(), QStringLiteral("BAŞLANGIÇ TARİHİ BİTİŞ TARİHİNDEN SONRA OLAMAZ."));
        QVERIFY(FileDialog::asked().isEmpty());
        FileDialog::setTestMode(false);
    }
};

QTEST_MAIN(TestStatementWindow)
#include "tst_statement_window.moc"
