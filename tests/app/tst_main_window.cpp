#include "accounts/ui/account_card.h"
#include "accounts/ui/detail_window.h"
#include "app/main_window.h"
#include "ledger/ui/ledger_history_window.h"
#include "reports/ui/balance_list_window.h"
#include "reports/ui/money_list_window.h"
#include "reports/ui/net_position_window.h"
#include "support/test_data.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"
#include "widgets/report_list.h"
#include "widgets/twips.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>

using namespace kalvora;

class TestMainWindow : public QObject {
    Q_OBJECT
private:
    static QStringList names(const ReportList* list)
    {
        QStringList out;
        for (int r = 0; r < list->rowCount(); ++r)
            out << list->cell(r, 3);
        return out;
    }

private Q_SLOTS:
    void listShowsPeopleInTurkishOrder()
    {
        test::TestData data;
        data.addPerson(QStringLiteral("ÖMER"), QStringLiteral("0"));
        data.addPerson(QStringLiteral("ALİ'NİN DÜKKANI"), QStringLiteral("1250,5"), QStringLiteral("-300"));
        data.addPerson(QStringLiteral("IŞIK"), QStringLiteral("1.250,50"));
        data.addPerson(QStringLiteral("İLKER"));
        data.addPerson(QStringLiteral("ÇAĞLA"));
        data.addPerson(QStringLiteral("CAN"));
        MainWindow w(data.store(), data.folder());
        ReportList* list = w.findChild<ReportList*>(QStringLiteral("ListView1"));
        QVERIFY(list);
        QCOMPARE(list->columnCount(), 10);
        QCOMPARE(list->headerText(0), QStringLiteral("BAKİYESİ(TL)"));
        QCOMPARE(list->headerText(9), QStringLiteral("OTO_KOD"));
        QCOMPARE(names(list), QStringList({QStringLiteral("ALİ'NİN DÜKKANI"), QStringLiteral("CAN"),
                                           QStringLiteral("ÇAĞLA"), QStringLiteral("IŞIK"),
                                           QStringLiteral("İLKER"), QStringLiteral("ÖMER")}));
        QCOMPARE(list->cell(0, 0), QStringLiteral("1.250,50"));
        QCOMPARE(list->cell(0, 1), QStringLiteral("-300,00"));
        QCOMPARE(list->cell(3, 0), QStringLiteral("1.250,50"));
        QCOMPARE(list->cell(5, 0), QStringLiteral("0,00"));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Label2"))->text(), QStringLiteral("6"));
        QCOMPARE(list->columnWidth(9), 0);
        QCOMPARE(list->currentRow(), 0);
    }

    void filter_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty") << QString()
                               << QStringList({QStringLiteral("AHMET YILMAZ"), QStringLiteral("ALİ VELİ"),
                                               QStringLiteral("ZEKİ")});
        QTest::newRow("lower case name and address")
            << QStringLiteral("ahmet")
            << QStringList({QStringLiteral("AHMET YILMAZ"), QStringLiteral("ZEKİ")});
        QTest::newRow("turkish i") << QStringLiteral("ali") << QStringList({QStringLiteral("ALİ VELİ")});
        QTest::newRow("phone part") << QStringLiteral("5551") << QStringList({QStringLiteral("ALİ VELİ")});
        QTest::newRow("nothing") << QStringLiteral("XYZ") << QStringList();
    }
    void filter()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, expected);
        test::TestData data;
        data.addPerson(QStringLiteral("ZEKİ"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"),
                       {QString(), QString(), QString(), QString(), QStringLiteral("AHMET SOKAK NO 5")});
        data.addPerson(QStringLiteral("AHMET YILMAZ"));
        data.addPerson(QStringLiteral("ALİ VELİ"), QStringLiteral("0"), QStringLiteral("0"),
                       QStringLiteral("0"), {QStringLiteral("0212"), QStringLiteral("05551234")});
        MainWindow w(data.store(), data.folder());
        auto* box = w.findChild<QLineEdit*>(QStringLiteral("Text1"));
        box->setText(filter);
        // Typing alone does not reload; the search button does.
        QCOMPARE(w.list()->rowCount(), 3);
        w.findChild<PictureButton*>(QStringLiteral("MyButton11"))->click();
        QCOMPARE(names(w.list()), expected);
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Label2"))->text(), QString::number(expected.size()));
        QCOMPARE(box->selectedText(), filter);
    }

    void hiddenKeyMatchesFilter()
    {
        test::TestData data;
        for (int i = 0; i < 11; ++i)
            data.addPerson(QStringLiteral("KİŞİ %1").arg(i));
        MainWindow w(data.store(), data.folder());
        w.filterBox()->setText(QStringLiteral("11"));
        w.DetayliAra();
        QCOMPARE(w.list()->rowCount(), 1);
        QCOMPARE(w.list()->cell(0, 9), QStringLiteral("11"));
    }

    void emptyListMessages_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::newRow("card") << QStringLiteral("MyButton4")
                              << QStringLiteral("KAYITLI KİŞİ YOK. LÜTFEN KİŞİ KAYDEDİN.")
                              << QStringLiteral("ÜYE YOK");
        QTest::newRow("edit")
            << QStringLiteral("MyButton2")
            << QStringLiteral("BİLGİLERİ DÜZENLENECEK KİŞİ YOK. YENİ KİŞİ EKLE FORMUNU KULLANABİLİRSİNİZ.")
            << QStringLiteral("DİKKAT");
        QTest::newRow("delete") << QStringLiteral("MyButton3") << QStringLiteral("SİLİNECEK KİŞİ YOK.")
                                << QStringLiteral("KİŞİ YOK");
    }
    void emptyListMessages()
    {
        QFETCH(QString, button);
        QFETCH(QString, text);
        QFETCH(QString, title);
        test::TestData data;
        test::MessageBoxCapture boxes;
        MainWindow w(data.store(), data.folder());
        QSignalSpy card(&w, &MainWindow::accountCardRequested);
        QSignalSpy edit(&w, &MainWindow::editPersonRequested);
        QSignalSpy remove(&w, &MainWindow::deletePersonRequested);
        w.findChild<PictureButton*>(button)->click();
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.lastText(), text);
        QCOMPARE(boxes.lastTitle(), title);
        QCOMPARE(card.count() + edit.count() + remove.count(), 0);
    }

    void doubleClickOpensSameCardAsButton()
    {
        test::TestData data;
        data.addPerson(QStringLiteral("AHMET"), QStringLiteral("5"), QStringLiteral("0"), QStringLiteral("0"),
                       {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                        QStringLiteral("ADRES\nİKİ")});
        data.addPerson(QStringLiteral("BEKİR"));
        QList<Customer> opened;
        MainWindow w(data.store(), data.folder());
        QObject::connect(&w, &MainWindow::accountCardRequested, &w,
                         [&](const Customer& c) { opened.append(c); });
        Q_EMIT w.list()->headerClicked(3); // the name, descending: the card still gets the chosen person
        w.list()->setCurrentRow(1);
        w.findChild<PictureButton*>(QStringLiteral("MyButton4"))->click();
        Q_EMIT w.list()->rowActivated(1);
        QCOMPARE(opened.size(), 2);
        for (const Customer& c : opened) {
            QCOMPARE(c.key, QStringLiteral("1"));
            QCOMPARE(c.name, QStringLiteral("AHMET"));
            QCOMPARE(c.workPhone, QStringLiteral("1"));
            QCOMPARE(c.taxOffice, QStringLiteral("4"));
            QCOMPARE(c.address, QStringLiteral("ADRES\nİKİ"));
            QCOMPARE(c.balanceTl, QStringLiteral("5,00"));
        }
    }

    void headerClicksBeyondPhonesDoNothing()
    {
        test::TestData data;
        data.addPerson(QStringLiteral("AHMET"), QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1"),
                       {QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("2"),
                        QStringLiteral("2")});
        data.addPerson(QStringLiteral("BEKİR"), QStringLiteral("2"), QStringLiteral("2"), QStringLiteral("2"),
                       {QStringLiteral("2"), QStringLiteral("2"), QStringLiteral("1"), QStringLiteral("1"),
                        QStringLiteral("1")});
        MainWindow w(data.store(), data.folder());
        // Every click on columns 0 to 5 flips the order; the later headers leave it.
        QStringList firstNames;
        for (int c = 0; c < 10; ++c) {
            Q_EMIT w.list()->headerClicked(c);
            firstNames.append(w.list()->cell(0, 3));
        }
        const QString a = QStringLiteral("AHMET");
        const QString b = QStringLiteral("BEKİR");
        QCOMPARE(firstNames, (QStringList{b, a, b, a, b, a, a, a, a, a}));
    }

    void frameCloseIsRefused()
    {
        test::TestData data;
        test::MessageBoxCapture boxes;
        MainWindow w(data.store(), data.folder());
        w.show();
        for (int i = 0; i < 2; ++i) {
            QVERIFY(!w.close());
            QVERIFY(w.isVisible());
            QCOMPARE(boxes.lastText(), QStringLiteral("LÜTFEN GÜVENLİ ÇIKIŞI KULLANIN."));
            QCOMPARE(boxes.lastTitle(), QStringLiteral("KALVORA"));
        }
        QCOMPARE(boxes.count(), 2);
    }

    void exitAsksFirst()
    {
        test::TestData data;
        test::MessageBoxCapture boxes;
        MainWindow w(data.store(), data.folder());
        QSignalSpy quit(&w, &MainWindow::quitRequested);
        auto* exit = w.findChild<PictureButton*>(QStringLiteral("MyButton7"));
        MessageBox::setNextAnswer(MessageBox::Button::No);
        exit->click();
        QCOMPARE(quit.count(), 0);
        QCOMPARE(boxes.lastText(), QStringLiteral("PROGRAMDAN ÇIKMAK İSTEDİĞİNİZE EMİN MİSİNİZ?"));
        QCOMPARE(boxes.lastTitle(), QStringLiteral("DİKKAT!"));
        MessageBox::setNextAnswer(MessageBox::Button::Yes);
        exit->click();
        QCOMPARE(quit.count(), 1);
    }

    void backupWithoutUtilityShowsMessage()
    {
        test::TestData data;
        test::MessageBoxCapture boxes;
        MainWindow w(data.store(), data.folder());
        w.setInstallationFolder(data.folder());
        w.findChild<PictureButton*>(QStringLiteral("MyButton6"))->click();
        QCOMPARE(boxes.lastText(), QStringLiteral("YEDEKLEME ÜNİTESİNE ULAŞILAMIYOR.."));
    }

    // The utility gets the password as its one argument and the desk's own book: the server in the
    // environment (its address may hold a password), else word that the folder's files are the book,
    // whatever the environment the desk was started with says.
    void backupStartsUtilityOnTheDesksBook()
    {
        test::TestData data;
        test::MessageBoxCapture boxes;
        const QString out = QDir(data.folder()).filePath(QStringLiteral("args.txt"));
        const QString script = QDir(data.folder()).filePath(QStringLiteral("yedekle"));
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\nprintf '%s|%s|%s|%s|%s' \"$#\" \"$*\" \"$KALVORA_DATA_DIR\" \"$KALVORA_SERVER\" "
                "\"$KALVORA_FOLDER_BOOK\" > \"$KALVORA_DATA_DIR/args.txt\"\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        MainWindow w(data.store(), data.folder());
        w.setInstallationFolder(data.folder());
        qputenv("KALVORA_SERVER", "postgresql://baska-sunucu/baska");
        w.findChild<PictureButton*>(QStringLiteral("MyButton6"))->click();
        qunsetenv("KALVORA_SERVER");
        auto content = [&] {
            QFile result(out);
            return result.open(QIODevice::ReadOnly) ? QString::fromUtf8(result.readAll()) : QString();
        };
        const QString book =
            test::TestData::onServer() ? data.serverUri() + QStringLiteral("|") : QStringLiteral("|1");
        QTRY_COMPARE(content(), QStringLiteral("1|5176204938|") + data.folder() + QLatin1Char('|') + book);
        QCOMPARE(boxes.count(), 0);
    }

    void buttonsAndAccessibility()
    {
        test::TestData data;
        MainWindow w(data.store(), data.folder());
        const auto buttons = w.findChildren<PictureButton*>();
        // twelve, İPTALLER, EXCEL'E AKTAR, İÇE AKTAR, the three of sending and the search button
        QCOMPARE(buttons.size(), 19);
        // The sending's buttons continue the second row.
        QCOMPARE(w.findChild<PictureButton*>(QStringLiteral("MyButton17"))->text(),
                 QStringLiteral("FİRMA BİLGİLERİ"));
        QCOMPARE(w.findChild<PictureButton*>(QStringLiteral("MyButton19"))->geometry(),
                 twipsRect(16140, 990, 1965, 885));
        auto* b10 = w.findChild<PictureButton*>(QStringLiteral("MyButton10"));
        QCOMPARE(b10->text(), QStringLiteral("T.C.M.B KURLARI"));
        QCOMPARE(b10->tipText(), QStringLiteral("T.C.M.B KURLARINI  GÖREBİLİRSİNİZ"));
        // The archive's button stands right of the first row; the first row stays where it was.
        auto* b14 = w.findChild<PictureButton*>(QStringLiteral("MyButton14"));
        QCOMPARE(b14->text(), QStringLiteral("İPTALLER"));
        QCOMPARE(b14->tipTitle(), QStringLiteral("İPTALLER"));
        QCOMPARE(b14->tipText(), QStringLiteral("SİLİNEN VE DEĞİŞTİRİLEN KAYITLARI GÖSTERİR"));
        QCOMPARE(b14->geometry(), twipsRect(12120, 60, 1965, 885));
        auto* b16 = w.findChild<PictureButton*>(QStringLiteral("MyButton16"));
        QCOMPARE(b16->tipTitle(), QStringLiteral("İÇE AKTAR"));
        QCOMPARE(b16->tipText(),
                 QStringLiteral("ESKİ PROGRAMIN DOSYALARINI, EXCEL VEYA CSV LİSTELERİNİ AKTARIR"));
        QCOMPARE(b16->geometry(), twipsRect(16140, 60, 1965, 885));
        QCOMPARE(w.findChild<PictureButton*>(QStringLiteral("MyButton7"))->geometry(),
                 twipsRect(10110, 60, 1965, 885));
        auto* b1 = w.findChild<PictureButton*>(QStringLiteral("MyButton1"));
        QCOMPARE(b1->accessibleName(), QStringLiteral("YENİ KİŞİ EKLE"));
        QCOMPARE(w.filterBox()->accessibleName(), QStringLiteral("SÜZGEÇ:"));
        QCOMPARE(w.findChild<QStatusBar*>(QStringLiteral("StatusBar1"))->findChildren<QLabel*>().size(),
                 7); // six panels and the overdue count
    }

    // What a screen reader reads: a label that shows a value has its shown text as its name and the
    // caption beside it as its description; an input keeps its caption as its name.
    void screenReaderNames_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        QTest::newRow("card: balance") << QStringLiteral("Form4") << QStringLiteral("Label12")
                                       << QStringLiteral("750,00") << QStringLiteral("TÜRK LİRASI");
        QTest::newRow("card: person") << QStringLiteral("Form4") << QStringLiteral("Label16")
                                      << QStringLiteral("ALİ VELİ") << QStringLiteral("ADI SOYADI:");
        QTest::newRow("card: status") << QStringLiteral("Form4") << QStringLiteral("temiz1")
                                      << QStringLiteral("BORÇLU") << QStringLiteral("TÜRK LİRASI DURUMU");
        QTest::newRow("card: count") << QStringLiteral("Form4") << QStringLiteral("Label4")
                                     << QStringLiteral("2") << QStringLiteral("İŞLEM SAYISI");
        QTest::newRow("card: listing kind input") << QStringLiteral("Form4") << QStringLiteral("Combo1")
                                                  << QStringLiteral("LİSTELEME TÜRÜ") << QString();
        QTest::newRow("detail: remaining")
            << QStringLiteral("Form19") << QStringLiteral("kal1") << QStringLiteral("750,00")
            << QStringLiteral("TÜRK LİRASI PARA DURUMU KALAN:");
        QTest::newRow("detail: name") << QStringLiteral("Form19") << QStringLiteral("kart_adi")
                                      << QStringLiteral("ALİ VELİ") << QStringLiteral("CARİ BİLGİSİ");
        QTest::newRow("net position")
            << QStringLiteral("Form16") << QStringLiteral("ode1") << QStringLiteral("250,00")
            << QStringLiteral("TÜRK LİRASI NET DURUMU GİRİŞLER:");
        QTest::newRow("debtors: total") << QStringLiteral("Form17") << QStringLiteral("Label3")
                                        << QStringLiteral("750,00") << QStringLiteral("TOPLAM TL");
        QTest::newRow("money given: total")
            << QStringLiteral("Form14") << QStringLiteral("Label3") << QStringLiteral("0,00")
            << QStringLiteral("TOPLAM VERDİĞİM TUTAR");
        QTest::newRow("income: total") << QStringLiteral("GelirMenu") << QStringLiteral("Label3")
                                       << QStringLiteral("0,00") << QStringLiteral("LİSTE TOPLAMI");
        QTest::newRow("main: count") << QStringLiteral("Form1") << QStringLiteral("Label2")
                                     << QStringLiteral("1") << QStringLiteral("KİŞİ SAYISI");
        QTest::newRow("main: filter input")
            << QStringLiteral("Form1") << QStringLiteral("Text1") << QStringLiteral("SÜZGEÇ:")
            << QStringLiteral("ÇİFT TIKLAMA KUTUYU BOŞALTIR");
    }
    void screenReaderNames()
    {
        QFETCH(QString, window);
        QFETCH(QString, control);
        QFETCH(QString, name);
        QFETCH(QString, description);
        test::TestData data;
        const qint64 key = data.addPerson(QStringLiteral("ALİ VELİ"), QStringLiteral("750,00"));
        data.addTransaction(key, QStringLiteral("1000"), QStringLiteral("TL"), QStringLiteral("01.01.2025"),
                            QStringLiteral("100"));
        data.addTransaction(key, QStringLiteral("-250"), QStringLiteral("TL"), QStringLiteral("02.01.2025"),
                            QStringLiteral("200"));
        MainWindow main(data.store(), data.folder());
        // The card starts out with its captions' texts and takes the person's figures when shown.
        AccountCard card(data.store(), &main);
        Customer person;
        QVERIFY(main.currentCustomer(&person));
        card.setPerson(person);
        card.show();
        NetPositionWindow net(data.store());
        BalanceListWindow debtors(data.store(), data.folder(), BalanceSide::Debtors);
        MoneyListWindow given(data.store(), data.folder(), MoneyDirection::Given);
        LedgerHistoryWindow income(data.store(), Ledger::Income);
        QWidget* shown = nullptr;
        for (QWidget* w : std::initializer_list<QWidget*>{&main, &card, card.detailWindow(), &net, &debtors,
                                                          &given, &income}) {
            if (w->objectName() == window)
                shown = w->findChild<QWidget*>(control);
        }
        QVERIFY(shown);
        if (auto* label = qobject_cast<QLabel*>(shown))
            QCOMPARE(label->text(), name);
        QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(shown);
        QVERIFY(reader);
        QCOMPARE(reader->text(QAccessible::Name), name);
        QCOMPARE(reader->text(QAccessible::Description), description);
    }

    void resizingKeepsListBetweenPanels()
    {
        test::TestData data;
        MainWindow w(data.store(), data.folder());
        w.show();
        w.resize(900, 700);
        QTRY_COMPARE(w.size(), QSize(900, 700));
        auto* strip = w.findChild<QWidget*>(QStringLiteral("Picture2"));
        QVERIFY(w.list()->geometry().bottom() < strip->geometry().top());
        QVERIFY(w.list()->height() > 100);
        w.showMinimized();
        w.showNormal();
        w.resize(1000, 800);
        QTRY_COMPARE(w.size(), QSize(1000, 800));
        QVERIFY(w.list()->geometry().bottom() < strip->geometry().top());
        QVERIFY(strip->geometry().top() - w.list()->geometry().bottom() < 20);
    }

    void filterDoubleClickEmptiesBox()
    {
        test::TestData data;
        MainWindow w(data.store(), data.folder());
        w.filterBox()->setText(QStringLiteral("ABC"));
        QTest::mouseDClick(w.filterBox(), Qt::LeftButton);
        QCOMPARE(w.filterBox()->text(), QString());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
