#include "widgets/amount_key_filter.h"

#include "data/amount_check.h"

#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>

namespace kalvora {

void AmountKeyFilter::install(QLineEdit* box)
{
    box->installEventFilter(new AmountKeyFilter(box));
}

AmountKeyFilter::AmountKeyFilter(QLineEdit* box) : QObject(box), m_box(box), m_accepted(box->text())
{
    connect(box, &QLineEdit::textEdited, this, &AmountKeyFilter::textEdited);
    // The box announces an edit before the change of its text, so every change (setText() and clear()
    // included) is the base of the next edit. It is read from the box: a filtered edit has replaced the
    // announced text meanwhile.
    connect(box, &QLineEdit::textChanged, this, [this] { m_accepted = m_box->text(); });
}

void AmountKeyFilter::textEdited(const QString& text)
{
    const QString kept = amountEditFiltered(m_accepted, text);
    if (kept == text)
        return;
    // The cursor stands after the inserted text, where the dropped characters were.
    const auto cursor = m_box->cursorPosition() - (text.size() - kept.size());
    m_box->setText(kept);
    m_box->setCursorPosition(static_cast<int>(std::clamp<qsizetype>(cursor, 0, kept.size())));
}

bool AmountKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
        return false;
    default:
        break;
    }
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false; // access keys and the box's own shortcuts; a paste is checked as an edit
    const QString typed = key->text();
    if (typed.isEmpty())
        return false; // modifier keys alone type nothing
    QString kept = m_box->text();
    if (m_box->hasSelectedText())
        kept.remove(m_box->selectionStart(), m_box->selectedText().size());
    return !amountCharAccepted(typed.at(0), kept);
}

} // namespace kalvora
