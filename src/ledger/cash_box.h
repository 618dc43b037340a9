#pragma once

#include <QString>

#include <optional>
#include <string>

namespace kalvora {

// The cash box of a ledger is kept as a plain number text. Its arithmetic is done on the decimal
// digits themselves, so that recording an amount and then cancelling it brings the value back to
// exactly the text it had (binary floating point would leave traces such as 0,09999999999999998).

// stored + amount × sign (sign -1 when an entry is recorded, 1 when one is cancelled), as plain number
// text: decimal comma, no grouping, "-" when negative, zero as "0". No value when either text does
// not read as a number.
std::optional<QString> cashBoxAfter(const QString& stored, const QString& amount, int sign);

// An exact running total of amount texts; a text that does not read as a number counts as zero.
class AmountSum final {
public:
    void add(const QString& amountText);
    // The total as plain number text.
    QString plainText() const;

private:
    bool m_negative = false;
    std::string m_digits = "0"; // the magnitude's digits, without the comma
    int m_scale = 0;            // how many of them stand after the comma
};

} // namespace kalvora
