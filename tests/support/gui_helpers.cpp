#include "support/gui_helpers.h"

#include "data/database.h"
#include "data/store.h"
#include "widgets/picture_button.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTest>
#include <QTimer>

namespace kalvora::test {

void click(QWidget* window, const char* name)
{
    auto* button = window->findChild<PictureButton*>(QString::fromLatin1(name));
    QVERIFY2(button, name);
    QTest::mouseClick(button, Qt::LeftButton);
}

void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

QString labelText(const QWidget* window, const char* name)
{
    const auto* label = window->findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
}

void onModal(const QString& objectName, std::function<void(QDialog*)> step)
{
    QTimer::singleShot(0, qApp, [objectName, step] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != objectName) {
            QTest::qFail("expected modal window not shown", __FILE__, __LINE__);
            if (dialog)
                dialog->reject();
            return;
        }
        step(dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
}

QStringList storedBalances(Store& store, qint64 key)
{
    BookQuery st = store.accounts().prepare(
        QStringLiteral("SELECT SonBakiye, SonBakiye_usd, SonBakiye_euro FROM MUSTERILER WHERE oto_kod = ?1"));
    st.bind(1, key);
    if (!st.step())
        return {};
    return {st.text(0), st.text(1), st.text(2)};
}

} // namespace kalvora::test
