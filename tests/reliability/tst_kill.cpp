#include "accounts/account_book.h"
#include "accounts/archive_restore.h"
#include "archive/cancellation_archive.h"
#include "customers/customer_repository.h"
#include "data/store.h"
#include "ledger/ledger_store.h"
#include "reliability/store_checks.h"
#include "support/test_data.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstdio>
#include <cstring>

using namespace kalvora;
using namespace Qt::StringLiterals;

namespace {

// The child: an endless series of mixed write actions on the folder, each through the classes the
// windows use. It says "ready" once its connections are open.
int runWriter(const QString& folder, quint32 seed, bool firstStart)
{
    QRandomGenerator rnd(seed);
    Store store(folder);
    if (firstStart) {
        std::fputs("ready\n", stdout);
        std::fflush(stdout);
        if (!store.initialize().isEmpty())
            return 3;
    }
    store.accounts();
    store.ledger(Ledger::Income);
    store.ledger(Ledger::Expense);
    if (!firstStart) {
        std::fputs("ready\n", stdout);
        std::fflush(stdout);
    }

    const QStringList currencies{u"TL"_s, u"DOLAR"_s, u"EURO"_s};
    auto amount = [&] {
        return QString::number(rnd.bounded(1, 100000)) +
               (rnd.bounded(2) ? u","_s + QString::number(rnd.bounded(10, 100)) : QString());
    };
    auto entry = [&] {
        return Entry{u"İŞLEM'%1"_s.arg(rnd.bounded(1000)),
                     amount(),
                     QDate(2020, 1, 1).addDays(rnd.bounded(1500)),
                     u"12:00:00"_s,
                     currencies.at(rnd.bounded(3)),
                     QString(),
                     QDate()};
    };
    for (quint64 i = 0;; ++i) {
        CustomerRepository people(store);
        AccountBook book(store);
        const QList<Customer> all = people.all();
        const int choice = all.size() < 3 ? 0 : rnd.bounded(100);
        const Customer someone = all.isEmpty() ? Customer() : all.at(rnd.bounded(all.size()));
        try {
            if (choice < 8) {
                people.insert({u"KİŞİ %1"_s.arg(i), u"0212"_s, QString(), QString(), QString(), u"ADRES"_s});
            } else if (choice < 30) {
                book.lend(someone, entry());
            } else if (choice < 50) {
                book.collect(someone, entry());
            } else if (choice < 58) {
                const AccountState state = book.load(someone.key);
                if (!state.rows.isEmpty())
                    book.edit(someone.key, someone.name, state.rows.at(rnd.bounded(state.rows.size())).key,
                              entry());
            } else if (choice < 64) {
                const AccountState state = book.load(someone.key);
                if (!state.rows.isEmpty())
                    book.cancel(someone.key, state.rows.at(rnd.bounded(state.rows.size())).key);
            } else if (choice < 70) {
                // Pays back what is owed in each currency, then empties the card.
                const AccountState state = book.load(someone.key);
                for (Currency c : allCurrencies) {
                    const double owed = state.figures.balance(c);
                    if (owed > 0)
                        book.collect(someone, Entry{QString(), plainNumberText(owed), QDate(2024, 1, 1),
                                                    u"12:00:00"_s, currencyText(c), QString(), QDate()});
                    else if (owed < 0)
                        book.lend(someone, Entry{QString(), plainNumberText(-owed), QDate(2024, 1, 1),
                                                 u"12:00:00"_s, currencyText(c), QString(), QDate()});
                }
                book.reset(someone.key);
            } else if (choice < 74) {
                people.remove(someone.key);
            } else if (choice < 76) {
                people.update(someone.key,
                              {someone.name + u"'"_s, u"0216"_s, QString(), QString(), QString(), QString()});
            } else if (choice < 80) {
                // Brings back any archived item; a refusal (its person or row is gone) changes nothing.
                const QList<ArchiveItem> items = CancellationArchive(store).items();
                if (!items.isEmpty())
                    ArchiveRestore(store).restore(items.at(rnd.bounded(items.size())).key);
            } else if (choice < 90) {
                LedgerEntry e;
                e.title = u"KALEM"_s;
                e.date = u"15.03.2024"_s;
                e.time = u"10:00:00"_s;
                e.maker = u"İŞLETME"_s;
                e.amount = amount();
                LedgerStore(store, rnd.bounded(2) ? Ledger::Income : Ledger::Expense).record(e, -1);
            } else {
                LedgerStore ledger(store, rnd.bounded(2) ? Ledger::Income : Ledger::Expense);
                const QList<LedgerEntry> entries = ledger.allEntries();
                if (!entries.isEmpty())
                    ledger.cancel(entries.at(rnd.bounded(entries.size())).key);
            }
        } catch (const DbError& e) {
            std::fprintf(stderr, "%s\n", qPrintable(e.turkishText()));
            return 2;
        }
    }
}

// The writer's environment. Deriving the keys frees many small blocks: without the sanitizer's
// quarantine of freed memory the writer of a sanitizer build starts in a fraction of a second, not three.
QProcessEnvironment writerEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString asan = env.value(u"ASAN_OPTIONS"_s);
    env.insert(u"ASAN_OPTIONS"_s,
               (asan.isEmpty() ? QString() : asan + QLatin1Char(':')) + u"quarantine_size_mb=0"_s);
    return env;
}

} // namespace

class TestKill : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The writer is killed with SIGKILL at random moments, over and over, on the same folder. After
    // each kill a fresh connection to every file must find it sound, every stored balance equal to
    // the sum of its rows and every removed row or person in the archive, and nothing archived that
    // is still there; whatever the writer had not committed is simply not there.
    void killedWriterLosesNothing()
    {
        // The limit leaves room for a sanitizer build on a busy machine.
        const int wantedKills = 55;
        const qint64 timeLimitMs = 120000;
        test::TestData data;
        data.store().closeAll();
        const QString folder = data.folder();
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator rnd(seed);
        qInfo("seed %u", seed);

        test::FolderChecker checker(folder);
        QElapsedTimer clock;
        clock.start();
        int kills = 0;
        int midTransaction = 0;
        int lastRows = 0;
        int lastItems = 0;
        while (kills < wantedKills && clock.elapsed() < timeLimitMs) {
            QProcess writer;
            writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            writer.setProcessEnvironment(writerEnvironment());
            writer.start(QCoreApplication::applicationFilePath(),
                         {u"--writer"_s, folder, QString::number(rnd.generate()), u"running"_s});
            QVERIFY2(writer.waitForStarted(10000), qPrintable(writer.errorString()));
            QByteArray said;
            while (!said.contains("ready\n")) {
                QVERIFY2(writer.waitForReadyRead(20000), "the writer did not start");
                said += writer.readAllStandardOutput();
            }
            // Mostly short delays, so that kills often land in the first actions; now and then a longer
            // one lets the files grow.
            const int dice = rnd.bounded(20);
            QThread::msleep(dice < 10 ? rnd.bounded(40) : dice < 17 ? rnd.bounded(400) : rnd.bounded(1500));
            QVERIFY2(writer.state() == QProcess::Running,
                     qPrintable(u"the writer stopped by itself (seed %1)"_s.arg(seed)));
            writer.kill();
            QVERIFY(writer.waitForFinished(10000));
            QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
            ++kills;
            for (const test::FolderFile& f : test::folderFiles)
                if (QFile::exists(QDir(folder).filePath(QString::fromLatin1(f.name)) + u"-journal"_s))
                    ++midTransaction;

            // The checker's connections stay open from kill to kill: each check still reads the files
            // as a fresh connection would, rolling back what the writer left unfinished.
            const QStringList problems = checker.problems() + checker.archiveProblems();
            QVERIFY2(problems.isEmpty(), qPrintable(u"after kill %1 (seed %2):\n"_s.arg(kills).arg(seed) +
                                                    problems.join(QLatin1Char('\n'))));
            lastRows = checker.file(files::transactions).scalar(u"SELECT count(*) FROM CARIKART"_s).toInt();
            lastItems = checker.file(files::archive).scalar(u"SELECT count(*) FROM IPTALLER"_s).toInt();
            if (kills % 20 == 0) {
                // A normal start after the crash finds nothing to report.
                Store store(folder);
                const auto startProblems = store.initialize();
                QVERIFY2(startProblems.isEmpty(), qPrintable(startProblems.value(0).text));
            }
        }
        qInfo("%d kills survived in %lld ms, %d of them left a journal to roll back, %d rows and %d archived "
              "items at the end",
              kills, clock.elapsed(), midTransaction, lastRows, lastItems);
        QVERIFY2(kills >= 50, "too few kills in the time allowed");
        QVERIFY2(lastRows > 0, "the writer never committed anything");
        QVERIFY2(lastItems > 0, "the writer never archived anything");
    }

    // The first start, when the files are created, killed at random moments: the next start finds
    // every file it needs sound (finishing what the first one left undone) and reports nothing.
    void killedFirstStartLosesNothing()
    {
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator rnd(seed);
        int kills = 0;
        for (int round = 0; round < 15; ++round) {
            QTemporaryDir dir;
            const QString folder = dir.path() + u"/veri"_s;
            QProcess writer;
            writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            writer.setProcessEnvironment(writerEnvironment());
            writer.start(QCoreApplication::applicationFilePath(),
                         {u"--writer"_s, folder, QString::number(rnd.generate()), u"first-start"_s});
            QVERIFY2(writer.waitForStarted(10000), qPrintable(writer.errorString()));
            QByteArray said;
            while (!said.contains("ready\n")) {
                QVERIFY2(writer.waitForReadyRead(20000), "the writer did not start");
                said += writer.readAllStandardOutput();
            }
            QThread::msleep(rnd.bounded(350));
            if (writer.state() != QProcess::Running)
                continue; // it failed by itself: the exit status says why below
            writer.kill();
            QVERIFY(writer.waitForFinished(10000));
            QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
            ++kills;
            Store store(folder);
            const auto problems = store.initialize();
            QVERIFY2(problems.isEmpty(), qPrintable(u"seed %1: "_s.arg(seed) + problems.value(0).text));
            store.closeAll();
            test::FolderChecker checker(folder);
            const QStringList wrong = checker.problems();
            QVERIFY2(wrong.isEmpty(), qPrintable(u"seed %1: "_s.arg(seed) + wrong.join(QLatin1Char('\n'))));
        }
        qInfo("%d first starts killed and recovered (seed %u)", kills, seed);
        QVERIFY(kills >= 10);
    }
};

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--writer") == 0) {
        QCoreApplication app(argc, argv);
        return runWriter(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toUInt(),
                         std::strcmp(argv[4], "first-start") == 0);
    }
    QCoreApplication app(argc, argv);
    TestKill test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_kill.moc"
