#include "widgets/amount_key_filter.h"

#include "accounts/amount_check.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace kalvora {

void AmountKeyFilter::install(QLineEdit* box)
{
    box->installEventFilter(new AmountKeyFilter(box));
}

AmountKeyFilter::AmountKeyFilter(QLineEdit* box) : QObject(box), m_box(box), m_accepted(box->text())
{
    connect(box, &QLineEdit::textEdited, this, &AmountKeyFilter::textEdited);
    // setText() fills the box without an edit signal; whatever it put there is the new base.
    connect(box, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!m_box->isModified())
            m_accepted = text;
    });
}

void AmountKeyFilter::textEdited(const QString& text)
{
    if (amountEditAccepted(m_accepted, text)) {
        m_accepted = text;
        return;
    }
    const int cursor = m_box->cursorPosition();
    m_box->setText(m_accepted);
    m_box->setCursorPosition(qMin(cursor, static_cast<int>(m_accepted.size())));
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
