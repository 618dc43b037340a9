#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace kalvora {

// Every message box of the program goes through here: Turkish buttons, the application title by
// default, and a test mode in which boxes are recorded and answered without blocking.
class MessageBox final {
public:
    enum class Icon { Information, Question, Error };
    enum class Button { Ok, Yes, No };

    struct Shown {
        Icon icon;
        QString text;
        QString title;
        bool yesNo;
    };

    static QString applicationTitle() { return QStringLiteral("KALVORA"); }

    static void information(QWidget* parent, const QString& text, const QString& title = QString());
    static void error(QWidget* parent, const QString& text, const QString& title = QString());
    // Yes or No.
    static bool question(QWidget* parent, const QString& text, const QString& title = QString());
    static Button show(QWidget* parent, Icon icon, const QString& text, const QString& title, bool yesNo);

    // Test mode: nothing is shown; each box is recorded and takes the next queued answer, or Ok for an
    // OK box and No for a question when none is queued.
    static void setTestMode(bool on);
    static bool testMode();
    static void setNextAnswer(Button answer);
    static const QList<Shown>& shown();
    static void clearShown();
};

} // namespace kalvora
