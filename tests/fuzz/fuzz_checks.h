#pragma once

// What each fuzz target checks for one input. Shared by the libFuzzer programs (which abort on a
// problem, so the input is kept as a crash) and by the replay test of the normal suite, which runs every
// checked-in corpus and regression input through the same checks.

#include "data/password_file.h"
#include "data/turkish_text.h"
#include "listview/sort_compare.h"
#include "rates/exchange_rates.h"
#include "reports/report_definition.h"
#include "reports/report_expression.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QTime>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <functional>
#include <optional>
#include <string>

namespace kalvora::fuzz {

using Problem = std::optional<std::string>;

inline std::string show(const QString& s)
{
    return s.toStdString();
}

// The input as text twice: as UTF-8 (invalid bytes become U+FFFD) and as raw UTF-16 units, so that lone
// surrogates and every control character also reach the code.
inline QList<QString> texts(const QByteArray& data)
{
    QList<QString> out{QString::fromUtf8(data)};
    if (data.size() >= 2)
        out.append(QString(reinterpret_cast<const QChar*>(data.constData()), data.size() / 2));
    return out;
}

// Up to n parts separated by line feeds; missing parts are empty.
inline QList<QByteArray> parts(const QByteArray& data, int n)
{
    QList<QByteArray> out;
    qsizetype from = 0;
    for (int i = 0; i < n - 1; ++i) {
        const qsizetype nl = data.indexOf('\n', from);
        if (nl < 0)
            break;
        out.append(data.mid(from, nl - from));
        from = nl + 1;
    }
    out.append(data.mid(from));
    while (out.size() < n)
        out.append(QByteArray());
    return out;
}

// readNumber and formatAmount as their rules are written, one step at a time, for the fast versions to
// be held against.
inline std::optional<double> referenceReadNumber(const QString& text)
{
    const QString s = text.trimmed();
    std::string plain;
    int i = 0;
    if (i < s.size() && s.at(i) == QLatin1Char('-')) {
        plain.push_back('-');
        ++i;
    }
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
            plain.push_back('.');
            continue;
        }
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        digit = true;
        plain.push_back(static_cast<char>(c.unicode()));
    }
    if (!digit)
        return std::nullopt;
    const size_t start = !plain.empty() && plain[0] == '-' ? 1 : 0;
    if (start < plain.size() && plain[start] == '.')
        plain.insert(start, 1, '0');
    double value = 0;
    const auto [ptr, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (ec != std::errc() || ptr != plain.data() + plain.size())
        return std::nullopt;
    return value == 0 ? 0.0 : value;
}

inline QString referenceFormatAmount(double value, AmountPattern pattern)
{
    if (value != value)
        value = 0;
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed);
    const std::string fixed = res.ec == std::errc() ? std::string(buf, res.ptr) : std::string("0");
    const auto dot = fixed.find('.');
    std::string intPart = fixed.substr(0, dot);
    std::string frac = dot == std::string::npos ? std::string() : fixed.substr(dot + 1);
    const bool roundUp = frac.size() > 2 && frac[2] >= '5';
    frac.resize(2, '0');
    if (roundUp) {
        std::string all = intPart + frac;
        int i = static_cast<int>(all.size()) - 1;
        while (i >= 0 && all[static_cast<size_t>(i)] == '9')
            all[static_cast<size_t>(i--)] = '0';
        if (i < 0)
            all.insert(all.begin(), '1');
        else
            ++all[static_cast<size_t>(i)];
        intPart = all.substr(0, all.size() - 2);
        frac = all.substr(all.size() - 2);
    }
    const size_t firstNonZero = intPart.find_first_not_of('0');
    intPart = firstNonZero == std::string::npos ? std::string() : intPart.substr(firstNonZero);
    QString out;
    if (value < 0 && !(intPart.empty() && frac == "00"))
        out += QLatin1Char('-');
    if (intPart.empty() && pattern == AmountPattern::ZeroPadded)
        out += QLatin1Char('0');
    for (size_t i = 0; i < intPart.size(); ++i) {
        if (i > 0 && (intPart.size() - i) % 3 == 0)
            out += QLatin1Char('.');
        out += QLatin1Char(intPart[i]);
    }
    return out + QLatin1Char(',') + QString::fromStdString(frac);
}

inline Problem checkNumberText(const QString& text)
{
    const std::optional<double> v = readNumber(text);
    if (v != referenceReadNumber(text))
        return "readNumber differs from its rule for " + show(text);
    for (const double value : {v.value_or(0.0), v.value_or(0.0) / 1000, v.value_or(0.0) * 1e-7}) {
        for (const AmountPattern pattern : {AmountPattern::ZeroPadded, AmountPattern::NoLeadingZero}) {
            if (formatAmount(value, pattern) != referenceFormatAmount(value, pattern))
                return "formatAmount differs from its rule for " + show(QString::number(value, 'g', 17));
        }
    }
    if (numberValue(text) != v.value_or(0.0))
        return "numberValue differs from readNumber for " + show(text);
    if (displayAmount(text) != formatAmount(v.value_or(0.0)))
        return "displayAmount differs from formatAmount for " + show(text);
    hasTooManyDigits(text);
    if (!v)
        return std::nullopt;
    if (!std::isfinite(*v))
        return "readNumber gave a value that is not finite for " + show(text);
    const QString plain = plainNumberText(*v);
    if (readNumber(plain) != *v)
        return "plain text " + show(plain) + " does not read back for " + show(text);
    const QString shown = formatAmount(*v);
    const std::optional<double> back = readNumber(shown);
    if (!back || std::abs(*back - *v) > 0.005 + std::abs(*v) * 1e-15)
        return "amount text " + show(shown) + " is not the value of " + show(text);
    QString noLead = shown;
    if (noLead.startsWith(QStringLiteral("0,")))
        noLead.remove(0, 1);
    else if (noLead.startsWith(QStringLiteral("-0,")))
        noLead.remove(1, 1);
    if (formatAmount(*v, AmountPattern::NoLeadingZero) != noLead)
        return "#,##.00 of " + show(text) + " is not #,##0.00 without its leading zero";
    return std::nullopt;
}

inline Problem checkNumber(const QByteArray& data)
{
    for (const QString& t : texts(data))
        if (Problem p = checkNumberText(t))
            return p;
    // A number typed as digits with one comma (what the amount boxes let through) always reads.
    QString typed;
    bool digit = false;
    for (const char c : data.left(40)) {
        digit = digit || (c >= '0' && c <= '9');
        if ((c >= '0' && c <= '9') || (c == ',' && !typed.contains(QLatin1Char(','))))
            typed += QLatin1Char(c);
    }
    if (digit && !readNumber(typed))
        return "typed amount " + show(typed) + " does not read";
    return std::nullopt;
}

inline Problem checkDate(const QByteArray& data)
{
    for (const QString& t : texts(data)) {
        const QDate d = readDateText(t);
        if (d.isValid() && readDateText(dateText(d)) != d)
            return "date " + show(t) + " does not survive its text " + show(dateText(d));
        const QTime time = readTimeText(t);
        if (time.isValid() && readTimeText(timeText(time)) != time)
            return "time " + show(t) + " does not survive its text " + show(timeText(time));
    }
    return std::nullopt;
}

// BuyukHarf as its rule is written: the seven Turkish replacements, then the general upper case.
inline QString referenceUpper(QString s)
{
    const char16_t pairs[][2] = {{0x0069, 0x0130}, {0x0131, 0x0049}, {0x015F, 0x015E}, {0x00F6, 0x00D6},
                                 {0x011F, 0x011E}, {0x00E7, 0x00C7}, {0x00FC, 0x00DC}};
    for (const auto& p : pairs)
        s.replace(QChar(p[0]), QChar(p[1]));
    return s.toUpper();
}

inline Problem checkBuyukHarf(const QByteArray& data)
{
    for (const QString& t : texts(data)) {
        const QString up = BuyukHarf(t);
        if (up != referenceUpper(t))
            return "BuyukHarf of " + show(t) + " is " + show(up) + ", not " + show(referenceUpper(t));
        if (up.contains(QChar(0x0069)) || up.contains(QChar(0x0131)))
            return "BuyukHarf left a small i in " + show(up);
    }
    return std::nullopt;
}

inline int sign(int v)
{
    return (v > 0) - (v < 0);
}

inline Problem checkTurkishOrder(const QByteArray& data)
{
    const QList<QByteArray> p = parts(data, 3);
    const QString a = QString::fromUtf8(p[0]);
    const QString b = QString::fromUtf8(p[1]);
    const QString c = QString::fromUtf8(p[2]);
    const int ab = turkishCompare(a, b);
    if (sign(ab) != -sign(turkishCompare(b, a)))
        return "turkishCompare is not antisymmetric for " + show(a) + " / " + show(b);
    if ((ab == 0) != (a == b))
        return "turkishCompare calls different texts equal: " + show(a) + " / " + show(b);
    const std::u32string ka = turkishSortKey(a);
    const std::u32string kb = turkishSortKey(b);
    if (sign(turkishCompareNoCase(a, b)) != sign(ka.compare(kb)))
        return "turkishSortKey disagrees with turkishCompareNoCase for " + show(a) + " / " + show(b);
    if (ab < 0 && turkishCompare(b, c) < 0 && turkishCompare(a, c) >= 0)
        return "turkishCompare is not transitive for " + show(a) + " / " + show(b) + " / " + show(c);
    return std::nullopt;
}

inline Problem checkPasswordFile(const QByteArray& data)
{
    const std::optional<QString> stored = PasswordFile::parse(data);
    // What the password window writes is read back exactly, whatever it holds but a double quote.
    QString typed = QString::fromUtf8(data);
    typed.remove(QLatin1Char('"'));
    if (PasswordFile::parse(PasswordFile::encode(typed)) != typed)
        return "password " + show(typed) + " does not survive sifre.dll";
    if (stored && !stored->contains(QLatin1Char('"')) &&
        PasswordFile::parse(PasswordFile::encode(*stored)) != stored)
        return "stored password " + show(*stored) + " does not survive being written again";
    return std::nullopt;
}

inline Problem checkRatePage(const QByteArray& data)
{
    // A first line "@charset" stands for the charset the server names.
    QByteArray charset;
    QByteArray body = data;
    if (data.startsWith('@')) {
        const QList<QByteArray> p = parts(data.mid(1), 2);
        charset = p[0].left(64);
        body = p[1];
    }
    const ExchangeRates rates = ratesFromPage(body, charset);
    for (const QString& r : {rates.dollar, rates.euro})
        if (r.contains(QLatin1Char('.')))
            return "a rate keeps its point: " + show(r);
    if (!ratesFromXml(body, charset)) {
        if (const auto text = decodePage(body, charset)) {
            const ExchangeRates cut = ratesFromText(*text);
            if (cut.dollar.size() > 6 || cut.euro.size() > 6)
                return "a rate cut from the text page is longer than six characters";
        }
    }
    return std::nullopt;
}

// The first byte chooses the column kind, the rest holds up to eight cells, one a line.
inline Problem checkSortCompare(const QByteArray& data)
{
    if (data.isEmpty())
        return std::nullopt;
    const auto kind = static_cast<SortKind>(static_cast<unsigned char>(data[0]) % 4);
    QStringList cells;
    for (const QByteArray& p : parts(data.mid(1), 8))
        cells.append(QString::fromUtf8(p));
    std::vector<SortKey> keys;
    for (const QString& c : cells)
        keys.emplace_back(c, kind);
    for (size_t i = 0; i < keys.size(); ++i) {
        for (size_t j = 0; j < keys.size(); ++j) {
            const QString pair = cells[int(i)] + QStringLiteral(" / ") + cells[int(j)];
            const int c = SiralamaKarsilastir(cells[int(i)], cells[int(j)], kind);
            if (c != SortKey::compare(keys[i], keys[j]))
                return "a read key compares otherwise than its text: " + show(pair);
            if (c == INT_MIN)
                return "the comparison cannot be negated: " + show(pair);
            if (keys[i].kind() == SortKind::Text && c != -1 && c != 1)
                return "a text comparison gave neither -1 nor 1: " + show(pair);
            if (keys[i].kind() != SortKind::Text &&
                c != -SiralamaKarsilastir(cells[int(j)], cells[int(i)], kind))
                return "a number or date comparison is not antisymmetric: " + show(pair);
            if (SortKey::order(keys[i], keys[j]) != -SortKey::order(keys[j], keys[i]))
                return "order is not antisymmetric: " + show(pair);
            if (SortKey::naturalOrder(keys[i], keys[j]) != -SortKey::naturalOrder(keys[j], keys[i]))
                return "the natural order is not antisymmetric: " + show(pair);
        }
    }
    for (const bool descending : {false, true}) {
        std::vector<int> order = sortOrder(cells, kind, descending);
        std::sort(order.begin(), order.end());
        for (int i = 0; i < int(order.size()); ++i)
            if (order[size_t(i)] != i || order.size() != size_t(cells.size()))
                return "sortOrder is no permutation of the rows";
    }
    QStringList natural = cells;
    DogalSirala(natural);
    QStringList a = natural;
    QStringList b = cells;
    a.sort();
    b.sort();
    if (a != b)
        return "DogalSirala lost or made up a text";
    // Every amount and date the program shows converts and sorts by its value.
    for (const QString& c : cells) {
        if (const auto v = readNumber(c); v && std::abs(*v) < 1e20) {
            const QString shown = formatAmount(*v);
            if (!SortKey(shown, SortKind::Number).converts())
                return "the amount " + show(shown) + " does not convert in a number column";
            const int vsZero = SiralamaKarsilastir(shown, QStringLiteral("0,00"), SortKind::Number);
            // Larger amounts come first: a positive amount before zero, a negative one after it.
            if (std::abs(*v) >= 1 && (*v > 0 ? vsZero >= 0 : vsZero <= 0))
                return "the amount " + show(shown) + " sorts on the wrong side of zero";
        }
        if (const QDate d = readDateText(c); d.isValid()) {
            if (!SortKey(dateText(d), SortKind::Date).converts())
                return "the date " + show(dateText(d)) + " does not convert in a date column";
        }
    }
    return std::nullopt;
}

// A report definition read from any bytes is refused with a ReportError or read whole; what is read
// is written back so that reading it again gives the same definition.
inline Problem checkReportDefinition(const QByteArray& data)
{
    QByteArray first;
    try {
        first = ReportDefinition::parse(data, QStringLiteral("fuzz.fr3")).toXml();
    } catch (const ReportError& e) {
        if (!e.text().contains(QStringLiteral("fuzz.fr3")))
            return "a refusal does not name the file: " + show(e.text());
        return std::nullopt;
    }
    try {
        const QByteArray second = ReportDefinition::parse(first, QStringLiteral("again.fr3")).toXml();
        if (second != first)
            return "a definition written back reads otherwise";
    } catch (const ReportError& e) {
        return "a definition written back cannot be read: " + show(e.text());
    }
    return std::nullopt;
}

// Three rows of the scratch table and the usual variables.
class FuzzScope final : public ExpressionScope {
public:
    std::optional<QString> field(const QString& dataSet, const QString& column) const override
    {
        static const QStringList columns{QStringLiteral("S1"), QStringLiteral("S2"), QStringLiteral("S3")};
        const QStringList rows[3] = {
            {QStringLiteral("ALİ'NİN"), QStringLiteral("1.250,50"), QStringLiteral("TL")},
            {QStringLiteral("[S1]"), QStringLiteral("-300,00"), QStringLiteral("DOLAR")},
            {QString(), QStringLiteral("abc"), QStringLiteral("EURO")}};
        if (dataSet.compare(QStringLiteral("TABLO_GLR"), Qt::CaseInsensitive) != 0)
            return std::nullopt;
        const qsizetype c = columns.indexOf(column.toUpper());
        if (c < 0)
            return std::nullopt;
        return rows[m_row].at(c);
    }
    std::optional<ReportValue> variable(const QString& name) const override
    {
        if (name.compare(QStringLiteral("Date"), Qt::CaseInsensitive) == 0)
            return ReportValue(QStringLiteral("15.03.2024"));
        if (name.compare(QStringLiteral("Page#"), Qt::CaseInsensitive) == 0)
            return ReportValue(1.0);
        if (name.compare(QStringLiteral("Line#"), Qt::CaseInsensitive) == 0)
            return ReportValue(double(m_row + 1));
        return std::nullopt;
    }
    bool forEachRow(const QString& band, const std::function<void()>& visit) const override
    {
        if (!band.isEmpty() && band.compare(QStringLiteral("MasterData1"), Qt::CaseInsensitive) != 0)
            return false;
        if (++m_depth > 8) { // a sum inside a sum inside a sum...: enough
            --m_depth;
            return false;
        }
        const int saved = m_row;
        for (int r = 0; r < 3; ++r) {
            m_row = r;
            visit();
        }
        m_row = saved;
        --m_depth;
        return true;
    }

private:
    mutable int m_row = 0;
    mutable int m_depth = 0;
};

inline Problem checkReportExpression(const QByteArray& data)
{
    const FuzzScope scope;
    for (const QString& text : texts(data).mid(0, 1)) {
        if (const auto value = evaluateExpression(text, scope))
            valueText(*value);
        const QString expanded = expandText(text, scope);
        if (!text.contains(QLatin1Char('[')) && expanded != text)
            return "a text without brackets changed on expansion: " + show(text);
    }
    return std::nullopt;
}

} // namespace kalvora::fuzz
