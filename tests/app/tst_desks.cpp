#include "accounts/account_book.h"
#include "accounts/ui/account_card.h"
#include "app/main_window.h"
#include "app/window_openers.h"
#include "customers/customer_repository.h"
#include "support/test_data.h"
#include "widgets/report_list.h"

#include <QElapsedTimer>
#include <QTest>

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
};

QTEST_MAIN(TestDesks)
#include "tst_desks.moc"
