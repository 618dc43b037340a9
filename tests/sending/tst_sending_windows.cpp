#include "accounts/ui/account_card.h"
#include "reports/letterhead.h"
#include "reports/report_layout.h"
#include "reports/report_templates.h"
#include "sending/confirmation_letter.h"
#include "sending/delivery.h"
#include "sending/sent_record.h"
#include "sending/ui/bulk_send_window.h"
#include "sending/ui/company_info_window.h"
#include "sending/ui/letter_window.h"
#include "sending/ui/send_window.h"
#include "sending/ui/sent_list_window.h"
#include "support/gui_helpers.h"
#include "support/test_data.h"
#include "widgets/report_list.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace kalvora;
using namespace Qt::StringLiterals;

namespace {

Customer addPerson(test::TestData& data, const QString& name, const QString& tl = u"0"_s)
{
    Customer p;
    p.key = QString::number(data.addPerson(name, tl, u"0"_s, u"0"_s, {QString(), u"0532 123 45 67"_s}));
    p.name = name;
    p.balanceTl = tl;
    p.mobilePhone = u"0532 123 45 67"_s;
    return p;
}

SendDocument letterOf(test::TestData& data, const Customer& p)
{
    return letterDocument(buildConfirmationLetter(p, {}, QDate(2026, 12, 31), 15), CompanyInfo{},
                          data.folder());
}

} // namespace

class TestSendingWindows : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_bin; // the stand-ins for the desktop's programs

private Q_SLOTS:
    void initTestCase()
    {
        for (const char* name : {"xdg-email", "xdg-open"}) {
            const QString path = m_bin.filePath(QString::fromLatin1(name));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("#!/bin/sh\nprintf '%s\\0' \"$@\" >> \"$0.args\"\n");
            f.close();
            QFile::setPermissions(path,
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }
        qputenv("PATH", (m_bin.path() + u':' + qEnvironmentVariable("PATH")).toLocal8Bit());
    }

    // The details typed are kept in the book, the logo scaled; the mail server's settings go to the user's
    // configuration and the password to a file of its own that only the user can read.
    void companyInfoSaved()
    {
        test::TestData data;
        test::MessageBoxCapture boxes;
        QTemporaryDir config;
        CompanyInfoWindow w(data.store(), nullptr, config.path());
        w.findChild<QLineEdit*>(u"Text1"_s)->setText(u"orventa ticaret"_s);
        w.findChild<QPlainTextEdit*>(u"Text2"_s)->setPlainText(u"atatürk cad. 5"_s);
        w.findChild<QLineEdit*>(u"Text5"_s)->setText(u"1234567890"_s);
        w.findChild<QLineEdit*>(u"Text10"_s)->setText(u"smtp.example.invalid"_s);
        w.findChild<QLineEdit*>(u"Text12"_s)->setText(u"defter"_s);
        w.findChild<QLineEdit*>(u"Text13"_s)->setText(u"gizli"_s);
        QImage big(1200, 600, QImage::Format_RGB32);
        big.fill(Qt::darkBlue);
        const QString png = config.filePath(u"logo.jpg"_s);
        QVERIFY(big.save(png, "JPEG"));
        QVERIFY(w.setLogoFile(png));
        test::click(&w, "MyButton1");
        QCOMPARE(boxes.lastText(), u"FİRMA BİLGİLERİ KAYDEDİLDİ."_s);

        const CompanyInfo stored = loadCompanyInfo(data.store());
        QCOMPARE(stored.name, u"ORVENTA TİCARET"_s); // upper-cased by the Turkish rules
        QCOMPARE(stored.address, u"ATATÜRK CAD. 5"_s);
        QCOMPARE(stored.taxNumber, u"1234567890"_s);
        QVERIFY(stored.subjectTemplate.isEmpty()); // the default, so a later default reaches it
        QImage logo;
        QVERIFY(logo.loadFromData(stored.logoPng, "PNG"));
        QCOMPARE(logo.size(), QSize(logoPixels, logoPixels / 2));

        const SmtpSettings smtp = loadSmtpSettings(config.path());
        QCOMPARE(smtp.host, u"smtp.example.invalid"_s);
        QCOMPARE(smtp.password, u"gizli"_s);
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(config.filePath(u"smtp-sifre"_s)).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u);
        QFile ini(config.filePath(u"smtp.ini"_s));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(!ini.readAll().contains("gizli"));
    }

    void companyInfoRefused_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown field")
            << u"Text8"_s << u"{ADRES} İÇİN"_s << u"BİLİNMEYEN ALAN VAR: {ADRES}"_s;
        QTest::newRow("e-mail address") << u"Text6"_s << u"orventa@"_s << u"E-POSTA ADRESİ GEÇERLİ DEĞİL."_s;
    }
    void companyInfoRefused()
    {
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QString, message);
        test::TestData data;
        test::MessageBoxCapture boxes;
        QTemporaryDir config;
        CompanyInfoWindow w(data.store(), nullptr, config.path());
        w.findChild<QLineEdit*>(u"Text1"_s)->setText(u"ORVENTA"_s);
        w.findChild<QLineEdit*>(box)->setText(text);
        QVERIFY(!w.save());
        QVERIFY2(boxes.lastText().contains(message), qPrintable(boxes.lastText()));
        QCOMPARE(loadCompanyInfo(data.store()), CompanyInfo{});
        QVERIFY(!w.setLogoFile(config.filePath(u"none.png"_s)));
    }

    // GÖNDER checks the address or the number before anything is written; the address given is offered
    // again next time, and the number typed reaches wa.me in international form.
    void sendWindow()
    {
        test::TestData data;
        test::MessageBoxCapture boxes;
        QTemporaryDir config;
        installTemplates(qEnvironmentVariable("KALVORA_TEST_BIN_DIR"), data.folder());
        const Customer p = addPerson(data, u"ALİ"_s);
        {
            SendWindow w(data.store(), letterOf(data, p), nullptr, config.path());
            QCOMPARE(w.way(), SendWay::MailProgram);
            QVERIFY(w.findChild<QLineEdit*>(u"Text2"_s)->text().contains(u"31.12.2026"_s));
            w.setRecipient(u"ali@"_s);
            QVERIFY(!w.send());
            QCOMPARE(boxes.lastText(), u"E-POSTA ADRESİ GEÇERLİ DEĞİL."_s);
            w.setWay(SendWay::WhatsApp);
            QCOMPARE(w.findChild<QLineEdit*>(u"Text1"_s)->text(), p.mobilePhone);
            w.setRecipient(u"0216 123 45 67"_s);
            QVERIFY(!w.send());
            QVERIFY(boxes.lastText().contains(u"CEP TELEFONU NUMARASI DEĞİL"_s));
            QVERIFY(SentRecord(data.store()).list().isEmpty());
            w.setWay(SendWay::MailProgram);
            w.setRecipient(u"ali@example.invalid"_s);
            QVERIFY2(w.send(), qPrintable(boxes.lastText()));
        }
        QCOMPARE(rememberedEmail(data.store(), p.key), u"ali@example.invalid"_s);
        SendWindow again(data.store(), letterOf(data, p), nullptr, config.path());
        QCOMPARE(again.findChild<QLineEdit*>(u"Text1"_s)->text(), u"ali@example.invalid"_s);
        QTRY_VERIFY(QFile::exists(m_bin.filePath(u"xdg-email.args"_s)));
    }

    // GÖNDERİLENLER filters by what was typed and shows the failures alone on request.
    void sentList()
    {
        test::TestData data;
        test::MessageBoxCapture boxes;
        SentRecord record(data.store());
        for (const auto& [name, ok] :
             {std::pair{u"AYŞE"_s, true}, std::pair{u"ŞÜKRÜ"_s, false}, std::pair{u"VELİ"_s, true}}) {
            SentItem it;
            it.personName = name;
            it.way = sendWayText(SendWay::Email);
            it.succeeded = ok;
            it.error = ok ? QString() : u"E-POSTA ADRESİ YOK."_s;
            record.add(it);
        }
        SentListWindow w(data.store());
        QCOMPARE(w.list()->rowCount(), 3);
        QCOMPARE(w.list()->cell(0, 2), u"VELİ"_s);
        test::typeText(w.findChild<QLineEdit*>(u"Text1"_s), u"şük"_s);
        QCOMPARE(w.list()->rowCount(), 1);
        QCOMPARE(w.list()->cell(0, 3), u"GÖNDERİLEMEDİ"_s);
        w.setFilter(QString());
        w.setOnlyFailed(true);
        QCOMPARE(w.list()->rowCount(), 1);
        QCOMPARE(w.list()->cell(0, 9), u"E-POSTA ADRESİ YOK."_s);
    }

    // TOPLU GÖNDER takes everyone owing more than the amount, or the people ticked; without a mail server
    // it does not start.
    void bulkSelection()
    {
        test::TestData data;
        test::MessageBoxCapture boxes;
        QTemporaryDir config;
        addPerson(data, u"ALİ"_s, u"500"_s);
        addPerson(data, u"AYŞE"_s, u"1500,5"_s);
        addPerson(data, u"VELİ"_s, u"-2000"_s);
        BulkSendWindow w(data.store(), nullptr, config.path());
        auto names = [&] {
            QStringList out;
            for (const Customer& c : w.chosenPeople())
                out.append(c.name);
            return out;
        };
        w.findChild<QLineEdit*>(u"Text1"_s)->setText(u"1000"_s);
        QCOMPARE(names(), QStringList{u"AYŞE"_s});
        w.findChild<QLineEdit*>(u"Text1"_s)->setText(u"0"_s);
        QCOMPARE(names(), (QStringList{u"ALİ"_s, u"AYŞE"_s}));
        w.findChild<QRadioButton*>(u"Option2"_s)->setChecked(true);
        QCOMPARE(names(), QStringList());
        w.start();
        QVERIFY(boxes.lastText().contains(u"E-POSTA SUNUCUSU"_s));
        QVERIFY(!w.isRunning());
    }

    // YAZDIR goes through the bridge and the viewer like every print: the saved definition shows the letter's
    // figures in words and, without the sender's details, no letterhead.
    void letterPrintedThroughTheViewer()
    {
        test::TestData data;
        test::MessageBoxCapture boxes;
        installTemplates(qEnvironmentVariable("KALVORA_TEST_BIN_DIR"), data.folder());
        const Customer p = addPerson(data, u"ALİ"_s);
        data.addTransaction(p.key.toLongLong(), u"1234,5"_s, u"TL"_s, u"01.12.2026"_s, u"100"_s);
        LetterWindow w(data.store(), p);
        w.setDate(QDate(2026, 12, 31));
        QString definition;
        ReportOptions options;
        options.installationFolder = qEnvironmentVariable("KALVORA_TEST_BIN_DIR");
        options.startViewer = [&](const QString&, const QStringList& args, const QString&) {
            definition = args.value(0);
            return true;
        };
        w.setReportOptions(options);
        test::click(&w, "MyButton1");
        QVERIFY2(!definition.isEmpty(), qPrintable(boxes.lastText()));
        const PreparedReport r = prepareReportFile(definition);
        QCOMPARE(r.texts(u"Memo2"_s), QStringList{u"1.234,50"_s});
        QCOMPARE(r.texts(u"Memo4"_s), QStringList{u"YALNIZ BİN İKİ YÜZ OTUZ DÖRT TÜRK LİRASI ELLİ KURUŞ"_s});
        QVERIFY(r.texts(u"Memo15"_s).join(QString()).isEmpty());
        QSignalSpy send(&w, &LetterWindow::sendRequested);
        test::click(&w, "MyButton3");
        QCOMPARE(send.size(), 1);
        QCOMPARE(send.first().first().value<SendDocument>().balances, u"1.234,50 TL BORÇ"_s);
    }

    // The card asks for the letter and for sending by signals; whoever opened it opens the windows.
    void cardButtons()
    {
        test::TestData data;
        test::MessageBoxCapture boxes;
        AccountCard card(data.store());
        card.setPerson(addPerson(data, u"ALİ"_s));
        QSignalSpy letter(&card, &AccountCard::letterRequested);
        QSignalSpy send(&card, &AccountCard::sendRequested);
        test::click(&card, "MyButton10");
        test::click(&card, "MyButton11");
        QCOMPARE(letter.size(), 1);
        QCOMPARE(send.size(), 1);
    }
};

QTEST_MAIN(TestSendingWindows)
#include "tst_sending_windows.moc"
