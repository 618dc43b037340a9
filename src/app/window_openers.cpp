#include "app/window_openers.h"

#include "accounts/account_book.h"
#include "accounts/open_item_store.h"
#include "accounts/ui/account_card.h"
#include "accounts/ui/archive_restore_link.h"
#include "accounts/ui/overdue_window.h"
#include "app/main_window.h"
#include "archive/ui/cancellation_archive_window.h"
#include "customers/customer_repository.h"
#include "customers/ui/add_customer_window.h"
#include "customers/ui/delete_customer.h"
#include "customers/ui/edit_customer_window.h"
#include "data/clock.h"
#include "data/db_error.h"
#include "import/ui/import_window.h"
#include "ledger/ui/ledger_history_window.h"
#include "rates/ui/rates_window.h"
#include "reports/ui/report_print.h"
#include "reports/ui/reports_menu_window.h"
#include "reports/ui/statement_window.h"
#include "sending/confirmation_letter.h"
#include "sending/document_sender.h"
#include "sending/sent_record.h"
#include "sending/ui/bulk_send_window.h"
#include "sending/ui/company_info_window.h"
#include "sending/ui/letter_window.h"
#include "sending/ui/send_window.h"
#include "sending/ui/sent_list_window.h"
#include "widgets/db_error_message.h"
#include "widgets/message_box.h"

#include <QSet>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

namespace kalvora {

namespace {

// GÖNDER of the card, the statement and the letter: the document goes from the window it was asked in.
void openSendWindow(QWidget* over, Store& store, const SendDocument& document)
{
    SendWindow window(store, document, over);
    window.exec();
}

} // namespace

void connectWindowOpeners(MainWindow& main)
{
    MainWindow* m = &main;
    // Every window below reports the one person it changed; the main list refreshes just that row.
    const auto refreshOne = qOverload<const QString&>(&MainWindow::DetayliAra);
    // Other desks' commits on a server book: a window that shows one of the schemas reads it again, once
    // for however many notifications arrive within one turn of the event loop.
    BookWatcher* watcher = main.store().watcher();
    auto onOtherDesks = [watcher](QObject* receiver, const QStringList& schemas,
                                  std::function<void()> refresh) {
        if (!watcher)
            return;
        auto pending = std::make_shared<bool>(false);
        QObject::connect(watcher, &BookWatcher::changed, receiver,
                         [receiver, schemas, refresh, pending](const QStringList& changed) {
                             if (*pending ||
                                 std::none_of(changed.begin(), changed.end(),
                                              [&](const QString& s) { return schemas.contains(s); }))
                                 return;
                             *pending = true;
                             QTimer::singleShot(0, receiver, [refresh, pending] {
                                 *pending = false;
                                 refresh();
                             });
                         });
    };
    const QStringList accounts{QStringLiteral("cari")};
    auto onAccountsChanged = [onOtherDesks, accounts](QObject* receiver, std::function<void()> refresh) {
        onOtherDesks(receiver, accounts, std::move(refresh));
    };
    onAccountsChanged(m, [m] { m->refreshForOtherDesks(); });
    QObject::connect(m, &MainWindow::addPersonRequested, m, [m, refreshOne] {
        AddCustomerWindow window(m->store(), m);
        QObject::connect(&window, &AddCustomerWindow::added, m, refreshOne);
        window.exec();
    });
    QObject::connect(m, &MainWindow::editPersonRequested, m, [m, refreshOne](const Customer& person) {
        EditCustomerWindow window(m->store(), person, m);
        QObject::connect(&window, &EditCustomerWindow::updated, m, refreshOne);
        window.exec();
    });
    QObject::connect(m, &MainWindow::deletePersonRequested, m, [m](const Customer& person) {
        if (deleteCustomer(m, m->store(), person))
            m->DetayliAra(person.key);
    });
    QObject::connect(
        m, &MainWindow::accountCardRequested, m, [m, refreshOne, onAccountsChanged](const Customer& person) {
            AccountCard card(m->store(), m);
            QObject::connect(&card, &AccountCard::accountChanged, m, refreshOne);
            QObject::connect(&card, &AccountCard::statementRequested, &card,
                             [m, &card](const StatementData& d) {
                                 printAccountStatement(&card, m->store(), m->dataFolder(), d);
                             });
            QObject::connect(&card, &AccountCard::periodStatementRequested, &card, [&card, m] {
                StatementWindow window(m->store(), card.person(), &card);
                QObject::connect(&window, &StatementWindow::sendRequested, &window, [&window, m] {
                    openSendWindow(&window, m->store(),
                                   statementDocument(window.person(), window.statement(),
                                                     window.directReport(), window.periodText()));
                });
                window.exec();
            });
            QObject::connect(&card, &AccountCard::letterRequested, &card, [&card, m] {
                LetterWindow window(m->store(), card.person(), &card);
                QObject::connect(
                    &window, &LetterWindow::sendRequested, &window,
                    [&window, m](const SendDocument& d) { openSendWindow(&window, m->store(), d); });
                window.exec();
            });
            QObject::connect(&card, &AccountCard::sendRequested, &card, [&card, m] {
                CompanyInfo sender;
                QList<AccountRow> rows;
                try {
                    sender = loadCompanyInfo(m->store());
                    rows = AccountBook(m->store()).load(card.person().key).rows;
                } catch (const DbError& e) {
                    MessageBox::error(&card, e.turkishText());
                    return;
                }
                openSendWindow(
                    &card, m->store(),
                    letterDocument(buildConfirmationLetter(card.person(), rows, Clock::today(), 15), sender,
                                   m->store().folder()));
            });
            onAccountsChanged(&card, [&card] { card.refreshForOtherDesks(); });
            card.setPerson(person);
            card.setWindowState(card.windowState() | Qt::WindowMaximized);
            card.exec();
        });
    // What is overdue: the status bar's count after every change, and the window after the login and
    // on each new day, unless "BUGÜN GÖSTERME" was chosen today.
    // The people with anything overdue, for the status bar: counted over the whole book after the login,
    // a new day and another desk's change; a card changes its own person only, so closing it asks again
    // for that person alone.
    auto overdueKeys = std::make_shared<QSet<QString>>();
    auto showOverdue = [m, overdueKeys](QSet<QString> keys) {
        *overdueKeys = std::move(keys);
        m->setOverduePeople(int(overdueKeys->size()));
    };
    auto countOverdue = [m, showOverdue] {
        showingDbError(
            m, [&] { showOverdue(OpenItemStore::latePeople(m->store().accounts(), Clock::today())); });
    };
    QObject::connect(m, &MainWindow::accountCardRequested, m, [m, overdueKeys](const Customer& person) {
        // Connected after the card's opener: runs once the card has closed.
        showingDbError(m, [&] {
            if (OpenBook(m->store()).overdueFor(person.key, Clock::today()).isEmpty())
                overdueKeys->remove(person.key);
            else
                overdueKeys->insert(person.key);
            m->setOverduePeople(int(overdueKeys->size()));
        });
    });
    onAccountsChanged(m, countOverdue);
    QObject::connect(
        m, &MainWindow::overdueCheckRequested, m, [m, onAccountsChanged, countOverdue, showOverdue] {
            if (OverdueWindow::hiddenToday(m->dataFolder())) {
                countOverdue();
                return;
            }
            OverdueWindow window(m->store(), m->dataFolder(), m);
            QSet<QString> late;
            for (const OverdueEntry& e : window.entries())
                late.insert(e.personKey);
            showOverdue(std::move(late));
            if (window.entries().isEmpty())
                return;
            // The last reminder beside each person; a card opened from here may send another.
            auto showReminders = [m, &window] {
                showingDbError(&window, [&] { window.setLastReminders(SentRecord(m->store()).lastSent()); });
            };
            showReminders();
            QObject::connect(&window, &OverdueWindow::cardRequested, &window,
                             [m, &window, showReminders](const QString& key) {
                                 std::optional<Customer> person;
                                 showingDbError(&window,
                                                [&] { person = CustomerRepository(m->store()).find(key); });
                                 if (person)
                                     Q_EMIT m->accountCardRequested(*person);
                                 window.reload();
                                 showReminders();
                             });
            onAccountsChanged(&window, [&window] { window.refreshForOtherDesks(); });
            window.exec();
        });
    auto openLedger = [m, onOtherDesks](Ledger which) {
        LedgerHistoryWindow window(m->store(), which, m);
        onOtherDesks(&window, {which == Ledger::Income ? QStringLiteral("gelir") : QStringLiteral("gider")},
                     [&window] { window.refreshForOtherDesks(); });
        window.exec();
    };
    QObject::connect(m, &MainWindow::incomeLedgerRequested, m, [openLedger] { openLedger(Ledger::Income); });
    QObject::connect(m, &MainWindow::expenseLedgerRequested, m,
                     [openLedger] { openLedger(Ledger::Expense); });
    QObject::connect(m, &MainWindow::reportsRequested, m, [m, onAccountsChanged, onOtherDesks] {
        ReportsMenuWindow window(m->store(), m->dataFolder(), m);
        onAccountsChanged(&window, [&window] { window.refreshForOtherDesks(); });
        onOtherDesks(&window, {QStringLiteral("gelir"), QStringLiteral("gider")},
                     [&window] { window.refreshLedgersForOtherDesks(); });
        window.exec();
    });
    QObject::connect(m, &MainWindow::ratesRequested, m, [m] {
        RatesWindow window(m);
        window.exec();
    });
    QObject::connect(m, &MainWindow::importRequested, m, [m] {
        ImportWindow window(m->store(), m);
        QObject::connect(&window, &ImportWindow::imported, m, qOverload<>(&MainWindow::DetayliAra));
        window.exec();
    });
    QObject::connect(m, &MainWindow::companyInfoRequested, m, [m] {
        CompanyInfoWindow window(m->store(), m);
        window.exec();
    });
    QObject::connect(m, &MainWindow::bulkSendRequested, m, [m] {
        BulkSendWindow window(m->store(), m);
        window.exec();
    });
    QObject::connect(m, &MainWindow::sentListRequested, m, [m] {
        SentListWindow window(m->store(), m);
        window.exec();
    });
    QObject::connect(m, &MainWindow::cancellationsRequested, m, [m, refreshOne, onOtherDesks] {
        CancellationArchiveWindow window(m->store(), m);
        connectArchiveRestore(window, m->store());
        QObject::connect(&window, &CancellationArchiveWindow::restored, m, refreshOne);
        onOtherDesks(&window, {QStringLiteral("iptal")}, [&window] { window.refreshForOtherDesks(); });
        window.exec();
    });
}

} // namespace kalvora
