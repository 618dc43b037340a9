#include "app/window_openers.h"

#include "accounts/ui/account_card.h"
#include "rates/ui/rates_window.h"

namespace kalvora {

MainWindow::Openers windowOpeners()
{
    MainWindow::Openers o;
    // Each feature sets its own openers here, one block per feature.
    o.rates = [](MainWindow* w) {
        RatesWindow window(w);
        window.exec();
    };
    o.accountCard = [](MainWindow* m, const Customer& c) {
        AccountCard card(m->store(), [m] { m->DetayliAra(); }, m);
        card.setPerson(c);
        card.setWindowState(card.windowState() | Qt::WindowMaximized);
        card.exec();
    };
    return o;
}

} // namespace kalvora
