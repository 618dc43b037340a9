#include "reliability/fault_actions.h"
#include "reliability/store_checks.h"
#include "support/fault_vfs.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace kalvora;
using namespace kalvora::test;
using test::FaultVfs;

Q_DECLARE_METATYPE(kalvora::test::FaultVfs::Op)

class TestFirstStartFaults : public QObject {
    Q_OBJECT
private:
    QMap<QString, Tally> m_tallies;

private Q_SLOTS:
    void cleanupTestCase() { printTallies(m_tallies); }

    // A first start on a failing disk reports the file it could not prepare; the next start on a sound
    // disk prepares everything and keeps what the first one finished.
    void firstStartOnFailingDisk_data()
    {
        QTest::addColumn<FaultVfs::Op>("op");
        QTest::addColumn<bool>("persistent");
        for (FaultVfs::Op op : FaultVfs::allOps) {
            QTest::addRow("%s, once", FaultVfs::opName(op)) << op << false;
            QTest::addRow("%s, from then on", FaultVfs::opName(op)) << op << true;
        }
    }
    void firstStartOnFailingDisk()
    {
        QFETCH(FaultVfs::Op, op);
        QFETCH(bool, persistent);
        for (int n = 1;; n += 1 + n) {
            QVERIFY(n < 5000);
            QTemporaryDir dir;
            QList<StoreProblem> problems;
            {
                test::ArmedFault fault(op, n, persistent);
                Store store(dir.path(), FaultVfs::name());
                problems = store.initialize();
            }
            const bool fired = FaultVfs::fired();
            Tally& tally = m_tallies[QStringLiteral("first start")];
            tally.injected += fired ? 1 : 0;
            tally.failed += problems.isEmpty() ? 0 : 1;
            if (!fired)
                QVERIFY(problems.isEmpty());
            for (const StoreProblem& p : problems)
                QVERIFY2(p.text.contains(QFileInfo(p.file).fileName()), qPrintable(p.text));
            Store again(dir.path());
            const auto second = again.initialize();
            QVERIFY2(second.isEmpty(), qPrintable(second.isEmpty() ? QString() : second.first().text));
            again.closeAll();
            test::FolderChecker checker(dir.path());
            const QStringList wrong = checker.problems();
            QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
            if (!fired)
                break;
        }
    }
};

QTEST_GUILESS_MAIN(TestFirstStartFaults)
#include "tst_first_start_faults.moc"
