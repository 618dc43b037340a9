#include "accounts/account.h"
#include "accounts/account_book.h"
#include "accounts/ui/account_card.h"
#include "accounts/ui/detail_window.h"
#include "accounts/ui/entry_window.h"
#include "app/main_window.h"
#include "app/window_openers.h"
#include "data/turkish_text.h"
#include "support/gui_helpers.h"
#include "support/test_data.h"
#include "support/text_input.h"
#include "widgets/limited_text_box.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"
#include "widgets/report_list.h"
#include <QSignalSpy>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>

using namespace kalvora;
using namespace kalvora::test;

namespace {

QStringList storedColumn(Store& store, const QString& column)
{
    BookQuery st = store.accounts().prepare(QStringLiteral("SELECT ") + column +
                                            QStringLiteral(" FROM CARIKART ORDER BY otokod"));
    QStringList out;
    while (st.step())
        out.append(st.text(0));
    return out;
}

// A data folder, the main window over it and a card for one person.
struct Setup {
    test::TestData data;
    test::MessageBoxCapture boxes;
    qint64 key;
    MainWindow main;
    AccountCard card;

    explicit Setup(const QString& name = QStringLiteral("ALİ VELİ"))
        : key(data.addPerson(name, QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"),
                             {QStringLiteral("0212 555"), QStringLiteral("0532 555"),
                              QStringLiteral("11111111111"), QStringLiteral("KADIKÖY"),
                              QStringLiteral("MODA")})),
          main(data.store(), data.folder()), card(data.store(), &main)
    {
        QObject::connect(&card, &AccountCard::accountChanged, &main,
                         qOverload<const QString&>(&MainWindow::DetayliAra));
    }
    // An entry window over the card, its saves shown by the card as the card's own windows are.
    template <typename W> W& follow(W& window)
    {
        QObject::connect(&window, &EntryWindow::saved, &card, &AccountCard::applyChange);
        return window;
    }
    template <typename W> std::unique_ptr<W> follow(std::unique_ptr<W> window)
    {
        follow(*window);
        return window;
    }
    // The loaded row shown in list row r.
    AccountRow row(int r) const
    {
        for (const AccountRow& a : card.shownState().rows) {
            if (a.key == card.list()->hiddenValue(r).toLongLong())
                return a;
        }
        return {};
    }
    void open()
    {
        Customer c;
        QVERIFY(main.currentCustomer(&c));
        card.setPerson(c);
        card.show();
    }
    ReportList* list() const { return card.list(); }
    QStringList column(int c) const
    {
        QStringList out;
        for (int r = 0; r < card.list()->rowCount(); ++r)
            out.append(card.list()->cell(r, c));
        return out;
    }
    QComboBox* kind() const { return card.findChild<QComboBox*>(QStringLiteral("Combo1")); }
};

void fill(EntryWindow& w, const QString& description, const QString& keys, int currency)
{
    w.descriptionBox()->setFocus();
    typeText(w.descriptionBox(), description);
    QTest::keyClicks(w.amountBox(), keys);
    w.currencyBox()->setCurrentIndex(currency);
}

} // namespace

class TestAccountCard : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void emptyCard()
    {
        Setup s;
        s.open();
        QCOMPARE(s.card.windowTitle(), QStringLiteral("CARİ HESAP KARTI"));
        QCOMPARE(labelText(&s.card, "Label15"), QString::number(s.key));
        QCOMPARE(labelText(&s.card, "Label16"), QStringLiteral("ALİ VELİ"));
        QCOMPARE(labelText(&s.card, "Label20"), QStringLiteral("KADIKÖY"));
        QCOMPARE(s.list()->rowCount(), 0);
        QCOMPARE(labelText(&s.card, "Label4"), QStringLiteral("0"));
        for (const char* name : {"Label12", "Label22", "Label25"})
            QCOMPARE(labelText(&s.card, name), QStringLiteral("0,00"));
        for (const char* name : {"temiz1", "temiz2", "temiz3"})
            QCOMPARE(labelText(&s.card, name), QStringLiteral("TEMİZ"));
        QCOMPARE(s.kind()->currentIndex(), -1);

        bool detailShown = false;
        onModal(QStringLiteral("Form19"), [&](QDialog* d) {
            detailShown = true;
            QCOMPARE(d->windowTitle(), QStringLiteral("DETAYLI PARA DURUMU"));
            QCOMPARE(labelText(d, "kart_adi"), QStringLiteral("ALİ VELİ"));
            for (const char* name : {"al1", "ode1", "kal1", "al2", "ode2", "kal2", "al3", "ode3", "kal3"})
                QCOMPARE(labelText(d, name), QStringLiteral("0,00"));
        });
        s.kind()->setCurrentIndex(3);
        Q_EMIT s.kind()->activated(3);
        QVERIFY(detailShown);

        click(&s.card, "MyButton2");
        QCOMPARE(s.boxes.lastText(), QStringLiteral("BİLGİLERİ DÜZENLENECEK İŞLEM YOK."));
        QCOMPARE(s.boxes.lastTitle(), QStringLiteral("DİKKAT"));
        click(&s.card, "MyButton3");
        QCOMPARE(s.boxes.count(), 1);
    }

    void figuresAndListingKind()
    {
        Setup s;
        s.data.addTransaction(s.key, QStringLiteral("1000"), QStringLiteral("TL"),
                              QStringLiteral("02.01.2025"), QStringLiteral("100"), QStringLiteral("KİRA"));
        s.data.addTransaction(s.key, QStringLiteral("-250"), QStringLiteral("TL"),
                              QStringLiteral("01.01.2025"), QStringLiteral("200"), QStringLiteral("ÖDEME"));
        s.data.addTransaction(s.key, QStringLiteral("0,5"), QStringLiteral("DOLAR"),
                              QStringLiteral("03.01.2025"), QStringLiteral("100"));
        s.data.addTransaction(s.key, QStringLiteral("-20"), QStringLiteral("EURO"),
                              QStringLiteral("03.01.2025"), QStringLiteral("200"));
        s.open();
        QCOMPARE(s.column(0),
                 (QStringList{QStringLiteral("ÖDEME"), QStringLiteral("KİRA"), QString(), QString()}));
        QCOMPARE(s.column(1), (QStringList{QStringLiteral("-250,00"), QStringLiteral("1.000,00"),
                                           QStringLiteral(",50"), QStringLiteral("-20,00")}));
        QCOMPARE(s.list()->currentRow(), 0);
        QCOMPARE(labelText(&s.card, "Label4"), QStringLiteral("4"));
        QCOMPARE(labelText(&s.card, "Label12"), QStringLiteral("750,00"));
        QCOMPARE(labelText(&s.card, "temiz1"), QStringLiteral("BORÇLU"));
        QCOMPARE(labelText(&s.card, "Label22"), QStringLiteral("0,50"));
        QCOMPARE(labelText(&s.card, "Label25"), QStringLiteral("-20,00"));
        QCOMPARE(labelText(&s.card, "temiz3"), QStringLiteral("ALACAKLI"));
        DetailWindow* d = s.card.detailWindow();
        QCOMPARE(labelText(d, "al1"), QStringLiteral("1.000,00"));
        QCOMPARE(labelText(d, "ode1"), QStringLiteral("-250,00"));
        QCOMPARE(labelText(d, "kal1"), QStringLiteral("750,00"));
        QCOMPARE(labelText(d, "ode3"), QStringLiteral("-20,00"));

        s.kind()->setCurrentIndex(1);
        Q_EMIT s.kind()->activated(1);
        QCOMPARE(s.column(2), QStringList{QStringLiteral("DOLAR")});
        QCOMPARE(labelText(&s.card, "Label4"), QStringLiteral("1"));
        QCOMPARE(labelText(&s.card, "Label12"), QStringLiteral("0,00"));
        QCOMPARE(labelText(&s.card, "temiz1"), QStringLiteral("TEMİZ"));
        QCOMPARE(labelText(&s.card, "Label25"), QStringLiteral("0,00"));
        QCOMPARE(labelText(&s.card, "temiz3"), QStringLiteral("TEMİZ"));
        QCOMPARE(labelText(&s.card, "Label22"), QStringLiteral("0,50"));
        QCOMPARE(labelText(d, "al1"), QStringLiteral("1.000,00")); // the detail window is left as it was

        // Back from a window opened over the card, every currency is listed again.
        onModal(QStringLiteral("Form5"), [](QDialog* w) { QTest::keyClick(w, Qt::Key_Escape); });
        click(&s.card, "MyButton1");
        QCOMPARE(s.list()->rowCount(), 4);
        QCOMPARE(s.kind()->currentText(), QStringLiteral("DOLAR"));
        QCOMPARE(labelText(&s.card, "Label12"), QStringLiteral("750,00"));
    }

    void save_data()
    {
        QTest::addColumn<bool>("collecting");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("currency");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("stored");
        const QString price = QStringLiteral("LÜTFEN FİYATI KONTROL EDİNİZ!");
        const QString currency = QStringLiteral("LÜTFEN PARA CİNSİNİ KONTROL EDİNİZ!");
        QTest::newRow("zero") << false << QStringLiteral("0") << 0 << price << QString();
        QTest::newRow("nothing at all: only the price") << false << QString() << -1 << price << QString();
        QTest::newRow("no currency") << false << QStringLiteral("5") << -1 << currency << QString();
        QTest::newRow("lone comma") << false << QStringLiteral(",") << 0 << price << QString();
        QTest::newRow("lone comma collected") << true << QStringLiteral(",") << 0 << price << QString();
        QTest::newRow("too many digits")
            << false << QStringLiteral("12345678901234567") << 0 << price << QString();
        QTest::newRow("double zero stored as typed")
            << false << QStringLiteral("00") << 0 << QString() << QStringLiteral("00");
        QTest::newRow("zero comma zero")
            << false << QStringLiteral("0,0") << 1 << QString() << QStringLiteral("0,0");
        QTest::newRow("second comma dropped")
            << false << QStringLiteral("12,5,0") << 0 << QString() << QStringLiteral("12,50");
        QTest::newRow("sign and point dropped")
            << false << QStringLiteral("-1.5a") << 2 << QString() << QStringLiteral("15");
        QTest::newRow("lent as typed")
            << false << QStringLiteral("1500,50") << 0 << QString() << QStringLiteral("1500,50");
        QTest::newRow("collected negated")
            << true << QStringLiteral("1500,50") << 0 << QString() << QStringLiteral("-1500,5");
        QTest::newRow("collected whole")
            << true << QStringLiteral("200") << 1 << QString() << QStringLiteral("-200");
    }
    void save()
    {
        QFETCH(bool, collecting);
        QFETCH(QString, keys);
        QFETCH(int, currency);
        QFETCH(QString, message);
        QFETCH(QString, stored);
        const FixedClock clock(QDateTime(QDate(2025, 3, 14), QTime(13, 45, 7)));
        Setup s;
        s.open();
        std::unique_ptr<EntryWindow> w;
        if (collecting)
            w = s.follow(std::make_unique<CollectWindow>(s.data.store(), s.card.person(), &s.card));
        else
            w = s.follow(std::make_unique<LendWindow>(s.data.store(), s.card.person(), &s.card));
        w->show();
        QCOMPARE(w->objectName(), collecting ? QStringLiteral("Form6") : QStringLiteral("Form5"));
        QCOMPARE(w->datePicker()->date(), QDate(2025, 3, 14));
        fill(*w, QStringLiteral("ışık istanbul'da"), keys, currency);
        click(w.get(), "MyButton6");
        if (!message.isEmpty()) {
            QCOMPARE(s.boxes.count(), 1);
            QCOMPARE(s.boxes.lastText(), message);
            QCOMPARE(s.boxes.lastTitle(), QStringLiteral("UYARI!"));
            QCOMPARE(storedColumn(s.data.store(), QStringLiteral("tutar")), QStringList());
            QCOMPARE(w->descriptionBox()->text(), QStringLiteral("ışık istanbul'da"));
            QVERIFY(w->isVisible());
            return;
        }
        QCOMPARE(s.boxes.count(), 0);
        QCOMPARE(storedColumn(s.data.store(), QStringLiteral("tutar")), QStringList{stored});
        QCOMPARE(storedColumn(s.data.store(), QStringLiteral("aylar")),
                 QStringList{QStringLiteral("IŞIK İSTANBUL'DA")});
        QCOMPARE(storedColumn(s.data.store(), QStringLiteral("para")),
                 QStringList{collecting ? QStringLiteral("200") : QStringLiteral("100")});
        QCOMPARE(storedColumn(s.data.store(), QStringLiteral("istel")),
                 QStringList{QStringLiteral("0212 555")});
        // The time of the save itself, not the clock label's first caption.
        QCOMPARE(storedColumn(s.data.store(), QStringLiteral("tarih")),
                 QStringList{QStringLiteral("13:45:07")});
        // The window stays open, emptied, keeping currency and date; the card and the main list follow.
        QVERIFY(w->isVisible());
        QVERIFY(w->descriptionBox()->text().isEmpty());
        QVERIFY(w->amountBox()->text().isEmpty());
        QCOMPARE(w->currencyBox()->currentIndex(), currency);
        QCOMPARE(s.list()->rowCount(), 1);
        const QString balance = labelText(&s.card, currency == 0   ? "Label12"
                                                   : currency == 1 ? "Label22"
                                                                   : "Label25");
        QCOMPARE(storedBalances(s.data.store(), s.key).at(currency), balance);
        QCOMPARE(s.main.list()->cell(0, currency), balance);
    }

    // Pasted and dropped text is held to the key rule; an amount the rule refuses, however it got into
    // the box, is refused by the save and nothing is stored.
    void insertedAmount_data()
    {
        QTest::addColumn<int>("window"); // 0 lending, 1 collecting, 2 editing a loan of 1500,5
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("how"); // a test::Insertion, or -1: put there by the program
        QTest::addColumn<QString>("inserted");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("stored"); // empty: refused with the price message
        const int ctrlV = int(test::Insertion::CtrlV);
        const int shiftInsert = int(test::Insertion::ShiftInsert);
        const int drop = int(test::Insertion::Drop);
        QTest::newRow("minus pasted")
            << 0 << QString() << ctrlV << QStringLiteral("-5") << QStringLiteral("5") << QStringLiteral("5");
        QTest::newRow("display form pasted") << 0 << QString() << shiftInsert << QStringLiteral("1.000,50")
                                             << QStringLiteral("1000,50") << QStringLiteral("1000,50");
        QTest::newRow("tiny amount dropped") << 0 << QString() << drop << QStringLiteral("0,0000001")
                                             << QStringLiteral("0,0000001") << QStringLiteral("0,0000001");
        QTest::newRow("second comma pasted") << 0 << QStringLiteral("1,5") << ctrlV << QStringLiteral(",25")
                                             << QStringLiteral("1,525") << QStringLiteral("1,525");
        QTest::newRow("letters and blanks dropped") << 1 << QString() << drop << QStringLiteral("12 a,5")
                                                    << QStringLiteral("12,5") << QStringLiteral("-12,5");
        QTest::newRow("digits pasted") << 1 << QStringLiteral("1") << shiftInsert << QStringLiteral("2,5")
                                       << QStringLiteral("12,5") << QStringLiteral("-12,5");
        QTest::newRow("minus pasted into the shown amount")
            << 2 << QString() << ctrlV << QStringLiteral("-5") << QStringLiteral("1.500,505")
            << QStringLiteral("1.500,505");
        QTest::newRow("minus set: lending")
            << 0 << QString() << -1 << QStringLiteral("-5") << QStringLiteral("-5") << QString();
        QTest::newRow("minus set: collecting")
            << 1 << QString() << -1 << QStringLiteral("-5") << QStringLiteral("-5") << QString();
        QTest::newRow("point set: lending")
            << 0 << QString() << -1 << QStringLiteral("1.000") << QStringLiteral("1.000") << QString();
        QTest::newRow("minus set: editing a loan")
            << 2 << QString() << -1 << QStringLiteral("-5") << QStringLiteral("-5") << QString();
    }
    void insertedAmount()
    {
        QFETCH(int, window);
        QFETCH(QString, typed);
        QFETCH(int, how);
        QFETCH(QString, inserted);
        QFETCH(QString, box);
        QFETCH(QString, stored);
        Setup s;
        s.data.addTransaction(s.key, QStringLiteral("1500,5"), QStringLiteral("DOLAR"),
                              QStringLiteral("05.06.2025"), QStringLiteral("100"));
        s.open();
        std::unique_ptr<EntryWindow> w;
        if (window == 0)
            w = s.follow(std::make_unique<LendWindow>(s.data.store(), s.card.person(), &s.card));
        else if (window == 1)
            w = s.follow(std::make_unique<CollectWindow>(s.data.store(), s.card.person(), &s.card));
        else
            w = s.follow(std::make_unique<EditWindow>(s.data.store(), s.card.person(), s.row(0), &s.card));
        w->show();
        w->currencyBox()->setCurrentIndex(1);
        QTest::keyClicks(w->amountBox(), typed);
        if (how < 0)
            w->amountBox()->setText(inserted);
        else
            test::insertText(w->amountBox(), inserted, test::Insertion(how));
        QCOMPARE(w->amountBox()->text(), box);
        click(w.get(), "MyButton6");
        if (stored.isEmpty()) {
            QCOMPARE(s.boxes.count(), 1);
            QCOMPARE(s.boxes.lastText(), QStringLiteral("LÜTFEN FİYATI KONTROL EDİNİZ!"));
            QCOMPARE(storedColumn(s.data.store(), QStringLiteral("tutar")),
                     QStringList{QStringLiteral("1500,5")});
            QCOMPARE(storedBalances(s.data.store(), s.key).at(1), QStringLiteral("0"));
            QVERIFY(w->isVisible());
            return;
        }
        QCOMPARE(storedColumn(s.data.store(), QStringLiteral("tutar")).last(), stored);
    }

    void savingTwiceWritesTwoRows()
    {
        Setup s;
        s.open();
        LendWindow w(s.data.store(), s.card.person(), &s.card);
        s.follow(w);
        w.show();
        fill(w, QStringLiteral("a"), QStringLiteral("10"), 2);
        w.datePicker()->setDate(QDate(2024, 2, 29));
        click(&w, "MyButton6");
        QTest::keyClicks(w.amountBox(), QStringLiteral("5"));
        click(&w, "MyButton6");
        QCOMPARE(storedColumn(s.data.store(), QStringLiteral("durum")),
                 (QStringList{QStringLiteral("29.02.2024"), QStringLiteral("29.02.2024")}));
        QCOMPARE(storedColumn(s.data.store(), QStringLiteral("para_cinsi")),
                 (QStringList{QStringLiteral("EURO"), QStringLiteral("EURO")}));
        QCOMPARE(labelText(&s.card, "Label25"), QStringLiteral("15,00"));
        QCOMPARE(s.main.list()->cell(0, 2), QStringLiteral("15,00"));
    }

    void escapeClosesWithoutSaving()
    {
        Setup s;
        s.open();
        onModal(QStringLiteral("Form6"), [](QDialog* d) {
            auto* w = static_cast<EntryWindow*>(d);
            QCOMPARE(w->windowTitle(), QStringLiteral("MÜŞTERİ BORÇ ÖDÜYOR"));
            QCOMPARE(labelText(w, "Label6"), QStringLiteral(" PARA ALIYORUM"));
            fill(*w, QStringLiteral("x"), QStringLiteral("99"), 0);
            QTest::keyClick(w->amountBox(), Qt::Key_Escape);
            QVERIFY(!w->isVisible());
        });
        click(&s.card, "MyButton4");
        QCOMPARE(storedColumn(s.data.store(), QStringLiteral("tutar")), QStringList());
    }

    void timerBlinksAndShowsTheClock()
    {
        Setup s;
        s.open();
        LendWindow w(s.data.store(), s.card.person(), &s.card);
        s.follow(w);
        w.show();
        QCOMPARE(labelText(&w, "Label5"), QStringLiteral("00:00:00"));
        auto* blink = w.findChild<QLabel*>(QStringLiteral("Label6"));
        QCOMPARE(blink->text(), QStringLiteral("PARA VERİYORUM"));
        const bool before = blink->isVisible();
        QTRY_VERIFY_WITH_TIMEOUT(blink->isVisible() != before, 2000);
        QVERIFY(labelText(&w, "Label5") != QStringLiteral("00:00:00"));
        QTRY_VERIFY_WITH_TIMEOUT(blink->isVisible() == before, 2000);
    }

    void edit_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("retype");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("balance");
        QTest::newRow("untouched loan")
            << QStringLiteral("100") << QStringLiteral("1500,5") << QStringLiteral("1.500,50") << false
            << QString() << QStringLiteral("1.500,50") << QStringLiteral("1.500,50");
        QTest::newRow("untouched repayment")
            << QStringLiteral("200") << QStringLiteral("-1500,5") << QStringLiteral("-1.500,50") << false
            << QString() << QStringLiteral("-1.500,50") << QStringLiteral("-1.500,50");
        QTest::newRow("retyped repayment stays negative")
            << QStringLiteral("200") << QStringLiteral("-1500,5") << QStringLiteral("-1.500,50") << true
            << QStringLiteral("700") << QStringLiteral("-700") << QStringLiteral("-700,00");
        QTest::newRow("retyped loan")
            << QStringLiteral("100") << QStringLiteral("10") << QStringLiteral("10,00") << true
            << QStringLiteral("12,5") << QStringLiteral("12,5") << QStringLiteral("12,50");
        QTest::newRow("digit added to the shown amount")
            << QStringLiteral("200") << QStringLiteral("-1500,5") << QStringLiteral("-1.500,50") << false
            << QStringLiteral("5") << QStringLiteral("-1.500,505") << QStringLiteral("-1.500,51");
    }
    void edit()
    {
        QFETCH(QString, kind);
        QFETCH(QString, amount);
        QFETCH(QString, shown);
        QFETCH(bool, retype);
        QFETCH(QString, keys);
        QFETCH(QString, stored);
        QFETCH(QString, balance);
        Setup s;
        const qint64 row = s.data.addTransaction(s.key, amount, QStringLiteral("TL"),
                                                 QStringLiteral("05.06.2025"), kind, QStringLiteral("ESKİ"));
        s.open();
        onModal(QStringLiteral("Form12"), [&](QDialog* d) {
            auto* w = static_cast<EntryWindow*>(d);
            QCOMPARE(w->windowTitle(), QStringLiteral("BİLGİLERİ DÜZENLE"));
            QCOMPARE(w->descriptionBox()->text(), QStringLiteral("ESKİ"));
            QCOMPARE(w->amountBox()->text(), shown);
            QCOMPARE(w->currencyBox()->currentText(), QStringLiteral("TL"));
            QCOMPARE(w->datePicker()->date(), QDate(2025, 6, 5));
            if (retype)
                w->amountBox()->clear();
            w->amountBox()->setFocus();
            w->amountBox()->end(false);
            QTest::keyClicks(w->amountBox(), keys);
            w->currencyBox()->setCurrentIndex(2);
            click(w, "MyButton6");
            QVERIFY(!w->isVisible());
        });
        const QPoint first = s.list()->rowRect(0).center();
        QTest::mouseClick(s.list()->viewport(), Qt::LeftButton, {}, first);
        QTest::mouseDClick(s.list()->viewport(), Qt::LeftButton, {}, first);
        QCOMPARE(s.boxes.lastText(), QStringLiteral("BİLGİLER DEĞİŞTİRİLDİ."));
        QCOMPARE(s.boxes.lastTitle(), QStringLiteral("İŞLEM TAMAM"));
        QCOMPARE(storedColumn(s.data.store(), QStringLiteral("tutar")), QStringList{stored});
        QCOMPARE(storedColumn(s.data.store(), QStringLiteral("para")), QStringList{kind});
        QCOMPARE(storedColumn(s.data.store(), QStringLiteral("para_cinsi")),
                 QStringList{QStringLiteral("EURO")});
        QCOMPARE(labelText(&s.card, "Label12"), QStringLiteral("0,00"));
        QCOMPARE(labelText(&s.card, "Label25"), balance);
        QCOMPARE(storedBalances(s.data.store(), s.key),
                 (QStringList{QStringLiteral("0,00"), QStringLiteral("0,00"), balance}));
        QCOMPARE(s.main.list()->cell(0, 2), balance);
        QCOMPARE(s.list()->hiddenValue(0).toLongLong(), row);
    }

    // A loan's due date: a quick choice ticks "VADELİ" and sets the date; the card shows it in VADE with
    // what is still open beside it; the edit window shows it and moves it; a collection has none.
    void dueDateIsStoredShownAndEdited()
    {
        const FixedClock clock(QDateTime(QDate(2025, 3, 14), QTime(9, 0, 0)));
        Setup s;
        s.open();
        LendWindow lend(s.data.store(), s.card.person(), &s.card);
        s.follow(lend);
        lend.show();
        QVERIFY(!lend.dueDateBox()->isChecked());
        QCOMPARE(lend.dueDatePicker()->date(), QDate(2025, 4, 13)); // the transaction date + 30 days
        QCOMPARE(lend.dueDatePicker()->accessibleName(), QStringLiteral("VADE:"));
        fill(lend, QStringLiteral("BORÇ"), QStringLiteral("1000"), 0);
        QTest::mouseClick(lend.findChild<QPushButton*>(QStringLiteral("Command60")), Qt::LeftButton);
        QVERIFY(lend.dueDateBox()->isChecked());
        lend.datePicker()->setDate(QDate(2025, 1, 1)); // the term follows the transaction date
        QCOMPARE(lend.dueDatePicker()->date(), QDate(2025, 3, 2));
        click(&lend, "MyButton6");
        fill(lend, QStringLiteral("VADESİZ"), QStringLiteral("50"), 0);
        lend.dueDateBox()->setChecked(false);
        click(&lend, "MyButton6");
        CollectWindow collect(s.data.store(), s.card.person(), &s.card);
        s.follow(collect);
        QVERIFY(!collect.dueDateBox());
        fill(collect, QString(), QStringLiteral("400"), 0);
        click(&collect, "MyButton6");
        QCOMPARE(storedColumn(s.data.store(), QStringLiteral("vade")),
                 (QStringList{QStringLiteral("02.03.2025"), QString(), QString()}));
        QCOMPARE(s.list()->columnCount(), 7);
        QCOMPARE(s.list()->headerText(6), QStringLiteral("VADE"));
        // Rows: the loans of 01.01 and the collection of 14.03; the collection closed the loan without a
        // date of its own first (due on its date, 01.01), then 350 of the other.
        QCOMPARE(s.column(6), (QStringList{QStringLiteral("02.03.2025"), QString(), QString()}));
        QCOMPARE(s.column(5), (QStringList{QStringLiteral("AÇIK 650,00 GECİKME: 12 GÜN"),
                                           QStringLiteral("KAPANDI"), QString()}));

        onModal(QStringLiteral("Form12"), [&](QDialog* d) {
            auto* w = static_cast<EntryWindow*>(d);
            QVERIFY(w->dueDateBox()->isChecked());
            QCOMPARE(w->dueDatePicker()->date(), QDate(2025, 3, 2));
            w->dueDatePicker()->setDate(QDate(2025, 4, 30));
            click(w, "MyButton6");
        });
        s.card.editSelected();
        QCOMPARE(storedColumn(s.data.store(), QStringLiteral("vade")).value(0), QStringLiteral("30.04.2025"));
        QCOMPARE(s.column(5).value(0), QStringLiteral("AÇIK 650,00"));
    }

    void editKeepsALongDescriptionWhole()
    {
        Setup s;
        const QString longText = QString(120, QLatin1Char('A')) + QStringLiteral("'SON");
        s.data.addTransaction(s.key, QStringLiteral("5"), QStringLiteral("TL"), QStringLiteral("05.06.2025"),
                              QStringLiteral("100"), longText);
        s.open();
        EditWindow w(s.data.store(), s.card.person(), s.row(0), &s.card);
        s.follow(w);
        w.show();
        QCOMPARE(w.descriptionBox()->text(), longText);
        w.descriptionBox()->setFocus();
        QTest::keyClicks(w.descriptionBox(), QStringLiteral("xyz"));
        QCOMPARE(w.descriptionBox()->text(), longText); // full: nothing more can be typed
        QTest::keyClick(w.descriptionBox(), Qt::Key_Backspace);
        QTest::keyClicks(w.descriptionBox(), QStringLiteral("Nx"));
        QCOMPARE(w.descriptionBox()->text(), longText.chopped(1) + QStringLiteral("N"));
        w.amountBox()->selectAll();
        QTest::keyClicks(w.amountBox(), QStringLiteral(","));
        QCOMPARE(w.amountBox()->text(), QStringLiteral(","));
        click(&w, "MyButton6");
        QCOMPARE(s.boxes.lastText(), QStringLiteral("LÜTFEN FİYATI KONTROL EDİNİZ!"));
        QTest::keyClicks(w.amountBox(), QStringLiteral("5"));
        w.currencyBox()->setCurrentIndex(-1);
        click(&w, "MyButton6");
        QCOMPARE(s.boxes.lastText(), QStringLiteral("PARA CİNSİNİ KONTROL EDİNİZ!"));
        QCOMPARE(s.boxes.lastTitle(), QStringLiteral("UYARI!"));
        QVERIFY(w.isVisible());
        w.currencyBox()->setCurrentIndex(0);
        click(&w, "MyButton6");
        QCOMPARE(storedColumn(s.data.store(), QStringLiteral("aylar")),
                 QStringList{longText.chopped(1) + QStringLiteral("N")});

        // Newly typed text stops at 100 characters.
        LendWindow lend(s.data.store(), s.card.person(), &s.card);
        s.follow(lend);
        AccountRow blank;
        blank.key = 1;
        blank.amount = QStringLiteral("1");
        blank.currency = QStringLiteral("TL");
        blank.date = QStringLiteral("01.01.2025");
        EditWindow fresh(s.data.store(), s.card.person(), blank, &s.card);
        fresh.show();
        fresh.descriptionBox()->setFocus();
        QTest::keyClicks(fresh.descriptionBox(), QString(110, QLatin1Char('b')));
        QCOMPARE(fresh.descriptionBox()->text().size(), 100);
        lend.show();
        lend.descriptionBox()->setFocus();
        QTest::keyClicks(lend.descriptionBox(), QString(260, QLatin1Char('c')));
        QCOMPARE(lend.descriptionBox()->text().size(), 255);
    }

    void cancel_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("no") << false;
        QTest::newRow("yes") << true;
    }
    void cancel()
    {
        QFETCH(bool, yes);
        Setup s;
        s.data.addTransaction(s.key, QStringLiteral("1500,5"), QStringLiteral("TL"),
                              QStringLiteral("01.01.2025"), QStringLiteral("100"), QStringLiteral("KİRA"));
        s.data.addTransaction(s.key, QStringLiteral("3"), QStringLiteral("TL"), QStringLiteral("02.01.2025"),
                              QStringLiteral("100"), QString());
        s.open();
        s.list()->setCurrentRow(1);
        MessageBox::setNextAnswer(yes ? MessageBox::Button::Yes : MessageBox::Button::No);
        click(&s.card, "MyButton3");
        QCOMPARE(s.boxes.lastText(), QStringLiteral(" - 3,00 İŞLEMİ SİLİNSİN Mİ?"));
        QCOMPARE(s.boxes.lastTitle(), MessageBox::applicationTitle());
        QVERIFY(MessageBox::shown().last().yesNo);
        if (!yes) {
            QCOMPARE(s.list()->rowCount(), 2);
            QCOMPARE(s.list()->currentRow(), 1);
            QCOMPARE(storedColumn(s.data.store(), QStringLiteral("aylar")).size(), 2);
            return;
        }
        QCOMPARE(storedColumn(s.data.store(), QStringLiteral("aylar")), QStringList{QStringLiteral("KİRA")});
        QCOMPARE(s.list()->rowCount(), 1);
        QCOMPARE(labelText(&s.card, "Label12"), QStringLiteral("1.500,50"));
        QCOMPARE(storedBalances(s.data.store(), s.key).at(0), QStringLiteral("1.500,50"));
        QCOMPARE(s.main.list()->cell(0, 0), QStringLiteral("1.500,50"));

        MessageBox::setNextAnswer(MessageBox::Button::Yes);
        click(&s.card, "MyButton3");
        QCOMPARE(s.boxes.lastText(), QStringLiteral("KİRA - 1.500,50 İŞLEMİ SİLİNSİN Mİ?"));
        QCOMPARE(s.list()->rowCount(), 0);
        QCOMPARE(storedBalances(s.data.store(), s.key).at(0), QStringLiteral("0,00"));
    }

    void reset_data()
    {
        QTest::addColumn<QStringList>("rows"); // amount, currency, kind
        QTest::addColumn<int>("listing");      // Combo1 index chosen before, -1 for none
        QTest::addColumn<QString>("refusal");
        const QString tail =
            QStringLiteral(" BAKİYESİ BULUNDUĞU İÇİN SIFIRLAYAMAZSINIZ. ÖNCE BORCUNU SIFIRLAYINIZ.");
        QTest::newRow("dollar only") << QStringList{QStringLiteral("10"), QStringLiteral("DOLAR"),
                                                    QStringLiteral("100")}
                                     << -1 << QStringLiteral("CARİNİN DOLAR") + tail;
        QTest::newRow("all three: TL first")
            << QStringList{QStringLiteral("1"),  QStringLiteral("TL"),    QStringLiteral("100"),
                           QStringLiteral("2"),  QStringLiteral("DOLAR"), QStringLiteral("100"),
                           QStringLiteral("-3"), QStringLiteral("EURO"),  QStringLiteral("200")}
            << -1 << QStringLiteral("CARİNİN TÜRK LİRASI") + tail;
        QTest::newRow("euro while listing TL")
            << QStringList{QStringLiteral("4"), QStringLiteral("EURO"), QStringLiteral("100")} << 0
            << QStringLiteral("CARİNİN EURO") + tail;
        QTest::newRow("settled") << QStringList{QStringLiteral("500"), QStringLiteral("TL"),
                                                QStringLiteral("100"), QStringLiteral("-500"),
                                                QStringLiteral("TL"),  QStringLiteral("200")}
                                 << -1 << QString();
        QTest::newRow("rounds to zero")
            << QStringList{QStringLiteral("0,001"), QStringLiteral("EURO"), QStringLiteral("100")} << -1
            << QString();
    }
    void reset()
    {
        QFETCH(QStringList, rows);
        QFETCH(int, listing);
        QFETCH(QString, refusal);
        Setup s;
        const qint64 other = s.data.addPerson(QStringLiteral("BAŞKA"));
        s.data.addTransaction(other, QStringLiteral("9"), QStringLiteral("TL"), QStringLiteral("01.01.2025"),
                              QStringLiteral("100"));
        for (int i = 0; i + 2 < rows.size(); i += 3)
            s.data.addTransaction(s.key, rows.at(i), rows.at(i + 1), QStringLiteral("01.01.2025"),
                                  rows.at(i + 2));
        s.main.DetayliAra();
        s.open();
        if (listing >= 0) {
            s.kind()->setCurrentIndex(listing);
            Q_EMIT s.kind()->activated(listing);
        }
        const auto before = storedColumn(s.data.store(), QStringLiteral("otokod")).size();
        if (!refusal.isEmpty()) {
            click(&s.card, "MyButton7");
            QCOMPARE(s.boxes.count(), 1);
            QCOMPARE(s.boxes.lastText(), refusal);
            QCOMPARE(s.boxes.lastTitle(), QStringLiteral("UYARI"));
            QCOMPARE(MessageBox::shown().last().icon, MessageBox::Icon::Error);
            QCOMPARE(storedColumn(s.data.store(), QStringLiteral("otokod")).size(), before);
            QCOMPARE(s.list()->rowCount(), rows.size() / 3); // the full load ran first
            return;
        }
        click(&s.card, "MyButton7"); // answered No
        QCOMPARE(s.boxes.lastText(),
                 QStringLiteral("BU KİŞİNİN HESAP KARTI SIFIRLANSIN MI? SIFIRLAMANIN ARDIN KİŞİ "
                                "BİLGİLERİ KALACAK SADECE BORÇ ALACAK BİLGİERİ SİLİNECEKTİR."));
        QCOMPARE(storedColumn(s.data.store(), QStringLiteral("otokod")).size(), before);
        MessageBox::setNextAnswer(MessageBox::Button::Yes);
        click(&s.card, "MyButton7");
        QCOMPARE(storedColumn(s.data.store(), QStringLiteral("uye_kodu")),
                 QStringList{QString::number(other)});
        QCOMPARE(s.list()->rowCount(), 0);
        QCOMPARE(labelText(&s.card, "Label4"), QStringLiteral("0"));
        QCOMPARE(labelText(&s.card, "temiz3"), QStringLiteral("TEMİZ"));
        QCOMPARE(storedBalances(s.data.store(), s.key),
                 (QStringList{QStringLiteral("0,00"), QStringLiteral("0,00"), QStringLiteral("0,00")}));
    }

    void databaseFailureKeepsWhatWasTyped()
    {
        Setup s;
        s.open();
        s.data.refuseChanges(QStringLiteral("main"), QStringLiteral("MUSTERILER"), QStringLiteral("UPDATE"));
        LendWindow w(s.data.store(), s.card.person(), &s.card);
        s.follow(w);
        w.show();
        fill(w, QStringLiteral("kira"), QStringLiteral("100"), 0);
        click(&w, "MyButton6");
        QCOMPARE(s.boxes.count(), 1);
        QCOMPARE(MessageBox::shown().last().icon, MessageBox::Icon::Error);
        QVERIFY(s.boxes.lastText().contains(s.data.bookLabel(QStringLiteral("uyeler.mdb"))) ||
                s.boxes.lastText().contains(s.data.bookLabel(QStringLiteral("data.mdb"))));
        QCOMPARE(w.descriptionBox()->text(), QStringLiteral("kira"));
        QCOMPARE(w.amountBox()->text(), QStringLiteral("100"));
        QVERIFY(w.isVisible());
        QCOMPARE(storedColumn(s.data.store(), QStringLiteral("tutar")), QStringList());
        QCOMPARE(s.list()->rowCount(), 0);
        QCOMPARE(storedBalances(s.data.store(), s.key).at(0), QStringLiteral("0"));
    }

    void keyOneNeverShowsTheRowsOfKeyEleven()
    {
        Setup s(QStringLiteral("A BİR"));
        for (int i = 2; i <= 11; ++i)
            s.data.addPerson(QStringLiteral("Z KİŞİ %1").arg(i));
        s.data.addTransaction(11, QStringLiteral("50"), QStringLiteral("TL"), QStringLiteral("01.01.2025"),
                              QStringLiteral("100"));
        s.main.DetayliAra();
        s.open();
        QCOMPARE(labelText(&s.card, "Label15"), QStringLiteral("1"));
        QCOMPARE(s.list()->rowCount(), 0);
        QCOMPARE(labelText(&s.card, "Label12"), QStringLiteral("0,00"));
    }

    void openedFromTheMainWindow()
    {
        test::TestData data;
        test::MessageBoxCapture boxes;
        const qint64 key = data.addPerson(QStringLiteral("ALİ"));
        MainWindow main(data.store(), data.folder());
        connectWindowOpeners(main);
        bool cardShown = false;
        onModal(QStringLiteral("Form4"), [&](QDialog* card) {
            cardShown = true;
            QCOMPARE(labelText(card, "Label15"), QString::number(key));
            QCOMPARE(labelText(card, "Label16"), QStringLiteral("ALİ"));
            QVERIFY(card->windowState() & Qt::WindowMaximized);
            onModal(QStringLiteral("Form5"), [&](QDialog* d) {
                auto* w = static_cast<EntryWindow*>(d);
                fill(*w, QStringLiteral("borç"), QStringLiteral("250"), 1);
                click(w, "MyButton6");
                QCOMPARE(main.list()->cell(0, 1), QStringLiteral("250,00"));
            });
            click(card, "MyButton1");
            QCOMPARE(labelText(card, "Label22"), QStringLiteral("250,00"));
            QCOMPARE(labelText(card, "temiz2"), QStringLiteral("BORÇLU"));
            click(card, "MyButton5");
        });
        click(&main, "MyButton4");
        QVERIFY(cardShown);
        QCOMPARE(storedBalances(data.store(), key).at(1), QStringLiteral("250,00"));
    }

    void statementRequestCarriesWhatTheCardShows()
    {
        Setup s;
        s.data.addTransaction(s.key, QStringLiteral("-250"), QStringLiteral("EURO"),
                              QStringLiteral("01.01.2025"), QStringLiteral("200"), QStringLiteral("ÖDEME"));
        s.data.addTransaction(s.key, QStringLiteral("40"), QStringLiteral("DOLAR"),
                              QStringLiteral("02.01.2025"), QStringLiteral("100"), QStringLiteral("BORÇ"));
        s.data.addTransaction(s.key, QStringLiteral("7,5"), QStringLiteral("TL"),
                              QStringLiteral("03.01.2025"), QStringLiteral("100"), QStringLiteral("ZAM"));
        s.open();
        Q_EMIT s.list()->headerClicked(0); // description, descending: the statement keeps this order
        QSignalSpy requested(&s.card, &AccountCard::statementRequested);
        click(&s.card, "MyButton6");
        QCOMPARE(requested.count(), 1);
        const auto d = requested.first().first().value<StatementData>();
        QCOMPARE(d.name, QStringLiteral("ALİ VELİ"));
        const QStringList balances{d.tl.text(), d.dollar.text(), d.euro.text()};
        QCOMPARE(balances, (QStringList{QStringLiteral("7,50 BORÇLU"), QStringLiteral("40,00 BORÇLU"),
                                        QStringLiteral("-250,00 ALACAKLI")}));
        QStringList rows;
        for (const StatementRow& r : d.rows)
            rows.append(QStringList{r.description, r.amount, r.currency, r.date}.join(QLatin1Char('|')));
        QCOMPARE(rows, (QStringList{QStringLiteral("ZAM|7,50|TL|03.01.2025"),
                                    QStringLiteral("ÖDEME|-250,00|EURO|01.01.2025"),
                                    QStringLiteral("BORÇ|40,00|DOLAR|02.01.2025")}));
    }

    void headerClickSortsByTheColumnsKind_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("firstClick");
        QTest::newRow("amount as number, smallest first")
            << 1
            << QStringList{QStringLiteral("-30,00"), QStringLiteral(",50"), QStringLiteral("200,00"),
                           QStringLiteral("1.500,00")};
        QTest::newRow("date as date, latest first")
            << 3
            << QStringList{QStringLiteral("02.01.2025"), QStringLiteral("31.12.2024"),
                           QStringLiteral("10.03.2024"), QStringLiteral("05.01.2024")};
        QTest::newRow("time does nothing")
            << 4
            << QStringList{QStringLiteral("12:00:00"), QStringLiteral("12:00:00"), QStringLiteral("12:00:00"),
                           QStringLiteral("12:00:00")};
    }
    void headerClickSortsByTheColumnsKind()
    {
        QFETCH(int, column);
        QFETCH(QStringList, firstClick);
        Setup s;
        s.data.addTransaction(s.key, QStringLiteral("200"), QStringLiteral("TL"),
                              QStringLiteral("05.01.2024"), QStringLiteral("100"), QStringLiteral("A"));
        s.data.addTransaction(s.key, QStringLiteral("1500"), QStringLiteral("TL"),
                              QStringLiteral("10.03.2024"), QStringLiteral("100"), QStringLiteral("B"));
        s.data.addTransaction(s.key, QStringLiteral("-30"), QStringLiteral("TL"),
                              QStringLiteral("31.12.2024"), QStringLiteral("200"), QStringLiteral("C"));
        s.data.addTransaction(s.key, QStringLiteral("0,5"), QStringLiteral("TL"),
                              QStringLiteral("02.01.2025"), QStringLiteral("100"), QStringLiteral("D"));
        s.open();
        Q_EMIT s.list()->headerClicked(column);
        QCOMPARE(s.column(column), firstClick);
        if (column == 4) {
            QCOMPARE(s.column(0), (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
                                               QStringLiteral("D")}));
            return;
        }
        Q_EMIT s.list()->headerClicked(column);
        QStringList reversed = firstClick;
        std::reverse(reversed.begin(), reversed.end());
        QCOMPARE(s.column(column), reversed);
        // The statement sees the order shown, and the hidden key moves with its row.
        QCOMPARE(s.card.shownRows().first().at(column), reversed.first());
        const QString shownFirst = s.list()->cell(0, 0);
        s.list()->setCurrentRow(0);
        MessageBox::setNextAnswer(MessageBox::Button::Yes);
        click(&s.card, "MyButton3");
        QVERIFY(s.boxes.lastText().startsWith(shownFirst + QStringLiteral(" - ")));
        QVERIFY(!storedColumn(s.data.store(), QStringLiteral("aylar")).contains(shownFirst));
        QCOMPARE(storedColumn(s.data.store(), QStringLiteral("aylar")).size(), 3);
    }

    void resizingFollowsTheWindow()
    {
        Setup s;
        s.open();
        s.card.resize(1200, 800);
        const QRect big = s.list()->geometry();
        s.card.resize(1000, 700);
        QCOMPARE(s.list()->width(), big.width() - 200);
        QCOMPARE(s.list()->height(), big.height() - 100);
        QVERIFY(s.list()->geometry().right() < s.card.width());
        QVERIFY(s.list()->geometry().bottom() < s.card.height());
        QCOMPARE(s.card.styleSheet().contains(QStringLiteral("rgb(128, 128, 255)")), true);
    }
};

QTEST_MAIN(TestAccountCard)
#include "tst_account_card.moc"
