#pragma once

#include "customers/customer.h"

class QWidget;

namespace kalvora {

class Store;

// The click of "KİŞİ SİL" for the person of the current list row: refuses while a balance shown in the
// list is not zero, asks, and on Yes calls Kisi_Sil. True when the person was removed.
bool deleteCustomer(QWidget* parent, Store& store, const Customer& listRow);

// Removes the person and all of their transactions (KartiniTemizle) as one change across uyeler.mdb and
// data.mdb. On a failure nothing is removed and the reason is shown; false then.
bool Kisi_Sil(QWidget* parent, Store& store, const QString& key, qint64 listedVersion = 0);

} // namespace kalvora
