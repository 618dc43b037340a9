#pragma once

#include <QObject>

class QLineEdit;

namespace kalvora {

// Password boxes take only the digits, the comma and backspace; every other key that would type
// (Enter included) is dropped, and pasted or dropped text keeps only the same characters.
class DigitKeyFilter final : public QObject {
    Q_OBJECT
public:
    static void install(QLineEdit* box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};

} // namespace kalvora
