#include "ledger/cash_box.h"
#include "ledger/ledger_fixture.h"
#include "ledger/ledger_store.h"
#include "support/test_data.h"

#include <QTest>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using namespace kalvora;
using kalvora::test::addLedgerEntry;
using kalvora::test::cashBoxText;
using kalvora::test::entryCount;

Q_DECLARE_METATYPE(kalvora::Ledger)
Q_DECLARE_METATYPE(kalvora::LedgerPeriod)

namespace {

QStringList texts(std::initializer_list<const char*> items)
{
    QStringList out;
    for (const char* t : items)
        out.append(QString::fromUtf8(t));
    return out;
}

LedgerEntry entry(const QString& amount, const QString& date = QStringLiteral("15.03.2008"),
                  const QString& time = QStringLiteral("14:35:07"))
{
    LedgerEntry e;
    e.title = QStringLiteral("KİRA");
    e.date = date;
    e.description = QStringLiteral("MART KİRASI");
    e.time = time;
    e.maker = QStringLiteral("İŞLETME");
    e.amount = amount;
    return e;
}

QStringList stateOf(Store& store, Ledger which)
{
    QStringList out;
    BookQuery st =
        store.ledger(which).prepare(QStringLiteral("SELECT gider_iptal FROM GIDERLER ORDER BY kayit_no"));
    while (st.step())
        out.append(st.text(0));
    return out;
}

} // namespace

class TestLedgerStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Two desks recording into one ledger at the same moment: the cash box counts every entry.
    void twoDesksRecordAtOnce()
    {
        test::TestData data;
        std::unique_ptr<Store> desks[2] = {data.otherDesk(), data.otherDesk()};
        constexpr int entries = 30;
        std::atomic<int> failures = 0;
        std::vector<std::thread> threads;
        for (auto& desk : desks) {
            threads.emplace_back([&, store = desk.get()] {
                LedgerStore ledger(*store, Ledger::Income);
                for (int i = 0; i < entries; ++i) {
                    try {
                        ledger.record(entry(QStringLiteral("1,5")), -1);
                    } catch (const std::exception&) {
                        ++failures;
                    }
                }
            });
        }
        for (std::thread& t : threads)
            t.join();
        QCOMPARE(failures.load(), 0);
        QCOMPARE(entryCount(data.store(), Ledger::Income), 2 * entries);
        QCOMPARE(LedgerStore(data.store(), Ledger::Income).cashBox(), QStringLiteral("-90"));
    }

    void cashBoxArithmetic_data();
    void cashBoxArithmetic();
    void amountSum_data();
    void amountSum();

    void recordAndCancelRestoreTheCashBox_data();
    void recordAndCancelRestoreTheCashBox();
    void recordStoresTheTextsAsTyped();
    void cancelMarksOnlyTheChosenEntry();
    void cancelRefusesWhatIsNotValid();
    void unreadableCashBoxWritesNothing_data();
    void unreadableCashBoxWritesNothing();
    void ledgersKeepToTheirOwnFile();

    void listFiltersByPeriodAndState_data();
    void listFiltersByPeriodAndState();
};

void TestLedgerStore::cashBoxArithmetic_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<int>("sign");
    QTest::addColumn<QString>("expected"); // empty: refused

    QTest::newRow("record 100") << "0"
                                << "100" << -1 << "-100";
    QTest::newRow("cancel 100") << "-100"
                                << "100" << 1 << "0";
    QTest::newRow("three decimals out") << "0"
                                        << "12,346" << -1 << "-12,346";
    QTest::newRow("three decimals back") << "-12,346"
                                         << "12,346" << 1 << "0";
    QTest::newRow("typed with comma") << "0"
                                      << "1500,5" << -1 << "-1500,5";
    QTest::newRow("leading comma") << "0"
                                   << ",5" << -1 << "-0,5";
    QTest::newRow("trailing comma") << "7"
                                    << "5," << -1 << "2";
    // Binary floating point gives 0,09999999999999998 here.
    QTest::newRow("no binary drift") << "-0,6"
                                     << "0,7" << 1 << "0,1";
    QTest::newRow("no binary drift 2") << "0,1"
                                       << "0,2" << 1 << "0,3";
    QTest::newRow("crosses zero") << "50,25"
                                  << "100,5" << -1 << "-50,25";
    QTest::newRow("grouped stored value") << "1.500,50"
                                          << ",50" << 1 << "1501";
    QTest::newRow("blanks around stored") << " -3 "
                                          << "3" << 1 << "0";
    QTest::newRow("leading zeros") << "000"
                                   << "007,50" << -1 << "-7,5";
    QTest::newRow("big value") << "99999999999999999999"
                               << "1" << 1 << "100000000000000000000";
    QTest::newRow("sign zero") << "-4,5"
                               << "10" << 0 << "-4,5";
    QTest::newRow("stored unreadable") << "abc"
                                       << "1" << -1 << "";
    QTest::newRow("stored empty") << ""
                                  << "1" << -1 << "";
    QTest::newRow("amount lone comma") << "0"
                                       << "," << -1 << "";
    QTest::newRow("amount two commas") << "0"
                                       << "1,2,3" << -1 << "";
}

void TestLedgerStore::cashBoxArithmetic()
{
    QFETCH(QString, stored);
    QFETCH(QString, amount);
    QFETCH(int, sign);
    QFETCH(QString, expected);
    const auto result = cashBoxAfter(stored, amount, sign);
    if (expected.isEmpty()) {
        QVERIFY(!result);
    } else {
        QVERIFY(result);
        QCOMPARE(*result, expected);
    }
}

void TestLedgerStore::amountSum_data()
{
    QTest::addColumn<QStringList>("amounts");
    QTest::addColumn<QString>("total");

    QTest::newRow("none") << QStringList{} << "0";
    QTest::newRow("typed forms") << texts({"1500,5", ",75", "5,"}) << "1506,25";
    QTest::newRow("tenths exact") << texts({"0,1", "0,1", "0,1"}) << "0,3";
    QTest::newRow("unreadable counts zero") << texts({"10", ",", "abc", ""}) << "10";
}

void TestLedgerStore::amountSum()
{
    QFETCH(QStringList, amounts);
    QFETCH(QString, total);
    AmountSum sum;
    for (const QString& a : amounts)
        sum.add(a);
    QCOMPARE(sum.plainText(), total);
}

void TestLedgerStore::recordAndCancelRestoreTheCashBox_data()
{
    QTest::addColumn<Ledger>("which");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("afterRecord");

    QTest::newRow("income 100") << Ledger::Income << "100"
                                << "-100";
    QTest::newRow("expense 100") << Ledger::Expense << "100"
                                 << "-100";
    // The history shows 12,35; the cash box still gets back exactly what was taken.
    QTest::newRow("three decimals") << Ledger::Income << "12,346"
                                    << "-12,346";
    QTest::newRow("leading comma") << Ledger::Expense << ",75"
                                   << "-0,75";
}

void TestLedgerStore::recordAndCancelRestoreTheCashBox()
{
    QFETCH(Ledger, which);
    QFETCH(QString, amount);
    QFETCH(QString, afterRecord);
    test::TestData data;
    LedgerStore store(data.store(), which);
    QCOMPARE(store.cashBox(), QStringLiteral("0"));

    const qint64 key = store.record(entry(amount), -1);
    QCOMPARE(cashBoxText(data.store(), which), afterRecord);
    QCOMPARE(stateOf(data.store(), which), QStringList{QStringLiteral("0")});

    QVERIFY(store.cancel(key));
    QCOMPARE(cashBoxText(data.store(), which), QStringLiteral("0"));
    QCOMPARE(stateOf(data.store(), which), QStringList{QStringLiteral("1")});
}

void TestLedgerStore::recordStoresTheTextsAsTyped()
{
    test::TestData data;
    LedgerStore store(data.store(), Ledger::Income);
    LedgerEntry e = entry(QStringLiteral("1500,5"));
    e.title = QStringLiteral("AHMET'İN KİRASI");
    e.description = QStringLiteral("  o'nun payı ");
    e.maker = QStringLiteral(" ali'");
    const qint64 key = store.record(e, -1);

    const QList<LedgerEntry> all = store.allEntries();
    QCOMPARE(all.size(), 1);
    const LedgerEntry& got = all.first();
    QCOMPARE(got.key, key);
    QCOMPARE(got.title, e.title);
    QCOMPARE(got.description, e.description);
    QCOMPARE(got.maker, e.maker);
    QCOMPARE(got.date, QStringLiteral("15.03.2008"));
    QCOMPARE(got.time, QStringLiteral("14:35:07"));
    QCOMPARE(got.amount, QStringLiteral("1500,5"));
    QCOMPARE(got.state, QStringLiteral("0"));
}

void TestLedgerStore::cancelMarksOnlyTheChosenEntry()
{
    test::TestData data;
    LedgerStore store(data.store(), Ledger::Expense);
    // Two entries in the same second: same date text, same time text.
    const qint64 first = store.record(entry(QStringLiteral("40")), -1);
    const qint64 second = store.record(entry(QStringLiteral("60")), -1);
    QCOMPARE(cashBoxText(data.store(), Ledger::Expense), QStringLiteral("-100"));

    QVERIFY(store.cancel(second));
    QCOMPARE(stateOf(data.store(), Ledger::Expense), (QStringList{QStringLiteral("0"), QStringLiteral("1")}));
    QCOMPARE(cashBoxText(data.store(), Ledger::Expense), QStringLiteral("-40"));

    QVERIFY(store.cancel(first));
    QCOMPARE(cashBoxText(data.store(), Ledger::Expense), QStringLiteral("0"));
}

void TestLedgerStore::cancelRefusesWhatIsNotValid()
{
    test::TestData data;
    LedgerStore store(data.store(), Ledger::Income);
    const qint64 key = store.record(entry(QStringLiteral("25")), -1);
    QVERIFY(store.cancel(key));
    QCOMPARE(cashBoxText(data.store(), Ledger::Income), QStringLiteral("0"));

    // Neither a second cancellation nor an unknown key credits the cash box again.
    QVERIFY(!store.cancel(key));
    QVERIFY(!store.cancel(key + 100));
    QCOMPARE(cashBoxText(data.store(), Ledger::Income), QStringLiteral("0"));

    // An old row whose amount never read as a number is cancelled without changing the cash box.
    const qint64 odd =
        addLedgerEntry(data.store(), Ledger::Income, QStringLiteral("15.03.2008"), QStringLiteral(","));
    QVERIFY(store.cancel(odd));
    QCOMPARE(cashBoxText(data.store(), Ledger::Income), QStringLiteral("0"));
}

void TestLedgerStore::unreadableCashBoxWritesNothing_data()
{
    QTest::addColumn<bool>("removeRow");
    QTest::addColumn<QString>("value");

    QTest::newRow("no row") << true << QString();
    QTest::newRow("not a number") << false << "abc";
    QTest::newRow("empty text") << false << "";
}

void TestLedgerStore::unreadableCashBoxWritesNothing()
{
    QFETCH(bool, removeRow);
    QFETCH(QString, value);
    test::TestData data;
    LedgerStore store(data.store(), Ledger::Income);
    const qint64 key =
        addLedgerEntry(data.store(), Ledger::Income, QStringLiteral("15.03.2008"), QStringLiteral("10"));
    BookConnection& db = data.store().ledger(Ledger::Income);
    if (removeRow)
        db.execute(QStringLiteral("DELETE FROM KASA_NET"));
    else
        db.execute(QStringLiteral("UPDATE KASA_NET SET Kasa_net_bakiye=?1"), {value});

    bool threw = false;
    try {
        store.record(entry(QStringLiteral("100")), -1);
    } catch (const LedgerError& e) {
        threw = true;
        QVERIFY(e.turkishText().contains(data.bookLabel(QStringLiteral("gelirmdb.mdb"))));
        QVERIFY(e.turkishText().contains(QStringLiteral("HİÇBİR DEĞİŞİKLİK YAPILMADI")));
    }
    QVERIFY(threw);
    QVERIFY_THROWS_EXCEPTION(LedgerError, store.cancel(key));

    QCOMPARE(entryCount(data.store(), Ledger::Income), 1);
    QCOMPARE(stateOf(data.store(), Ledger::Income), QStringList{QStringLiteral("0")});
    QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM KASA_NET")).toInt(), removeRow ? 0 : 1);
    if (!removeRow)
        QCOMPARE(cashBoxText(data.store(), Ledger::Income), value);
}

void TestLedgerStore::ledgersKeepToTheirOwnFile()
{
    test::TestData data;
    LedgerStore expense(data.store(), Ledger::Expense);
    LedgerStore income(data.store(), Ledger::Income);
    expense.record(entry(QStringLiteral("300")), -1);
    QCOMPARE(cashBoxText(data.store(), Ledger::Expense), QStringLiteral("-300"));
    QCOMPARE(cashBoxText(data.store(), Ledger::Income), QStringLiteral("0"));
    QCOMPARE(entryCount(data.store(), Ledger::Income), 0);

    income.record(entry(QStringLiteral("20")), -1);
    QCOMPARE(cashBoxText(data.store(), Ledger::Expense), QStringLiteral("-300"));
    QCOMPARE(cashBoxText(data.store(), Ledger::Income), QStringLiteral("-20"));
    QCOMPARE(entryCount(data.store(), Ledger::Expense), 1);
    QCOMPARE(income.allEntries().size(), 1);
}

void TestLedgerStore::listFiltersByPeriodAndState_data()
{
    QTest::addColumn<LedgerPeriod>("period");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("year");
    QTest::addColumn<bool>("cancelled");
    QTest::addColumn<QStringList>("amounts"); // of the listed rows, in the order recorded
    QTest::addColumn<QString>("total");

    QTest::newRow("day") << LedgerPeriod::Day << QDate(2008, 3, 5) << 0 << 0 << false
                         << texts({"1", "8", "4096"}) << "4105";
    QTest::newRow("day cancelled") << LedgerPeriod::Day << QDate(2008, 3, 5) << 0 << 0 << true
                                   << texts({"64"}) << "64";
    QTest::newRow("march 2008") << LedgerPeriod::Month << QDate() << 3 << 2008 << false
                                << texts({"1", "8", "16", "4096"}) << "4121";
    // 12 joined to 2008 and 1 joined to 2008 must never meet.
    QTest::newRow("december 2008") << LedgerPeriod::Month << QDate() << 12 << 2008 << false << texts({"2"})
                                   << "2";
    QTest::newRow("january 2008") << LedgerPeriod::Month << QDate() << 1 << 2008 << false << texts({"4"})
                                  << "4";
    QTest::newRow("year 2008") << LedgerPeriod::Year << QDate() << 0 << 2008 << false
                               << texts({"1", "2", "4", "8", "16", "1,5", "4096"}) << "4128,5";
    QTest::newRow("year 2008 cancelled")
        << LedgerPeriod::Year << QDate() << 0 << 2008 << true << texts({"64"}) << "64";
    QTest::newRow("year 2007") << LedgerPeriod::Year << QDate() << 0 << 2007 << false << texts({"32"})
                               << "32";
    QTest::newRow("february 2008") << LedgerPeriod::Month << QDate() << 2 << 2008 << false << QStringList{}
                                   << "0";
    QTest::newRow("empty period") << LedgerPeriod::Month << QDate() << 6 << 2010 << false << QStringList{}
                                  << "0";
}

void TestLedgerStore::listFiltersByPeriodAndState()
{
    QFETCH(LedgerPeriod, period);
    QFETCH(QDate, day);
    QFETCH(int, month);
    QFETCH(int, year);
    QFETCH(bool, cancelled);
    QFETCH(QStringList, amounts);
    QFETCH(QString, total);

    test::TestData data;
    Store& s = data.store();
    const Ledger w = Ledger::Expense;
    addLedgerEntry(s, w, QStringLiteral("05.03.2008"), QStringLiteral("1"));
    addLedgerEntry(s, w, QStringLiteral("15.12.2008"), QStringLiteral("2"));
    addLedgerEntry(s, w, QStringLiteral("10.01.2008"), QStringLiteral("4"));
    addLedgerEntry(s, w, QStringLiteral("5.3.2008"), QStringLiteral("8")); // written by hand, still a date
    addLedgerEntry(s, w, QStringLiteral("31.03.2008"), QStringLiteral("16"));
    addLedgerEntry(s, w, QStringLiteral("31.12.2007"), QStringLiteral("32"));
    addLedgerEntry(s, w, QStringLiteral("05.03.2008"), QStringLiteral("64"), QStringLiteral("1"));
    addLedgerEntry(s, w, QStringLiteral("01.01.2009"), QStringLiteral("128"));
    addLedgerEntry(s, w, QStringLiteral("kırk"), QStringLiteral("256"));
    addLedgerEntry(s, w, QStringLiteral("20.08.2008"), QStringLiteral("1,5"));
    addLedgerEntry(s, w, QStringLiteral("31.02.2008"),
                   QStringLiteral("1024")); // the form of a date, not a date
    addLedgerEntry(s, w, QStringLiteral("05.03.2008"), QStringLiteral("2048"), QStringLiteral("2"));
    addLedgerEntry(s, w, QStringLiteral("05.03.2008"), QStringLiteral("4096"), QStringLiteral("0,0"));
    addLedgerEntry(s, Ledger::Income, QStringLiteral("05.03.2008"), QStringLiteral("512"));

    LedgerFilter f;
    f.period = period;
    f.day = day;
    f.month = month;
    f.year = year;
    f.cancelled = cancelled;
    const LedgerListing listing = LedgerStore(s, w).list(f);
    QStringList got;
    for (const LedgerEntry& e : listing.entries)
        got.append(e.amount);
    QCOMPARE(got, amounts);
    QCOMPARE(listing.total, total);
}

QTEST_GUILESS_MAIN(TestLedgerStore)
#include "tst_ledger_store.moc"
