#include "data/turkish_text.h"

#include <array>

#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace kalvora {

QString BuyukHarf(const QString& text)
{
    // Stored texts are upper case already: hand them back without copying. Small letters are not the
    // only characters with capitals (title-case letters, small Roman numerals, circled letters, letters
    // beyond the first 65,536), so the test is whether a character has an upper case of its own.
    bool changes = false;
    for (qsizetype i = 0; i < text.size() && !changes; ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        changes = QChar::isLower(c) || QChar::isTitleCase(c) || QChar::toUpper(c) != c || c == 0x0131;
    }
    if (!changes)
        return text;
    QString s = text;
    s.replace(QChar(0x0069), QChar(0x0130)); // i -> İ
    s.replace(QChar(0x0131), QChar(0x0049)); // ı -> I
    s.replace(QChar(0x015F), QChar(0x015E)); // ş -> Ş
    s.replace(QChar(0x00F6), QChar(0x00D6)); // ö -> Ö
    s.replace(QChar(0x011F), QChar(0x011E)); // ğ -> Ğ
    s.replace(QChar(0x00E7), QChar(0x00C7)); // ç -> Ç
    s.replace(QChar(0x00FC), QChar(0x00DC)); // ü -> Ü
    return s.toUpper();
}

std::optional<double> readNumber(const QString& text)
{
    return readNumber(QStringView(text));
}

std::optional<double> readNumber(QStringView text)
{
    // Read on the stack: this runs for every amount of every list, and a heap copy per text showed.
    const QStringView s = text.trimmed();
    char small[128];
    std::string large;
    char* plain = small;
    if (static_cast<size_t>(s.size()) + 3 > sizeof small) {
        large.resize(static_cast<size_t>(s.size()) + 3);
        plain = large.data();
    }
    size_t n = 0;
    qsizetype i = 0;
    if (i < s.size() && s.at(i) == QLatin1Char('-')) {
        plain[n++] = '-';
        ++i;
    }
    const size_t unsignedStart = n;
    bool comma = false;
    bool digit = false;
    for (; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c == QLatin1Char('.'))
            continue;
        if (c == QLatin1Char(',')) {
            if (comma)
                return std::nullopt;
            comma = true;
            // from_chars rejects a leading '.', so ",75" is read as "0.75".
            if (n == unsignedStart)
                plain[n++] = '0';
            plain[n++] = '.';
            continue;
        }
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        digit = true;
        plain[n++] = static_cast<char>(c.unicode());
    }
    if (!digit)
        return std::nullopt;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(plain, plain + n, value);
    if (ec != std::errc() || ptr != plain + n)
        return std::nullopt;
    if (value == 0)
        value = 0; // drop a negative zero
    return value;
}

double numberValue(const QString& text)
{
    return readNumber(text).value_or(0.0);
}

namespace {

// Shortest round-trip decimal form of |value| in fixed notation, e.g. "1500.5".
std::string shortestFixed(double value)
{
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed);
    if (res.ec != std::errc())
        return "0";
    return std::string(buf, res.ptr);
}

} // namespace

QString plainNumberText(double value)
{
    if (value != value || value == 0)
        return QStringLiteral("0");
    QString s = QString::fromLatin1(shortestFixed(value));
    s.replace(QLatin1Char('.'), QLatin1Char(','));
    return value < 0 ? QLatin1Char('-') + s : s;
}

QString formatAmount(double value, AmountPattern pattern)
{
    if (value != value)
        value = 0;
    // The shortest decimal form, rounded half up at the third decimal on its digits; built in one
    // buffer because every amount of every list passes through here.
    char buf[400];
    const auto res = std::to_chars(buf + 1, buf + sizeof buf - 2, std::fabs(value), std::chars_format::fixed);
    const char* end = res.ptr;
    if (res.ec != std::errc()) {
        buf[1] = '0';
        end = buf + 2;
    }
    const char* dot = std::find(static_cast<const char*>(buf + 1), end, '.');
    // digits = the integer part followed by exactly two decimals, with room for a carry in front.
    char* digits = buf; // buf[0] is the carry's place
    size_t intLen = static_cast<size_t>(dot - (buf + 1));
    char frac[2] = {'0', '0'};
    bool roundUp = false;
    if (dot != end) {
        const char* f = dot + 1;
        const size_t fracLen = static_cast<size_t>(end - f);
        if (fracLen > 0)
            frac[0] = f[0];
        if (fracLen > 1)
            frac[1] = f[1];
        roundUp = fracLen > 2 && f[2] >= '5';
    }
    // Place the two decimals right after the integer part (over the dot).
    char* intStart = buf + 1;
    intStart[intLen] = frac[0];
    intStart[intLen + 1] = frac[1];
    size_t allLen = intLen + 2;
    if (roundUp) {
        ptrdiff_t i = static_cast<ptrdiff_t>(allLen) - 1;
        while (i >= 0 && intStart[i] == '9') {
            intStart[i] = '0';
            --i;
        }
        if (i < 0) {
            digits[0] = '1';
            intStart = digits;
            ++allLen;
            ++intLen;
        } else {
            ++intStart[i];
        }
    }
    const char* fracOut = intStart + intLen;
    size_t lead = 0;
    while (lead < intLen && intStart[lead] == '0')
        ++lead;
    const char* intOut = intStart + lead;
    const size_t intOutLen = intLen - lead;
    const bool isZero = intOutLen == 0 && fracOut[0] == '0' && fracOut[1] == '0';
    QString out;
    out.reserve(static_cast<qsizetype>(intOutLen + intOutLen / 3 + 5));
    if (value < 0 && !isZero)
        out += QLatin1Char('-');
    if (intOutLen == 0) {
        if (pattern == AmountPattern::ZeroPadded)
            out += QLatin1Char('0');
    } else {
        for (size_t i = 0; i < intOutLen; ++i) {
            if (i > 0 && (intOutLen - i) % 3 == 0)
                out += QLatin1Char('.');
            out += QLatin1Char(intOut[i]);
        }
    }
    out += QLatin1Char(',');
    out += QLatin1Char(fracOut[0]);
    out += QLatin1Char(fracOut[1]);
    return out;
}

QString centsText(qint64 cents)
{
    return formatAmount(static_cast<double>(cents) / 100.0);
}

QString displayAmount(const QString& numberText)
{
    return formatAmount(numberValue(numberText), AmountPattern::ZeroPadded);
}

bool hasTooManyDigits(const QString& numberText)
{
    QString digits;
    QString s = numberText.trimmed();
    const int comma = s.indexOf(QLatin1Char(','));
    QString intPart = comma < 0 ? s : s.left(comma);
    QString frac = comma < 0 ? QString() : s.mid(comma + 1);
    auto onlyDigits = [](const QString& t) {
        QString r;
        for (QChar c : t)
            if (c.isDigit())
                r += c;
        return r;
    };
    intPart = onlyDigits(intPart);
    frac = onlyDigits(frac);
    while (frac.endsWith(QLatin1Char('0')))
        frac.chop(1);
    digits = intPart + frac;
    int lead = 0;
    while (lead < digits.size() && digits.at(lead) == QLatin1Char('0'))
        ++lead;
    return digits.size() - lead > 15;
}

QString dateText(const QDate& date)
{
    // Every list row with a date passes through here: the usual four-digit year is put together by hand.
    if (!date.isValid() || date.year() < 1000 || date.year() > 9999)
        return date.toString(QStringLiteral("dd.MM.yyyy"));
    const int parts[3] = {date.day(), date.month(), date.year()};
    QChar out[10];
    out[0] = QChar(u'0' + parts[0] / 10);
    out[1] = QChar(u'0' + parts[0] % 10);
    out[2] = QChar(u'.');
    out[3] = QChar(u'0' + parts[1] / 10);
    out[4] = QChar(u'0' + parts[1] % 10);
    out[5] = QChar(u'.');
    for (int i = 0, y = parts[2]; i < 4; ++i, y /= 10)
        out[9 - i] = QChar(u'0' + y % 10);
    return QString(out, 10);
}

QDate readDateText(const QString& text)
{
    // The form every stored date has (d.M.yyyy to dd.MM.yyyy in ASCII digits) is read by hand; anything
    // else goes to the full pattern.
    const qsizetype n = text.size();
    if (n >= 8 && n <= 10) {
        int v[3] = {0, 0, 0};
        int digits[3] = {0, 0, 0};
        int part = 0;
        bool plain = true;
        for (const QChar ch : text) {
            const char16_t c = ch.unicode();
            if (c == u'.' && part < 2) {
                ++part;
            } else if (c >= u'0' && c <= u'9' && digits[part] < 4) {
                v[part] = v[part] * 10 + (c - u'0');
                ++digits[part];
            } else {
                plain = false;
                break;
            }
        }
        if (plain && part == 2 && digits[0] >= 1 && digits[0] <= 2 && digits[1] >= 1 && digits[1] <= 2 &&
            digits[2] == 4)
            return QDate(v[2], v[1], v[0]);
    }
    static const QRegularExpression re(QStringLiteral("^\\s*(\\d{1,2})\\.(\\d{1,2})\\.(\\d{4})\\s*$"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return {};
    return QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
}

QString timeText(const QTime& time)
{
    return time.toString(QStringLiteral("HH:mm:ss"));
}

QTime readTimeText(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("^\\s*(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?\\s*$"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return {};
    return QTime(m.captured(1).toInt(), m.captured(2).toInt(),
                 m.captured(3).isEmpty() ? 0 : m.captured(3).toInt());
}

namespace {

const QString& turkishAlphabet()
{
    static const QString letters = QStringLiteral("ABCÇDEFGĞHIİJKLMNOÖPQRSŞTUÜVWXYZ");
    return letters;
}

char32_t weightOf(char16_t c)
{
    if (c < u'A')
        return c;
    // The alphabet's letters all lie below U+0160: looked up in a table, as every letter of every name
    // passes here when a list is sorted.
    static const std::array<char32_t, 0x160> low = [] {
        std::array<char32_t, 0x160> w{};
        for (char16_t u = 0; u < w.size(); ++u) {
            const int idx = turkishAlphabet().indexOf(QChar(u));
            w[u] = u < u'A' ? u : idx >= 0 ? 0x100 + static_cast<char32_t>(idx) : 0x10000 + u;
        }
        return w;
    }();
    if (c < low.size())
        return low[c];
    const int idx = turkishAlphabet().indexOf(QChar(c));
    if (idx >= 0)
        return 0x100 + static_cast<char32_t>(idx);
    return 0x10000 + c;
}

} // namespace

std::u32string turkishSortKey(const QString& text)
{
    const QString up = BuyukHarf(text);
    std::u32string key;
    key.reserve(static_cast<size_t>(up.size()));
    for (QChar c : up)
        key.push_back(weightOf(c.unicode()));
    return key;
}

int turkishCompareNoCase(const QString& a, const QString& b)
{
    const std::u32string ka = turkishSortKey(a);
    const std::u32string kb = turkishSortKey(b);
    return ka < kb ? -1 : (kb < ka ? 1 : 0);
}

int turkishCompare(const QString& a, const QString& b)
{
    const int c = turkishCompareNoCase(a, b);
    if (c != 0)
        return c;
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace kalvora
