#include "accounts/account.h"

#include "data/turkish_text.h"

namespace kalvora {

QString currencyText(Currency currency)
{
    switch (currency) {
    case Currency::Tl:
        return QStringLiteral("TL");
    case Currency::Dolar:
        return QStringLiteral("DOLAR");
    case Currency::Euro:
        return QStringLiteral("EURO");
    }
    return QString();
}

std::optional<Currency> currencyOf(const QString& text)
{
    for (Currency c : allCurrencies) {
        if (text == currencyText(c))
            return c;
    }
    return std::nullopt;
}

QString loanKind()
{
    return QStringLiteral("100");
}

QString repaymentKind()
{
    return QStringLiteral("200");
}

QStringList rowTexts(const AccountRow& row)
{
    return {row.description, formatAmount(numberValue(row.amount), AmountPattern::NoLeadingZero),
            row.currency, row.date, row.time};
}

QString statusWord(const QString& balanceText)
{
    const double v = numberValue(balanceText);
    if (v > 0)
        return QStringLiteral("BORÇLU");
    if (v < 0)
        return QStringLiteral("ALACAKLI");
    return QStringLiteral("TEMİZ");
}

void AccountFigures::add(const AccountRow& row)
{
    ++m_count;
    const std::optional<Currency> c = currencyOf(row.currency);
    if (!c)
        return;
    const double v = numberValue(row.amount);
    m_balance[index(*c)] += v;
    if (row.kind == loanKind())
        m_lent[index(*c)] += v;
    else if (row.kind == repaymentKind())
        m_paidBack[index(*c)] += v;
}

QString AccountFigures::balanceText(Currency c) const
{
    return formatAmount(balance(c));
}

QString AccountFigures::lentText(Currency c) const
{
    return formatAmount(lent(c));
}

QString AccountFigures::paidBackText(Currency c) const
{
    return formatAmount(paidBack(c));
}

std::optional<Currency> AccountFigures::firstOutstanding() const
{
    for (Currency c : allCurrencies) {
        if (numberValue(balanceText(c)) != 0)
            return c;
    }
    return std::nullopt;
}

AccountState summarize(QList<AccountRow> rows)
{
    AccountState state;
    state.rows = std::move(rows);
    for (const AccountRow& r : std::as_const(state.rows))
        state.figures.add(r);
    return state;
}

QString newRowAmount(const QString& typed, const QString& kind)
{
    if (kind == repaymentKind())
        return plainNumberText(-numberValue(typed));
    return typed;
}

QString editedRowAmount(const QString& boxText, const QString& kind)
{
    QString magnitude = boxText.trimmed();
    while (magnitude.startsWith(QLatin1Char('-')))
        magnitude.remove(0, 1);
    if (kind == repaymentKind() && numberValue(magnitude) != 0)
        return QLatin1Char('-') + magnitude;
    return magnitude;
}

} // namespace kalvora
