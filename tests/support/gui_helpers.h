#pragma once

#include "data/clock.h"

#include <QString>
#include <QStringList>

#include <functional>

class QDialog;
class QWidget;

namespace kalvora {
class Store;
}

namespace kalvora::test {

// Clicks the picture button of that objectName with the mouse; fails the test when it is missing.
void click(QWidget* window, const char* name);
// Types text key by key, Turkish letters included (QTest::keyClicks handles only Latin-1).
void typeText(QWidget* widget, const QString& text);
// The text of the label of that objectName, or "<no NAME>".
QString labelText(const QWidget* window, const char* name);
// Runs step on the next modal window once it is shown (it must have that objectName), then makes sure
// that window closes.
void onModal(const QString& objectName, std::function<void(QDialog*)> step);
// SonBakiye, SonBakiye_usd and SonBakiye_euro of the person, as stored; empty when there is no row.
QStringList storedBalances(Store& store, qint64 key);

// The program's clock stands at one moment for the life of this object.
class FixedClock final {
public:
    explicit FixedClock(const QDateTime& moment) { Clock::setFixed(moment); }
    ~FixedClock() { Clock::setFixed(std::nullopt); }
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;
};

} // namespace kalvora::test
