#include "accounts/account_book.h"
#include "data/turkish_text.h"
#include "reports/letterhead.h"
#include "reports/report_templates.h"
#include "sending/confirmation_letter.h"
#include "sending/document_sender.h"
#include "sending/sent_record.h"
#include "support/test_data.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QTest>

using namespace kalvora;
using namespace Qt::StringLiterals;

namespace {

QString binFolder()
{
    return qEnvironmentVariable("KALVORA_TEST_BIN_DIR");
}

Customer person(test::TestData& data, const QString& name)
{
    Customer p;
    p.key = QString::number(
        data.addPerson(name, u"0"_s, u"0"_s, u"0"_s,
                       {u"0212 111 22 33"_s, u"0532 123 45 67"_s, u""_s, u"KADIKÖY"_s, u"MODA CAD. 1"_s}));
    p.name = name;
    p.mobilePhone = u"0532 123 45 67"_s;
    return p;
}

} // namespace

class TestSendingStore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The letter's balance on a date between rows counts the rows up to that day only, per currency and with
    // its direction; a cancelled row never counts.
    void letterBalancesAtDate_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QStringList>("expected"); // currency|amount|direction word
        QTest::newRow("before every row: clean") << u"01.01.2026"_s << QStringList{u"TL|0,00|BAKİYE YOK"_s};
        QTest::newRow("after the loan") << u"01.02.2026"_s << QStringList{u"TL|1.000,00|BORÇ"_s};
        QTest::newRow("on the repayment's day") << u"10.02.2026"_s << QStringList{u"TL|600,00|BORÇ"_s};
        QTest::newRow("dollar added")
            << u"10.03.2026"_s << QStringList{u"TL|600,00|BORÇ"_s, u"DOLAR|100,00|BORÇ"_s};
        QTest::newRow("euro owed by us")
            << u"31.03.2026"_s
            << QStringList{u"TL|600,00|BORÇ"_s, u"DOLAR|100,00|BORÇ"_s, u"EURO|50,50|ALACAK"_s};
    }
    void letterBalancesAtDate()
    {
        QFETCH(QString, date);
        QFETCH(QStringList, expected);
        test::TestData data;
        const Customer p = person(data, u"AYŞE YILMAZ"_s);
        const qint64 key = p.key.toLongLong();
        data.addTransaction(key, u"1000"_s, u"TL"_s, u"05.01.2026"_s, u"100"_s);
        data.addTransaction(key, u"-400"_s, u"TL"_s, u"10.02.2026"_s, u"200"_s);
        data.addTransaction(key, u"100"_s, u"DOLAR"_s, u"01.03.2026"_s, u"100"_s);
        data.addTransaction(key, u"-50,5"_s, u"EURO"_s, u"15.03.2026"_s, u"200"_s);
        const qint64 wrong = data.addTransaction(key, u"9999"_s, u"TL"_s, u"06.01.2026"_s, u"100"_s);
        AccountBook book(data.store());
        book.cancel(p.key, wrong);
        const ConfirmationLetter letter =
            buildConfirmationLetter(p, book.load(p.key).rows, readDateText(date), 15);
        QStringList got;
        for (const LetterBalance& b : letter.balances)
            got.append(currencyText(b.currency) + u'|' + b.amountText() + u'|' +
                       b.directionText().section(u' ', 0, 0).replace(u"BAKİYE"_s, u"BAKİYE YOK"_s));
        QCOMPARE(got, expected);

        // The printed letter carries the same figures, in words too.
        installTemplates(binFolder(), data.folder());
        const PreparedReport r = prepareDirectReport(
            letterReport(letter, CompanyInfo{}, QDir(data.folder()).filePath(u"mutabakat.fr3"_s)));
        QCOMPARE(r.texts(u"Memo2"_s).size(), expected.size());
        QCOMPARE(r.texts(u"Memo2"_s).first(), expected.first().section(u'|', 1, 1));
        QVERIFY(r.texts(u"Memo4"_s).first().startsWith(u"YALNIZ "_s));
        QVERIFY(r.texts(u"Memo16"_s).join(u' ').contains(u"15 GÜN"_s));
    }

    // The sender's details are one row of the book: saved, read back by another desk, and printed as the
    // letterhead; without them nothing stands where the letterhead would be.
    void companyInfoIsTheLetterhead()
    {
        test::TestData data;
        QCOMPARE(loadCompanyInfo(data.store()), CompanyInfo{});
        installTemplates(binFolder(), data.folder());
        const Customer p = person(data, u"ALİ"_s);
        const ConfirmationLetter letter = buildConfirmationLetter(p, {}, QDate(2026, 12, 31), 10);
        const QString tpl = QDir(data.folder()).filePath(u"mutabakat.fr3"_s);
        const PreparedReport bare = prepareDirectReport(letterReport(letter, CompanyInfo{}, tpl));
        QVERIFY(bare.texts(u"Memo15"_s).join(QString()).trimmed().isEmpty());

        CompanyInfo info;
        info.name = u"ORVENTA TİCARET LTD. ŞTİ."_s;
        info.address = u"ATATÜRK CAD. 5\nİZMİR"_s;
        info.phones = u"0232 000 00 00"_s;
        info.taxOffice = u"KONAK"_s;
        info.taxNumber = u"1234567890"_s;
        info.iban = u"TR00 0000 0000 0000 0000 0000 00"_s;
        QImage logo(200, 100, QImage::Format_RGB32);
        logo.fill(Qt::red);
        QBuffer png(&info.logoPng);
        png.open(QIODevice::WriteOnly);
        logo.save(&png, "PNG");
        info.subjectTemplate = u"{ADI}"_s;
        saveCompanyInfo(data.store(), info);
        saveCompanyInfo(data.store(), info); // saved again: still one row
        QCOMPARE(loadCompanyInfo(*data.otherDesk()), info);

        const PreparedReport headed = prepareDirectReport(letterReport(letter, info, tpl));
        const QString head = headed.texts(u"Memo15"_s).join(u'\n');
        QVERIFY2(head.contains(u"ORVENTA TİCARET"_s) && head.contains(u"VERGİ NO: 1234567890"_s),
                 qPrintable(head));
        QVERIFY(!head.contains(u"E-POSTA"_s)); // not set, so not captioned
        auto pictureOf = [](const PreparedReport& r) {
            for (const PreparedItem& it : r.pages.first().items)
                if (it.kind == PreparedItem::Kind::Picture)
                    return it.picture;
            return QImage();
        };
        QCOMPARE(pictureOf(headed).size(), QSize(200, 100));
        QVERIFY(pictureOf(bare).isNull());
        // Without a letterhead the letter starts higher on the page.
        auto topOf = [](const PreparedReport& r, const QString& name) {
            for (const PreparedItem& it : r.pages.first().items)
                if (it.name == name)
                    return it.rect.top();
            return -1.0;
        };
        QVERIFY(topOf(bare, u"Memo30"_s) + 1000 < topOf(headed, u"Memo30"_s));
    }

    // Every sending is kept with its outcome, listed newest first and filtered; the last successful one is
    // what a reminder shows.
    void sentRecord()
    {
        test::TestData data;
        SentRecord record(data.store());
        QVERIFY(!record.lastSentTo(u"7"_s));
        SentItem ok;
        ok.personKey = u"7"_s;
        ok.personName = u"AYŞE"_s;
        ok.way = sendWayText(SendWay::Email);
        ok.recipient = u"ayse@example.invalid"_s;
        ok.date = u"01.12.2026"_s;
        ok.time = u"10:00:00"_s;
        ok.succeeded = true;
        record.add(ok);
        SentItem failed = ok;
        failed.date = u"02.12.2026"_s;
        failed.succeeded = false;
        failed.error = u"E-POSTA GÖNDERİLEMEDİ: 550"_s;
        record.add(failed);
        SentItem other = ok;
        other.personKey = u"8"_s;
        other.personName = u"ŞÜKRÜ"_s;
        other.way = sendWayText(SendWay::WhatsApp);
        record.add(other);

        QCOMPARE(record.list().size(), 3);
        QCOMPARE(record.list().first().personName, u"ŞÜKRÜ"_s);
        QCOMPARE(record.list(u"şükrü"_s).size(), 1);
        QCOMPARE(record.list(u"whatsapp"_s).size(), 1);
        QCOMPARE(record.list(QString(), true).size(), 1);
        QCOMPARE(record.list(QString(), true).first().error, failed.error);
        QCOMPARE(*record.lastSentTo(u"7"_s), QDateTime(QDate(2026, 12, 1), QTime(10, 0)));
        QCOMPARE(record.lastSent(),
                 (QHash<QString, QDateTime>{{u"7"_s, QDateTime(QDate(2026, 12, 1), QTime(10, 0))},
                                            {u"8"_s, QDateTime(QDate(2026, 12, 1), QTime(10, 0))}}));
    }

    // "Anything overdue" picks the people with an open overdue amount in the chosen currency alone.
    void overdueRule_data()
    {
        QTest::addColumn<int>("currency");
        QTest::addColumn<QStringList>("chosen");
        QTest::newRow("TL") << int(Currency::Tl) << QStringList{u"1"_s, u"3"_s};
        QTest::newRow("DOLAR") << int(Currency::Dolar) << QStringList{u"2"_s};
        QTest::newRow("EURO") << int(Currency::Euro) << QStringList{};
    }
    void overdueRule()
    {
        QFETCH(int, currency);
        QFETCH(QStringList, chosen);
        auto entry = [](const char* key, Currency c, qint64 open) {
            OverdueEntry e;
            e.personKey = QString::fromLatin1(key);
            e.currency = c;
            e.open = open;
            return e;
        };
        const QList<OverdueEntry> overdue{entry("1", Currency::Tl, 100), entry("2", Currency::Dolar, 5),
                                          entry("3", Currency::Tl, 1), entry("4", Currency::Euro, 0)};
        QList<Customer> people;
        for (const char* key : {"1", "2", "3", "4", "5"}) {
            Customer p;
            p.key = QString::fromLatin1(key);
            people.append(p);
        }
        QStringList keys;
        for (const Customer& p : selectPeople(people, {hasOverdue(overdue, Currency(currency))}))
            keys.append(p.key);
        QCOMPARE(keys, chosen);
    }
};

QTEST_MAIN(TestSendingStore)
#include "tst_sending_store.moc"
