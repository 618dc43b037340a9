#pragma once

#include "customers/customer.h"
#include "customers/ui/customer_form.h"

namespace kalvora {

class Store;

// Form3 "BİLGİ DÜZENLE": corrects the contact data of the person of the current list row. Esc closes it
// like "İPTAL -ESC-".
class EditCustomerWindow final : public CustomerForm {
    Q_OBJECT
public:
    EditCustomerWindow(Store& store, const Customer& person, QWidget* parent = nullptr);

    const QString& key() const { return m_key; }

    // Writes the six boxes to the person, announces it, confirms and closes the window.
    void BilgiDuzenle();

Q_SIGNALS:
    // The write ran: the person's row changed, or was found gone (the list follows either way).
    void updated(const QString& key);

protected:
    void save() override;

private:
    Store& m_store;
    QString m_key;
    qint64 m_version;
};

} // namespace kalvora
