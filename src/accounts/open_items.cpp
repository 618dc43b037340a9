#include "accounts/open_items.h"

#include "data/turkish_text.h"

#include <QtMath>

#include <algorithm>

namespace kalvora {

qint64 amountCents(const QString& text)
{
    return qRound64(numberValue(text) * 100.0);
}

QDate effectiveDueDate(const AccountRow& row, int defaultTermDays)
{
    if (!row.dueDate.isEmpty()) {
        const QDate own = readDateText(row.dueDate);
        if (own.isValid())
            return own;
    }
    const QDate date = readDateText(row.date);
    return date.isValid() ? date.addDays(defaultTermDays) : QDate();
}

std::optional<OpenRow> openRowOf(const AccountRow& r, int defaultTermDays)
{
    const std::optional<Currency> c = currencyOf(r.currency);
    if (!c)
        return std::nullopt;
    const qint64 cents = amountCents(r.amount);
    if (cents == 0)
        return std::nullopt;
    OpenRow o;
    o.key = r.key;
    o.currency = *c;
    o.debt = cents > 0;
    o.due = o.debt ? effectiveDueDate(r, defaultTermDays) : readDateText(r.date);
    o.amount = o.debt ? cents : -cents;
    o.open = o.amount;
    return o;
}

OpenItems OpenItems::compute(const QList<AccountRow>& rows, int defaultTermDays)
{
    QList<OpenRow> counted;
    counted.reserve(rows.size());
    for (const AccountRow& r : rows)
        if (const std::optional<OpenRow> o = openRowOf(r, defaultTermDays))
            counted.append(*o);
    return matched(std::move(counted));
}

OpenItems OpenItems::matched(QList<OpenRow> rows)
{
    OpenItems out;
    out.m_rows = std::move(rows);
    out.sortRows();
    // Payments are pooled: whichever day one came, it goes to the oldest open debt, and what is left
    // stays with the latest payments as the advance that later debts use.
    std::array<qint64, 3> paid{};
    for (const OpenRow& o : out.m_rows)
        if (!o.debt)
            paid[index(o.currency)] += o.amount;
    std::array<qint64, 3> left = paid;
    for (OpenRow& o : out.m_rows) {
        if (!o.debt)
            continue;
        qint64& pool = left[index(o.currency)];
        const qint64 used = std::min(pool, o.amount);
        pool -= used;
        o.open = o.amount - used;
        out.m_open[index(o.currency)] += o.open;
    }
    for (Currency c : allCurrencies)
        out.m_advance[index(c)] = left[index(c)];
    // The advance is what the latest payments brought beyond the debts.
    for (qsizetype i = out.m_rows.size() - 1; i >= 0; --i) {
        OpenRow& o = out.m_rows[i];
        if (o.debt)
            continue;
        qint64& unused = left[index(o.currency)];
        o.open = std::min(unused, o.amount);
        unused -= o.open;
    }
    out.indexRows();
    return out;
}

OpenItems OpenItems::fromOpenRows(QList<OpenRow> rows)
{
    OpenItems out;
    out.m_rows = std::move(rows);
    out.sortRows();
    for (const OpenRow& o : out.m_rows)
        (o.debt ? out.m_open : out.m_advance)[index(o.currency)] += o.open;
    // Left without the index by key: the readers of the whole book never look a row up, and row()
    // searches the few rows kept.
    return out;
}

void OpenItems::sortRows()
{
    // Debts before payments of a currency, each in the order they are closed or used: an invalid
    // date sorts before every valid one, as the card lists such rows first.
    std::sort(m_rows.begin(), m_rows.end(), [](const OpenRow& a, const OpenRow& b) {
        if (a.currency != b.currency)
            return a.currency < b.currency;
        if (a.debt != b.debt)
            return a.debt;
        if (a.due != b.due)
            return a.due < b.due;
        return a.key < b.key;
    });
}

void OpenItems::indexRows()
{
    m_byKey.reserve(m_rows.size());
    for (qsizetype i = 0; i < m_rows.size(); ++i)
        m_byKey.insert(m_rows.at(i).key, i);
}

const OpenRow* OpenItems::row(qint64 key) const
{
    if (m_byKey.isEmpty()) {
        const auto it =
            std::find_if(m_rows.cbegin(), m_rows.cend(), [key](const OpenRow& o) { return o.key == key; });
        return it == m_rows.cend() ? nullptr : &*it;
    }
    const auto it = m_byKey.constFind(key);
    return it == m_byKey.cend() ? nullptr : &m_rows.at(*it);
}

qint64 OpenItems::overdue(Currency c, const QDate& today) const
{
    qint64 sum = 0;
    for (const OpenRow& o : m_rows)
        if (o.currency == c && o.debt && o.open > 0 && daysLate(o.due, today) != 0)
            sum += o.open;
    return sum;
}

std::optional<QDate> OpenItems::oldestOverdue(Currency c, const QDate& today) const
{
    // Rows are in due order per currency, so the first late open debt is the oldest.
    for (const OpenRow& o : m_rows)
        if (o.currency == c && o.debt && o.open > 0 && daysLate(o.due, today) != 0)
            return o.due;
    return std::nullopt;
}

int OpenItems::daysLate(const QDate& due, const QDate& today)
{
    if (!due.isValid())
        return -1;
    return static_cast<int>(std::max<qint64>(0, due.daysTo(today)));
}

QString openRowText(const OpenRow& row, const QDate& today)
{
    const QString amount = centsText(row.open);
    if (!row.debt)
        return row.open > 0 ? QStringLiteral("AVANS ") + amount : QString();
    if (row.open == 0)
        return QStringLiteral("KAPANDI");
    QString text = QStringLiteral("AÇIK ") + amount;
    const int late = OpenItems::daysLate(row.due, today);
    if (late > 0)
        text += QStringLiteral(" GECİKME: %1 GÜN").arg(late);
    else if (late < 0)
        text += QStringLiteral(" GECİKME");
    return text;
}

} // namespace kalvora
