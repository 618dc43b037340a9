#include "customers/ui/contact_boxes.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QValidator>

namespace kalvora {

namespace {

// Strips double quotes from whatever the line edit is about to take, keeping the cursor in place.
class NoDoubleQuoteValidator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override
    {
        if (!input.contains(QLatin1Char('"')))
            return Acceptable;
        const auto before = input.left(pos).count(QLatin1Char('"'));
        input.remove(QLatin1Char('"'));
        pos -= static_cast<int>(before);
        return Acceptable;
    }
};

} // namespace

QString withoutDoubleQuotes(const QString& text)
{
    QString out = text;
    out.remove(QLatin1Char('"'));
    return out;
}

ContactLineEdit::ContactLineEdit(const QString& objectName, int limit, QWidget* parent)
    : QLineEdit(parent), m_limit(limit)
{
    setObjectName(objectName);
    setMaxLength(limit);
    setValidator(new NoDoubleQuoteValidator(this));
    connect(this, &QLineEdit::textChanged, this, &ContactLineEdit::followLength);
}

void ContactLineEdit::setStoredText(const QString& text)
{
    setMaxLength(std::max(m_limit, static_cast<int>(text.size())));
    setText(text);
}

void ContactLineEdit::followLength()
{
    // An over-long stored text may shrink but never grow again.
    setMaxLength(std::max(m_limit, static_cast<int>(text().size())));
}

AddressBox::AddressBox(const QString& objectName, int limit, QWidget* parent)
    : QPlainTextEdit(parent), m_limit(limit)
{
    setObjectName(objectName);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(true);
}

void AddressBox::setStoredText(const QString& text)
{
    setPlainText(text);
    moveCursor(QTextCursor::End);
}

int AddressBox::room() const
{
    const int length = static_cast<int>(toPlainText().size());
    const int selected = static_cast<int>(textCursor().selectedText().size());
    return std::max(m_limit, length) - (length - selected);
}

void AddressBox::keyPressEvent(QKeyEvent* event)
{
    const bool lineBreak = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const QString typed = event->text();
    const bool inserts = lineBreak || (!typed.isEmpty() && typed.at(0).isPrint() &&
                                       !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)));
    if (inserts) {
        if (typed.contains(QLatin1Char('"'))) {
            event->accept();
            return;
        }
        if (room() < (lineBreak ? 1 : static_cast<int>(typed.size()))) {
            event->accept();
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void AddressBox::inputMethodEvent(QInputMethodEvent* event)
{
    const QString commit = withoutDoubleQuotes(event->commitString());
    if (commit == event->commitString() && commit.size() <= room()) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent cut(event->preeditString(), event->attributes());
    cut.setCommitString(commit.left(std::max(0, room())), event->replacementStart(),
                        event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&cut);
}

bool AddressBox::canInsertFromMimeData(const QMimeData* source) const
{
    return source->hasText();
}

void AddressBox::insertFromMimeData(const QMimeData* source)
{
    if (!source->hasText())
        return;
    QString text = withoutDoubleQuotes(source->text());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const int fits = std::max(0, room());
    insertPlainText(text.left(fits));
}

} // namespace kalvora
