#pragma once

#include <QString>

namespace kalvora {

// A Turkish mobile number in the international form the messaging services take (905xxxxxxxxx),
// or the reason it is not one.
struct MobileNumber {
    QString digits; // empty when refused
    QString error;  // Turkish, for a message box, when refused

    bool valid() const { return !digits.isEmpty(); }
};

// Accepts "05xx...", "5xx...", "905xx...", "+90 5xx..." and "0090 5xx...", with blanks, dashes, dots
// and brackets anywhere. Anything else (a landline, too few or too many digits, letters) is refused.
MobileNumber turkishMobile(const QString& typed);

} // namespace kalvora
