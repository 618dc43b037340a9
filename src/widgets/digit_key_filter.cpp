#include "widgets/digit_key_filter.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>

namespace kalvora {

namespace {

bool passwordChar(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char(',');
}

// Whatever else reaches the box (a paste, a drop, an input method) keeps only the characters the keys
// let through, as if it had been typed; the cursor stays after what was kept.
class PasswordCharsValidator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override
    {
        QString kept;
        int keptPos = 0;
        for (qsizetype i = 0; i < input.size(); ++i) {
            if (!passwordChar(input.at(i)))
                continue;
            kept += input.at(i);
            if (i < pos)
                ++keptPos;
        }
        input = kept;
        pos = keptPos;
        return Acceptable;
    }
};

} // namespace

void DigitKeyFilter::install(QLineEdit* box)
{
    box->installEventFilter(new DigitKeyFilter(box));
    box->setValidator(new PasswordCharsValidator(box));
}

bool DigitKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
        return false;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    default:
        break;
    }
    if ((key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) || key->matches(QKeySequence::Paste))
        return false; // shortcuts (Alt+G for the buttons; a paste is held to the keys' characters)
    const QString t = key->text();
    if (t.isEmpty())
        return true;
    return !passwordChar(t.at(0));
}

} // namespace kalvora
