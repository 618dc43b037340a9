#include "accounts/open_book.h"

#include "accounts/account_book.h"
#include "accounts/book_settings.h"
#include "accounts/open_item_store.h"

#include <QHash>

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

namespace kalvora {

RegisteredNames::RegisteredNames(BookConnection& db)
{
    BookQuery people =
        db.prepare(QStringLiteral("SELECT oto_kod, adisoyadi FROM main.MUSTERILER ORDER BY oto_kod"));
    while (people.step())
        m_names.emplace_back(people.int64(0), people.text(1));
}

QString RegisteredNames::of(const QString& personKey) const
{
    bool ok = false;
    const qint64 key = personKey.toLongLong(&ok);
    const auto it = std::lower_bound(m_names.cbegin(), m_names.cend(), key,
                                     [](const auto& entry, qint64 k) { return entry.first < k; });
    return ok && it != m_names.cend() && it->first == key && QString::number(key) == personKey ? it->second
                                                                                               : personKey;
}

namespace {

// The longest late first, then the larger amount, then the name; an unreadable due date first of all.
// The entries are ordered through their indexes, each moved once.
void sortByUrgency(QList<OverdueEntry>& entries)
{
    struct Key {
        int lateness;
        qint64 open;
        qsizetype index;
    };
    std::vector<Key> keys;
    keys.reserve(size_t(entries.size()));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const OverdueEntry& e = entries.at(i);
        keys.push_back({e.daysLate < 0 ? std::numeric_limits<int>::max() : e.daysLate, e.open, i});
    }
    std::sort(keys.begin(), keys.end(), [&](const Key& x, const Key& y) {
        if (x.lateness != y.lateness)
            return x.lateness > y.lateness;
        if (x.open != y.open)
            return x.open > y.open;
        const OverdueEntry& a = entries.at(x.index);
        const OverdueEntry& b = entries.at(y.index);
        if (a.name != b.name)
            return a.name < b.name;
        if (a.personKey != b.personKey)
            return a.personKey < b.personKey;
        return a.currency < b.currency;
    });
    QList<OverdueEntry> sorted;
    sorted.reserve(entries.size());
    for (const Key& k : keys)
        sorted.append(std::move(entries[k.index]));
    entries = std::move(sorted);
}

} // namespace

QList<OverdueEntry> OpenBook::overdue(const QDate& today)
{
    BookConnection& db = m_store.accounts();
    QList<OverdueEntry> out = OpenItemStore::overdue(db, today);
    const RegisteredNames names(db);
    for (OverdueEntry& e : out)
        e.name = names.of(e.personKey);
    sortByUrgency(out);
    return out;
}

QList<PersonOpenItems> OpenBook::everyone(Dating dating, int defaultTerm)
{
    BookConnection& db = m_store.accounts();
    const int bookTerm = BookSettings::defaultDueTerm(db);
    const bool kept = dating == Dating::ByDueDate && (defaultTerm < 0 || defaultTerm == bookTerm);
    QList<PersonOpenItems> out =
        kept ? OpenItemStore::readAll(db)
             : OpenItemStore::fromRows(db, OpenItemStore::FromRows::Everyone, defaultTerm,
                                       dating == Dating::ByTransactionDate);
    const RegisteredNames names(db);
    // Rows of a person no longer registered (an old book) still count, under the key.
    for (PersonOpenItems& p : out)
        p.name = names.of(p.personKey);
    std::sort(out.begin(), out.end(), [](const PersonOpenItems& a, const PersonOpenItems& b) {
        const qint64 x = a.personKey.toLongLong();
        const qint64 y = b.personKey.toLongLong();
        return x != y ? x < y : a.personKey < b.personKey;
    });
    return out;
}

OpenItems OpenBook::forPerson(const QString& personKey, int defaultTerm)
{
    if (defaultTerm < 0)
        defaultTerm = BookSettings(m_store).defaultDueTerm();
    return OpenItems::compute(AccountBook(m_store).load(personKey).rows, defaultTerm);
}

QList<OverdueEntry> OpenBook::overdueFor(const QString& personKey, const QDate& today)
{
    PersonOpenItems p;
    p.personKey = personKey;
    p.name =
        m_store.accounts()
            .scalar(QStringLiteral("SELECT adisoyadi FROM main.MUSTERILER WHERE oto_kod = ?1"), {personKey})
            .toString();
    p.items = forPerson(personKey);
    return overdueEntries({p}, today);
}

QList<OverdueEntry> overdueEntries(const QList<PersonOpenItems>& people, const QDate& today)
{
    QList<OverdueEntry> out;
    for (const PersonOpenItems& p : people) {
        for (Currency c : allCurrencies) {
            const std::optional<QDate> oldest = p.items.oldestOverdue(c, today);
            if (!oldest)
                continue;
            OverdueEntry e;
            e.personKey = p.personKey;
            e.name = p.name;
            e.currency = c;
            e.open = p.items.overdue(c, today);
            e.due = *oldest;
            e.daysLate = OpenItems::daysLate(*oldest, today);
            out.append(std::move(e));
        }
    }
    sortByUrgency(out);
    return out;
}

} // namespace kalvora
