#include "customers/ui/delete_customer.h"

#include "widgets/message_box.h"
#include "customers/customer_checks.h"
#include "customers/customer_repository.h"

namespace kalvora {

void deleteCustomer(QWidget* parent, Store& store, const Customer& listRow,
                    const std::function<void()>& reloadList)
{
    if (const auto refusal = deleteRefusal(listRow)) {
        MessageBox::error(parent, refusal->text, refusal->title);
        return;
    }
    if (!MessageBox::question(parent, deleteQuestion(listRow)))
        return;
    Kisi_Sil(parent, store, listRow.key, reloadList);
}

bool Kisi_Sil(QWidget* parent, Store& store, const QString& key, const std::function<void()>& reloadList)
{
    try {
        CustomerRepository(store).remove(key);
    } catch (const DbError& e) {
        MessageBox::error(parent,
                          e.turkishText() + QStringLiteral("\n\nKİŞİ SİLİNMEDİ; HİÇBİR KAYIT DEĞİŞMEDİ."));
        return false;
    }
    if (reloadList)
        reloadList();
    return true;
}

} // namespace kalvora
