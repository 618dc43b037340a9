#include "app/main_window.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"
#include "widgets/report_list.h"
#include "support/test_data.h"

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
        QCOMPARE(list->headerItem()->text(0), QStringLiteral("BAKİYESİ(TL)"));
        QCOMPARE(list->headerItem()->text(9), QStringLiteral("OTO_KOD"));
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
        bool opened = false;
        MainWindow::Openers o;
        o.accountCard = [&](MainWindow*, const Customer&) { opened = true; };
        o.editPerson = o.accountCard;
        o.deletePerson = o.accountCard;
        MainWindow w(data.store(), data.folder(), o);
        w.findChild<PictureButton*>(button)->click();
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.lastText(), text);
        QCOMPARE(boxes.lastTitle(), title);
        QVERIFY(!opened);
    }

    void doubleClickOpensSameCardAsButton()
    {
        test::TestData data;
        data.addPerson(QStringLiteral("AHMET"), QStringLiteral("5"), QStringLiteral("0"), QStringLiteral("0"),
                       {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                        QStringLiteral("ADRES\nİKİ")});
        data.addPerson(QStringLiteral("BEKİR"));
        QList<Customer> opened;
        MainWindow::Openers o;
        o.accountCard = [&](MainWindow*, const Customer& c) { opened.append(c); };
        MainWindow w(data.store(), data.folder(), o);
        w.list()->setCurrentRow(0);
        w.findChild<PictureButton*>(QStringLiteral("MyButton4"))->click();
        Q_EMIT w.list()->rowActivated(0);
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
        QList<int> sorted;
        MainWindow::Openers o;
        o.sortColumn = [&](ReportList*, int c) { sorted.append(c); };
        MainWindow w(data.store(), data.folder(), o);
        for (int c = 0; c < 10; ++c)
            Q_EMIT w.list()->headerClicked(c);
        QCOMPARE(sorted, QList<int>({0, 1, 2, 3, 4, 5}));
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

    void backupStartsUtilityWithPasswordAndFolder()
    {
        test::TestData data;
        test::MessageBoxCapture boxes;
        const QString out = QDir(data.folder()).filePath(QStringLiteral("args.txt"));
        const QString script = QDir(data.folder()).filePath(QStringLiteral("yedekle"));
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\necho \"$# $1 $KALVORA_DATA_DIR\" > \"$KALVORA_DATA_DIR/args.txt\"\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        MainWindow w(data.store(), data.folder());
        w.setInstallationFolder(data.folder());
        w.findChild<PictureButton*>(QStringLiteral("MyButton6"))->click();
        auto content = [&] {
            QFile result(out);
            return result.open(QIODevice::ReadOnly) ? QString::fromUtf8(result.readAll()).trimmed()
                                                    : QString();
        };
        QTRY_COMPARE(content(), QStringLiteral("1 5176204938 ") + data.folder());
        QCOMPARE(boxes.count(), 0);
    }

    void buttonsAndAccessibility()
    {
        test::TestData data;
        MainWindow w(data.store(), data.folder());
        const auto buttons = w.findChildren<PictureButton*>();
        QCOMPARE(buttons.size(), 14); // twelve, the search button and EXCEL'E AKTAR
        auto* b10 = w.findChild<PictureButton*>(QStringLiteral("MyButton10"));
        QCOMPARE(b10->text(), QStringLiteral("T.C.M.B KURLARI"));
        QCOMPARE(b10->tipText(), QStringLiteral("T.C.M.B KURLARINI  GÖREBİLİRSİNİZ"));
        auto* b1 = w.findChild<PictureButton*>(QStringLiteral("MyButton1"));
        QCOMPARE(b1->accessibleName(), QStringLiteral("YENİ KİŞİ EKLE"));
        QCOMPARE(w.filterBox()->accessibleName(), QStringLiteral("SÜZGEÇ:"));
        QCOMPARE(w.findChild<QStatusBar*>(QStringLiteral("StatusBar1"))->findChildren<QLabel*>().size(), 6);
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
