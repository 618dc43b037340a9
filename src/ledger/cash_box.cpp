#include "ledger/cash_box.h"

#include "data/turkish_text.h"

#include <algorithm>

namespace kalvora {

namespace {

struct Decimal {
    bool negative = false;
    std::string digits = "0";
    int scale = 0;
};

void normalize(Decimal& d)
{
    while (d.scale > 0 && d.digits.size() > 1 && d.digits.back() == '0') {
        d.digits.pop_back();
        --d.scale;
    }
    if (d.scale > 0 && d.digits == "0")
        d.scale = 0;
    const auto nonZero = d.digits.find_first_not_of('0');
    if (nonZero == std::string::npos) {
        d.digits = "0";
        d.scale = 0;
        d.negative = false;
        return;
    }
    d.digits.erase(0, nonZero);
}

std::optional<Decimal> readDecimal(const QString& text)
{
    if (!readNumber(text))
        return std::nullopt;
    const QString s = text.trimmed();
    Decimal d;
    d.digits.clear();
    int i = 0;
    if (s.startsWith(QLatin1Char('-'))) {
        d.negative = true;
        i = 1;
    }
    bool fraction = false;
    for (; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c == QLatin1Char('.'))
            continue;
        if (c == QLatin1Char(',')) {
            fraction = true;
            continue;
        }
        d.digits.push_back(static_cast<char>(c.unicode()));
        if (fraction)
            ++d.scale;
    }
    if (d.digits.empty())
        d.digits = "0";
    normalize(d);
    return d;
}

// Both magnitudes must carry the same scale.
int compareMagnitude(const std::string& a, const std::string& b)
{
    const auto strip = [](const std::string& s) {
        const auto p = s.find_first_not_of('0');
        return p == std::string::npos ? std::string() : s.substr(p);
    };
    const std::string x = strip(a);
    const std::string y = strip(b);
    if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
    return x.compare(y) < 0 ? -1 : (x.compare(y) > 0 ? 1 : 0);
}

std::string addMagnitude(const std::string& a, const std::string& b)
{
    std::string out;
    int carry = 0;
    auto i = static_cast<std::ptrdiff_t>(a.size()) - 1;
    auto j = static_cast<std::ptrdiff_t>(b.size()) - 1;
    while (i >= 0 || j >= 0 || carry) {
        int s = carry;
        if (i >= 0)
            s += a[static_cast<size_t>(i--)] - '0';
        if (j >= 0)
            s += b[static_cast<size_t>(j--)] - '0';
        out.push_back(static_cast<char>('0' + s % 10));
        carry = s / 10;
    }
    std::reverse(out.begin(), out.end());
    return out;
}

// a - b where a >= b.
std::string subtractMagnitude(const std::string& a, const std::string& b)
{
    std::string out;
    int borrow = 0;
    auto i = static_cast<std::ptrdiff_t>(a.size()) - 1;
    auto j = static_cast<std::ptrdiff_t>(b.size()) - 1;
    while (i >= 0) {
        int s = a[static_cast<size_t>(i--)] - '0' - borrow;
        if (j >= 0)
            s -= b[static_cast<size_t>(j--)] - '0';
        borrow = s < 0 ? 1 : 0;
        out.push_back(static_cast<char>('0' + s + borrow * 10));
    }
    std::reverse(out.begin(), out.end());
    return out;
}

Decimal add(Decimal a, Decimal b)
{
    const int scale = std::max(a.scale, b.scale);
    a.digits.append(static_cast<size_t>(scale - a.scale), '0');
    b.digits.append(static_cast<size_t>(scale - b.scale), '0');
    Decimal r;
    r.scale = scale;
    if (a.negative == b.negative) {
        r.negative = a.negative;
        r.digits = addMagnitude(a.digits, b.digits);
    } else if (compareMagnitude(a.digits, b.digits) >= 0) {
        r.negative = a.negative;
        r.digits = subtractMagnitude(a.digits, b.digits);
    } else {
        r.negative = b.negative;
        r.digits = subtractMagnitude(b.digits, a.digits);
    }
    normalize(r);
    return r;
}

QString plainText(const Decimal& d)
{
    std::string digits = d.digits;
    const auto scale = static_cast<size_t>(d.scale);
    if (digits.size() <= scale)
        digits.insert(0, scale - digits.size() + 1, '0');
    std::string out = d.negative ? "-" : "";
    out += digits.substr(0, digits.size() - scale);
    if (scale > 0)
        out += ',' + digits.substr(digits.size() - scale);
    return QString::fromLatin1(out);
}

} // namespace

std::optional<QString> cashBoxAfter(const QString& stored, const QString& amount, int sign)
{
    const auto base = readDecimal(stored);
    auto change = readDecimal(amount);
    if (!base || !change)
        return std::nullopt;
    if (sign == 0)
        change = Decimal();
    else if (sign < 0)
        change->negative = !change->negative;
    Decimal result = add(*base, *change);
    return plainText(result);
}

void AmountSum::add(const QString& amountText)
{
    const auto value = readDecimal(amountText);
    if (!value)
        return;
    const Decimal r = kalvora::add(Decimal{m_negative, m_digits, m_scale}, *value);
    m_negative = r.negative;
    m_digits = r.digits;
    m_scale = r.scale;
}

QString AmountSum::plainText() const
{
    return kalvora::plainText(Decimal{m_negative, m_digits, m_scale});
}

} // namespace kalvora
