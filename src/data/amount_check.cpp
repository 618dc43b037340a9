#include "data/amount_check.h"

#include "data/turkish_text.h"

#include <algorithm>

namespace kalvora {

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

bool TutarKontrol(const QString& text)
{
    if (text.isEmpty())
        return false;
    if (text.count(QLatin1Char(',')) > 1)
        return false;
    for (QChar c : text) {
        if (!isDigit(c) && c != QLatin1Char(','))
            return false;
    }
    return true;
}

bool amountReadable(const QString& text)
{
    return readNumber(text).has_value() && !hasTooManyDigits(text);
}

bool amountAccepted(const QString& text)
{
    if (text.isEmpty() || text == QLatin1String("0"))
        return false;
    return amountReadable(text);
}

bool amountCharAccepted(QChar typed, const QString& textKept)
{
    if (isDigit(typed))
        return true;
    if (typed == QLatin1Char(','))
        return !textKept.contains(QLatin1Char(','));
    return false;
}

bool amountEditAccepted(const QString& before, const QString& after)
{
    if (after.count(QLatin1Char(',')) > 1)
        return false;
    for (QChar c : after) {
        if (!isDigit(c) && c != QLatin1Char(',') && c != QLatin1Char('-') && c != QLatin1Char('.'))
            return false;
    }
    return after.count(QLatin1Char('-')) <= before.count(QLatin1Char('-')) &&
           after.count(QLatin1Char('.')) <= before.count(QLatin1Char('.'));
}

QString amountEditFiltered(const QString& before, const QString& after)
{
    // The change replaced one stretch of the text: what both texts share at the start and at the end
    // was there before, the rest of the new text came in.
    const qsizetype shorter = std::min(before.size(), after.size());
    qsizetype head = 0;
    while (head < shorter && before.at(head) == after.at(head))
        ++head;
    qsizetype tail = 0;
    while (tail < shorter - head && before.at(before.size() - 1 - tail) == after.at(after.size() - 1 - tail))
        ++tail;
    const QString kept = after.left(head) + after.right(tail);
    QString inserted;
    for (QChar c : after.mid(head, after.size() - head - tail)) {
        if (amountCharAccepted(c, kept + inserted))
            inserted += c;
    }
    return after.left(head) + inserted + after.right(tail);
}

} // namespace kalvora
