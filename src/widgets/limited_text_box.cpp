#include "widgets/limited_text_box.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>

namespace kalvora {

LimitedTextBox::LimitedTextBox(int maxLength, QWidget* parent)
    : QPlainTextEdit(parent), m_maxLength(maxLength)
{
    setTabChangesFocus(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

void LimitedTextBox::setText(const QString& text)
{
    m_filledLength = static_cast<int>(text.size());
    setPlainText(text);
    moveCursor(QTextCursor::End);
}

int LimitedTextBox::freeRoom() const
{
    const QTextCursor c = textCursor();
    const int selected = c.selectionEnd() - c.selectionStart();
    return room() - static_cast<int>(toPlainText().size()) + selected;
}

void LimitedTextBox::keyPressEvent(QKeyEvent* event)
{
    const QString typed = event->text();
    const bool types =
        !typed.isEmpty() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
        (typed.at(0).isPrint() || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter);
    if (types && freeRoom() < static_cast<int>(typed.size())) {
        event->accept(); // dropped: the box is full
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void LimitedTextBox::insertFromMimeData(const QMimeData* source)
{
    if (!source || !source->hasText())
        return;
    const int free = freeRoom();
    if (free <= 0)
        return;
    insertPlainText(source->text().left(free));
}

void LimitedTextBox::inputMethodEvent(QInputMethodEvent* event)
{
    const QString commit = event->commitString();
    if (!commit.isEmpty() && freeRoom() < static_cast<int>(commit.size())) {
        QInputMethodEvent cut(event->preeditString(), event->attributes());
        cut.setCommitString(commit.left(qMax(0, freeRoom())), event->replacementStart(),
                            event->replacementLength());
        QPlainTextEdit::inputMethodEvent(&cut);
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}

} // namespace kalvora
