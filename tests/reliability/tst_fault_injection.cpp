#include "accounts/account_book.h"
#include "accounts/ui/account_card.h"
#include "accounts/ui/entry_window.h"
#include "accounts/ui/limited_text_box.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/picture_button.h"
#include "app/report_list.h"
#include "customers/customer_repository.h"
#include "customers/ui/add_customer_window.h"
#include "customers/ui/delete_customer.h"
#include "customers/ui/edit_customer_window.h"
#include "data/store.h"
#include "ledger/ledger_store.h"
#include "ledger/ui/ledger_entry_window.h"
#include "ledger/ui/ledger_history_window.h"
#include "reliability/store_checks.h"
#include "support/fault_vfs.h"
#include "support/test_data.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

using namespace kalvora;
using test::FaultVfs;

namespace {

using Action = std::function<void(Store&)>;
using Setup = std::function<void(test::TestData&)>;
// A user action through its window: `prepare` opens the windows and types the entry (no fault armed);
// the returned step is the click (or key) that writes. The windows live until the holder goes.
using WindowStep = std::function<void()>;
using WindowAction = std::function<WindowStep(Store&, std::vector<std::shared_ptr<QWidget>>&)>;

Entry entry(const QString& amount, const QString& currency, const QString& description = QString())
{
    return Entry{description, amount, QDate(2024, 3, 15), QStringLiteral("10:20:30"), currency};
}

Customer person(Store& store, const QString& key)
{
    const auto c = CustomerRepository(store).find(key);
    if (!c)
        throw std::runtime_error("no such person");
    return *c;
}

LedgerEntry ledgerEntry(const QString& amount)
{
    LedgerEntry e;
    e.title = QStringLiteral("KİRA");
    e.date = QStringLiteral("15.03.2024");
    e.description = QStringLiteral("MART'IN KİRASI");
    e.time = QStringLiteral("10:20:30");
    e.maker = QStringLiteral("İŞLETME");
    e.amount = amount;
    return e;
}

// Two people with rows whose balances are written back, and one entry in each ledger.
void standardSetup(test::TestData& data)
{
    Store& store = data.store();
    AccountBook book(store);
    const QString a = CustomerRepository(store).insert(
        {QStringLiteral("ALİ VELİ"), QStringLiteral("212"), QString(), QString(), QString(), QString()});
    const QString b = CustomerRepository(store).insert(
        {QStringLiteral("AYŞE'NİN DÜKKANI"), QString(), QString(), QString(), QString(), QString()});
    book.lend(person(store, a), entry(QStringLiteral("1500,5"), QStringLiteral("TL")));
    book.collect(person(store, a), entry(QStringLiteral("250"), QStringLiteral("TL")));
    book.lend(person(store, a), entry(QStringLiteral("100"), QStringLiteral("DOLAR")));
    book.lend(person(store, b), entry(QStringLiteral("75,25"), QStringLiteral("EURO")));
    book.collect(person(store, b), entry(QStringLiteral("75,25"), QStringLiteral("EURO")));
    LedgerStore(store, Ledger::Income).record(ledgerEntry(QStringLiteral("1000")), -1);
    LedgerStore(store, Ledger::Expense).record(ledgerEntry(QStringLiteral("12,5")), -1);
}

qint64 firstRowOf(Store& store, const QString& personKey)
{
    return store.accounts()
        .scalar(QStringLiteral("SELECT min(otokod) FROM cari.CARIKART WHERE uye_kodu=?1"), {personKey})
        .toLongLong();
}

struct Tally {
    int injected = 0;     // runs in which the fault was injected
    int failed = 0;       // of those, runs the action reported as failed
    int storedAnyway = 0; // failed runs whose change was nevertheless stored whole
};

// The windows of one run, parents first; destroyed children first.
struct Windows {
    std::vector<std::shared_ptr<QWidget>> items;
    ~Windows()
    {
        while (!items.empty())
            items.pop_back();
    }
};

AccountCard* openCard(Store& store, std::vector<std::shared_ptr<QWidget>>& keep, const QString& key)
{
    auto main = std::make_shared<MainWindow>(store, store.folder());
    MainWindow* m = main.get();
    auto card = std::make_shared<AccountCard>(
        store, [m] { m->DetayliAra(); }, m);
    keep.push_back(main);
    keep.push_back(card);
    card->setPerson(person(store, key));
    card->show();
    card->KartiYukle2();
    return card.get();
}

template <class W> WindowStep entryWindow(Store& store, std::vector<std::shared_ptr<QWidget>>& keep)
{
    AccountCard* card = openCard(store, keep, QStringLiteral("1"));
    std::shared_ptr<W> w;
    if constexpr (std::is_same_v<W, EditWindow>)
        w = std::make_shared<W>(card, card->list()->rowTexts(0), card->selectedRowKey());
    else
        w = std::make_shared<W>(card);
    keep.push_back(w);
    w->show();
    w->amountBox()->clear();
    QTest::keyClicks(w->amountBox(), QStringLiteral("321,5"));
    w->descriptionBox()->setText(QStringLiteral("PENCEREDEN"));
    w->currencyBox()->setCurrentIndex(2);
    w->datePicker()->setDate(QDate(2024, 4, 1));
    return [w] { w->save(); };
}

QList<QPair<const char*, WindowAction>> windowActionList()
{
    return {
        {"Form2 person added",
         [](Store& store, std::vector<std::shared_ptr<QWidget>>& keep) -> WindowStep {
             auto w = std::make_shared<AddCustomerWindow>(store, std::function<void()>());
             keep.push_back(w);
             w->show();
             QTest::keyClicks(w->findChild<QLineEdit*>(QStringLiteral("Text1")), QStringLiteral("YENI"));
             return [w] { w->findChild<PictureButton*>(QStringLiteral("MyButton6"))->click(); };
         }},
        {"Form3 person edited",
         [](Store& store, std::vector<std::shared_ptr<QWidget>>& keep) -> WindowStep {
             auto w = std::make_shared<EditCustomerWindow>(store, person(store, QStringLiteral("1")),
                                                           std::function<void()>());
             keep.push_back(w);
             w->show();
             QTest::keyClicks(w->findChild<QLineEdit*>(QStringLiteral("Text2")), QStringLiteral("9"));
             return [w] { w->findChild<PictureButton*>(QStringLiteral("MyButton6"))->click(); };
         }},
        {"Kisi_Sil person deleted",
         [](Store& store, std::vector<std::shared_ptr<QWidget>>& keep) -> WindowStep {
             auto main = std::make_shared<MainWindow>(store, store.folder());
             keep.push_back(main);
             const Customer row = person(store, QStringLiteral("2"));
             MainWindow* m = main.get();
             return [m, row, &store] {
                 MessageBox::setNextAnswer(MessageBox::Button::Yes);
                 deleteCustomer(m, store, row, [m] { m->DetayliAra(); });
             };
         }},
        {"Form5 money lent", entryWindow<LendWindow>},
        {"Form6 money collected", entryWindow<CollectWindow>},
        {"Form12 row edited", entryWindow<EditWindow>},
        {"Form4 row cancelled",
         [](Store& store, std::vector<std::shared_ptr<QWidget>>& keep) -> WindowStep {
             AccountCard* card = openCard(store, keep, QStringLiteral("1"));
             return [card] {
                 MessageBox::setNextAnswer(MessageBox::Button::Yes);
                 card->cancelSelected();
             };
         }},
        {"Form4 account reset",
         [](Store& store, std::vector<std::shared_ptr<QWidget>>& keep) -> WindowStep {
             AccountCard* card = openCard(store, keep, QStringLiteral("2"));
             return [card] {
                 MessageBox::setNextAnswer(MessageBox::Button::Yes);
                 card->resetAccount();
             };
         }},
        {"GelirYaz income recorded",
         [](Store& store, std::vector<std::shared_ptr<QWidget>>& keep) -> WindowStep {
             auto w = std::make_shared<LedgerEntryWindow>(store, Ledger::Income);
             keep.push_back(w);
             w->show();
             QTest::keyClicks(w->findChild<QLineEdit*>(QStringLiteral("Text1_4")), QStringLiteral("SATIS"));
             QTest::keyClicks(w->findChild<QPlainTextEdit*>(QStringLiteral("Text1_1")),
                              QStringLiteral("NAKIT"));
             QTest::keyClicks(w->findChild<QLineEdit*>(QStringLiteral("Text1_2")), QStringLiteral("45,75"));
             return [w] { w->findChild<QPushButton*>(QStringLiteral("Button1"))->click(); };
         }},
        {"GiderMenu expense cancelled",
         [](Store& store, std::vector<std::shared_ptr<QWidget>>& keep) -> WindowStep {
             auto w = std::make_shared<LedgerHistoryWindow>(store, Ledger::Expense);
             keep.push_back(w);
             w->show();
             w->findChild<QDateEdit*>(QStringLiteral("Tarihbox1"))->setDate(QDate(2024, 3, 15));
             w->GECMISI_YUKLE();
             if (w->list()->rowCount() != 1)
                 QTest::qFail("the history does not list the entry", __FILE__, __LINE__);
             w->list()->setCurrentRow(0);
             return [w] {
                 MessageBox::setNextAnswer(MessageBox::Button::Yes);
                 w->findChild<QPushButton*>(QStringLiteral("Button3"))->click();
             };
         }},
    };
}

} // namespace

Q_DECLARE_METATYPE(Action)
Q_DECLARE_METATYPE(WindowAction)
Q_DECLARE_METATYPE(kalvora::test::FaultVfs::Op)

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
        action(store);
        const QStringList after = checker.snapshot();
        QVERIFY2(after != before, "the action changes nothing");
        QVERIFY(checker.problems().isEmpty());

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
                const QStringList problems = checker.problems();
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

    // The same loop through a window: the windows are opened and the entry typed with no fault armed,
    // then only the click that writes meets the fault. After every injected run nothing or all of the
    // change is stored, and when nothing was, the window said so in a Turkish message naming the file.
    void runWindowUnderFaults(const QString& label, const WindowAction& action)
    {
        test::TestData data;
        standardSetup(data);
        data.store().closeAll();
        QTemporaryDir pristine;
        test::copyFolderFiles(data.folder(), pristine.path());
        test::FolderChecker original(pristine.path());
        test::FolderChecker checker(data.folder());
        const QStringList before = checker.snapshot(false);
        test::MessageBoxCapture boxes;

        Store store(data.folder(), FaultVfs::name());
        QStringList after;
        {
            Windows w;
            const WindowStep step = action(store, w.items);
            MessageBox::clearShown();
            step();
            for (const MessageBox::Shown& box : MessageBox::shown())
                QVERIFY2(box.icon != MessageBox::Icon::Error, qPrintable(box.text));
            after = checker.snapshot(false);
        }
        QVERIFY2(after != before, "the action changes nothing");
        checker.restoreFrom(original);

        Tally& tally = m_tallies[label];
        for (FaultVfs::Op op : FaultVfs::allOps) {
            for (int n = 1;; ++n) {
                QVERIFY2(n < 2000, "the action never stops meeting faults");
                const QString where =
                    QStringLiteral("%1: %2 #%3").arg(label, QString::fromLatin1(FaultVfs::opName(op))).arg(n);
                bool fired = false;
                {
                    Windows w;
                    const WindowStep step = action(store, w.items);
                    MessageBox::setTestMode(true); // no answer left from an earlier run
                    MessageBox::clearShown();
                    {
                        test::ArmedFault fault(op, n);
                        step();
                    }
                    fired = FaultVfs::fired();
                }
                QString error;
                for (const MessageBox::Shown& box : MessageBox::shown())
                    if (box.icon == MessageBox::Icon::Error)
                        error = box.text;
                QVERIFY2(!store.accounts().inTransaction() && !store.ledger(Ledger::Income).inTransaction() &&
                             !store.ledger(Ledger::Expense).inTransaction(),
                         qPrintable(where));
                const QStringList problems = checker.problems();
                QVERIFY2(problems.isEmpty(),
                         qPrintable(where + QLatin1Char('\n') + problems.join(QLatin1Char('\n'))));
                const QStringList now = checker.snapshot(false);
                if (fired)
                    ++tally.injected;
                if (now == before) {
                    QVERIFY2(fired, qPrintable(where + QStringLiteral(": nothing stored without a fault")));
                    ++tally.failed;
                    QVERIFY2(error.contains(QStringLiteral(".mdb")),
                             qPrintable(where +
                                        QStringLiteral(": nothing stored and no message naming the file: ") +
                                        error));
                } else {
                    QVERIFY2(now == after,
                             qPrintable(where + QStringLiteral(": part of the change was stored")));
                    checker.restoreFrom(original);
                    QCOMPARE(checker.snapshot(false), before);
                }
                if (!fired)
                    break;
            }
        }
    }

private Q_SLOTS:
    void cleanupTestCase()
    {
        for (auto it = m_tallies.cbegin(); it != m_tallies.cend(); ++it)
            qInfo("%s: %d fault points injected, %d reported failures, %d failed but stored whole",
                  qPrintable(it.key()), it->injected, it->failed, it->storedAnyway);
    }

    void writeActions_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<bool>("persistent");
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
            QTest::addRow("%s, once", name) << action << false;
            QTest::addRow("%s, from then on", name) << action << true;
        }
    }
    void writeActions()
    {
        QFETCH(Action, action);
        QFETCH(bool, persistent);
        QString label = QString::fromUtf8(QTest::currentDataTag());
        label.truncate(label.lastIndexOf(QLatin1Char(',')));
        runUnderFaults(label, standardSetup, action, persistent);
    }

    void windowActions_data()
    {
        QTest::addColumn<WindowAction>("action");
        for (const auto& [name, action] : windowActionList())
            QTest::newRow(name) << action;
    }
    void windowActions()
    {
        QFETCH(WindowAction, action);
        runWindowUnderFaults(QStringLiteral("window ") + QString::fromUtf8(QTest::currentDataTag()), action);
    }

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
        for (int n = 1;; n += persistent ? 1 + n : 1 + n / 2) {
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
                QVERIFY2(p.text.contains(p.file), qPrintable(p.text));
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

QTEST_MAIN(TestFaultInjection)
#include "tst_fault_injection.moc"
