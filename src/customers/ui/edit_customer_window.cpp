#include "customers/ui/edit_customer_window.h"

#include "customers/customer_checks.h"
#include "customers/customer_repository.h"
#include "customers/ui/contact_boxes.h"
#include "widgets/db_error_message.h"
#include "widgets/message_box.h"

namespace kalvora {

namespace {

CustomerForm::Texts editTexts()
{
    return {
        QStringLiteral("Form3"),
        QStringLiteral("BİLGİ DÜZENLE"),
        QStringLiteral("BİLGİ DÜZENLEME FORMU"),
        20,
        {QStringLiteral("GÜNCELLE"), QStringLiteral("GÜNCELLE"), QStringLiteral("YENİ BİLGİLERİ GÜNCELLER")},
        {QStringLiteral("TEMİZLE"), QStringLiteral("TEMİZLE"),
         QStringLiteral("BİLGİ KUTUCUKLARINI TEMİZLER")},
        {QStringLiteral("İPTAL -ESC-"), QStringLiteral("İPTAL"),
         QStringLiteral("DEĞİŞİKLİKLERİ YAPMADAN ÇIKAR")}};
}

} // namespace

EditCustomerWindow::EditCustomerWindow(Store& store, const Customer& person, QWidget* parent)
    : CustomerForm(editTexts(), parent), m_store(store), m_key(person.key), m_version(person.version)
{
    setContact({person.name, person.workPhone, person.mobilePhone, person.idNumber, person.taxOffice,
                person.address});
}

void EditCustomerWindow::save()
{
    if (const auto refusal = editRefusal(contact())) {
        MessageBox::error(this, refusal->text, refusal->title);
        nameBox()->setFocus();
        return;
    }
    BilgiDuzenle();
}

void EditCustomerWindow::BilgiDuzenle()
{
    bool found = false;
    // Changed on another desk since it was listed: the list shows the person as they now stand.
    const auto changedElsewhere = [this] {
        Q_EMIT updated(m_key);
        reject();
    };
    if (!showingDbErrorThenReload(
            this, [&] { found = CustomerRepository(m_store).update(m_key, contact(), m_version); },
            changedElsewhere))
        return;
    Q_EMIT updated(m_key);
    if (!found) {
        // Nothing was written: saying "updated" here would hide that the person is gone.
        MessageBox::error(this, QStringLiteral("KİŞİ KAYDI BULUNAMADI. BİLGİLER GÜNCELLENEMEDİ."),
                          QStringLiteral("UYARI"));
        reject();
        return;
    }
    MessageBox::information(this, QStringLiteral("KİŞİ BİLGİLERİ GÜNCELLENDİ."),
                            QStringLiteral("GÜNCELLENDİ."));
    accept();
}

} // namespace kalvora
