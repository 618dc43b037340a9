#include "widgets/message_box.h"

#include <QMessageBox>
#include <QPushButton>
#include <QQueue>

namespace kalvora {

namespace {

struct TestState {
    bool on = false;
    QQueue<MessageBox::Button> answers;
    QList<MessageBox::Shown> shown;
};

TestState& state()
{
    static TestState s;
    return s;
}

} // namespace

void MessageBox::information(QWidget* parent, const QString& text, const QString& title)
{
    show(parent, Icon::Information, text, title, false);
}

void MessageBox::error(QWidget* parent, const QString& text, const QString& title)
{
    show(parent, Icon::Error, text, title, false);
}

bool MessageBox::question(QWidget* parent, const QString& text, const QString& title)
{
    return show(parent, Icon::Question, text, title, true) == Button::Yes;
}

MessageBox::Button MessageBox::show(QWidget* parent, Icon icon, const QString& text, const QString& title,
                                    bool yesNo)
{
    const QString caption = title.isEmpty() ? applicationTitle() : title;
    TestState& s = state();
    if (s.on) {
        s.shown.append({icon, text, caption, yesNo});
        Button answer = yesNo ? Button::No : Button::Ok;
        if (!s.answers.isEmpty())
            answer = s.answers.dequeue();
        return answer;
    }
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    box.setIcon(icon == Icon::Information ? QMessageBox::Information
                : icon == Icon::Question  ? QMessageBox::Question
                                          : QMessageBox::Critical);
    if (yesNo) {
        QPushButton* yes = box.addButton(QStringLiteral("&Evet"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("&Hayır"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? Button::Yes : Button::No;
    }
    QPushButton* ok = box.addButton(QStringLiteral("Tamam"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return Button::Ok;
}

void MessageBox::setTestMode(bool on)
{
    state().on = on;
    state().answers.clear();
    state().shown.clear();
}

bool MessageBox::testMode()
{
    return state().on;
}

void MessageBox::setNextAnswer(Button answer)
{
    state().answers.enqueue(answer);
}

const QList<MessageBox::Shown>& MessageBox::shown()
{
    return state().shown;
}

void MessageBox::clearShown()
{
    state().shown.clear();
}

} // namespace kalvora
