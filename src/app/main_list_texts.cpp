#include "app/main_list_texts.h"

#include "data/turkish_text.h"

#include <QSet>

namespace kalvora {

namespace {

// Most people owe nothing in at least one currency: their zero shares one text instead of a new one
// per person.
QString shownBalance(const QString& stored)
{
    static const QString zero = displayAmount(QStringLiteral("0"));
    if (stored == QLatin1String("0"))
        return zero;
    return displayAmount(stored);
}

} // namespace

QStringList MainListTexts::textsOf(const Customer& c)
{
    return {shownBalance(c.balanceTl),
            shownBalance(c.balanceUsd),
            shownBalance(c.balanceEuro),
            c.name,
            c.workPhone,
            c.mobilePhone,
            c.idNumber,
            c.taxOffice,
            c.address,
            c.key};
}

MainListTexts::Row& MainListTexts::of(const CustomerRegister::Person& person)
{
    Kept& kept = m_rows[person.number];
    if (kept.revision != person.revision || kept.row.texts.isEmpty()) {
        kept.revision = person.revision;
        kept.row = Row{textsOf(person.customer)};
    }
    return kept.row;
}

void MainListTexts::prune(const CustomerRegister& reg)
{
    if (reg.people().size() >= m_rows.size())
        return;
    QSet<qint64> present;
    present.reserve(qsizetype(reg.people().size()));
    for (const CustomerRegister::Person& p : reg.people())
        present.insert(p.number);
    std::erase_if(m_rows, [&present](const auto& entry) { return !present.contains(entry.first); });
}

} // namespace kalvora
