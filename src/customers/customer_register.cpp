#include "customers/customer_register.h"

#include "customers/customer_repository.h"
#include "data/turkish_text.h"

#include <QHash>

#include <algorithm>
#include <iterator>

namespace kalvora {

CustomerRegister::Person CustomerRegister::keyed(Customer c)
{
    Person p;
    p.sortKey = turkishSortKey(c.name);
    p.number = c.key.toLongLong();
    p.upperFields = {BuyukHarf(c.key),         BuyukHarf(c.name),     BuyukHarf(c.workPhone),
                     BuyukHarf(c.mobilePhone), BuyukHarf(c.idNumber), BuyukHarf(c.taxOffice),
                     BuyukHarf(c.address)};
    p.listTexts = {displayAmount(c.balanceTl),
                   displayAmount(c.balanceUsd),
                   displayAmount(c.balanceEuro),
                   c.name,
                   c.workPhone,
                   c.mobilePhone,
                   c.idNumber,
                   c.taxOffice,
                   c.address,
                   c.key};
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
    QHash<qint64, size_t> previous;
    previous.reserve(qsizetype(m_people.size()));
    for (size_t i = 0; i < m_people.size(); ++i)
        previous.insert(m_people[i].number, i);
    std::vector<qint64> unchanged;
    QList<Customer> rows = CustomerRepository(store).readAll(
        [&](qint64 key) -> const Customer* {
            // readAll compares every stored text, the key's too, before it takes the person as unchanged.
            const auto it = previous.constFind(key);
            return it != previous.cend() ? &m_people[*it].customer : nullptr;
        },
        &unchanged);
    std::vector<Person> fresh;
    fresh.reserve(size_t(rows.size()));
    for (Customer& c : rows)
        fresh.push_back(keyed(std::move(c)));
    std::stable_sort(fresh.begin(), fresh.end(), before);
    // The people kept stand in list order already: a merge gives the order a full sort would.
    std::vector<char> keep(m_people.size(), 0);
    for (qint64 key : unchanged)
        keep[previous.value(key)] = 1;
    std::vector<Person> kept;
    kept.reserve(unchanged.size());
    for (size_t i = 0; i < m_people.size(); ++i) {
        if (keep[i])
            kept.push_back(std::move(m_people[i]));
    }
    std::vector<Person> people;
    people.reserve(kept.size() + fresh.size());
    std::merge(std::make_move_iterator(kept.begin()), std::make_move_iterator(kept.end()),
               std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()),
               std::back_inserter(people), before);
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
