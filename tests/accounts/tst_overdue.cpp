#include "accounts/account_book.h"
#include "accounts/ui/overdue_window.h"
#include "app/main_window.h"
#include "app/window_openers.h"
#include "sending/sent_record.h"
#include "support/gui_helpers.h"
#include "support/test_data.h"
#include "widgets/report_list.h"

#include <QCheckBox>
#include <QLabel>
#include <QTest>

#include <utility>

using namespace kalvora;
using namespace Qt::StringLiterals;

namespace {

Entry entry(const QString& amount, const QDate& date, const QDate& due = {})
{
    Entry e;
    e.amount = amount;
    e.currency = u"TL"_s;
    e.date = date;
    e.dueDate = due;
    e.time = u"10:00:00"_s;
    return e;
}

Customer person(qint64 key, const QString& name = QString())
{
    Customer c;
    c.key = QString::number(key);
    c.name = name;
    return c;
}

QList<QStringList> rowsOf(const OverdueWindow& w)
{
    QList<QStringList> out;
    for (int r = 0; r < w.list()->rowCount(); ++r)
        out.append(w.list()->rowTexts(r));
    return out;
}

} // namespace

class TestOverdue : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // After the login the window lists what is overdue, most urgent first; the status bar counts the
    // people. A new day brings it back with what fell due meanwhile, unless "BUGÜN GÖSTERME" was chosen
    // that day; on the day after it opens again.
    void opensAfterLoginAndAfterMidnight()
    {
        auto clock = std::make_unique<test::FixedClock>(QDateTime(QDate(2025, 6, 30), QTime(12, 0, 0)));
        test::TestData data;
        test::MessageBoxCapture boxes;
        const qint64 a = data.addPerson(u"AYŞE"_s);
        const qint64 b = data.addPerson(u"BURAK"_s);
        AccountBook book(data.store());
        book.lend(person(a), entry(u"100"_s, QDate(2025, 6, 1), QDate(2025, 6, 10)));
        book.lend(person(a), entry(u"40"_s, QDate(2025, 6, 25))); // due on its date
        book.lend(person(b), entry(u"50"_s, QDate(2025, 6, 20), QDate(2025, 7, 5)));
        MainWindow main(data.store(), data.folder());
        QList<QList<QStringList>> seen;
        auto look = [&](bool notToday) {
            test::onModal(u"FormVade"_s, [&seen, notToday](QDialog* d) {
                auto* w = static_cast<OverdueWindow*>(d);
                QCOMPARE(w->windowTitle(), u"VADESİ GEÇENLER"_s);
                seen.append(rowsOf(*w));
                if (notToday)
                    w->notTodayBox()->setChecked(true);
                w->accept();
            });
        };
        // The first check comes with the clock's first tick after the window is shown; the look is
        // asked for as it comes, before the window opens.
        bool firstCheck = true;
        QObject::connect(&main, &MainWindow::overdueCheckRequested, &main, [&] {
            if (std::exchange(firstCheck, false))
                look(false);
        });
        connectWindowOpeners(main);
        main.show();
        QTRY_COMPARE(seen.size(), 1);
        QCOMPARE(seen.at(0),
                 (QList<QStringList>{{u"AYŞE"_s, u"TL"_s, u"140,00"_s, u"10.06.2025"_s, u"20"_s, u""_s}}));
        auto* count = main.findChild<QLabel*>(u"Panel7"_s);
        QCOMPARE(count->text().trimmed(), u"VADESİ GEÇEN: 1 KİŞİ"_s);

        main.checkDay(); // the same day: nothing again
        QCOMPARE(seen.size(), 1);

        // A letter sent to AYŞE (and one that failed to BURAK) shows as her last reminder.
        SentItem sent;
        sent.personKey = QString::number(a);
        sent.date = u"01.07.2025"_s;
        sent.time = u"09:30:00"_s;
        sent.succeeded = true;
        SentRecord(data.store()).add(sent);
        sent.personKey = QString::number(b);
        sent.date = u"02.07.2025"_s;
        sent.succeeded = false;
        SentRecord(data.store()).add(sent);

        clock.reset(); // before the next one, whose predecessor would return to the system clock
        clock = std::make_unique<test::FixedClock>(QDateTime(QDate(2025, 7, 6), QTime(0, 0, 1)));
        look(true);
        main.checkDay();
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen.at(1), (QList<QStringList>{
                                 {u"AYŞE"_s, u"TL"_s, u"140,00"_s, u"10.06.2025"_s, u"26"_s, u"01.07.2025"_s},
                                 {u"BURAK"_s, u"TL"_s, u"50,00"_s, u"05.07.2025"_s, u"1"_s, u""_s}}));
        QCOMPARE(count->text().trimmed(), u"VADESİ GEÇEN: 2 KİŞİ"_s);
        QVERIFY(OverdueWindow::hiddenToday(data.folder()));

        clock.reset();
        clock = std::make_unique<test::FixedClock>(QDateTime(QDate(2025, 7, 7), QTime(0, 0, 1)));
        look(false);
        main.checkDay();
        QCOMPARE(seen.size(), 3);

        // Paid in full: nothing opens and the count goes.
        book.collect(person(a), entry(u"140"_s, QDate(2025, 7, 7)));
        book.collect(person(b), entry(u"50"_s, QDate(2025, 7, 7)));
        clock.reset();
        clock = std::make_unique<test::FixedClock>(QDateTime(QDate(2025, 7, 8), QTime(0, 0, 1)));
        main.checkDay();
        QCOMPARE(seen.size(), 3);
        QVERIFY(!count->isVisible());
    }

    // On a server book another desk's payment reaches an open overdue window.
    void anotherDesksPaymentUpdatesTheWindow()
    {
        if (!test::TestData::onServer())
            return; // one desk at a time on a data folder
        const test::FixedClock clock(QDateTime(QDate(2025, 6, 30), QTime(12, 0, 0)));
        test::TestData data;
        test::MessageBoxCapture boxes;
        const qint64 a = data.addPerson(u"AYŞE"_s);
        AccountBook(data.store()).lend(person(a), entry(u"100"_s, QDate(2025, 6, 1)));
        const std::unique_ptr<Store> other = data.otherDesk();
        MainWindow main(data.store(), data.folder());
        bool emptied = false;
        QObject::connect(&main, &MainWindow::overdueCheckRequested, &main, [&] {
            test::onModal(u"FormVade"_s, [&](QDialog* d) {
                auto* w = static_cast<OverdueWindow*>(d);
                QCOMPARE(w->entries().size(), 1);
                AccountBook(*other).collect(person(a), entry(u"60"_s, QDate(2025, 6, 29)));
                QTRY_COMPARE(w->list()->cell(0, 2), u"40,00"_s);
                AccountBook(*other).collect(person(a), entry(u"40"_s, QDate(2025, 6, 29)));
                QTRY_COMPARE(w->list()->rowCount(), 0);
                emptied = true;
                w->accept();
            });
        });
        connectWindowOpeners(main);
        main.show();
        QTRY_VERIFY(emptied);
    }
};

QTEST_MAIN(TestOverdue)
#include "tst_overdue.moc"
