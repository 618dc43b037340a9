#include "accounts/archive_restore.h"
#include "archive/cancellation_archive.h"
#include "reliability/fault_actions.h"
#include "reliability/store_checks.h"
#include "support/fault_vfs.h"
#include "support/gui_helpers.h"

#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace kalvora;
using namespace Qt::StringLiterals;
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
    AccountBook(store).cancel(u"1"_s, firstRowOf(store, u"1"_s));
    CustomerRepository(store).remove(u"2"_s);
}

// Restores the newest archive item of the kind; throws when it does not come back.
void restoreItem(Store& store, const QString& action)
{
    for (const ArchiveItem& item : CancellationArchive(store).items()) {
        if (item.action != action)
            continue;
        if (ArchiveRestore(store).restore(item.key).result != CancellationArchive::RestoreResult::Restored)
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
                const QString where = u"%1: %2 #%3%4"_s.arg(label, QString::fromLatin1(FaultVfs::opName(op)))
                                          .arg(n)
                                          .arg(persistent ? u" and later"_s : QString());
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
                        QFAIL(qPrintable(where + u": unexpected failure "_s + QString::fromUtf8(e.what())));
                    }
                }
                const bool fired = FaultVfs::fired();
                if (fired)
                    ++tally.injected;
                if (!ok) {
                    ++tally.failed;
                    QVERIFY2(fired, qPrintable(where + u": failed without a fault"_s));
                    QVERIFY2(message.contains(u".mdb"_s), qPrintable(where + message));
                }
                // The store goes on working over the same connections, with no transaction left open.
                try {
                    QVERIFY2(!store.accounts().inTransaction(), qPrintable(where));
                    QVERIFY2(!store.ledger(Ledger::Income).inTransaction(), qPrintable(where));
                    QVERIFY2(!store.ledger(Ledger::Expense).inTransaction(), qPrintable(where));
                    store.accounts().scalar(u"SELECT count(*) FROM cari.CARIKART"_s);
                } catch (const DbError& e) {
                    QFAIL(qPrintable(where + u": the store no longer works: "_s + e.turkishText()));
                }
                const QStringList problems = checker.problems() + checker.archiveProblems();
                QVERIFY2(problems.isEmpty(),
                         qPrintable(where + QLatin1Char('\n') + problems.join(QLatin1Char('\n'))));
                const QStringList now = checker.snapshot();
                if (ok) {
                    QVERIFY2(now == after, qPrintable(where + u": reported success, stored otherwise"_s));
                } else if (now == after) {
                    ++tally.storedAnyway;
                } else {
                    QVERIFY2(now == before, qPrintable(where + u": part of the change was stored"_s));
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
                 CustomerRepository(s).insert({u"YENİ KİŞİ"_s, u"0212 555 11 22"_s, QString(),
                                               u"12345678901"_s, QString(), u"İSTANBUL"_s});
             }},
            {"person edited",
             [](Store& s) {
                 CustomerRepository(s).update(
                     u"1"_s, {u"ALİ VELİ OĞLU"_s, u"216"_s, QString(), QString(), u"KADIKÖY"_s, QString()});
             }},
            {"person deleted with rows", [](Store& s) { CustomerRepository(s).remove(u"1"_s); }},
            {"money lent",
             [](Store& s) { AccountBook(s).lend(person(s, u"1"_s), entry(u"2000"_s, u"TL"_s, u"BORÇ"_s)); }},
            {"money collected",
             [](Store& s) { AccountBook(s).collect(person(s, u"2"_s), entry(u"10,5"_s, u"EURO"_s)); }},
            {"row edited",
             [](Store& s) {
                 AccountBook(s).edit(u"1"_s, u"ALİ VELİ"_s, firstRowOf(s, u"1"_s),
                                     entry(u"1.750,00"_s, u"DOLAR"_s));
             }},
            {"row cancelled", [](Store& s) { AccountBook(s).cancel(u"1"_s, firstRowOf(s, u"1"_s)); }},
            {"account reset",
             [](Store& s) {
                 const auto out = AccountBook(s).reset(u"2"_s);
                 if (out.outstanding)
                     throw std::runtime_error("reset refused");
             }},
            {"income recorded",
             [](Store& s) { LedgerStore(s, Ledger::Income).record(ledgerEntry(u"99,99"_s), -1); }},
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
            {"cancelled row restored", [](Store& s) { restoreItem(s, u"İPTAL"_s); }},
            {"deleted person restored", [](Store& s) { restoreItem(s, u"KİŞİ SİLME"_s); }},
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
