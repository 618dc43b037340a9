#include "accounts/open_book.h"

#include "accounts/account_book.h"
#include "accounts/book_settings.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <limits>

namespace kalvora {

QList<PersonOpenItems> OpenBook::everyone(Dating dating, int defaultTerm)
{
    if (defaultTerm < 0)
        defaultTerm = BookSettings(m_store).defaultDueTerm();
    BookConnection& db = m_store.accounts();
    // One pass over the table in its own order, the rows gathered per person: reading through an index
    // in person order would fetch every row from the table one by one.
    BookQuery st = db.prepare(
        QStringLiteral("SELECT uye_kodu, otokod, tutar, durum, para_cinsi, vade FROM cari.CARIKART"));
    QHash<QString, QList<AccountRow>> byPerson;
    const bool byDate = dating == Dating::ByTransactionDate;
    while (st.step()) {
        AccountRow r;
        r.key = st.int64(1);
        r.amount = st.text(2);
        r.date = st.text(3);
        r.currency = st.text(4);
        if (!byDate)
            r.dueDate = st.text(5);
        byPerson[st.text(0)].append(std::move(r));
    }
    st = BookQuery();
    QList<PersonOpenItems> out;
    out.reserve(byPerson.size());
    for (auto it = byPerson.cbegin(); it != byPerson.cend(); ++it) {
        PersonOpenItems p;
        p.personKey = it.key();
        p.items = OpenItems::compute(it.value(), byDate ? 0 : defaultTerm);
        if (!p.items.rows().isEmpty())
            out.append(std::move(p));
    }

    QHash<QString, QString> names;
    BookQuery people =
        db.prepare(QStringLiteral("SELECT CAST(oto_kod AS TEXT), adisoyadi FROM main.MUSTERILER"));
    while (people.step())
        names.insert(people.text(0), people.text(1));
    // Rows of a person no longer registered (an old book) still count, under the key.
    for (PersonOpenItems& p : out)
        p.name = names.value(p.personKey, p.personKey);
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
    auto lateness = [](const OverdueEntry& e) {
        return e.daysLate < 0 ? std::numeric_limits<int>::max() : e.daysLate;
    };
    std::sort(out.begin(), out.end(), [&](const OverdueEntry& a, const OverdueEntry& b) {
        if (lateness(a) != lateness(b))
            return lateness(a) > lateness(b);
        if (a.open != b.open)
            return a.open > b.open;
        if (a.name != b.name)
            return a.name < b.name;
        return a.currency < b.currency;
    });
    return out;
}

int overduePeople(const QList<OverdueEntry>& entries)
{
    QSet<QString> keys;
    for (const OverdueEntry& e : entries)
        keys.insert(e.personKey);
    return static_cast<int>(keys.size());
}

} // namespace kalvora
