#include "customers/ui/edit_customer_window.h"

#include "widgets/message_box.h"
#include "customers/customer_checks.h"
#include "customers/customer_repository.h"
#include "customers/ui/contact_boxes.h"

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

EditCustomerWindow::EditCustomerWindow(Store& store, const Customer& listRow,
                                       std::function<void()> reloadList, QWidget* parent)
    : CustomerForm(editTexts(), parent), m_store(store), m_key(listRow.key),
      m_reloadList(std::move(reloadList))
{
    setContact({listRow.name, listRow.workPhone, listRow.mobilePhone, listRow.idNumber, listRow.taxOffice,
                listRow.address});
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
    try {
        found = CustomerRepository(m_store).update(m_key, contact());
    } catch (const DbError& e) {
        MessageBox::error(this, e.turkishText());
        return;
    }
    if (m_reloadList)
        m_reloadList();
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
