#pragma once

namespace kalvora {

// Start-up: data folder, single instance, first-start files, login window, main window.
int runApplication(int argc, char** argv);

} // namespace kalvora
