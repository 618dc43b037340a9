#pragma once

#include "customers/ui/customer_form.h"

#include <functional>

namespace kalvora {

class Store;

// Form2 "YENİ KİŞİ EKLE": registers people one after another; after each save the boxes are emptied
// and the main list is reloaded.
class AddCustomerWindow final : public CustomerForm {
    Q_OBJECT
public:
    AddCustomerWindow(Store& store, std::function<void()> reloadList, QWidget* parent = nullptr);

    // Inserts the person of the six boxes, then empties them and puts the focus into Text1.
    // False (boxes kept) when the store refused the insert.
    bool KULLANICIEKLE();

protected:
    void save() override;

private:
    Store& m_store;
    std::function<void()> m_reloadList;
};

} // namespace kalvora
