#pragma once

#include <QObject>
#include <QString>

class QLineEdit;

namespace kalvora {

// The key filter of the current accounts' amount boxes: digits and backspace pass, a comma only while
// the box holds none, every other typed character is dropped before it reaches the box. Pasted and
// dropped text keeps only what the same keys would have let through.
class AmountKeyFilter final : public QObject {
    Q_OBJECT
public:
    static void install(QLineEdit* box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit AmountKeyFilter(QLineEdit* box);
    void textEdited(const QString& text);

    QLineEdit* m_box;
    QString m_accepted; // the box's text after the last change
};

} // namespace kalvora
