#include "customers/customer_register.h"

#include "customers/customer_repository.h"
#include "data/turkish_text.h"

#include <QHash>

#include <algorithm>
#include <atomic>
#include <iterator>

namespace kalvora {

CustomerRegister::Person CustomerRegister::keyed(Customer c)
{
    Person p;
    p.sortKey = turkishSortKey(c.name);
    p.number = c.key.toLongLong();
    static std::atomic<quint64> revisions{0};
    p.revision = ++revisions;
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
    // Made on the first filter: the list opens with none, and most people are never filtered.
    if (p.upperFields.isEmpty()) {
        const Customer& c = p.customer;
        p.upperFields = {BuyukHarf(c.key),         BuyukHarf(c.name),     BuyukHarf(c.workPhone),
                         BuyukHarf(c.mobilePhone), BuyukHarf(c.idNumber), BuyukHarf(c.taxOffice),
                         BuyukHarf(c.address)};
    }
    return std::any_of(p.upperFields.cbegin(), p.upperFields.cend(),
                       [&](const QString& field) { return field.contains(upperFilter); });
}

namespace {

// The first eight letters' weights in two numbers, so that most comparisons of a sort are one or two
// integer comparisons; equal prefixes fall back to the whole order. A letter takes 16 bits (weight + 1,
// so that a missing letter, 0, comes before every letter); a weight too large for them ends the prefix
// with all bits set, which still orders it after every smaller weight.
std::pair<quint64, quint64> sortPrefix(const std::u32string& key)
{
    quint64 part[2] = {0, 0};
    for (size_t i = 0; i < 8 && i < key.size(); ++i) {
        const quint64 w = quint64(key[i]) + 1;
        part[i / 4] |= std::min<quint64>(w, 0xffff) << (16 * (3 - i % 4));
        if (w >= 0xffff)
            break;
    }
    return {part[0], part[1]};
}

} // namespace

std::vector<CustomerRegister::Person> CustomerRegister::sorted(QList<Customer>& rows)
{
    std::vector<Person> people;
    people.reserve(size_t(rows.size()));
    for (Customer& c : rows)
        people.push_back(keyed(std::move(c)));
    rows = QList<Customer>();
    // Sorting references, then moving each person once along the cycles of the order, in place: a
    // person is large, a sort moves its elements many times, and a second vector of people would be
    // fresh memory for every one of them.
    std::vector<std::pair<std::pair<quint64, quint64>, size_t>> order;
    order.reserve(people.size());
    for (size_t i = 0; i < people.size(); ++i)
        order.emplace_back(sortPrefix(people[i].sortKey), i);
    std::sort(order.begin(), order.end(), [&people](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : before(people[a.second], people[b.second]);
    });
    std::vector<size_t> from(people.size()); // the person that is to stand at each place
    for (size_t i = 0; i < order.size(); ++i)
        from[i] = order[i].second;
    for (size_t i = 0; i < from.size(); ++i) {
        if (from[i] == i)
            continue;
        Person held = std::move(people[i]);
        size_t j = i;
        while (from[j] != i) {
            const size_t k = from[j];
            people[j] = std::move(people[k]);
            from[j] = j;
            j = k;
        }
        people[j] = std::move(held);
        from[j] = j;
    }
    return people;
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
            const auto it = previous.constFind(key);
            return it != previous.cend() ? &m_people[*it].customer : nullptr;
        },
        &unchanged);
    std::vector<Person> fresh = sorted(rows);
    // The people kept stay where they stand, in list order already; the changed ones are merged in,
    // which gives the order a full sort would.
    std::vector<char> keep(m_people.size(), 0);
    for (qint64 key : unchanged)
        keep[previous.value(key)] = 1;
    size_t kept = 0;
    for (size_t i = 0; i < m_people.size(); ++i) {
        if (keep[i]) {
            if (kept != i)
                m_people[kept] = std::move(m_people[i]);
            ++kept;
        }
    }
    m_people.erase(m_people.begin() + qsizetype(kept), m_people.end());
    if (fresh.empty())
        return;
    if (m_people.empty()) {
        m_people = std::move(fresh);
        return;
    }
    m_people.insert(m_people.end(), std::make_move_iterator(fresh.begin()),
                    std::make_move_iterator(fresh.end()));
    std::inplace_merge(m_people.begin(), m_people.begin() + qsizetype(kept), m_people.end(), before);
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
