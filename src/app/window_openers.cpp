#include "app/window_openers.h"

#include "accounts/ui/account_card.h"
#include "widgets/report_list.h"
#include "customers/ui/add_customer_window.h"
#include "customers/ui/delete_customer.h"
#include "customers/ui/edit_customer_window.h"
#include "ledger/ui/ledger_history_window.h"
#include "listview/ui/list_sorting.h"
#include "rates/ui/rates_window.h"
#include "reports/ui/report_print.h"
#include "reports/ui/reports_menu_window.h"
#include "reports/ui/statement_window.h"

namespace kalvora {

MainWindow::Openers windowOpeners()
{
    MainWindow::Openers o;
    // Each feature sets its own openers here, one block per feature.
    o.addPerson = [](MainWindow* w) {
        AddCustomerWindow window(
            w->store(), [w] { w->DetayliAra(); }, w);
        window.exec();
    };
    o.editPerson = [](MainWindow* w, const Customer& row) {
        EditCustomerWindow window(
            w->store(), row, [w] { w->DetayliAra(); }, w);
        window.exec();
    };
    o.deletePerson = [](MainWindow* w, const Customer& row) {
        deleteCustomer(w, w->store(), row, [w] { w->DetayliAra(); });
    };
    o.rates = [](MainWindow* w) {
        RatesWindow window(w);
        window.exec();
    };
    o.incomeLedger = [](MainWindow* w) {
        LedgerHistoryWindow window(w->store(), Ledger::Income, w);
        window.exec();
    };
    o.expenseLedger = [](MainWindow* w) {
        LedgerHistoryWindow window(w->store(), Ledger::Expense, w);
        window.exec();
    };
    o.accountCard = [](MainWindow* m, const Customer& c) {
        // "&DÖKÜM AL" prints what the card shows, in the order it shows it.
        AccountCard::setStatementAction([m](AccountCard* card) {
            StatementData d;
            d.name = card->personName();
            d.tl = {card->balanceText(Currency::Tl), card->statusText(Currency::Tl)};
            d.dollar = {card->balanceText(Currency::Dolar), card->statusText(Currency::Dolar)};
            d.euro = {card->balanceText(Currency::Euro), card->statusText(Currency::Euro)};
            d.rows = statementRows(card->list());
            printAccountStatement(card, m->store(), m->dataFolder(), d);
        });
        AccountCard card(
            m->store(), [m] { m->DetayliAra(); }, m);
        card.setPerson(c);
        QObject::connect(&card, &AccountCard::statementRequested, &card, [&card, m] {
            StatementWindow window(m->store(), card.person(), &card);
            window.exec();
        });
        card.setWindowState(card.windowState() | Qt::WindowMaximized);
        card.exec();
    };
    o.reports = [](MainWindow* w) {
        ReportsMenuWindow window(w->store(), w->dataFolder(), w);
        window.exec();
    };
    // List views: the customer list sorts columns 1 to 6 as text and fits its columns after each load.
    o.sortColumn = [](ReportList* list, int column) { SutunSirala(list, column, SortKind::Text); };
    o.fitColumns = SutunlariSigdir;
    return o;
}

} // namespace kalvora
