#include "customers/customer_register.h"

#include "customers/customer_repository.h"
#include "data/turkish_text.h"

#include <algorithm>

namespace kalvora {

CustomerRegister::Person CustomerRegister::keyed(Customer c)
{
    Person p;
    p.sortKey = turkishSortKey(c.name);
    p.number = c.key.toLongLong();
    p.upperFields = {BuyukHarf(c.key),         BuyukHarf(c.name),     BuyukHarf(c.workPhone),
                     BuyukHarf(c.mobilePhone), BuyukHarf(c.idNumber), BuyukHarf(c.taxOffice),
                     BuyukHarf(c.address)};
    p.customer = std::move(c);
    return p;
}

bool CustomerRegister::before(const Person& a, const Person& b)
{
    if (a.sortKey != b.sortKey)
        return a.sortKey < b.sortKey;
    if (a.customer.name != b.customer.name)
        return a.customer.name < b.customer.name;
    return a.number < b.number;
}

bool CustomerRegister::matches(const Person& p, const QString& upperFilter)
{
    if (upperFilter.isEmpty())
        return true;
    return std::any_of(p.upperFields.cbegin(), p.upperFields.cend(),
                       [&](const QString& field) { return field.contains(upperFilter); });
}

void CustomerRegister::load(Store& store)
{
    QList<Customer> rows = CustomerRepository(store).readAll();
    std::vector<Person> people;
    people.reserve(size_t(rows.size()));
    for (Customer& c : rows)
        people.push_back(keyed(std::move(c)));
    std::stable_sort(people.begin(), people.end(), before);
    m_people = std::move(people);
}

void CustomerRegister::reread(Store& store, const QString& key)
{
    const std::optional<Customer> now = CustomerRepository(store).find(key);
    const auto old = std::find_if(m_people.begin(), m_people.end(),
                                  [&key](const Person& p) { return p.customer.key == key; });
    if (old != m_people.end())
        m_people.erase(old);
    if (!now)
        return;
    Person p = keyed(*now);
    const auto at = std::upper_bound(m_people.begin(), m_people.end(), p, before);
    m_people.insert(at, std::move(p));
}

const CustomerRegister::Person* CustomerRegister::find(const QString& key) const
{
    const auto it = std::find_if(m_people.cbegin(), m_people.cend(),
                                 [&key](const Person& p) { return p.customer.key == key; });
    return it == m_people.cend() ? nullptr : &*it;
}

} // namespace kalvora
