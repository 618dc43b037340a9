#pragma once

#include <QPlainTextEdit>

namespace kalvora {

// A several-line text box with a maximum length for what the user types. A longer text put in by the
// program is shown and kept whole; the user may shorten it but not make it longer.
class LimitedTextBox final : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit LimitedTextBox(int maxLength, QWidget* parent = nullptr);

    int maxLength() const { return m_maxLength; }
    QString text() const { return toPlainText(); }
    void setText(const QString& text);
    // The length the box may reach now: the maximum, or the longer text the program put in.
    int room() const { return qMax(m_maxLength, m_filledLength); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    // How many characters may still be inserted in place of the selection.
    int freeRoom() const;

    int m_maxLength;
    int m_filledLength = 0;
};

} // namespace kalvora
