#pragma once

namespace kalvora {

class MainWindow;

// Connects each request of the main window to the window it opens, modal over the main window, and
// each of those windows' changes back to the main list.
void connectWindowOpeners(MainWindow& main);

} // namespace kalvora
