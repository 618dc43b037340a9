#include "reports/report_templates.h"
#include "sending/bulk_send.h"
#include "sending/confirmation_letter.h"
#include "sending/delivery.h"
#include "sending/document_sender.h"
#include "sending/sent_record.h"
#include "sending/ui/bulk_send_window.h"
#include "support/test_data.h"
#include "widgets/message_box.h"
#include "widgets/report_list.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace kalvora;
using namespace Qt::StringLiterals;

namespace {

QString python()
{
    const QString p = qEnvironmentVariable("KALVORA_PYTHON");
    return p.isEmpty() ? u"/usr/bin/python3"_s : p;
}

// Writes a program of that name into the folder that records its arguments (NUL-separated) in name.args.
void standIn(const QString& folder, const QString& name)
{
    const QString path = QDir(folder).filePath(name);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\nprintf '%s\\0' \"$@\" >> \"$0.args\"\n");
    f.close();
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QStringList recorded(const QString& folder, const QString& name)
{
    QFile f(QDir(folder).filePath(name + u".args"_s));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList args = QString::fromUtf8(f.readAll()).split(QChar(0));
    args.removeLast();
    return args;
}

mode_t modeOf(const QString& path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 0777;
}

} // namespace

class TestSmtpSend : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QProcess m_server;
    int m_port = 0;
    QString m_mail;

    SmtpSettings settings() const
    {
        SmtpSettings s;
        s.host = u"127.0.0.1"_s;
        s.port = m_port;
        s.security = SmtpSettings::Security::StartTls;
        s.user = u"kalvora"_s;
        s.password = u"gizli şifre 123"_s;
        s.from = u"defter@example.invalid"_s;
        s.caFile = m_dir.filePath(u"cert.pem"_s);
        return s;
    }

    SendDocument letterFor(test::TestData& data, const Customer& p) const
    {
        const ConfirmationLetter letter = buildConfirmationLetter(p, {}, QDate(2026, 12, 31), 15);
        SendDocument d;
        d.person = p;
        d.document = u"MUTABAKAT MEKTUBU"_s;
        d.filePrefix = u"MUTABAKAT"_s;
        d.date = letter.date;
        d.period = u"31.12.2026"_s;
        d.balances = balancesSummary(letter.balances);
        CompanyInfo info;
        info.name = u"ORVENTA"_s;
        d.report = letterReport(letter, info, QDir(data.folder()).filePath(u"mutabakat.fr3"_s));
        return d;
    }

    // The messages the server kept, parsed by Python's own e-mail package: recipient, subject, body and
    // the attachment's name with its first bytes.
    QStringList received()
    {
        QProcess p;
        p.start(python(), {u"-c"_s, uR"(
import email, email.policy, glob, sys
for f in sorted(glob.glob(sys.argv[1] + '/*.eml')):
    m = email.message_from_binary_file(open(f, 'rb'), policy=email.policy.default)
    body = m.get_body(('plain',)).get_content().strip()
    att = [(a.get_filename(), a.get_content()[:5]) for a in m.iter_attachments()]
    print(m['X-Rcpt'], m['Subject'], body.replace('\n', '|'), att[0][0] if att else '', att[0][1].decode() if att else '', sep='\t')
)"_s,
                           m_mail});
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_mail = m_dir.filePath(u"mail"_s);
        QVERIFY(QDir().mkpath(m_mail));
        QProcess openssl;
        openssl.start(u"openssl"_s, {u"req"_s, u"-x509"_s, u"-newkey"_s, u"rsa:2048"_s, u"-nodes"_s,
                                     u"-keyout"_s, m_dir.filePath(u"key.pem"_s), u"-out"_s,
                                     m_dir.filePath(u"cert.pem"_s), u"-days"_s, u"1"_s, u"-subj"_s,
                                     u"/CN=127.0.0.1"_s, u"-addext"_s, u"subjectAltName=IP:127.0.0.1"_s});
        QVERIFY(openssl.waitForFinished(60000));
        QCOMPARE(openssl.exitCode(), 0);
        const QString script =
            QDir(qEnvironmentVariable("KALVORA_SOURCE_DIR")).filePath(u"tests/sending/smtp_server.py"_s);
        m_server.start(python(), {script, m_dir.filePath(u"cert.pem"_s), m_dir.filePath(u"key.pem"_s), m_mail,
                                  settings().user, settings().password});
        QVERIFY(m_server.waitForStarted());
        QVERIFY2(m_server.waitForReadyRead(30000), m_server.readAllStandardError().constData());
        m_port = m_server.readLine().trimmed().toInt();
        QVERIFY(m_port > 0);
        // The stand-ins for the desktop's mail program and browser come first on PATH.
        standIn(m_dir.path(), u"xdg-email"_s);
        standIn(m_dir.path(), u"xdg-open"_s);
        qputenv("PATH", (m_dir.path() + u':' + qEnvironmentVariable("PATH")).toLocal8Bit());
    }

    void cleanupTestCase()
    {
        m_server.kill();
        m_server.waitForFinished();
    }

    void init()
    {
        for (const QString& f : QDir(m_mail).entryList(QDir::Files))
            QFile::remove(QDir(m_mail).filePath(f));
    }

    // Through the user's server with STARTTLS and a password: the message arrives with the PDF, the subject
    // and the body filled; the PDF stays in gonderilen/, readable by the owner alone, and the sending is
    // recorded.
    void emailArrivesWithThePdf()
    {
        test::TestData data;
        installTemplates(qEnvironmentVariable("KALVORA_TEST_BIN_DIR"), data.folder());
        Customer p;
        p.key = QString::number(data.addPerson(u"AYŞE YILMAZ"_s));
        p.name = u"AYŞE YILMAZ"_s;
        CompanyInfo info;
        info.name = u"ORVENTA"_s;
        info.subjectTemplate = u"{FIRMA}: {ADI} İÇİN MUTABAKAT ({TARIH})"_s;
        DocumentSender sender(data.store(), settings(), info);
        const SendOutcome out = sender.send(letterFor(data, p), SendWay::Email, u"ayse@example.invalid"_s);
        QVERIFY2(out.succeeded, qPrintable(out.error));
        const QStringList got = received();
        QCOMPARE(got.size(), 1);
        const QStringList f = got.first().split(u'\t');
        QCOMPARE(f.value(0), u"ayse@example.invalid"_s);
        QCOMPARE(f.value(1), u"ORVENTA: AYŞE YILMAZ İÇİN MUTABAKAT (31.12.2026)"_s);
        QVERIFY2(f.value(2).startsWith(u"SAYIN AYŞE YILMAZ,"_s) && f.value(2).contains(u"0,00 TL"_s),
                 qPrintable(f.value(2)));
        QCOMPARE(f.value(3), QFileInfo(out.file).fileName());
        QCOMPARE(f.value(4), u"%PDF-"_s);
        QVERIFY(out.file.startsWith(QDir(data.folder()).filePath(u"gonderilen/"_s)));
        QCOMPARE(modeOf(out.file), mode_t(0600));
        QCOMPARE(modeOf(QFileInfo(out.file).absolutePath()), mode_t(0700));
        const QList<SentItem> record = SentRecord(data.store()).list();
        QCOMPARE(record.size(), 1);
        QVERIFY(record.first().succeeded);
        QCOMPARE(record.first().way, u"E-POSTA"_s);
        QCOMPARE(record.first().balances, u"0,00 TL"_s);
    }

    // A bulk sending goes on past a refused recipient and a person without an address, records both as
    // failed, and a second run of the failures alone sends to the one whose address was put right.
    void refusedRecipientIsRecordedAndRetried()
    {
        test::TestData data;
        installTemplates(qEnvironmentVariable("KALVORA_TEST_BIN_DIR"), data.folder());
        QList<BulkTarget> targets;
        for (const auto& [name, address] :
             {std::pair{u"ALİ"_s, u"ali@example.invalid"_s},
              std::pair{u"REDDEDİLEN"_s, u"ret@example.invalid"_s}, std::pair{u"ADRESSİZ"_s, QString()},
              std::pair{u"VELİ"_s, u"veli@example.invalid"_s}}) {
            Customer p;
            p.key = QString::number(data.addPerson(name));
            p.name = name;
            targets.append({p, address});
        }
        DocumentSender sender(data.store(), settings(), CompanyInfo{});
        auto documentFor = [&](const Customer& p) { return letterFor(data, p); };
        BulkSend first(sender, documentFor, targets);
        QSignalSpy failed(&first, &BulkSend::personFailed);
        QSignalSpy finished(&first, &BulkSend::finished);
        first.start();
        QVERIFY(finished.wait(60000));
        QCOMPARE(finished.first().first().toBool(), false);
        QCOMPARE(first.succeeded(), 2);
        QCOMPARE(failed.size(), 2);
        QVERIFY2(failed.at(0).at(1).toString().contains(u"550"_s), qPrintable(failed.at(0).at(1).toString()));
        QCOMPARE(failed.at(1).at(1).toString(), u"E-POSTA ADRESİ YOK."_s);
        QCOMPARE(received().size(), 2);
        const QList<SentItem> failures = SentRecord(data.store()).list(QString(), true);
        QCOMPARE(failures.size(), 2);
        QVERIFY(!failures.last().error.contains(settings().password));

        QList<BulkTarget> again = first.failures();
        QCOMPARE(again.size(), 2);
        again[0].address = u"reddedilen@example.invalid"_s;
        init();
        BulkSend second(sender, documentFor, again);
        QSignalSpy secondFinished(&second, &BulkSend::finished);
        second.start();
        QVERIFY(secondFinished.wait(60000));
        QCOMPARE(second.succeeded(), 1);
        QCOMPARE(second.failures().size(), 1);
        QCOMPARE(received().size(), 1);
        QVERIFY(received().first().startsWith(u"reddedilen@example.invalid\t"_s));
        QCOMPARE(SentRecord(data.store()).list().size(), 6);
    }

    // TOPLU GÖNDER lists the one refused and sends the rest; the next BAŞLAT offers the failures alone,
    // and their addresses are read again, so one put right since is used.
    void bulkWindowRetriesTheFailed()
    {
        test::TestData data;
        test::MessageBoxCapture boxes;
        installTemplates(qEnvironmentVariable("KALVORA_TEST_BIN_DIR"), data.folder());
        QTemporaryDir config;
        QString error;
        QVERIFY(saveSmtpSettings(settings(), &error, config.path()));
        QString refusedKey;
        for (const auto& [name, tl, address] :
             {std::tuple{u"ALİ"_s, u"500"_s, u"ali@example.invalid"_s},
              std::tuple{u"REDDEDİLEN"_s, u"800"_s, u"ret@example.invalid"_s},
              std::tuple{u"BORÇSUZ"_s, u"0"_s, u"borcsuz@example.invalid"_s}}) {
            const QString key = QString::number(data.addPerson(name, tl));
            rememberEmail(data.store(), key, address);
            if (address.startsWith(u"ret"_s))
                refusedKey = key;
        }
        BulkSendWindow w(data.store(), nullptr, config.path());
        w.findChild<QLineEdit*>(u"Text1"_s)->setText(u"100"_s);
        QSignalSpy done(&w, &BulkSendWindow::finished);
        w.start();
        QVERIFY(done.wait(60000));
        QCOMPARE(w.failureList()->rowCount(), 1);
        QCOMPARE(w.failureList()->cell(0, 0), u"REDDEDİLEN"_s);
        QCOMPARE(received().size(), 1);

        rememberEmail(data.store(), refusedKey, u"reddedilen@example.invalid"_s);
        init();
        MessageBox::setNextAnswer(MessageBox::Button::Yes);
        w.start();
        QVERIFY(done.wait(60000));
        bool asked = false;
        for (const MessageBox::Shown& b : MessageBox::shown())
            asked = asked || b.text.contains(u"YALNIZ ONLAR YENİDEN DENENSİN Mİ?"_s);
        QVERIFY(asked);
        QCOMPARE(w.run()->total(), 1);
        QCOMPARE(w.failureList()->rowCount(), 0);
        QCOMPARE(received().size(), 1);
        QVERIFY(received().first().startsWith(u"reddedilen@example.invalid\t"_s));
    }

    // A stop takes effect after the person being sent: the rest are not sent and the run says it stopped.
    void bulkSendStops()
    {
        test::TestData data;
        installTemplates(qEnvironmentVariable("KALVORA_TEST_BIN_DIR"), data.folder());
        QList<BulkTarget> targets;
        for (int i = 0; i < 4; ++i) {
            Customer p;
            p.key = QString::number(data.addPerson(u"KİŞİ %1"_s.arg(i)));
            p.name = u"KİŞİ %1"_s.arg(i);
            targets.append({p, u"kisi%1@example.invalid"_s.arg(i)});
        }
        DocumentSender sender(data.store(), settings(), CompanyInfo{});
        BulkSend run(
            sender, [&](const Customer& p) { return letterFor(data, p); }, targets);
        QSignalSpy finished(&run, &BulkSend::finished);
        connect(&run, &BulkSend::progress, &run, [&](int done) {
            if (done == 1)
                run.stop();
        });
        run.start();
        QVERIFY(finished.wait(60000));
        QCOMPARE(finished.first().first().toBool(), true);
        QCOMPARE(run.done(), 1);
        QCOMPARE(received().size(), 1);
    }

    // Without a mail server the user's mail program opens with the message and the file; WhatsApp opens
    // wa.me with the number in international form and the text, then the file's folder. A number that is
    // no mobile number is refused before anything opens.
    void desktopPrograms()
    {
        test::TestData data;
        installTemplates(qEnvironmentVariable("KALVORA_TEST_BIN_DIR"), data.folder());
        Customer p;
        p.key = QString::number(data.addPerson(u"ALİ"_s));
        p.name = u"ALİ"_s;
        DocumentSender sender(data.store(), SmtpSettings{}, CompanyInfo{});
        QCOMPARE(sender.emailWay(), SendWay::MailProgram);
        const SendDocument doc = letterFor(data, p);
        const SendOutcome mail = sender.send(doc, SendWay::MailProgram, u"ali@example.invalid"_s);
        QVERIFY2(mail.succeeded, qPrintable(mail.error));
        QTRY_COMPARE(recorded(m_dir.path(), u"xdg-email"_s).size(), 7);
        QCOMPARE(recorded(m_dir.path(), u"xdg-email"_s),
                 (QStringList{u"--subject"_s, sender.subjectFor(doc), u"--body"_s, sender.bodyFor(doc),
                              u"--attach"_s, mail.file, u"ali@example.invalid"_s}));
        QVERIFY(QFileInfo::exists(mail.file));

        const SendOutcome refused = sender.send(doc, SendWay::WhatsApp, u"0212 123 45 67"_s);
        QVERIFY(!refused.succeeded);
        QVERIFY(refused.file.isEmpty());
        const SendOutcome wa = sender.send(doc, SendWay::WhatsApp, u"+90 (532) 123 45 67"_s);
        QVERIFY2(wa.succeeded, qPrintable(wa.error));
        QTRY_COMPARE(recorded(m_dir.path(), u"xdg-open"_s).size(), 2);
        const QStringList opened = recorded(m_dir.path(), u"xdg-open"_s);
        QVERIFY2(opened.at(0).startsWith(u"https://wa.me/905321234567?text=SAYIN%20AL%C4%B0"_s),
                 qPrintable(opened.at(0)));
        QCOMPARE(opened.at(1), QFileInfo(wa.file).absolutePath());
        const QList<SentItem> record = SentRecord(data.store()).list();
        QCOMPARE(record.size(), 3);
        QCOMPARE(record.first().recipient, u"905321234567"_s);
        QVERIFY(!record.at(1).succeeded);
    }
};

QTEST_MAIN(TestSmtpSend)
#include "tst_smtp_send.moc"
