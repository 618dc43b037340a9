#pragma once

#include "customers/customer.h"
#include "customers/ui/customer_form.h"

#include <functional>

namespace kalvora {

class Store;

// Form3 "BİLGİ DÜZENLE": corrects the contact data of the person of the current list row. Esc closes it
// like "İPTAL -ESC-".
class EditCustomerWindow final : public CustomerForm {
    Q_OBJECT
public:
    EditCustomerWindow(Store& store, const Customer& listRow, std::function<void()> reloadList,
                       QWidget* parent = nullptr);

    const QString& key() const { return m_key; }

    // Writes the six boxes to the person, reloads the main list, confirms and closes the window.
    void BilgiDuzenle();

protected:
    void save() override;

private:
    Store& m_store;
    QString m_key;
    std::function<void()> m_reloadList;
};

} // namespace kalvora
