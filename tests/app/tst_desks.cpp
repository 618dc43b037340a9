#include "accounts/account_book.h"
#include "accounts/ui/account_card.h"
#include "app/main_window.h"
#include "app/window_openers.h"
#include "customers/customer_repository.h"
#include "data/turkish_text.h"
#include "support/test_data.h"
#include "widgets/report_list.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstring>

using namespace kalvora;

namespace {

Entry entry(const QString& amount)
{
    Entry e;
    e.amount = amount;
    e.currency = QStringLiteral("TL");
    e.date = QDate(2026, 12, 9);
    e.time = QStringLiteral("10:00:00");
    return e;
}

constexpr int deskCount = 4;
constexpr int savesPerDesk = 500;
constexpr int people = 20;

// One desk process: savesPerDesk lendings and collections on the first `people` people of the book;
// prints how many it saved and their sum in cents.
int runDesk(const QString& uri, quint32 seed, qint64 startAt)
{
    QTemporaryDir folder;
    std::unique_ptr<Store> store = Store::onServer(folder.path(), uri);
    if (!store->initialize().isEmpty())
        return 3;
    const QList<Customer> everybody = CustomerRepository(*store).readAll();
    // All desks begin at the same moment, whenever each of them got ready.
    while (QDateTime::currentMSecsSinceEpoch() < startAt)
        QThread::msleep(1);
    // Every desk walks the same people in the same order, so that desks meet on one person all the
    // time, up to their last saves; the amounts and kinds are the desk's own.
    QRandomGenerator walk(2026);
    QRandomGenerator random(seed);
    qint64 cents = 0;
    int saved = 0;
    for (int i = 0; i < savesPerDesk; ++i) {
        const Customer& person = everybody.at(walk.bounded(people));
        const int amount = 1 + random.bounded(999);
        const bool lend = random.bounded(2) == 0;
        try {
            lend ? AccountBook(*store).lend(person, entry(QString::number(amount)))
                 : AccountBook(*store).collect(person, entry(QString::number(amount)));
        } catch (const DbError& e) {
            fprintf(stderr, "%s\n", qPrintable(e.message()));
            return 1;
        }
        cents += (lend ? amount : -amount) * 100;
        ++saved;
    }
    printf("%d %lld\n", saved, static_cast<long long>(cents));
    return 0;
}

} // namespace

// Two desks on one server book: what one commits shows on the other by itself, within a second.
class TestDesks : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { qputenv("KALVORA_TEST_STORE", "server"); }

    void otherDesksCommitsShowWithinASecond_data()
    {
        QTest::addColumn<bool>("card");
        QTest::newRow("main list") << false;
        QTest::newRow("account card") << true;
    }
    void otherDesksCommitsShowWithinASecond()
    {
        QFETCH(bool, card);
        test::TestData data;
        test::MessageBoxCapture boxes;
        const QString ali = QString::number(data.addPerson(QStringLiteral("ALİ")));
        const QString veli = QString::number(data.addPerson(QStringLiteral("VELİ")));
        std::unique_ptr<Store> other = data.otherDesk();
        QVERIFY(other->initialize().isEmpty());
        QVERIFY(other->watcher());

        MainWindow desk(*other, data.folder());
        connectWindowOpeners(desk);
        desk.list()->setCurrentRow(desk.list()->listModel()->rowOfHidden(veli));
        AccountCard shown(*other, &desk);
        shown.setPerson(*CustomerRepository(*other).find(ali));
        const qint64 before = *other->accountsVersion();

        // This desk's own commit is no news to its watcher.
        AccountBook(*other).lend(*CustomerRepository(*other).find(veli), entry(QStringLiteral("5")));
        QTest::qWait(300);
        QCOMPARE(*other->accountsVersion(), before);

        QElapsedTimer clock;
        clock.start();
        AccountBook(data.store())
            .lend(*CustomerRepository(data.store()).find(ali), entry(QStringLiteral("1234")));
        if (card) {
            QObject::connect(other->watcher(), &BookWatcher::changed, &shown,
                             [&shown](const QStringList&) { shown.refreshForOtherDesks(); });
            QTRY_COMPARE_WITH_TIMEOUT(shown.list()->rowCount(), 1, 1000);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(desk.list()->cell(desk.list()->listModel()->rowOfHidden(ali), 0),
                                      QStringLiteral("1.234,00"), 1000);
            // The chosen person stays chosen.
            QCOMPARE(desk.list()->hiddenValue(desk.list()->currentRow()).toString(), veli);
        }
        QVERIFY(clock.elapsed() < 1000);
        QVERIFY(*other->accountsVersion() > before);
        QCOMPARE(boxes.count(), 0);
    }

    // Four desk processes save for the same people at once: no save is lost, and every stored balance
    // equals the sum of the person's rows.
    void fourDesksSavingAtOnce()
    {
        test::TestData data;
        for (int i = 0; i < people; ++i)
            data.addPerson(QStringLiteral("KİŞİ %1").arg(i));
        std::vector<std::unique_ptr<QProcess>> desks;
        const QString startAt = QString::number(QDateTime::currentMSecsSinceEpoch() + 3000);
        for (int d = 0; d < deskCount; ++d) {
            auto p = std::make_unique<QProcess>();
            p->start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--desk"), data.serverUri(), QString::number(17 + d), startAt});
            desks.push_back(std::move(p));
        }
        int saved = 0;
        qint64 cents = 0;
        for (auto& p : desks) {
            QVERIFY(p->waitForFinished(240000));
            QVERIFY2(p->exitCode() == 0, p->readAllStandardError().constData());
            const QList<QByteArray> said = p->readAllStandardOutput().trimmed().split(' ');
            QCOMPARE(said.size(), 2);
            saved += said.at(0).toInt();
            cents += said.at(1).toLongLong();
        }
        QCOMPARE(saved, deskCount * savesPerDesk);
        BookConnection& db = data.store().accounts();
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM cari.CARIKART")).toLongLong(),
                 qint64(deskCount * savesPerDesk));
        qint64 stored = 0;
        for (const Customer& c : CustomerRepository(data.store()).readAll()) {
            const AccountState rows = AccountBook(data.store()).load(c.key);
            QCOMPARE(c.balanceTl, rows.figures.balanceText(Currency::Tl));
            stored += qRound64(numberValue(c.balanceTl) * 100);
        }
        QCOMPARE(stored, cents);
    }
};

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--desk") == 0) {
        QCoreApplication app(argc, argv);
        return runDesk(QString::fromLocal8Bit(argv[2]), QString::fromLatin1(argv[3]).toUInt(),
                       QString::fromLatin1(argv[4]).toLongLong());
    }
    QApplication app(argc, argv);
    TestDesks test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_desks.moc"
