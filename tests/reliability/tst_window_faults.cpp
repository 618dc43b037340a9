#include "accounts/ui/account_card.h"
#include "accounts/ui/entry_window.h"
#include "app/main_window.h"
#include "customers/ui/add_customer_window.h"
#include "customers/ui/delete_customer.h"
#include "customers/ui/edit_customer_window.h"
#include "ledger/ui/ledger_entry_window.h"
#include "ledger/ui/ledger_history_window.h"
#include "reliability/fault_actions.h"
#include "reliability/store_checks.h"
#include "support/fault_vfs.h"
#include "widgets/limited_text_box.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"
#include "widgets/report_list.h"

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
using namespace kalvora::test;
using test::FaultVfs;

namespace {

// A user action through its window: `prepare` opens the windows and types the entry (no fault armed);
// the returned step is the click (or key) that writes. The windows live until the holder goes.
using WindowStep = std::function<void()>;
using WindowAction = std::function<WindowStep(Store&, std::vector<std::shared_ptr<QWidget>>&)>;

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
    auto card = std::make_shared<AccountCard>(store, m);
    QObject::connect(card.get(), &AccountCard::accountChanged, m,
                     qOverload<const QString&>(&MainWindow::DetayliAra));
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
        w = std::make_shared<W>(store, card->person(), *card->rowAt(0), card);
    else
        w = std::make_shared<W>(store, card->person(), card);
    QObject::connect(w.get(), &EntryWindow::saved, card, &AccountCard::applyChange);
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
             auto w = std::make_shared<AddCustomerWindow>(store);
             keep.push_back(w);
             w->show();
             QTest::keyClicks(w->findChild<QLineEdit*>(QStringLiteral("Text1")), QStringLiteral("YENI"));
             return [w] { w->findChild<PictureButton*>(QStringLiteral("MyButton6"))->click(); };
         }},
        {"Form3 person edited",
         [](Store& store, std::vector<std::shared_ptr<QWidget>>& keep) -> WindowStep {
             auto w = std::make_shared<EditCustomerWindow>(store, person(store, QStringLiteral("1")));
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
                 if (deleteCustomer(m, store, row))
                     m->DetayliAra();
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

Q_DECLARE_METATYPE(WindowAction)

class TestWindowFaults : public QObject {
    Q_OBJECT
private:
    QMap<QString, Tally> m_tallies;

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
    void cleanupTestCase() { printTallies(m_tallies); }

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
};

QTEST_MAIN(TestWindowFaults)
#include "tst_window_faults.moc"
