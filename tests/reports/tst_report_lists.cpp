#include "data/clock.h"
#include "data/database.h"
#include "data/db_error.h"
#include "data/store.h"
#include "reports/report_lists.h"
#include "support/test_data.h"

#include <QDir>
#include <QTest>

#include <sqlite3.h>

#include <condition_variable>
#include <functional>
#include <limits>
#include <mutex>

using namespace kalvora;

namespace {

QStringList column(const QList<QStringList>& rows, int c)
{
    QStringList out;
    for (const QStringList& r : rows)
        out << r.at(c);
    return out;
}

// Writes to the book after the accounts' connection has read its half of a money list and before the
// second connection starts on the other half, by watching the two connections' statements.
class WriteBetweenHalves {
public:
    WriteBetweenHalves(Store& store, std::function<void()> write) : m_write(std::move(write))
    {
        m_accounts = store.accounts().file().handle();
        m_reader = store.transactionsReader()->file().handle();
        sqlite3_trace_v2(m_accounts, SQLITE_TRACE_PROFILE, &WriteBetweenHalves::onAccounts, this);
        sqlite3_trace_v2(m_reader, SQLITE_TRACE_STMT, &WriteBetweenHalves::onReader, this);
    }
    ~WriteBetweenHalves()
    {
        sqlite3_trace_v2(m_accounts, 0, nullptr, nullptr);
        sqlite3_trace_v2(m_reader, 0, nullptr, nullptr);
    }
    bool wrote() const { return m_wrote; }

private:
    static bool readsHalf(void* statement)
    {
        return QByteArray(sqlite3_sql(static_cast<sqlite3_stmt*>(statement))).contains("BETWEEN");
    }
    // The accounts' half has finished its statement.
    static int onAccounts(unsigned, void* self, void* statement, void*)
    {
        auto* w = static_cast<WriteBetweenHalves*>(self);
        if (readsHalf(statement)) {
            std::lock_guard lock(w->m_mutex);
            w->m_firstHalfRead = true;
            w->m_changed.notify_all();
        }
        return 0;
    }
    // The second connection's half is about to start: it holds no lock yet.
    static int onReader(unsigned, void* self, void* statement, void*)
    {
        auto* w = static_cast<WriteBetweenHalves*>(self);
        if (!readsHalf(statement) || w->m_wrote)
            return 0;
        std::unique_lock lock(w->m_mutex);
        if (!w->m_changed.wait_for(lock, std::chrono::seconds(30), [w] { return w->m_firstHalfRead; }))
            return 0;
        try {
            w->m_write();
            w->m_wrote = true;
        } catch (const DbError&) {
            // The book stayed locked by the list's reading: nothing could be written in between.
        }
        return 0;
    }

    std::function<void()> m_write;
    sqlite3* m_accounts = nullptr;
    sqlite3* m_reader = nullptr;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_firstHalfRead = false;
    bool m_wrote = false;
};

} // namespace

class TestReportLists : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void moneyGivenLargestFirstOneCurrency()
    {
        test::TestData data;
        const qint64 a = data.addPerson(QStringLiteral("ALİ"));
        const qint64 b = data.addPerson(QStringLiteral("VELİ"));
        data.addTransaction(a, QStringLiteral("200"), QStringLiteral("DOLAR"), QStringLiteral("01.01.2020"),
                            QStringLiteral("100"), QStringLiteral("BİR"));
        data.addTransaction(b, QStringLiteral("1500,5"), QStringLiteral("DOLAR"),
                            QStringLiteral("02.01.2020"), QStringLiteral("100"));
        data.addTransaction(a, QStringLiteral(",5"), QStringLiteral("DOLAR"), QStringLiteral("03.01.2020"),
                            QStringLiteral("100"));
        data.addTransaction(a, QStringLiteral("9999"), QStringLiteral("TL"), QStringLiteral("03.01.2020"),
                            QStringLiteral("100"));
        data.addTransaction(a, QStringLiteral("-50"), QStringLiteral("DOLAR"), QStringLiteral("03.01.2020"),
                            QStringLiteral("200"));
        data.addTransaction(a, QStringLiteral("70"), QStringLiteral("dolar"), QStringLiteral("03.01.2020"),
                            QStringLiteral("100"));
        const auto rows =
            moneyListRows(data.store(), MoneyDirection::Given, QStringLiteral("DOLAR")).toLists();
        QCOMPARE(column(rows, 7),
                 QStringList({QStringLiteral("1.500,50"), QStringLiteral("200,00"), QStringLiteral(",50")}));
        QCOMPARE(rows.at(1).at(0), QString()); // the name column holds the row's own copy (empty here)
        QCOMPARE(rows.at(1).at(5), QStringLiteral("01.01.2020 12:00:00"));
        QCOMPARE(rows.at(1).at(6), QStringLiteral("BİR"));
        QCOMPARE(totalOfShownAmounts(column(rows, 7)), QStringLiteral("1.701,00"));
    }

    void moneyReceivedShownPositiveLargestFirst()
    {
        test::TestData data;
        const qint64 a = data.addPerson(QStringLiteral("ALİ"));
        data.addTransaction(a, QStringLiteral("-150"), QStringLiteral("TL"), QStringLiteral("01.01.2020"),
                            QStringLiteral("200"));
        data.addTransaction(a, QStringLiteral("-1.500,50"), QStringLiteral("TL"),
                            QStringLiteral("01.01.2020"), QStringLiteral("200"));
        data.addTransaction(a, QStringLiteral("400"), QStringLiteral("TL"), QStringLiteral("01.01.2020"),
                            QStringLiteral("100"));
        const auto rows =
            moneyListRows(data.store(), MoneyDirection::Received, QStringLiteral("TL")).toLists();
        QCOMPARE(column(rows, 7), QStringList({QStringLiteral("1.500,50"), QStringLiteral("150,00")}));
        QVERIFY(moneyListRows(data.store(), MoneyDirection::Received, QString()).isEmpty());
    }

    // A long list is read in two halves of the keys on two connections: the joined list must be the one
    // a single reading gives, ties in key order across the halves included.
    void moneyListsReadInTwoHalves()
    {
        test::TestData data;
        if (test::TestData::onServer())
            return; // one connection reads a server book
        const qint64 a = data.addPerson(QStringLiteral("ALİ"));
        for (int i = 0; i < 41; ++i)
            data.addTransaction(
                a, QString::number(i % 3 == 0 ? 5 : 100 + (i * 37) % 11) + QStringLiteral(",25"),
                QStringLiteral("TL"), QStringLiteral("01.01.2020"),
                i % 4 == 0 ? QStringLiteral("200") : QStringLiteral("100"), QString::number(i));
        for (const MoneyDirection d : {MoneyDirection::Given, MoneyDirection::Received}) {
            const MoneyList once = moneyList(data.store(), d, QStringLiteral("TL"));
            data.store().setTransactionsReaderFrom(0);
            const MoneyList halves = moneyList(data.store(), d, QStringLiteral("TL"));
            data.store().setTransactionsReaderFrom(std::numeric_limits<qint64>::max());
            QVERIFY(once.rows.rowCount() > 5);
            QCOMPARE(halves.rows.toLists(), once.rows.toLists());
            // The total summed while reading is the total of the amounts as shown.
            QCOMPARE(halves.total, once.total);
            QCOMPARE(once.total, totalOfShownAmounts(column(once.rows.toLists(), 7)));
        }
    }

    // Another connection commits between the halves: the list shows one book, the one after the write.
    void moneyListsReadAgainAfterAWriteBetweenHalves()
    {
        test::TestData data;
        if (test::TestData::onServer())
            return; // one connection reads a server book
        const qint64 a = data.addPerson(QStringLiteral("ALİ"));
        for (int i = 0; i < 40; ++i)
            data.addTransaction(a, QString::number(100 + i) + QStringLiteral(",00"), QStringLiteral("TL"),
                                QStringLiteral("01.01.2020"), QStringLiteral("100"), QString::number(i));
        Store& store = data.store();
        store.setTransactionsReaderFrom(0);
        Database writer = Database::open(QDir(data.folder()).filePath(QStringLiteral("data.mdb")),
                                         databasePassword(), Database::Mode::ReadWrite, QString(), 3000);
        MoneyList list;
        {
            WriteBetweenHalves seam(store, [&writer] {
                writer.exec(QStringLiteral("UPDATE CARIKART SET tutar = '7,00', aylar = 'SONRA'"));
            });
            list = moneyList(store, MoneyDirection::Given, QStringLiteral("TL"));
            QVERIFY(seam.wrote());
        }
        store.setTransactionsReaderFrom(std::numeric_limits<qint64>::max());
        const MoneyList after = moneyList(store, MoneyDirection::Given, QStringLiteral("TL"));
        QCOMPARE(column(after.rows.toLists(), 6), QStringList(40, QStringLiteral("SONRA")));
        QCOMPARE(list.rows.toLists(), after.rows.toLists());
        QCOMPARE(list.total, QStringLiteral("280,00"));
    }

    void totals_data()
    {
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("total");
        QTest::newRow("empty") << QStringList() << QStringLiteral("0,00");
        QTest::newRow("grouped and fraction")
            << QStringList({QStringLiteral("1.234,50"), QStringLiteral(",50")}) << QStringLiteral("1.235,00");
        QTest::newRow("half") << QStringList({QStringLiteral(",50")}) << QStringLiteral("0,50");
        QTest::newRow("signed") << QStringList({QStringLiteral("100,00"), QStringLiteral("-1.250,00")})
                                << QStringLiteral("-1.150,00");
    }
    void totals()
    {
        QFETCH(QStringList, shown);
        QFETCH(QString, total);
        QCOMPARE(totalOfShownAmounts(shown), total);
    }

    void debtorsAndCreditors()
    {
        test::TestData data;
        data.addPerson(QStringLiteral("SIFIR"), QStringLiteral("0,00"), QStringLiteral("0"),
                       QStringLiteral("0"));
        data.addPerson(QStringLiteral("İKİ YÖNLÜ"), QStringLiteral("100,00"), QStringLiteral("-50,00"),
                       QStringLiteral("0,00"));
        data.addPerson(QStringLiteral("EURO BORÇLU"), QStringLiteral("0,00"), QStringLiteral("0,00"),
                       QStringLiteral("5,00"));
        data.addPerson(QStringLiteral("BÜYÜK BORÇLU"), QStringLiteral("1.250,00"), QStringLiteral("0,00"),
                       QStringLiteral("0,00"));
        data.addPerson(QStringLiteral("ALACAKLI"), QStringLiteral("-1.250,00"), QStringLiteral("0,00"),
                       QStringLiteral("0,00"));
        // A debtor's overdue part per currency comes from the rows: the payment closes the oldest debt
        // first, a debt due after today is not late.
        Clock::setFixed(QDateTime(QDate(2025, 6, 30), QTime(12, 0)));
        const qint64 late = data.addPerson(QStringLiteral("GECİKEN"), QStringLiteral("250,00"),
                                           QStringLiteral("20,00"), QStringLiteral("0,00"));
        data.addTransaction(late, QStringLiteral("100"), QStringLiteral("TL"), QStringLiteral("01.05.2025"),
                            QStringLiteral("100"));
        const qint64 later = data.addTransaction(late, QStringLiteral("200"), QStringLiteral("TL"),
                                                 QStringLiteral("01.06.2025"), QStringLiteral("100"));
        data.addTransaction(late, QStringLiteral("-50"), QStringLiteral("TL"), QStringLiteral("02.06.2025"),
                            QStringLiteral("200"));
        data.addTransaction(late, QStringLiteral("20"), QStringLiteral("DOLAR"), QStringLiteral("01.07.2025"),
                            QStringLiteral("100"));
        data.store().accounts().execute(
            QStringLiteral("UPDATE cari.CARIKART SET vade = '15.07.2025' WHERE otokod = ?1"), {later});
        const BalanceList debtors = balanceList(data.store(), BalanceSide::Debtors);
        Clock::setFixed(std::nullopt);
        QCOMPARE(column(debtors.rows, 0),
                 QStringList({QStringLiteral("BÜYÜK BORÇLU"), QStringLiteral("GECİKEN"),
                              QStringLiteral("İKİ YÖNLÜ"), QStringLiteral("EURO BORÇLU")}));
        QCOMPARE(debtors.rows.at(1).mid(9),
                 QStringList({QStringLiteral("50,00"), QStringLiteral("0,00"), QStringLiteral("0,00")}));
        QCOMPARE(debtors.rows.at(0).mid(9),
                 QStringList({QStringLiteral("0,00"), QStringLiteral("0,00"), QStringLiteral("0,00")}));
        QCOMPARE(debtors.totalText(0), QStringLiteral("1.600,00"));
        QCOMPARE(debtors.totalText(1), QStringLiteral("-30,00"));
        const BalanceList creditors = balanceList(data.store(), BalanceSide::Creditors);
        QCOMPARE(column(creditors.rows, 0),
                 QStringList({QStringLiteral("ALACAKLI"), QStringLiteral("İKİ YÖNLÜ")}));
        QCOMPARE(creditors.rows.at(0).at(6), QStringLiteral("-1.250,00"));
        QCOMPARE(creditors.totalText(0), QStringLiteral("-1.150,00"));
        // The totals summed while reading are the sums of the balance columns as shown.
        for (const BalanceList* list : {&debtors, &creditors}) {
            for (int c = 0; c < 3; ++c)
                QCOMPARE(list->totalText(c), totalOfShownAmounts(column(list->rows, 6 + c)));
        }
    }

    void netPosition()
    {
        test::TestData data;
        NetPosition empty = computeNetPosition(data.store());
        for (int c = 0; c < 3; ++c) {
            QCOMPARE(empty.given[c], QStringLiteral("0,00"));
            QCOMPARE(empty.received[c], QStringLiteral("0,00"));
            QCOMPARE(empty.net[c], QStringLiteral("0,00"));
        }
        const qint64 a = data.addPerson(QStringLiteral("A"));
        const qint64 b = data.addPerson(QStringLiteral("B"));
        data.addTransaction(a, QStringLiteral("1000"), QStringLiteral("TL"), QStringLiteral("01.01.2020"),
                            QStringLiteral("100"));
        data.addTransaction(b, QStringLiteral("-300"), QStringLiteral("TL"), QStringLiteral("02.01.2020"),
                            QStringLiteral("200"));
        data.addTransaction(b, QStringLiteral("10"), QStringLiteral("EURO"), QStringLiteral("02.01.2020"),
                            QStringLiteral("100"));
        data.addTransaction(b, QStringLiteral("-25,5"), QStringLiteral("EURO"), QStringLiteral("02.01.2020"),
                            QStringLiteral("200"));
        data.addTransaction(b, QStringLiteral("99"), QStringLiteral("YEN"), QStringLiteral("02.01.2020"),
                            QStringLiteral("100"));
        const NetPosition p = computeNetPosition(data.store());
        QCOMPARE(p.given[0], QStringLiteral("-1.000,00"));
        QCOMPARE(p.received[0], QStringLiteral("300,00"));
        QCOMPARE(p.net[0], QStringLiteral("-700,00"));
        QCOMPARE(p.net[1], QStringLiteral("0,00"));
        QCOMPARE(p.given[2], QStringLiteral("-10,00"));
        QCOMPARE(p.received[2], QStringLiteral("25,50"));
        QCOMPARE(p.net[2], QStringLiteral("15,50"));
    }
};

QTEST_GUILESS_MAIN(TestReportLists)
#include "tst_report_lists.moc"
