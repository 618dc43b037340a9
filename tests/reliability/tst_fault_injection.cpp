#include "archive/cancellation_archive.h"
#include "reliability/fault_actions.h"
#include "reliability/store_checks.h"
#include "support/fault_vfs.h"
#include "support/gui_helpers.h"

#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace kalvora;
using namespace kalvora::test;
using test::FaultVfs;

using Action = std::function<void(Store&)>;
using Setup = std::function<void(test::TestData&)>;
Q_DECLARE_METATYPE(Action)

namespace {

void archiveSetup(test::TestData& data)
{
    standardSetup(data);
    Store& store = data.store();
    AccountBook(store).cancel(QStringLiteral("1"), firstRowOf(store, QStringLiteral("1")));
    CustomerRepository(store).remove(QStringLiteral("2"));
}

// Restores the newest archive item of the kind; throws when it does not come back.
void restoreItem(Store& store, const QString& action)
{
    for (const ArchiveItem& item : CancellationArchive(store).items()) {
        if (item.action != action)
            continue;
        if (CancellationArchive(store).restore(item.key).result !=
            CancellationArchive::RestoreResult::Restored)
            throw std::runtime_error("not restored");
        return;
    }
    throw std::runtime_error("no such item");
}

} // namespace

class TestFaultInjection : public QObject {
    Q_OBJECT
private:
    QMap<QString, Tally> m_tallies;

    // Runs the action on a Store over the fault VFS with each operation kind failing at its 1st, 2nd,
    // 3rd... call until the action no longer meets the fault. After every injected run: a failure was
    // reported as DbError naming a file, no transaction was left open, every file passes the integrity
    // check, balances and cash boxes agree with the rows, and the files hold all of the change or none.
    void runUnderFaults(const QString& label, const Setup& setup, const Action& action, bool persistent)
    {
        test::TestData data;
        setup(data);
        data.store().closeAll();
        QTemporaryDir pristine;
        test::copyFolderFiles(data.folder(), pristine.path());

        test::FolderChecker original(pristine.path());
        test::FolderChecker checker(data.folder());
        QVERIFY2(checker.problems().isEmpty(), qPrintable(checker.problems().join(QLatin1Char('\n'))));
        const QStringList before = checker.snapshot();

        Store store(data.folder(), FaultVfs::name());
        // Every run stamps the archive alike, so a run that stores its change stores exactly `after`.
        const test::FixedClock clock(QDateTime(QDate(2024, 3, 15), QTime(10, 20, 30)));
        action(store);
        const QStringList after = checker.snapshot();
        QVERIFY2(after != before, "the action changes nothing");
        QVERIFY(checker.problems().isEmpty());
        QCOMPARE(checker.archiveProblems(), QStringList());

        auto restore = [&] {
            checker.restoreFrom(original);
            QCOMPARE(checker.snapshot(), before);
        };
        restore();

        Tally& tally = m_tallies[label];
        for (FaultVfs::Op op : FaultVfs::allOps) {
            for (int n = 1;; ++n) {
                QVERIFY2(n < 2000, "the action never stops meeting faults");
                const QString where = QStringLiteral("%1: %2 #%3%4")
                                          .arg(label, QString::fromLatin1(FaultVfs::opName(op)))
                                          .arg(n)
                                          .arg(persistent ? QStringLiteral(" and later") : QString());
                bool ok = false;
                QString message;
                {
                    test::ArmedFault fault(op, n, persistent);
                    try {
                        action(store);
                        ok = true;
                    } catch (const DbError& e) {
                        message = e.turkishText();
                    } catch (const std::exception& e) {
                        QFAIL(qPrintable(where + QStringLiteral(": unexpected failure ") +
                                         QString::fromUtf8(e.what())));
                    }
                }
                const bool fired = FaultVfs::fired();
                if (fired)
                    ++tally.injected;
                if (!ok) {
                    ++tally.failed;
                    QVERIFY2(fired, qPrintable(where + QStringLiteral(": failed without a fault")));
                    QVERIFY2(message.contains(QStringLiteral(".mdb")), qPrintable(where + message));
                }
                // The store goes on working over the same connections, with no transaction left open.
                try {
                    QVERIFY2(!store.accounts().inTransaction(), qPrintable(where));
                    QVERIFY2(!store.ledger(Ledger::Income).inTransaction(), qPrintable(where));
                    QVERIFY2(!store.ledger(Ledger::Expense).inTransaction(), qPrintable(where));
                    store.accounts().scalar(QStringLiteral("SELECT count(*) FROM cari.CARIKART"));
                } catch (const DbError& e) {
                    QFAIL(qPrintable(where + QStringLiteral(": the store no longer works: ") +
                                     e.turkishText()));
                }
                const QStringList problems = checker.problems() + checker.archiveProblems();
                QVERIFY2(problems.isEmpty(),
                         qPrintable(where + QLatin1Char('\n') + problems.join(QLatin1Char('\n'))));
                const QStringList now = checker.snapshot();
                if (ok) {
                    QVERIFY2(now == after,
                             qPrintable(where + QStringLiteral(": reported success, stored otherwise")));
                } else if (now == after) {
                    ++tally.storedAnyway;
                } else {
                    QVERIFY2(now == before,
                             qPrintable(where + QStringLiteral(": part of the change was stored")));
                }
                if (now != before) {
                    restore();
                    if (QTest::currentTestFailed())
                        return;
                }
                if (!fired)
                    break;
            }
        }
    }

private Q_SLOTS:
    void cleanupTestCase() { printTallies(m_tallies); }

    void writeActions_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<bool>("persistent");
        QTest::addColumn<bool>("withArchive");
        const QList<QPair<const char*, Action>> actions = {
            {"person added",
             [](Store& s) {
                 CustomerRepository(s).insert({QStringLiteral("YENİ KİŞİ"), QStringLiteral("0212 555 11 22"),
                                               QString(), QStringLiteral("12345678901"), QString(),
                                               QStringLiteral("İSTANBUL")});
             }},
            {"person edited",
             [](Store& s) {
                 CustomerRepository(s).update(QStringLiteral("1"),
                                              {QStringLiteral("ALİ VELİ OĞLU"), QStringLiteral("216"),
                                               QString(), QString(), QStringLiteral("KADIKÖY"), QString()});
             }},
            {"person deleted with rows", [](Store& s) { CustomerRepository(s).remove(QStringLiteral("1")); }},
            {"money lent",
             [](Store& s) {
                 AccountBook(s).lend(
                     person(s, QStringLiteral("1")),
                     entry(QStringLiteral("2000"), QStringLiteral("TL"), QStringLiteral("BORÇ")));
             }},
            {"money collected",
             [](Store& s) {
                 AccountBook(s).collect(person(s, QStringLiteral("2")),
                                        entry(QStringLiteral("10,5"), QStringLiteral("EURO")));
             }},
            {"row edited",
             [](Store& s) {
                 AccountBook(s).edit(QStringLiteral("1"), QStringLiteral("ALİ VELİ"),
                                     firstRowOf(s, QStringLiteral("1")),
                                     entry(QStringLiteral("1.750,00"), QStringLiteral("DOLAR")));
             }},
            {"row cancelled",
             [](Store& s) {
                 AccountBook(s).cancel(QStringLiteral("1"), firstRowOf(s, QStringLiteral("1")));
             }},
            {"account reset",
             [](Store& s) {
                 const auto out = AccountBook(s).reset(QStringLiteral("2"));
                 if (out.outstanding)
                     throw std::runtime_error("reset refused");
             }},
            {"income recorded",
             [](Store& s) {
                 LedgerStore(s, Ledger::Income).record(ledgerEntry(QStringLiteral("99,99")), -1);
             }},
            {"expense cancelled",
             [](Store& s) {
                 if (!LedgerStore(s, Ledger::Expense).cancel(1))
                     throw std::runtime_error("nothing cancelled");
             }},
        };
        for (const auto& [name, action] : actions) {
            QTest::addRow("%s, once", name) << action << false << false;
            QTest::addRow("%s, from then on", name) << action << true << false;
        }
        // Over a folder whose archive holds a cancelled row of person 1 and the deleted person 2.
        const QList<QPair<const char*, Action>> restores = {
            {"cancelled row restored", [](Store& s) { restoreItem(s, QStringLiteral("İPTAL")); }},
            {"deleted person restored", [](Store& s) { restoreItem(s, QStringLiteral("KİŞİ SİLME")); }},
        };
        for (const auto& [name, action] : restores) {
            QTest::addRow("%s, once", name) << action << false << true;
            QTest::addRow("%s, from then on", name) << action << true << true;
        }
    }
    void writeActions()
    {
        QFETCH(Action, action);
        QFETCH(bool, persistent);
        QFETCH(bool, withArchive);
        QString label = QString::fromUtf8(QTest::currentDataTag());
        label.truncate(label.lastIndexOf(QLatin1Char(',')));
        runUnderFaults(label, withArchive ? archiveSetup : standardSetup, action, persistent);
    }
};

QTEST_GUILESS_MAIN(TestFaultInjection)
#include "tst_fault_injection.moc"
