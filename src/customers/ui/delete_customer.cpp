#include "customers/ui/delete_customer.h"

#include "customers/customer_checks.h"
#include "customers/customer_repository.h"
#include "widgets/db_error_message.h"
#include "widgets/message_box.h"

namespace kalvora {

bool deleteCustomer(QWidget* parent, Store& store, const Customer& listRow)
{
    if (const auto refusal = deleteRefusal(listRow)) {
        MessageBox::error(parent, refusal->text, refusal->title);
        return false;
    }
    if (!MessageBox::question(parent, deleteQuestion(listRow)))
        return false;
    return Kisi_Sil(parent, store, listRow.key, listRow.version);
}

bool Kisi_Sil(QWidget* parent, Store& store, const QString& key, qint64 listedVersion)
{
    return showingDbError(
        parent, [&] { CustomerRepository(store).remove(key, listedVersion); },
        QStringLiteral("KİŞİ SİLİNMEDİ; HİÇBİR KAYIT DEĞİŞMEDİ."));
}

} // namespace kalvora
