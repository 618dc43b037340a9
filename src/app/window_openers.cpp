#include "app/window_openers.h"

#include "accounts/ui/account_card.h"
#include "app/main_window.h"
#include "archive/ui/cancellation_archive_window.h"
#include "customers/ui/add_customer_window.h"
#include "customers/ui/delete_customer.h"
#include "customers/ui/edit_customer_window.h"
#include "ledger/ui/ledger_history_window.h"
#include "rates/ui/rates_window.h"
#include "reports/ui/report_print.h"
#include "reports/ui/reports_menu_window.h"
#include "reports/ui/statement_window.h"

namespace kalvora {

void connectWindowOpeners(MainWindow& main)
{
    MainWindow* m = &main;
    // Every window below reports the one person it changed; the main list refreshes just that row.
    const auto refreshOne = qOverload<const QString&>(&MainWindow::DetayliAra);
    // Other desks' commits on a server book: the lists that show what they changed read it again.
    BookWatcher* watcher = main.store().watcher();
    auto onAccountsChanged = [watcher](QObject* receiver, auto refresh) {
        if (watcher)
            QObject::connect(watcher, &BookWatcher::changed, receiver, [refresh](const QStringList& schemas) {
                if (schemas.contains(QStringLiteral("cari")))
                    refresh();
            });
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
    QObject::connect(m, &MainWindow::accountCardRequested, m,
                     [m, refreshOne, onAccountsChanged](const Customer& person) {
                         AccountCard card(m->store(), m);
                         QObject::connect(&card, &AccountCard::accountChanged, m, refreshOne);
                         QObject::connect(&card, &AccountCard::statementRequested, &card,
                                          [m, &card](const StatementData& d) {
                                              printAccountStatement(&card, m->store(), m->dataFolder(), d);
                                          });
                         QObject::connect(&card, &AccountCard::periodStatementRequested, &card, [&card, m] {
                             StatementWindow window(m->store(), card.person(), &card);
                             window.exec();
                         });
                         onAccountsChanged(&card, [&card] { card.refreshForOtherDesks(); });
                         card.setPerson(person);
                         card.setWindowState(card.windowState() | Qt::WindowMaximized);
                         card.exec();
                     });
    QObject::connect(m, &MainWindow::incomeLedgerRequested, m, [m] {
        LedgerHistoryWindow window(m->store(), Ledger::Income, m);
        window.exec();
    });
    QObject::connect(m, &MainWindow::expenseLedgerRequested, m, [m] {
        LedgerHistoryWindow window(m->store(), Ledger::Expense, m);
        window.exec();
    });
    QObject::connect(m, &MainWindow::reportsRequested, m, [m] {
        ReportsMenuWindow window(m->store(), m->dataFolder(), m);
        window.exec();
    });
    QObject::connect(m, &MainWindow::ratesRequested, m, [m] {
        RatesWindow window(m);
        window.exec();
    });
    QObject::connect(m, &MainWindow::cancellationsRequested, m, [m, refreshOne] {
        CancellationArchiveWindow window(m->store(), m);
        QObject::connect(&window, &CancellationArchiveWindow::restored, m, refreshOne);
        window.exec();
    });
}

} // namespace kalvora
