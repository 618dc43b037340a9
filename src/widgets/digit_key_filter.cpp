#include "widgets/digit_key_filter.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace kalvora {

void DigitKeyFilter::install(QLineEdit* box)
{
    box->installEventFilter(new DigitKeyFilter(box));
    box->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9,]*")), box));
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
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false; // shortcuts (Alt+G for the buttons, Ctrl+V checked by the validator)
    const QString t = key->text();
    if (t.isEmpty())
        return true;
    const QChar c = t.at(0);
    return !((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char(','));
}

} // namespace kalvora
