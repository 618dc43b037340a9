#include "customers/ui/add_customer_window.h"

#include "customers/customer_checks.h"
#include "customers/customer_repository.h"
#include "customers/ui/contact_boxes.h"
#include "widgets/db_error_message.h"
#include "widgets/message_box.h"

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

AddCustomerWindow::AddCustomerWindow(Store& store, QWidget* parent)
    : CustomerForm(addTexts(), parent), m_store(store)
{}

void AddCustomerWindow::save()
{
    if (const auto refusal = addRefusal(contact())) {
        MessageBox::information(this, refusal->text, refusal->title);
        nameBox()->setFocus();
        return;
    }
    KULLANICIEKLE();
}

bool AddCustomerWindow::KULLANICIEKLE()
{
    QString key;
    if (!showingDbError(this, [&] { key = CustomerRepository(m_store).insert(contact()); }))
        return false;
    clearBoxes();
    nameBox()->setFocus();
    Q_EMIT added(key);
    return true;
}

} // namespace kalvora
