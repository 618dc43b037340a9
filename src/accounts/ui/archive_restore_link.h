#pragma once

namespace kalvora {

class CancellationArchiveWindow;
class Store;

// Lets the archive window's "GERİ AL" bring items back into the accounts of the store.
void connectArchiveRestore(CancellationArchiveWindow& window, Store& store);

} // namespace kalvora
