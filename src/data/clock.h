#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <optional>

namespace kalvora {

// Where every window reads the time of day. Tests fix it instead of tolerating a running clock.
class Clock final {
public:
    static QDateTime now();
    static QDate today() { return now().date(); }
    static QTime time() { return now().time(); }

    // A fixed moment for tests; std::nullopt returns to the system clock.
    static void setFixed(std::optional<QDateTime> moment);

private:
    Clock() = delete;
};

} // namespace kalvora
