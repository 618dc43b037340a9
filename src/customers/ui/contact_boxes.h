#pragma once

#include <QLineEdit>
#include <QPlainTextEdit>

namespace kalvora {

// The boxes of the customer windows. Both refuse the double quote however it arrives (typed, pasted,
// dropped) and hold typed or pasted text to a limit. A stored text longer than the limit (the tax office
// admits 30 characters when a person is added and 20 when edited) is shown and kept whole: the limit
// only stops the text from growing past it.

class ContactLineEdit final : public QLineEdit {
    Q_OBJECT
public:
    ContactLineEdit(const QString& objectName, int limit, QWidget* parent = nullptr);

    int limit() const { return m_limit; }
    // Shows a stored text whole, even beyond the limit.
    void setStoredText(const QString& text);

private:
    void followLength();

    int m_limit;
};

class AddressBox final : public QPlainTextEdit {
    Q_OBJECT
public:
    AddressBox(const QString& objectName, int limit, QWidget* parent = nullptr);

    int limit() const { return m_limit; }
    QString text() const { return toPlainText(); }
    void setStoredText(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // How many characters may replace the current selection.
    int room() const;

    int m_limit;
};

// The text with every double quote removed.
QString withoutDoubleQuotes(const QString& text);

} // namespace kalvora
