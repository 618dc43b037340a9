#include "app/main_window.h"
#include "app/window_openers.h"
#include "customers/customer_repository.h"
#include "customers/ui/add_customer_window.h"
#include "customers/ui/contact_boxes.h"
#include "customers/ui/edit_customer_window.h"
#include "support/gui_helpers.h"
#include "support/test_data.h"
#include "support/text_input.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"
#include "widgets/report_list.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace kalvora;

namespace {

// One data folder, the main window over it with the real openers, and recorded message boxes.
struct Fixture {
    test::TestData data;
    test::MessageBoxCapture boxes;
    MainWindow main{data.store(), data.folder()};
    Fixture() { connectWindowOpeners(main); }

    ReportList* list() const { return main.list(); }
    QString countLabel() const { return main.findChild<QLabel*>(QStringLiteral("Label2"))->text(); }
    qint64 people()
    {
        return data.store().accounts().scalar(QStringLiteral("SELECT count(*) FROM MUSTERILER")).toLongLong();
    }
    qint64 transactions()
    {
        return data.store().accounts().scalar(QStringLiteral("SELECT count(*) FROM CARIKART")).toLongLong();
    }
    Customer person(qint64 key) { return *CustomerRepository(data.store()).find(QString::number(key)); }
    void click(const char* button)
    {
        auto* b = main.findChild<PictureButton*>(QString::fromLatin1(button));
        QVERIFY(b);
        b->click();
    }
};

QWidget* box(QWidget* window, int n)
{
    return window->findChild<QWidget*>(QStringLiteral("Text%1").arg(n));
}

QString boxText(QWidget* window, int n)
{
    QWidget* w = box(window, n);
    if (auto* line = qobject_cast<QLineEdit*>(w))
        return line->text();
    return static_cast<QPlainTextEdit*>(w)->toPlainText();
}

PictureButton* button(QWidget* window, const char* name)
{
    return window->findChild<PictureButton*>(QString::fromLatin1(name));
}

bool showActive(QWidget* w)
{
    w->show();
    w->activateWindow();
    return QTest::qWaitForWindowActive(w);
}

// Runs `drive` on the modal window the next click opens; closes it if `drive` left it open.
template <typename Window> void whenOpened(std::function<void(Window*)> drive, bool* ran)
{
    QTimer::singleShot(0, [drive, ran] {
        auto* w = qobject_cast<Window*>(QApplication::activeModalWidget());
        if (!w)
            return;
        *ran = true;
        drive(w);
        if (w->isVisible())
            w->reject();
    });
}

} // namespace

class TestCustomerWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void addWindowLayout()
    {
        Fixture f;
        AddCustomerWindow w(f.data.store(), &f.main);
        QCOMPARE(w.objectName(), QStringLiteral("Form2"));
        QCOMPARE(w.windowTitle(), QStringLiteral("YENİ KİŞİ EKLE"));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                 QStringLiteral("YENİ KİŞİ EKLEME FORMU"));
        const QStringList captions{QStringLiteral("ADI SOYADI:"),   QStringLiteral("İŞ TELEFONU:"),
                                   QStringLiteral("CEP TELEFONU:"), QStringLiteral("TC KİMLİK NO:"),
                                   QStringLiteral("VER.DAİRESİ:"),  QStringLiteral("ADRES:")};
        for (int n = 1; n <= 6; ++n) {
            QVERIFY(box(&w, n));
            QCOMPARE(box(&w, n)->accessibleName(), captions.at(n - 1));
        }
        QCOMPARE(button(&w, "MyButton6")->text(), QStringLiteral("KAYDET"));
        QCOMPARE(button(&w, "MyButton6")->tipText(), QStringLiteral("GİRİLEN KİŞİ BİLGİLERİNİ KAYDEDER"));
        QCOMPARE(button(&w, "MyButton1")->text(), QStringLiteral("TEMİZLE"));
        QCOMPARE(button(&w, "MyButton2")->text(), QStringLiteral("İPTAL"));
        QCOMPARE(static_cast<QPlainTextEdit*>(box(&w, 6))->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

        // Tab goes through the six boxes and then the three buttons.
        QVERIFY(showActive(&w));
        QCOMPARE(QApplication::focusWidget(), box(&w, 1));
        QList<QWidget*> order;
        for (int i = 0; i < 9; ++i) {
            order << QApplication::focusWidget();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order, (QList<QWidget*>{box(&w, 1), box(&w, 2), box(&w, 3), box(&w, 4), box(&w, 5),
                                         box(&w, 6), button(&w, "MyButton6"), button(&w, "MyButton1"),
                                         button(&w, "MyButton2")}));
    }

    // Typing with Enter between the boxes, as a user registers a person, then Enter on KAYDET.
    void addByKeyboard()
    {
        Fixture f;
        f.data.addPerson(QStringLiteral("ZEKİ"));
        f.main.DetayliAra(); // written past the windows: the list reads everybody again
        AddCustomerWindow w(f.data.store(), &f.main);
        QObject::connect(&w, &AddCustomerWindow::added, &f.main,
                         qOverload<const QString&>(&MainWindow::DetayliAra));
        QVERIFY(showActive(&w));
        const QStringList typed{QStringLiteral("şükrü öztürk"), QStringLiteral("0 212 555 44 33"),
                                QStringLiteral("0532 111"),     QStringLiteral("12345678901"),
                                QStringLiteral("kadıköy"),      QStringLiteral("moda")};
        for (int n = 1; n <= 6; ++n) {
            QCOMPARE(QApplication::focusWidget(), box(&w, n));
            test::typeText(box(&w, n), typed.at(n - 1));
            QTest::keyClick(box(&w, n), Qt::Key_Return);
        }
        // Enter in the address box started a new line before moving on.
        QCOMPARE(boxText(&w, 6), QStringLiteral("moda\n"));
        QCOMPARE(QApplication::focusWidget(), button(&w, "MyButton6"));
        QTest::keyClick(button(&w, "MyButton6"), Qt::Key_Return);

        QCOMPARE(f.boxes.count(), 0);
        QCOMPARE(f.people(), 2);
        const Customer c = f.person(2);
        QCOMPARE(c.name, QStringLiteral("ŞÜKRÜ ÖZTÜRK"));
        QCOMPARE(c.workPhone, QStringLiteral("0 212 555 44 33"));
        QCOMPARE(c.taxOffice, QStringLiteral("KADIKÖY"));
        QCOMPARE(c.address, QStringLiteral("MODA\n"));
        QCOMPARE(c.balanceTl, QStringLiteral("0"));
        for (int n = 1; n <= 6; ++n)
            QVERIFY(boxText(&w, n).isEmpty());
        QCOMPARE(QApplication::focusWidget(), box(&w, 1));
        QVERIFY(w.isVisible());
        QCOMPARE(f.countLabel(), QStringLiteral("2"));
        QCOMPARE(f.list()->rowTexts(0).mid(0, 4),
                 (QStringList{QStringLiteral("0,00"), QStringLiteral("0,00"), QStringLiteral("0,00"),
                              QStringLiteral("ŞÜKRÜ ÖZTÜRK")}));
    }

    void doubleQuoteNeverReachesABox_data()
    {
        QTest::addColumn<int>("n");
        for (int n = 1; n <= 6; ++n)
            QTest::addRow("Text%d", n) << n;
    }
    void doubleQuoteNeverReachesABox()
    {
        QFETCH(int, n);
        Fixture f;
        AddCustomerWindow w(f.data.store(), &f.main);
        QVERIFY(showActive(&w));
        box(&w, n)->setFocus();
        test::typeText(box(&w, n), QStringLiteral("a\"'b\""));
        QCOMPARE(boxText(&w, n), QStringLiteral("a'b"));
        test::insertText(box(&w, n), QStringLiteral("\"c\""), test::Insertion::CtrlV);
        QCOMPARE(boxText(&w, n), QStringLiteral("a'bc"));
        test::insertText(box(&w, n), QStringLiteral("d\"\""), test::Insertion::ShiftInsert);
        QCOMPARE(boxText(&w, n), QStringLiteral("a'bcd"));
        test::insertText(box(&w, n), QStringLiteral("\"e"), test::Insertion::Drop);
        QCOMPARE(boxText(&w, n), QStringLiteral("a'bcde"));
    }

    // Typed and pasted text is cut at the box's length; what is stored is never longer.
    void pastedTextIsCut_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("column");
        QTest::newRow("name") << 1 << 20 << QStringLiteral("adisoyadi");
        QTest::newRow("work phone") << 2 << 15 << QStringLiteral("istel");
        QTest::newRow("mobile phone") << 3 << 15 << QStringLiteral("ceptel");
        QTest::newRow("identity") << 4 << 15 << QStringLiteral("tc");
        QTest::newRow("tax office") << 5 << 30 << QStringLiteral("verdai");
        QTest::newRow("address") << 6 << 100 << QStringLiteral("adres");
    }
    void pastedTextIsCut()
    {
        QFETCH(int, n);
        QFETCH(int, limit);
        QFETCH(QString, column);
        Fixture f;
        AddCustomerWindow w(f.data.store(), &f.main);
        QVERIFY(showActive(&w));
        if (n != 1)
            test::typeText(box(&w, 1), QStringLiteral("x"));
        box(&w, n)->setFocus();
        QString pasted;
        for (int i = 0; pasted.size() < 150; ++i)
            pasted += QString::number(i % 10) + (i % 7 == 6 && n == 6 ? QStringLiteral("\n") : QString());
        QApplication::clipboard()->setText(pasted);
        QTest::keyClick(box(&w, n), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(boxText(&w, n), pasted.left(limit));
        test::typeText(box(&w, n), QStringLiteral("zz"));
        QCOMPARE(boxText(&w, n), pasted.left(limit));
        button(&w, "MyButton6")->click();
        const QString stored =
            f.data.store()
                .accounts()
                .scalar(QStringLiteral("SELECT ") + column + QStringLiteral(" FROM MUSTERILER"))
                .toString();
        QCOMPARE(stored, pasted.left(limit));
    }

    void nameIsRequired_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << QStringLiteral("   ");
    }
    void nameIsRequired()
    {
        QFETCH(QString, name);
        Fixture f;
        AddCustomerWindow w(f.data.store(), &f.main);
        QObject::connect(&w, &AddCustomerWindow::added, &f.main,
                         qOverload<const QString&>(&MainWindow::DetayliAra));
        QVERIFY(showActive(&w));
        test::typeText(box(&w, 1), name);
        test::typeText(box(&w, 2), QStringLiteral("212"));
        box(&w, 6)->setFocus();
        button(&w, "MyButton6")->click();
        QCOMPARE(f.boxes.count(), 1);
        QCOMPARE(MessageBox::shown().last().icon, MessageBox::Icon::Information);
        QCOMPARE(f.boxes.lastText(), QStringLiteral("ADI SOYADI GİRİLMEK ZORUNDADIR."));
        QCOMPARE(f.boxes.lastTitle(), QStringLiteral("KALVORA"));
        QCOMPARE(f.people(), 0);
        QCOMPARE(boxText(&w, 1), name);
        QCOMPARE(boxText(&w, 2), QStringLiteral("212"));
        QCOMPARE(QApplication::focusWidget(), box(&w, 1));
    }

    void blanksAroundTheNameAreKept()
    {
        Fixture f;
        AddCustomerWindow w(f.data.store(), &f.main);
        QVERIFY(showActive(&w));
        test::typeText(box(&w, 1), QStringLiteral(" ali "));
        button(&w, "MyButton6")->click();
        test::typeText(box(&w, 1), QStringLiteral(" ali "));
        button(&w, "MyButton6")->click();
        QCOMPARE(f.people(), 2);
        QCOMPARE(f.person(1).name, QStringLiteral(" ALİ "));
        QCOMPARE(f.person(2).name, QStringLiteral(" ALİ "));
        QCOMPARE(f.person(1).workPhone, QString());
    }

    void newPersonListedOnlyWhenTheFilterLetsItThrough_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("rows");
        QTest::newRow("matching") << QStringLiteral("veli") << 1;
        QTest::newRow("not matching") << QStringLiteral("zeynep") << 0;
    }
    void newPersonListedOnlyWhenTheFilterLetsItThrough()
    {
        QFETCH(QString, filter);
        QFETCH(int, rows);
        Fixture f;
        f.main.filterBox()->setText(filter);
        bool ran = false;
        whenOpened<AddCustomerWindow>(
            [](AddCustomerWindow* w) {
                test::typeText(box(w, 1), QStringLiteral("ali veli"));
                button(w, "MyButton6")->click();
                button(w, "MyButton2")->click();
            },
            &ran);
        f.click("MyButton1");
        QVERIFY(ran);
        QCOMPARE(f.people(), 1);
        QCOMPARE(f.list()->rowCount(), rows);
        QCOMPARE(f.countLabel(), QString::number(rows));
    }

    void clearAndCancelStoreNothing()
    {
        Fixture f;
        AddCustomerWindow w(f.data.store(), &f.main);
        QVERIFY(showActive(&w));
        for (int n = 1; n <= 6; ++n)
            test::typeText(box(&w, n), QStringLiteral("abc"));
        button(&w, "MyButton1")->click();
        for (int n = 1; n <= 6; ++n)
            QVERIFY(boxText(&w, n).isEmpty());
        test::typeText(box(&w, 1), QStringLiteral("abc"));
        button(&w, "MyButton2")->click();
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QCOMPARE(f.people(), 0);
    }

    // A failing insert keeps what was typed, stores nothing and says why in Turkish.
    void saveFailureKeepsTheBoxes()
    {
        Fixture f;
        f.data.refuseChanges(QStringLiteral("main"), QStringLiteral("MUSTERILER"), QStringLiteral("INSERT"));
        AddCustomerWindow w(f.data.store(), &f.main);
        QObject::connect(&w, &AddCustomerWindow::added, &f.main,
                         qOverload<const QString&>(&MainWindow::DetayliAra));
        QVERIFY(showActive(&w));
        test::typeText(box(&w, 1), QStringLiteral("ali"));
        test::typeText(box(&w, 6), QStringLiteral("adres"));
        button(&w, "MyButton6")->click();
        QCOMPARE(f.boxes.count(), 1);
        QCOMPARE(MessageBox::shown().last().icon, MessageBox::Icon::Error);
        QVERIFY(f.boxes.lastText().contains(f.data.bookLabel(QStringLiteral("uyeler.mdb"))));
        QCOMPARE(boxText(&w, 1), QStringLiteral("ali"));
        QCOMPARE(boxText(&w, 6), QStringLiteral("adres"));
        QCOMPARE(f.people(), 0);
    }

    // Added with an apostrophe, shown in the list, edited and written back unchanged.
    void apostropheRoundTrip()
    {
        Fixture f;
        AddCustomerWindow add(f.data.store(), &f.main);
        QObject::connect(&add, &AddCustomerWindow::added, &f.main,
                         qOverload<const QString&>(&MainWindow::DetayliAra));
        QVERIFY(showActive(&add));
        test::typeText(box(&add, 1), QStringLiteral("ali'nin dükkanı"));
        test::typeText(box(&add, 5), QStringLiteral("o'nun"));
        button(&add, "MyButton6")->click();
        add.close();
        QCOMPARE(f.list()->cell(0, 3), QStringLiteral("ALİ'NİN DÜKKANI"));

        bool ran = false;
        whenOpened<EditCustomerWindow>(
            [](EditCustomerWindow* w) {
                QCOMPARE(boxText(w, 1), QStringLiteral("ALİ'NİN DÜKKANI"));
                QCOMPARE(boxText(w, 5), QStringLiteral("O'NUN"));
                button(w, "MyButton6")->click();
            },
            &ran);
        f.click("MyButton2");
        QVERIFY(ran);
        QCOMPARE(f.person(1).name, QStringLiteral("ALİ'NİN DÜKKANI"));
        QCOMPARE(f.person(1).taxOffice, QStringLiteral("O'NUN"));
        QCOMPARE(f.boxes.lastText(), QStringLiteral("KİŞİ BİLGİLERİ GÜNCELLENDİ."));
    }

    void editWindowIsFilledFromTheListRow()
    {
        Fixture f;
        f.data.addPerson(QStringLiteral("AHMET"), QStringLiteral("0"), QStringLiteral("0"),
                         QStringLiteral("0"),
                         {QStringLiteral("212"), QStringLiteral("532"), QStringLiteral("111"),
                          QStringLiteral("ŞİŞLİ"), QStringLiteral("A SOKAK\nNO 5")});
        f.main.DetayliAra();
        Customer row;
        QVERIFY(f.main.currentCustomer(&row));
        EditCustomerWindow w(f.data.store(), row, &f.main);
        QCOMPARE(w.objectName(), QStringLiteral("Form3"));
        QCOMPARE(w.windowTitle(), QStringLiteral("BİLGİ DÜZENLE"));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                 QStringLiteral("BİLGİ DÜZENLEME FORMU"));
        QCOMPARE(button(&w, "MyButton6")->text(), QStringLiteral("GÜNCELLE"));
        QCOMPARE(button(&w, "MyButton2")->text(), QStringLiteral("İPTAL -ESC-"));
        const QStringList expected{QStringLiteral("AHMET"), QStringLiteral("212"),
                                   QStringLiteral("532"),   QStringLiteral("111"),
                                   QStringLiteral("ŞİŞLİ"), QStringLiteral("A SOKAK\nNO 5")};
        for (int n = 1; n <= 6; ++n)
            QCOMPARE(boxText(&w, n), expected.at(n - 1));
        QCOMPARE(w.key(), QStringLiteral("1"));
    }

    // The edit writes the six columns only; balances and transactions stay; the list follows.
    void editUpdatesTheContact()
    {
        Fixture f;
        const qint64 key =
            f.data.addPerson(QStringLiteral("AHMET"), QStringLiteral("1.250,50"), QStringLiteral("-300,00"),
                             QStringLiteral("0"), {QStringLiteral("212")});
        f.data.addPerson(QStringLiteral("ZEKİ"));
        f.data.addTransaction(key, QStringLiteral("1250,5"), QStringLiteral("TL"),
                              QStringLiteral("01.01.2024"), QStringLiteral("100"));
        f.main.DetayliAra();
        bool ran = false;
        whenOpened<EditCustomerWindow>(
            [](EditCustomerWindow* w) {
                QVERIFY(QTest::qWaitForWindowActive(w));
                static_cast<QLineEdit*>(box(w, 2))->clear();
                box(w, 2)->setFocus();
                test::typeText(box(w, 2), QStringLiteral("0 216 999"));
                QTest::keyClick(box(w, 2), Qt::Key_Return);
                QCOMPARE(QApplication::focusWidget(), box(w, 3));
                box(w, 6)->setFocus();
                test::typeText(box(w, 6), QStringLiteral("çarşı"));
                button(w, "MyButton6")->click();
                QVERIFY(!w->isVisible());
            },
            &ran);
        f.click("MyButton2");
        QVERIFY(ran);
        const Customer c = f.person(key);
        QCOMPARE(c.name, QStringLiteral("AHMET"));
        QCOMPARE(c.workPhone, QStringLiteral("0 216 999"));
        QCOMPARE(c.address, QStringLiteral("ÇARŞI"));
        QCOMPARE(c.balanceTl, QStringLiteral("1.250,50"));
        QCOMPARE(c.balanceUsd, QStringLiteral("-300,00"));
        QCOMPARE(f.transactions(), 1);
        QCOMPARE(f.list()->cell(0, 4), QStringLiteral("0 216 999"));
        QCOMPARE(f.boxes.count(), 1);
        QCOMPARE(MessageBox::shown().last().icon, MessageBox::Icon::Information);
        QCOMPARE(f.boxes.lastTitle(), QStringLiteral("GÜNCELLENDİ."));
    }

    void editNameCheck_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("refused");
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("blanks pass here") << QStringLiteral("  ") << false;
    }
    void editNameCheck()
    {
        QFETCH(QString, name);
        QFETCH(bool, refused);
        Fixture f;
        const qint64 key = f.data.addPerson(QStringLiteral("AHMET"));
        f.main.DetayliAra();
        Customer row;
        QVERIFY(f.main.currentCustomer(&row));
        EditCustomerWindow w(f.data.store(), row, &f.main);
        QObject::connect(&w, &EditCustomerWindow::updated, &f.main,
                         qOverload<const QString&>(&MainWindow::DetayliAra));
        QVERIFY(showActive(&w));
        button(&w, "MyButton1")->click();
        test::typeText(box(&w, 1), name);
        test::typeText(box(&w, 3), QStringLiteral("532"));
        box(&w, 4)->setFocus();
        button(&w, "MyButton6")->click();
        QCOMPARE(f.boxes.count(), 1);
        if (refused) {
            QCOMPARE(MessageBox::shown().last().icon, MessageBox::Icon::Error);
            QCOMPARE(f.boxes.lastText(), QStringLiteral("ADI SOYADI GİRMEDİNİZ."));
            QCOMPARE(f.boxes.lastTitle(), QStringLiteral("UYARI"));
            QVERIFY(w.isVisible());
            QCOMPARE(QApplication::focusWidget(), box(&w, 1));
            QCOMPARE(boxText(&w, 3), QStringLiteral("532"));
            QCOMPARE(f.person(key).name, QStringLiteral("AHMET"));
        } else {
            QVERIFY(!w.isVisible());
            QCOMPARE(f.person(key).name, name);
            QCOMPARE(f.person(key).mobilePhone, QStringLiteral("532"));
        }
    }

    void escapeCancelsTheEdit()
    {
        Fixture f;
        const qint64 key = f.data.addPerson(QStringLiteral("AHMET"));
        f.main.DetayliAra();
        Customer row;
        QVERIFY(f.main.currentCustomer(&row));
        EditCustomerWindow w(f.data.store(), row, &f.main);
        QVERIFY(showActive(&w));
        test::typeText(box(&w, 1), QStringLiteral("X"));
        QTest::keyClick(box(&w, 1), Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QCOMPARE(f.person(key).name, QStringLiteral("AHMET"));
        QCOMPARE(f.boxes.count(), 0);
    }

    // A tax office of 30 letters (allowed when adding) survives an edit although the edit box admits 20.
    void editKeepsALongerStoredTaxOffice()
    {
        Fixture f;
        const QString longOffice = QStringLiteral("BÜYÜK MÜKELLEFLER VERGİ DAİRES");
        QCOMPARE(longOffice.size(), 30);
        const qint64 key =
            f.data.addPerson(QStringLiteral("AHMET"), QStringLiteral("0"), QStringLiteral("0"),
                             QStringLiteral("0"), {QString(), QString(), QString(), longOffice});
        f.main.DetayliAra();
        Customer row;
        QVERIFY(f.main.currentCustomer(&row));
        EditCustomerWindow w(f.data.store(), row, &f.main);
        QVERIFY(showActive(&w));
        QCOMPARE(boxText(&w, 5), longOffice);
        box(&w, 5)->setFocus();
        QTest::keyClick(box(&w, 5), Qt::Key_End);
        test::typeText(box(&w, 5), QStringLiteral("İ"));
        QCOMPARE(boxText(&w, 5), longOffice);
        button(&w, "MyButton6")->click();
        QCOMPARE(f.person(key).taxOffice, longOffice);

        EditCustomerWindow fresh(f.data.store(), row, &f.main);
        QVERIFY(showActive(&fresh));
        button(&fresh, "MyButton1")->click();
        box(&fresh, 5)->setFocus();
        test::typeText(box(&fresh, 5), longOffice);
        QCOMPARE(boxText(&fresh, 5), longOffice.left(20));
    }

    void editOfAVanishedPersonIsNotReportedAsDone()
    {
        Fixture f;
        const qint64 key = f.data.addPerson(QStringLiteral("AHMET"));
        f.main.DetayliAra();
        Customer row;
        QVERIFY(f.main.currentCustomer(&row));
        EditCustomerWindow w(f.data.store(), row, &f.main);
        QObject::connect(&w, &EditCustomerWindow::updated, &f.main,
                         qOverload<const QString&>(&MainWindow::DetayliAra));
        QVERIFY(showActive(&w));
        f.data.store().accounts().execute(QStringLiteral("DELETE FROM MUSTERILER WHERE oto_kod = ?1"), {key});
        button(&w, "MyButton6")->click();
        QCOMPARE(f.boxes.count(), 1);
        QCOMPARE(MessageBox::shown().last().icon, MessageBox::Icon::Error);
        QVERIFY(f.boxes.lastText() != QStringLiteral("KİŞİ BİLGİLERİ GÜNCELLENDİ."));
        QCOMPARE(f.people(), 0);
        QCOMPARE(f.list()->rowCount(), 0);
    }

    void deleteButton_data()
    {
        QTest::addColumn<QString>("tl");
        QTest::addColumn<QString>("usd");
        QTest::addColumn<QString>("euro");
        QTest::addColumn<bool>("answerYes");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("deleted");
        const QString zero = QStringLiteral("0");
        const QString question = QStringLiteral("AHMET YILMAZ SİLİNSİN Mİ?");
        QTest::newRow("settled, yes") << zero << QStringLiteral("0,00") << zero << true << question << true;
        QTest::newRow("settled, no") << zero << zero << zero << false << question << false;
        QTest::newRow("we owe TL") << QStringLiteral("-300,00") << zero << zero << true
                                   << QStringLiteral("CARİNİN TL BORCU OLDUĞU İÇİN SİLEMEZSİNİZ.") << false;
        QTest::newRow("owes TL") << QStringLiteral("300") << zero << zero << true
                                 << QStringLiteral("CARİNİN TL BORCU OLDUĞU İÇİN SİLEMEZSİNİZ.") << false;
        QTest::newRow("dollar and euro")
            << zero << QStringLiteral("1.250,50") << QStringLiteral("5") << true
            << QStringLiteral("CARİNİN DOLAR BORCU OLDUĞU İÇİN SİLEMEZSİNİZ.") << false;
        QTest::newRow("euro") << zero << zero << QStringLiteral("-0,5") << true
                              << QStringLiteral("CARİNİN EURO BORCU OLDUĞU İÇİN SİLEMEZSİNİZ.") << false;
    }
    void deleteButton()
    {
        QFETCH(QString, tl);
        QFETCH(QString, usd);
        QFETCH(QString, euro);
        QFETCH(bool, answerYes);
        QFETCH(QString, message);
        QFETCH(bool, deleted);
        Fixture f;
        const qint64 key = f.data.addPerson(QStringLiteral("AHMET YILMAZ"), tl, usd, euro);
        const qint64 other = f.data.addPerson(QStringLiteral("ZEKİ"));
        f.data.addTransaction(key, QStringLiteral("10"), QStringLiteral("TL"), QStringLiteral("01.01.2024"),
                              QStringLiteral("100"));
        f.data.addTransaction(key, QStringLiteral("-10"), QStringLiteral("TL"), QStringLiteral("02.01.2024"),
                              QStringLiteral("200"));
        f.data.addTransaction(other, QStringLiteral("10"), QStringLiteral("TL"), QStringLiteral("01.01.2024"),
                              QStringLiteral("100"));
        f.main.DetayliAra();
        MessageBox::setNextAnswer(answerYes ? MessageBox::Button::Yes : MessageBox::Button::No);
        f.click("MyButton3");
        QCOMPARE(f.boxes.count(), 1);
        QCOMPARE(f.boxes.lastText(), message);
        if (message == QStringLiteral("AHMET YILMAZ SİLİNSİN Mİ?")) {
            QVERIFY(MessageBox::shown().last().yesNo);
            QCOMPARE(f.boxes.lastTitle(), QStringLiteral("KALVORA"));
        } else {
            QCOMPARE(MessageBox::shown().last().icon, MessageBox::Icon::Error);
            QCOMPARE(f.boxes.lastTitle(), QStringLiteral("UYARI."));
        }
        QCOMPARE(f.people(), deleted ? 1 : 2);
        QCOMPARE(f.transactions(), deleted ? 1 : 3);
        QCOMPARE(f.list()->rowCount(), deleted ? 1 : 2);
        QCOMPARE(f.countLabel(), deleted ? QStringLiteral("1") : QStringLiteral("2"));
        QCOMPARE(f.list()->currentRow(), 0);
    }

    // The person goes only together with their transactions: with data.mdb refusing, nothing changes.
    void deleteIsAtomicAcrossTheFiles()
    {
        Fixture f;
        const qint64 key = f.data.addPerson(QStringLiteral("AHMET YILMAZ"));
        f.data.addTransaction(key, QStringLiteral("10"), QStringLiteral("TL"), QStringLiteral("01.01.2024"),
                              QStringLiteral("100"));
        f.main.DetayliAra();
        f.data.refuseChanges(QStringLiteral("cari"), QStringLiteral("CARIKART"), QStringLiteral("DELETE"));
        MessageBox::setNextAnswer(MessageBox::Button::Yes);
        f.click("MyButton3");
        f.data.allowChanges(QStringLiteral("cari"), QStringLiteral("CARIKART"), QStringLiteral("DELETE"));
        QCOMPARE(f.boxes.count(), 2);
        QCOMPARE(MessageBox::shown().last().icon, MessageBox::Icon::Error);
        QVERIFY(f.boxes.lastText().contains(QStringLiteral("SİLİNMEDİ")));
        QCOMPARE(f.people(), 1);
        QCOMPARE(f.transactions(), 1);
        QCOMPARE(f.list()->rowCount(), 1);

        // Once the file takes changes again the same click removes both.
        MessageBox::setNextAnswer(MessageBox::Button::Yes);
        f.click("MyButton3");
        QCOMPARE(f.people(), 0);
        QCOMPARE(f.transactions(), 0);
        QCOMPARE(f.countLabel(), QStringLiteral("0"));
    }
};

QTEST_MAIN(TestCustomerWindows)
#include "tst_customer_windows.moc"
