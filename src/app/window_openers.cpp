#include "app/window_openers.h"

namespace kalvora {

MainWindow::Openers windowOpeners()
{
    MainWindow::Openers o;
    // Each feature sets its own openers here, one block per feature.
    return o;
}

} // namespace kalvora
