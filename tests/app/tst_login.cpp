#include "app/login_window.h"
#include "app/password_window.h"
#include "data/password_file.h"
#include "support/test_data.h"
#include "support/text_input.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace kalvora;

class TestLogin : public QObject {
    Q_OBJECT
private:
    static QString passwordPath(const QString& folder)
    {
        return QDir(folder).filePath(QStringLiteral("sifre.dll"));
    }

private Q_SLOTS:
    void noPasswordFileOpensWithEmptyBox()
    {
        QTemporaryDir dir;
        test::MessageBoxCapture boxes;
        LoginWindow w(dir.path());
        w.show();
        QSignalSpy ok(&w, &LoginWindow::accepted_);
        QTest::keyClicks(w.passwordBox(), QStringLiteral("1"));
        w.findChild<PictureButton*>(QStringLiteral("MyButton6"))->click();
        QCOMPARE(ok.count(), 0);
        QCOMPARE(boxes.lastText(), QStringLiteral("ŞİFRENİZ ONAYLANMADI! LÜTFEN TEKRAR DENEYİNİZ!"));
        QCOMPARE(boxes.lastTitle(), QStringLiteral("UYARI"));
        QCOMPARE(MessageBox::shown().last().icon, MessageBox::Icon::Error);
        QCOMPARE(w.passwordBox()->text(), QString());
        w.findChild<PictureButton*>(QStringLiteral("MyButton6"))->click();
        QCOMPARE(ok.count(), 1);
        QVERIFY(!w.isVisible());
    }

    void keyFilterTakesDigitsCommaBackspace()
    {
        QTemporaryDir dir;
        LoginWindow w(dir.path());
        w.show();
        QSignalSpy ok(&w, &LoginWindow::accepted_);
        QTest::keyClicks(w.passwordBox(), QStringLiteral("1a 2,b3\"."));
        QCOMPARE(w.passwordBox()->text(), QStringLiteral("12,3"));
        QTest::keyClick(w.passwordBox(), Qt::Key_Backspace);
        QCOMPARE(w.passwordBox()->text(), QStringLiteral("12,"));
        QTest::keyClick(w.passwordBox(), Qt::Key_Return);
        QCOMPARE(ok.count(), 0); // Enter does nothing
    }

    // Pasted and dropped text keeps only what the keys let through, in both password windows; the new
    // password stored is what the box shows.
    void insertedPasswordKeepsDigitsAndComma_data()
    {
        QTest::addColumn<bool>("login");
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("inserted");
        QTest::addColumn<QString>("box");
        QTest::newRow("letters pasted")
            << true << int(test::Insertion::CtrlV) << QStringLiteral("abc") << QString();
        QTest::newRow("mixed pasted") << true << int(test::Insertion::ShiftInsert)
                                      << QStringLiteral("1a 2,b3\".") << QStringLiteral("12,3");
        QTest::newRow("mixed dropped")
            << true << int(test::Insertion::Drop) << QStringLiteral("x9,9\n") << QStringLiteral("9,9");
        QTest::newRow("new password pasted") << false << int(test::Insertion::CtrlV)
                                             << QStringLiteral("\"12\"34-5") << QStringLiteral("12345");
        QTest::newRow("new password dropped")
            << false << int(test::Insertion::Drop) << QStringLiteral("7 a,8") << QStringLiteral("7,8");
    }
    void insertedPasswordKeepsDigitsAndComma()
    {
        QFETCH(bool, login);
        QFETCH(int, how);
        QFETCH(QString, inserted);
        QFETCH(QString, box);
        QTemporaryDir dir;
        test::MessageBoxCapture boxes;
        if (login) {
            LoginWindow w(dir.path());
            w.show();
            test::insertText(w.passwordBox(), inserted, test::Insertion(how));
            QCOMPARE(w.passwordBox()->text(), box);
            return;
        }
        PasswordWindow set(dir.path());
        set.show();
        auto* text1 = set.findChild<QLineEdit*>(QStringLiteral("Text1"));
        test::insertText(text1, inserted, test::Insertion(how));
        QCOMPARE(text1->text(), box);
        MessageBox::setNextAnswer(MessageBox::Button::Yes);
        set.findChild<PictureButton*>(QStringLiteral("MyButton6"))->click();
        QCOMPARE(*PasswordFile::read(passwordPath(dir.path())), box);
    }

    void commaPasswordRoundTrip()
    {
        QTemporaryDir dir;
        test::MessageBoxCapture boxes;
        {
            PasswordWindow set(dir.path());
            QTest::keyClicks(set.findChild<QLineEdit*>(QStringLiteral("Text1")), QStringLiteral("12,34"));
            MessageBox::setNextAnswer(MessageBox::Button::Yes);
            set.findChild<PictureButton*>(QStringLiteral("MyButton6"))->click();
            QCOMPARE(boxes.lastText(),
                     QStringLiteral("12,34  YENİ ŞİFRENİZ OLACAK! PROGRAMI ARTIK YENİ ŞİFRENİZLE "
                                    "AÇACAKSINIZ. YENİ ŞİFREYİ ONAYLIYOR MUSUNUZ?"));
            QCOMPARE(boxes.lastTitle(), QStringLiteral("DİKKAT!"));
            QCOMPARE(set.result(), int(QDialog::Accepted));
        }
        QFile f(passwordPath(dir.path()));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("\"12,34\"\r\n"));

        LoginWindow w(dir.path());
        QSignalSpy ok(&w, &LoginWindow::accepted_);
        auto* giris = w.findChild<PictureButton*>(QStringLiteral("MyButton6"));
        QTest::keyClicks(w.passwordBox(), QStringLiteral("1234"));
        giris->click();
        QCOMPARE(ok.count(), 0);
        QTest::keyClicks(w.passwordBox(), QStringLiteral("12,34"));
        giris->click();
        QCOMPARE(ok.count(), 1);
    }

    void answeringNoLeavesOldFile()
    {
        QTemporaryDir dir;
        test::MessageBoxCapture boxes;
        QVERIFY(PasswordFile::write(passwordPath(dir.path()), QStringLiteral("99")));
        PasswordWindow set(dir.path());
        QTest::keyClicks(set.findChild<QLineEdit*>(QStringLiteral("Text1")), QStringLiteral("1"));
        MessageBox::setNextAnswer(MessageBox::Button::No);
        set.findChild<PictureButton*>(QStringLiteral("MyButton6"))->click();
        QCOMPARE(set.result(), int(QDialog::Rejected));
        QCOMPARE(*PasswordFile::read(passwordPath(dir.path())), QStringLiteral("99"));
        set.findChild<PictureButton*>(QStringLiteral("MyButton1"))->click(); // VAZGEÇ
        QCOMPARE(*PasswordFile::read(passwordPath(dir.path())), QStringLiteral("99"));
    }

    void emptyNewPasswordOpensWithEmptyBox()
    {
        QTemporaryDir dir;
        test::MessageBoxCapture boxes;
        QVERIFY(PasswordFile::write(passwordPath(dir.path()), QStringLiteral("5")));
        PasswordWindow set(dir.path());
        MessageBox::setNextAnswer(MessageBox::Button::Yes);
        set.findChild<PictureButton*>(QStringLiteral("MyButton6"))->click();
        QVERIFY(PasswordFile::accepts(passwordPath(dir.path()), QString()));
    }

    void closeButtonEndsProgram()
    {
        QTemporaryDir dir;
        LoginWindow w(dir.path());
        QSignalSpy close(&w, &LoginWindow::closeRequested);
        w.findChild<PictureButton*>(QStringLiteral("MyButton1"))->click();
        QCOMPARE(close.count(), 1);
        w.show();
        w.close();
        QCOMPARE(close.count(), 2);
    }
};

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
