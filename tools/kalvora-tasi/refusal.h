#pragma once

#include <QString>

namespace kalvora::tasi {

// A refusal or failure with its Turkish text; nothing of the move stays behind.
struct Refusal {
    QString text;
};

} // namespace kalvora::tasi
