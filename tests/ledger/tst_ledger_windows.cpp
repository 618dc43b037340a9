#include "app/main_window.h"
#include "app/window_openers.h"
#include "data/turkish_text.h"
#include "ledger/ledger_fixture.h"
#include "ledger/ledger_store.h"
#include "ledger/ui/ledger_entry_window.h"
#include "ledger/ui/ledger_history_window.h"
#include "support/gui_helpers.h"
#include "support/test_data.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"
#include "widgets/report_list.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace kalvora;
using kalvora::test::addLedgerEntry;
using kalvora::test::cashBoxText;
using kalvora::test::entryCount;

Q_DECLARE_METATYPE(kalvora::Ledger)

namespace {

QStringList texts(std::initializer_list<const char*> items)
{
    QStringList out;
    for (const char* t : items)
        out.append(QString::fromUtf8(t));
    return out;
}

template <typename T> T* child(QWidget* window, const char* name)
{
    T* w = window->findChild<T*>(QString::fromLatin1(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

QLineEdit* box(QWidget* w, int index)
{
    return child<QLineEdit>(w, QStringLiteral("Text1_%1").arg(index).toLatin1().constData());
}

QPlainTextEdit* descriptionBox(QWidget* w)
{
    return child<QPlainTextEdit>(w, "Text1_1");
}

void click(QWidget* window, const char* name)
{
    QTest::mouseClick(child<QAbstractButton>(window, name), Qt::LeftButton);
}

QString label3(QWidget* w)
{
    return child<QLabel>(w, "Label3")->text();
}

QStringList column(ReportList* list, int col)
{
    QStringList out;
    for (int r = 0; r < list->rowCount(); ++r)
        out.append(list->cell(r, col));
    return out;
}

// Fills the entry form and confirms it.
void fillAndConfirm(QWidget* form, const QString& maker, const QString& title, const QString& description,
                    const QString& amount)
{
    box(form, 0)->setText(maker);
    box(form, 4)->setText(title);
    descriptionBox(form)->setPlainText(description);
    box(form, 2)->setText(amount);
    click(form, "Button1");
}

void doubleClickRow(ReportList* list, int row)
{
    const QRect r = list->rowRect(row);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

} // namespace

class TestLedgerWindows : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void entryFormOpens_data();
    void entryFormOpens();
    void entryFormChecks_data();
    void entryFormChecks();
    void amountBoxKeepsOnlyAmountTexts_data();
    void amountBoxKeepsOnlyAmountTexts();
    void entryFormRecords_data();
    void entryFormRecords();
    void entryFormReportsAMissingCashBox();

    void historyOpensOnToday_data();
    void historyOpensOnToday();
    void historyPeriodControls();
    void historyListsThePeriod();
    void historyCancelsTheChosenEntry();
    void historyCancelKeysAndRefusals();
    void historyReloadsAfterTheEntryForm();
    void historyWithManyEntries();
    void openedFromTheMainWindow_data();
    void openedFromTheMainWindow();
};

void TestLedgerWindows::entryFormOpens_data()
{
    QTest::addColumn<Ledger>("which");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("blinking");
    QTest::newRow("income") << Ledger::Income << "GelirYaz"
                            << "GELİR EKLENİYOR"
                            << "GELİR YAZILIYOR";
    QTest::newRow("expense") << Ledger::Expense << "GiderYaz"
                             << "GİDER EKLENİYOR"
                             << "GİDER YAZILIYOR";
}

void TestLedgerWindows::entryFormOpens()
{
    QFETCH(Ledger, which);
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, blinking);
    test::TestData data;
    test::MessageBoxCapture boxes;
    LedgerEntryWindow form(data.store(), which);
    form.show();
    QCOMPARE(form.objectName(), name);
    QCOMPARE(form.windowTitle(), caption);
    QCOMPARE(box(&form, 0)->text(), QStringLiteral("İŞLETME"));
    QCOMPARE(child<QDateEdit>(&form, "Tarihbox")->date(), QDate::currentDate());
    QVERIFY(readTimeText(box(&form, 3)->text()).isValid());

    // The clock box runs and the caption blinks.
    box(&form, 3)->setText(QStringLiteral("--"));
    QTRY_VERIFY_WITH_TIMEOUT(readTimeText(box(&form, 3)->text()).isValid(), 1000);
    auto* label2 = child<QLabel>(&form, "Label2");
    QCOMPARE(label2->text(), blinking);
    const bool shown = label2->isVisible();
    QTRY_VERIFY_WITH_TIMEOUT(label2->isVisible() != shown, 1500);
    QTRY_VERIFY_WITH_TIMEOUT(label2->isVisible() == shown, 1500);

    // Tab follows the screen: maker, title, description, amount, date, time.
    QVERIFY(QTest::qWaitForWindowActive(&form));
    const QList<QWidget*> order{box(&form, 0),
                                box(&form, 4),
                                descriptionBox(&form),
                                box(&form, 2),
                                child<QDateEdit>(&form, "Tarihbox"),
                                box(&form, 3)};
    order.first()->setFocus();
    for (int i = 1; i < order.size(); ++i) {
        // Tab first walks the day, month and year of the date picker.
        for (int section = 0; section < 3 && form.focusWidget() == child<QDateEdit>(&form, "Tarihbox");
             ++section)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (form.focusWidget() == order.at(i - 1))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(form.focusWidget(), order.at(i));
    }

    // Confirming at once asks for the title.
    click(&form, "Button1");
    QCOMPARE(boxes.lastText(), QStringLiteral("GİDER İÇİN BİR BAŞLIK GİRİNİZ."));
    QCOMPARE(MessageBox::shown().last().icon, MessageBox::Icon::Information);
    QCOMPARE(form.focusWidget(), box(&form, 4));
    QVERIFY(form.isVisible());
    QCOMPARE(entryCount(data.store(), which), 0);
}

void TestLedgerWindows::entryFormChecks_data()
{
    QTest::addColumn<QString>("maker");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");

    const QString amount = QStringLiteral(" GEÇERLİ BİR TUTAR GİRİN");
    QTest::newRow("maker blanks") << "   "
                                  << ""
                                  << ""
                                  << ""
                                  << "PARAYI KOYAN KİŞİYİ GİRMEDİNİZ."
                                  << "Text1_0";
    QTest::newRow("title blanks") << "ALİ"
                                  << "  "
                                  << "x"
                                  << "5"
                                  << "GİDER İÇİN BİR BAŞLIK GİRİNİZ."
                                  << "Text1_4";
    QTest::newRow("description blanks") << "ALİ"
                                        << "KİRA"
                                        << " \n "
                                        << "5"
                                        << "AÇIKLAMA GİRMEK ZORUNDASINIZ"
                                        << "Text1_1";
    QTest::newRow("amount empty") << "ALİ"
                                  << "KİRA"
                                  << "MART"
                                  << "" << amount << "Text1_2";
    QTest::newRow("amount zero") << "ALİ"
                                 << "KİRA"
                                 << "MART"
                                 << "0" << amount << "Text1_2";
    QTest::newRow("amount zero decimals") << "ALİ"
                                          << "KİRA"
                                          << "MART"
                                          << "0,00" << amount << "Text1_2";
    QTest::newRow("amount lone comma") << "ALİ"
                                       << "KİRA"
                                       << "MART"
                                       << "," << amount << "Text1_2";
    QTest::newRow("amount too long") << "ALİ"
                                     << "KİRA"
                                     << "MART"
                                     << "12345678901234567" << amount << "Text1_2";
}

void TestLedgerWindows::entryFormChecks()
{
    QFETCH(QString, maker);
    QFETCH(QString, title);
    QFETCH(QString, description);
    QFETCH(QString, amount);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    test::TestData data;
    test::MessageBoxCapture boxes;
    LedgerEntryWindow form(data.store(), Ledger::Income);
    form.show();
    fillAndConfirm(&form, maker, title, description, amount);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.lastText(), message);
    QCOMPARE(boxes.lastTitle(), MessageBox::applicationTitle());
    QCOMPARE(form.focusWidget()->objectName(), focus);
    // Nothing written, everything typed still there.
    QVERIFY(form.isVisible());
    QCOMPARE(entryCount(data.store(), Ledger::Income), 0);
    QCOMPARE(cashBoxText(data.store(), Ledger::Income), QStringLiteral("0"));
    QCOMPARE(box(&form, 0)->text(), maker);
    QCOMPARE(box(&form, 2)->text(), amount);
}

void TestLedgerWindows::amountBoxKeepsOnlyAmountTexts_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("left");

    QTest::newRow("digits") << "1500"
                            << "1500";
    QTest::newRow("decimals") << "1,5"
                              << "1,5";
    QTest::newRow("leading comma") << ",75"
                                   << ",75";
    QTest::newRow("letter empties") << "12a"
                                    << "";
    QTest::newRow("digits after letter") << "12a3"
                                         << "3";
    QTest::newRow("second comma empties") << "1,5,"
                                          << "";
    QTest::newRow("minus empties") << "-5"
                                   << "5";
    QTest::newRow("point empties") << "1.5"
                                   << "5";
    QTest::newRow("blank empties") << "1 "
                                   << "";
}

void TestLedgerWindows::amountBoxKeepsOnlyAmountTexts()
{
    QFETCH(QString, typed);
    QFETCH(QString, left);
    test::TestData data;
    LedgerEntryWindow form(data.store(), Ledger::Expense);
    form.show();
    QLineEdit* amount = box(&form, 2);
    amount->setFocus();
    QTest::keyClicks(amount, typed);
    QCOMPARE(amount->text(), left);

    // A paste is a change like any other.
    amount->setText(QStringLiteral("7"));
    amount->insert(QStringLiteral("x"));
    QCOMPARE(amount->text(), QString());
}

void TestLedgerWindows::entryFormRecords_data()
{
    QTest::addColumn<Ledger>("which");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("cashBox");
    QTest::addColumn<QString>("confirmation");

    QTest::newRow("income 100") << Ledger::Income << "100"
                                << "-100"
                                << "GELİR İŞLENDİ";
    QTest::newRow("expense leading comma") << Ledger::Expense << ",5"
                                           << "-0,5"
                                           << "GİDER İŞLENDİ";
    QTest::newRow("expense decimals") << Ledger::Expense << "1500,50"
                                      << "-1500,5"
                                      << "GİDER İŞLENDİ";
}

void TestLedgerWindows::entryFormRecords()
{
    QFETCH(Ledger, which);
    QFETCH(QString, amount);
    QFETCH(QString, cashBox);
    QFETCH(QString, confirmation);
    test::TestData data;
    test::MessageBoxCapture boxes;
    const Ledger other = which == Ledger::Income ? Ledger::Expense : Ledger::Income;

    const test::FixedClock clock(QDateTime(QDate(2025, 3, 14), QTime(9, 8, 7)));
    LedgerEntryWindow form(data.store(), which);
    form.show();
    const QDate yesterday = QDate(2025, 3, 13);
    child<QDateEdit>(&form, "Tarihbox")->setDate(yesterday);
    box(&form, 3)->setText(QStringLiteral("01:02:03")); // the clock box is not what gets stored
    fillAndConfirm(&form, QStringLiteral(" ALİ'NİN "), QStringLiteral("O'NUN KİRASI"),
                   QStringLiteral(" mart\nayı "), amount);

    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.lastText(), confirmation);
    QCOMPARE(MessageBox::shown().last().icon, MessageBox::Icon::Information);
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QVERIFY(!form.isVisible());

    const QList<LedgerEntry> all = LedgerStore(data.store(), which).allEntries();
    QCOMPARE(all.size(), 1);
    const LedgerEntry& e = all.first();
    QCOMPARE(e.maker, QStringLiteral(" ALİ'NİN "));
    QCOMPARE(e.title, QStringLiteral("O'NUN KİRASI"));
    QCOMPARE(e.description, QStringLiteral(" mart\nayı "));
    QCOMPARE(e.amount, amount);
    QCOMPARE(e.state, QStringLiteral("0"));
    // Yesterday's date with the time of the confirmation.
    QCOMPARE(e.date, dateText(yesterday));
    QCOMPARE(e.time, QStringLiteral("09:08:07"));

    QCOMPARE(cashBoxText(data.store(), which), cashBox);
    QCOMPARE(cashBoxText(data.store(), other), QStringLiteral("0"));
    QCOMPARE(entryCount(data.store(), other), 0);
}

void TestLedgerWindows::entryFormReportsAMissingCashBox()
{
    test::TestData data;
    test::MessageBoxCapture boxes;
    data.store().ledger(Ledger::Expense).execute(QStringLiteral("DELETE FROM KASA_NET"));
    LedgerEntryWindow form(data.store(), Ledger::Expense);
    form.show();
    fillAndConfirm(&form, QStringLiteral("ALİ"), QStringLiteral("KİRA"), QStringLiteral("MART"),
                   QStringLiteral("100"));
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(MessageBox::shown().last().icon, MessageBox::Icon::Error);
    QVERIFY(boxes.lastText().contains(data.bookLabel(QStringLiteral("gider.mdb"))));
    QVERIFY(form.isVisible());
    QCOMPARE(box(&form, 2)->text(), QStringLiteral("100"));
    QCOMPARE(entryCount(data.store(), Ledger::Expense), 0);
    QCOMPARE(
        data.store().ledger(Ledger::Expense).scalar(QStringLiteral("SELECT count(*) FROM KASA_NET")).toInt(),
        0);
}

void TestLedgerWindows::historyOpensOnToday_data()
{
    QTest::addColumn<Ledger>("which");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QString>("button2");

    QTest::newRow("income") << Ledger::Income << "GelirMenu"
                            << "GELİR GİRİŞ FORMU"
                            << texts({"GELİRİ YAPAN", "TUTAR", "GELİR ADI", "AÇIKLAMA", "TARİH", "SAAT"})
                            << "GELİR YAZ";
    QTest::newRow("expense") << Ledger::Expense << "GiderMenu"
                             << "GİDER GİRİŞ FORMU"
                             << texts({"GİDERİ YAPAN", "TUTAR", "GİDER ADI", "AÇIKLAMA", "TARİH", "SAAT"})
                             << "GİDER YAZ";
}

void TestLedgerWindows::historyOpensOnToday()
{
    QFETCH(Ledger, which);
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QStringList, headers);
    QFETCH(QString, button2);
    test::TestData data;
    const Ledger other = which == Ledger::Income ? Ledger::Expense : Ledger::Income;
    const QString today = dateText(QDate::currentDate());
    addLedgerEntry(data.store(), which, today, QStringLiteral("1500,5"), QStringLiteral("0"),
                   QStringLiteral("09:15:00"), QStringLiteral("ALİ"), QStringLiteral("SATIŞ"),
                   QStringLiteral("PEŞİN"));
    addLedgerEntry(data.store(), which, today, QStringLiteral(",75"));
    addLedgerEntry(data.store(), which, today, QStringLiteral("40"), QStringLiteral("1"));
    addLedgerEntry(data.store(), which, dateText(QDate::currentDate().addDays(-1)), QStringLiteral("3"));
    addLedgerEntry(data.store(), other, today, QStringLiteral("999"));

    LedgerHistoryWindow window(data.store(), which);
    window.show();
    QCOMPARE(window.objectName(), name);
    QCOMPARE(window.windowTitle(), caption);
    QCOMPARE(child<QPushButton>(&window, "Button2")->text(), button2);
    ReportList* list = window.list();
    QCOMPARE(list->objectName(), QStringLiteral("ListView1"));
    QStringList shownHeaders;
    for (int c = 0; c < list->columnCount(); ++c)
        shownHeaders.append(list->headerText(c));
    QCOMPARE(shownHeaders, headers);
    QVERIFY(list->columnAlignment(1) & Qt::AlignRight);

    QCOMPARE(list->rowCount(), 2);
    QCOMPARE(list->rowTexts(0),
             (QStringList{QStringLiteral("ALİ"), QStringLiteral("1.500,50"), QStringLiteral("SATIŞ"),
                          QStringLiteral("PEŞİN"), today, QStringLiteral("09:15:00")}));
    QCOMPARE(list->cell(1, 1), QStringLiteral(",75"));
    QVERIFY(list->listModel()->index(0, 1).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
    QCOMPARE(label3(&window), QStringLiteral("1.501,25"));
    QCOMPARE(child<QLabel>(&window, "Label2")->text(), QStringLiteral("LİSTE TOPLAMI"));
    QCOMPARE(child<QLabel>(&window, "Label1")->text(), QStringLiteral("Arasındaki Gider İşlemlerini Göster"));
}

void TestLedgerWindows::historyPeriodControls()
{
    test::TestData data;
    LedgerHistoryWindow window(data.store(), Ledger::Income);
    window.show();
    auto* day = child<QDateEdit>(&window, "Tarihbox1");
    auto* combo1 = child<QComboBox>(&window, "Combo1");
    auto* combo2 = child<QComboBox>(&window, "Combo2");
    auto* combo3 = child<QComboBox>(&window, "Combo3");
    const QDate today = QDate::currentDate();

    QVERIFY(child<QRadioButton>(&window, "Option1")->isChecked());
    QVERIFY(child<QRadioButton>(&window, "Option3")->isChecked());
    QCOMPARE(day->date(), today);
    QCOMPARE(combo1->count(), 12);
    QCOMPARE(combo1->itemText(0), QStringLiteral("OCAK"));
    QCOMPARE(combo1->itemText(11), QStringLiteral("ARALIK"));
    QCOMPARE(combo1->currentIndex(), today.month() - 1);
    for (QComboBox* years : {combo2, combo3}) {
        QCOMPARE(years->count(), today.year() - 2006 + 1);
        QCOMPARE(years->itemText(0), QStringLiteral("2006"));
        QCOMPARE(years->currentText(), QString::number(today.year()));
    }
    QCOMPARE(label3(&window), QStringLiteral("0,00"));

    struct Expect {
        const char* option;
        bool day, month, monthYear, year;
    };
    const Expect steps[] = {{"Option2", false, true, true, false},
                            {"Option5", false, false, false, true},
                            {"Option1", true, false, false, false}};
    QVERIFY(day->isEnabled() && !combo1->isEnabled() && !combo2->isEnabled() && !combo3->isEnabled());
    for (const Expect& s : steps) {
        click(&window, s.option);
        QCOMPARE(day->isEnabled(), s.day);
        QCOMPARE(combo1->isEnabled(), s.month);
        QCOMPARE(combo2->isEnabled(), s.monthYear);
        QCOMPARE(combo3->isEnabled(), s.year);
    }
}

void TestLedgerWindows::historyListsThePeriod()
{
    test::TestData data;
    Store& s = data.store();
    const Ledger w = Ledger::Income;
    addLedgerEntry(s, w, QStringLiteral("05.03.2008"), QStringLiteral("1"));
    addLedgerEntry(s, w, QStringLiteral("10.01.2008"), QStringLiteral("2"));
    addLedgerEntry(s, w, QStringLiteral("15.12.2008"), QStringLiteral("4"));
    addLedgerEntry(s, w, QStringLiteral("15.12.2007"), QStringLiteral("8"));
    addLedgerEntry(s, w, QStringLiteral("05.03.2008"), QStringLiteral("16"), QStringLiteral("1"));

    LedgerHistoryWindow window(s, w);
    window.show();
    ReportList* list = window.list();
    auto* day = child<QDateEdit>(&window, "Tarihbox1");
    auto* combo1 = child<QComboBox>(&window, "Combo1");
    auto* combo2 = child<QComboBox>(&window, "Combo2");
    auto* combo3 = child<QComboBox>(&window, "Combo3");

    day->setDate(QDate(2008, 3, 5));
    QCOMPARE(column(list, 1), QStringList{QStringLiteral("1,00")});
    day->setDate(QDate(2008, 3, 6));
    QCOMPARE(list->rowCount(), 0);
    QCOMPARE(label3(&window), QStringLiteral("0,00"));

    click(&window, "Option2");
    combo2->setCurrentText(QStringLiteral("2008"));
    combo1->setCurrentText(QStringLiteral("MART"));
    QCOMPARE(column(list, 1), QStringList{QStringLiteral("1,00")});
    combo1->setCurrentText(QStringLiteral("ARALIK"));
    QCOMPARE(column(list, 1), QStringList{QStringLiteral("4,00")});
    combo1->setCurrentText(QStringLiteral("OCAK"));
    QCOMPARE(column(list, 1), QStringList{QStringLiteral("2,00")});

    click(&window, "Option5");
    combo3->setCurrentText(QStringLiteral("2008"));
    QCOMPARE(column(list, 1), (texts({"1,00", "2,00", "4,00"})));
    QCOMPARE(label3(&window), QStringLiteral("7,00"));
    combo3->setCurrentText(QStringLiteral("2007"));
    QCOMPARE(column(list, 1), QStringList{QStringLiteral("8,00")});

    combo3->setCurrentText(QStringLiteral("2008"));
    click(&window, "Option4");
    QCOMPARE(column(list, 1), QStringList{QStringLiteral("16,00")});
    QCOMPARE(label3(&window), QStringLiteral("16,00"));
    click(&window, "Option3");
    QCOMPARE(list->rowCount(), 3);
}

void TestLedgerWindows::historyCancelsTheChosenEntry()
{
    test::TestData data;
    test::MessageBoxCapture boxes;
    Store& s = data.store();
    const QString today = dateText(QDate::currentDate());
    // Same date and same time: only the row chosen may be cancelled.
    addLedgerEntry(s, Ledger::Expense, today, QStringLiteral("12,346"), QStringLiteral("0"),
                   QStringLiteral("10:00:00"), QStringLiteral("ALİ"));
    addLedgerEntry(s, Ledger::Expense, today, QStringLiteral("100"), QStringLiteral("0"),
                   QStringLiteral("10:00:00"), QStringLiteral("VELİ"));
    s.ledger(Ledger::Expense).execute(QStringLiteral("UPDATE KASA_NET SET Kasa_net_bakiye='-112,346'"));

    LedgerHistoryWindow window(s, Ledger::Expense);
    window.show();
    ReportList* list = window.list();
    QCOMPARE(label3(&window), QStringLiteral("112,35"));

    // No keeps everything.
    doubleClickRow(list, 0);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.lastText(), QStringLiteral("ALİBAŞLIKLI GİDER SİLİNSİN Mİ?"));
    QCOMPARE(MessageBox::shown().last().icon, MessageBox::Icon::Question);
    QVERIFY(MessageBox::shown().last().yesNo);
    QCOMPARE(list->rowCount(), 2);
    QCOMPARE(cashBoxText(s, Ledger::Expense), QStringLiteral("-112,346"));

    MessageBox::setNextAnswer(MessageBox::Button::Yes);
    doubleClickRow(list, 0);
    QCOMPARE(column(list, 0), QStringList{QStringLiteral("VELİ")});
    QCOMPARE(label3(&window), QStringLiteral("100,00"));
    // Credited with the stored 12,346, not the 12,35 the list showed.
    QCOMPARE(cashBoxText(s, Ledger::Expense), QStringLiteral("-100"));

    click(&window, "Option4");
    QCOMPARE(column(list, 0), QStringList{QStringLiteral("ALİ")});
    QCOMPARE(label3(&window), QStringLiteral("12,35"));
    // A cancelled entry cannot be cancelled again, by any of the three ways.
    const int before = boxes.count();
    MessageBox::setNextAnswer(MessageBox::Button::Yes);
    doubleClickRow(list, 0);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Space);
    click(&window, "Button3");
    QCOMPARE(boxes.count(), before);
    QCOMPARE(cashBoxText(s, Ledger::Expense), QStringLiteral("-100"));
    MessageBox::clearShown();
}

void TestLedgerWindows::historyCancelKeysAndRefusals()
{
    test::TestData data;
    test::MessageBoxCapture boxes;
    Store& s = data.store();
    const QString today = dateText(QDate::currentDate());
    addLedgerEntry(s, Ledger::Income, today, QStringLiteral("5"), QStringLiteral("0"),
                   QStringLiteral("10:00:00"), QStringLiteral("ALİ"));
    addLedgerEntry(s, Ledger::Income, today, QStringLiteral("7"), QStringLiteral("0"),
                   QStringLiteral("11:00:00"), QStringLiteral("VELİ"));

    LedgerHistoryWindow window(s, Ledger::Income);
    window.show();
    ReportList* list = window.list();

    // With rows but none chosen, the button says so and nothing changes.
    list->setCurrentRow(-1);
    list->setCurrentIndex(QModelIndex());
    click(&window, "Button3");
    QCOMPARE(boxes.lastText(), QStringLiteral("LÜTFEN LİSTEDEN BİR GİRİŞ SEÇİNİZ."));
    QCOMPARE(list->rowCount(), 2);

    // The space key asks the same question as a double click; other keys ask nothing.
    list->setFocus();
    list->setCurrentRow(1);
    const int before = boxes.count();
    QTest::keyClick(list, Qt::Key_X);
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(list->currentRow(), 1);
    QCOMPARE(boxes.count(), before);
    MessageBox::setNextAnswer(MessageBox::Button::Yes);
    QTest::keyClick(list, Qt::Key_Space);
    QCOMPARE(boxes.lastText(), QStringLiteral("VELİBAŞLIKLI GELİR SİLİNSİN Mİ?"));
    QCOMPARE(column(list, 0), QStringList{QStringLiteral("ALİ")});
    QCOMPARE(cashBoxText(s, Ledger::Income), QStringLiteral("7"));

    // The button cancels the current row too.
    list->setCurrentRow(0);
    MessageBox::setNextAnswer(MessageBox::Button::Yes);
    click(&window, "Button3");
    QCOMPARE(boxes.lastText(), QStringLiteral("ALİBAŞLIKLI GELİR SİLİNSİN Mİ?"));
    QCOMPARE(list->rowCount(), 0);
    QCOMPARE(label3(&window), QStringLiteral("0,00"));
    QCOMPARE(cashBoxText(s, Ledger::Income), QStringLiteral("12"));

    // An empty list asks nothing.
    const int now = boxes.count();
    click(&window, "Button3");
    QCOMPARE(boxes.count(), now);

    // A cash box that does not read stops the cancellation with a message; the entry stays valid.
    addLedgerEntry(s, Ledger::Income, today, QStringLiteral("9"));
    s.ledger(Ledger::Income).execute(QStringLiteral("UPDATE KASA_NET SET Kasa_net_bakiye='on iki'"));
    window.GECMISI_YUKLE();
    list->setCurrentRow(0);
    MessageBox::setNextAnswer(MessageBox::Button::Yes);
    click(&window, "Button3");
    QCOMPARE(MessageBox::shown().last().icon, MessageBox::Icon::Error);
    QCOMPARE(list->rowCount(), 1);
    QCOMPARE(cashBoxText(s, Ledger::Income), QStringLiteral("on iki"));
}

void TestLedgerWindows::historyReloadsAfterTheEntryForm()
{
    test::TestData data;
    test::MessageBoxCapture boxes;
    Store& s = data.store();
    LedgerHistoryWindow window(s, Ledger::Expense);
    window.show();
    ReportList* list = window.list();
    QCOMPARE(list->rowCount(), 0);

    // "VAZGEÇ" still reloads: a row that arrived meanwhile shows up.
    bool seen = false;
    QTimer::singleShot(0, &window, [&] {
        QWidget* form = QApplication::activeModalWidget();
        QVERIFY(form);
        QCOMPARE(form->objectName(), QStringLiteral("GiderYaz"));
        seen = true;
        addLedgerEntry(s, Ledger::Expense, dateText(QDate::currentDate()), QStringLiteral("3"));
        click(form, "Button2");
    });
    click(&window, "Button2");
    QVERIFY(seen);
    QCOMPARE(list->rowCount(), 1);
    QCOMPARE(entryCount(s, Ledger::Expense), 1);

    // An entry written in the form is listed once the form closes.
    QTimer::singleShot(0, &window, [&] {
        QWidget* form = QApplication::activeModalWidget();
        QVERIFY(form);
        fillAndConfirm(form, QStringLiteral("İŞLETME"), QStringLiteral("ELEKTRİK"),
                       QStringLiteral("ŞUBAT FATURASI"), QStringLiteral("250,4"));
    });
    click(&window, "Button2");
    QCOMPARE(boxes.lastText(), QStringLiteral("GİDER İŞLENDİ"));
    QCOMPARE(column(list, 2), (texts({"KİRA", "ELEKTRİK"})));
    QCOMPARE(label3(&window), QStringLiteral("253,40"));
    QCOMPARE(cashBoxText(s, Ledger::Expense), QStringLiteral("-250,4"));
    QCOMPARE(cashBoxText(s, Ledger::Income), QStringLiteral("0"));
}

void TestLedgerWindows::historyWithManyEntries()
{
    test::TestData data;
    Store& s = data.store();
    BookConnection& db = s.ledger(Ledger::Income);
    const QDate today = QDate::currentDate();
    const QDate first(2006, 1, 1);
    const qint64 span = first.daysTo(today) + 1;
    {
        BookTransaction tx(db);
        BookQuery st = db.prepare(QStringLiteral(
            "INSERT INTO GIDERLER(gider_ad,gider_tarihi,gider_aciklama,gider_saati,gider_yapan,gider_tutar,"
            "gider_iptal) VALUES ('KİRA',?1,'AYLIK ÖDEME YAPILDI','12:00:00','İŞLETME',?2,?3)"));
        for (int i = 0; i < 50000; ++i) {
            // A tenth of the entries fall on today, the rest spread over every day since 2006.
            const QDate d = i % 10 == 0 ? today : first.addDays(i % span);
            st.reset();
            st.bind(1, dateText(d))
                .bind(2, QStringLiteral("%1,%2").arg(i % 997).arg(i % 100))
                .bind(3, i % 7 == 0 ? QStringLiteral("1") : QStringLiteral("0"));
            st.step();
        }
        tx.commit();
    }

    // The times are reported, not asserted: kalvora-bench measures them on a quiet machine.
    QElapsedTimer clock;
    clock.start();
    LedgerHistoryWindow window(s, Ledger::Income);
    window.show();
    qInfo("opening: %lld ms", clock.elapsed());
    QVERIFY(window.list()->rowCount() > 4000);

    auto timed = [&](const char* what, const std::function<void()>& change) {
        clock.restart();
        const int before = window.list()->rowCount();
        change();
        qInfo("%s: %lld ms, %d rows before, %d after", what, clock.elapsed(), before,
              window.list()->rowCount());
    };
    timed("month", [&] { click(&window, "Option2"); });
    timed("other month", [&] { child<QComboBox>(&window, "Combo1")->setCurrentIndex((today.month()) % 12); });
    timed("year", [&] { click(&window, "Option5"); });
    timed("other year", [&] { child<QComboBox>(&window, "Combo3")->setCurrentIndex(2); });
    timed("cancelled", [&] { click(&window, "Option4"); });
    timed("day", [&] { click(&window, "Option1"); });
    timed("other day", [&] { child<QDateEdit>(&window, "Tarihbox1")->setDate(QDate(2010, 6, 1)); });
}

void TestLedgerWindows::openedFromTheMainWindow_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("window");
    QTest::addColumn<Ledger>("which");
    QTest::newRow("GELİR YAZ") << "MyButton12"
                               << "GelirMenu" << Ledger::Income;
    QTest::newRow("GİDER YAZ") << "MyButton13"
                               << "GiderMenu" << Ledger::Expense;
}

void TestLedgerWindows::openedFromTheMainWindow()
{
    QFETCH(QString, button);
    QFETCH(QString, window);
    QFETCH(Ledger, which);
    test::TestData data;
    test::MessageBoxCapture boxes;
    addLedgerEntry(data.store(), which, dateText(QDate::currentDate()), QStringLiteral("42"));
    MainWindow main(data.store(), data.folder());
    connectWindowOpeners(main);
    main.show();
    QString opened;
    bool modalOverMain = false;
    int rows = -1;
    QTimer::singleShot(0, &main, [&] {
        QWidget* w = QApplication::activeModalWidget();
        QVERIFY(w);
        opened = w->objectName();
        modalOverMain = w->parentWidget() == &main;
        rows = w->findChild<ReportList*>(QStringLiteral("ListView1"))->rowCount();
        click(w, "Button1");
    });
    main.findChild<PictureButton*>(button)->click();
    QCOMPARE(opened, window);
    QVERIFY(modalOverMain);
    QCOMPARE(rows, 1);
}

QTEST_MAIN(TestLedgerWindows)
#include "tst_ledger_windows.moc"
