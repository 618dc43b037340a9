#pragma once

#include "customers/customer.h"

#include <QString>

#include <optional>

namespace kalvora {

// Why an operation on a person is refused: the message and its title (empty: the application title).
struct CustomerRefusal {
    QString text;
    QString title;
};

// Adding: the name is required once the blanks around it are removed.
std::optional<CustomerRefusal> addRefusal(const CustomerContact& contact);
// Editing: only an exactly empty name is refused; a name of blanks is accepted as it stands.
std::optional<CustomerRefusal> editRefusal(const CustomerContact& contact);
// Deleting: refused while any of the three balances of the list row (display texts) is not zero,
// checked in the order TL, dollar, euro.
std::optional<CustomerRefusal> deleteRefusal(const Customer& listRow);
// The question asked before a person is deleted.
QString deleteQuestion(const Customer& listRow);

} // namespace kalvora
