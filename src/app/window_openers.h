#pragma once

#include "app/main_window.h"

namespace kalvora {

// What each main-window button opens, gathered in one place.
MainWindow::Openers windowOpeners();

} // namespace kalvora
