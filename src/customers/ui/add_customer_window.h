#pragma once

#include "customers/ui/customer_form.h"

namespace kalvora {

class Store;

// Form2 "YENİ KİŞİ EKLE": registers people one after another; after each save the boxes are emptied
// and added() announces the new person.
class AddCustomerWindow final : public CustomerForm {
    Q_OBJECT
public:
    explicit AddCustomerWindow(Store& store, QWidget* parent = nullptr);

    // Inserts the person of the six boxes, then empties them and puts the focus into Text1.
    // False (boxes kept) when the store refused the insert.
    bool KULLANICIEKLE();

Q_SIGNALS:
    // A person was stored under the key oto_kod.
    void added(const QString& key);

protected:
    void save() override;

private:
    Store& m_store;
};

} // namespace kalvora
