#include "customers/ui/add_customer_window.h"

#include "widgets/message_box.h"
#include "customers/customer_checks.h"
#include "customers/customer_repository.h"
#include "customers/ui/contact_boxes.h"

namespace kalvora {

namespace {

CustomerForm::Texts addTexts()
{
    return {
        QStringLiteral("Form2"),
        QStringLiteral("YENİ KİŞİ EKLE"),
        QStringLiteral("YENİ KİŞİ EKLEME FORMU"),
        30,
        {QStringLiteral("KAYDET"), QStringLiteral("KAYDET"),
         QStringLiteral("GİRİLEN KİŞİ BİLGİLERİNİ KAYDEDER")},
        {QStringLiteral("TEMİZLE"), QStringLiteral("TEMİZLE"), QStringLiteral("YANLIŞ GİRİŞLERİ TEMİZLER")},
        {QStringLiteral("İPTAL"), QStringLiteral("İPTAL"), QStringLiteral("YENİ KİŞİ EKLEMEDEN ÇIKAR")}};
}

} // namespace

AddCustomerWindow::AddCustomerWindow(Store& store, std::function<void()> reloadList, QWidget* parent)
    : CustomerForm(addTexts(), parent), m_store(store), m_reloadList(std::move(reloadList))
{}

void AddCustomerWindow::save()
{
    if (const auto refusal = addRefusal(contact())) {
        MessageBox::information(this, refusal->text, refusal->title);
        nameBox()->setFocus();
        return;
    }
    if (!KULLANICIEKLE())
        return;
    if (m_reloadList)
        m_reloadList();
}

bool AddCustomerWindow::KULLANICIEKLE()
{
    try {
        CustomerRepository(m_store).insert(contact());
    } catch (const DbError& e) {
        MessageBox::error(this, e.turkishText());
        return false;
    }
    clearBoxes();
    nameBox()->setFocus();
    return true;
}

} // namespace kalvora
