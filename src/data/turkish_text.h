#pragma once

#include <QDate>
#include <QString>
#include <QTime>

#include <optional>
#include <string>

namespace kalvora {

// Turkish upper case: i -> İ and ı -> I before the general upper-casing, whatever the locale.
QString BuyukHarf(const QString& text);

// Reads a number text by the Turkish rules: blanks around it ignored, an optional leading "-", dots
// skipped wherever they stand, at most one comma as decimal separator, at least one digit.
// Empty or non-numeric text (",", "-", "12a", "1,2,3") gives no value.
std::optional<double> readNumber(QStringView text);
std::optional<double> readNumber(const QString& text);

// readNumber, with no value read as zero: the form every reader of stored amounts uses.
double numberValue(const QString& text);

// Shortest plain text of a number: decimal comma, no grouping, "-" when negative, zero as "0".
QString plainNumberText(double value);

enum class AmountPattern {
    ZeroPadded,    // "#,##0.00": 0,00 / 1.250,50
    NoLeadingZero, // "#,##.00": ,00 / ,50 / 1.250,50
};

// Two decimals, rounded half away from zero on the number's shortest decimal form, dots between
// thousands. A value that rounds to zero never shows a minus sign.
QString formatAmount(double value, AmountPattern pattern = AmountPattern::ZeroPadded);
// "#,##0.00" of whole kuruş.
QString centsText(qint64 cents);

// "#,##0.00" of a stored number text (empty or non-numeric text shows as 0,00).
QString displayAmount(const QString& numberText);

// True when the text holds more significant digits than a double keeps exactly (over 15).
bool hasTooManyDigits(const QString& numberText);

QString dateText(const QDate& date);     // dd.MM.yyyy
QDate readDateText(const QString& text); // d.M.yyyy or dd.MM.yyyy; invalid QDate when unreadable
QString timeText(const QTime& time);     // HH:mm:ss
QTime readTimeText(const QString& text);

// Turkish alphabetical comparison, ignoring case with the pairs i/İ and ı/I; equal keys are then
// ordered by the exact text so that the order is total.
int turkishCompare(const QString& a, const QString& b);
// Same order without the exact-text tie-break (0 means equal ignoring case).
int turkishCompareNoCase(const QString& a, const QString& b);
// A key whose plain lexicographic order is turkishCompareNoCase: compute once, compare many times.
std::u32string turkishSortKey(const QString& text);

} // namespace kalvora
