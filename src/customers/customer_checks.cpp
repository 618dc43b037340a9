#include "customers/customer_checks.h"

#include "data/turkish_text.h"

namespace kalvora {

std::optional<CustomerRefusal> addRefusal(const CustomerContact& contact)
{
    if (contact.name.trimmed().isEmpty())
        return CustomerRefusal{QStringLiteral("ADI SOYADI GİRİLMEK ZORUNDADIR."), QString()};
    return std::nullopt;
}

std::optional<CustomerRefusal> editRefusal(const CustomerContact& contact)
{
    if (contact.name.isEmpty())
        return CustomerRefusal{QStringLiteral("ADI SOYADI GİRMEDİNİZ."), QStringLiteral("UYARI")};
    return std::nullopt;
}

std::optional<CustomerRefusal> deleteRefusal(const Customer& listRow)
{
    const QString title = QStringLiteral("UYARI.");
    if (numberValue(listRow.balanceTl) != 0.0)
        return CustomerRefusal{QStringLiteral("CARİNİN TL BORCU OLDUĞU İÇİN SİLEMEZSİNİZ."), title};
    if (numberValue(listRow.balanceUsd) != 0.0)
        return CustomerRefusal{QStringLiteral("CARİNİN DOLAR BORCU OLDUĞU İÇİN SİLEMEZSİNİZ."), title};
    if (numberValue(listRow.balanceEuro) != 0.0)
        return CustomerRefusal{QStringLiteral("CARİNİN EURO BORCU OLDUĞU İÇİN SİLEMEZSİNİZ."), title};
    return std::nullopt;
}

QString deleteQuestion(const Customer& listRow)
{
    return listRow.name + QStringLiteral(" SİLİNSİN Mİ?");
}

} // namespace kalvora
