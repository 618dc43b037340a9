#include "accounts/account_book.h"
#include "accounts/archive_restore.h"
#include "accounts/ui/archive_restore_link.h"
#include "archive/cancellation_archive.h"
#include "archive/ui/cancellation_archive_window.h"
#include "customers/customer_repository.h"
#include "data/clock.h"
#include "data/turkish_text.h"
#include "reliability/fault_actions.h"
#include "support/test_data.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"
#include "widgets/report_list.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <functional>

using namespace kalvora;
using test::entry;
using test::firstRowOf;
using test::person;

using Action = std::function<void(Store&)>;
Q_DECLARE_METATYPE(Action)

namespace {

const QDateTime stamp(QDate(2026, 12, 9), QTime(19, 40, 5));

// People and their rows, every column, in key order.
QStringList accounts(Store& store)
{
    QStringList out;
    for (const char* table : {"main.MUSTERILER ORDER BY oto_kod", "cari.CARIKART ORDER BY otokod"}) {
        BookQuery st =
            store.accounts().prepare(QStringLiteral("SELECT * FROM ") + QString::fromLatin1(table));
        while (st.step()) {
            QStringList cells;
            // A server's row version counts changes, which a restore does not take back.
            for (int c = 0; c < st.columnCount(); ++c)
                if (st.columnName(c) != QLatin1String("row_version"))
                    cells << st.text(c);
            out << cells.join(QLatin1Char('|'));
        }
    }
    return out;
}

// Each person whose stored balances differ from the sums of their rows.
QStringList balanceProblems(Store& store)
{
    QStringList out;
    for (const Customer& c : CustomerRepository(store).all()) {
        const AccountFigures f = AccountBook(store).load(c.key).figures;
        const QStringList stored{displayAmount(c.balanceTl), displayAmount(c.balanceUsd),
                                 displayAmount(c.balanceEuro)};
        const QStringList sums{f.balanceText(Currency::Tl), f.balanceText(Currency::Dolar),
                               f.balanceText(Currency::Euro)};
        if (stored != sums)
            out << c.name + QStringLiteral(": ") + stored.join(QLatin1Char('/')) + QStringLiteral(" <> ") +
                       sums.join(QLatin1Char('/'));
    }
    return out;
}

// Two people (ALİ VELİ owing 1.250,50 TL and 100 DOLAR, AYŞE'NİN DÜKKANI at zero with two EURO rows).
void setUp(test::TestData& data)
{
    Clock::setFixed(stamp); // for the rest of the program: every item is stamped alike
    test::standardSetup(data);
}

} // namespace

class TestCancellationArchive : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { qRegisterMetaType<Action>(); }

    // Each action leaves one item saying what, when and who; its restore brings every row and balance
    // back exactly, and the stored balances equal the sums of the rows at every step.
    void actionArchivedAndRestored_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("personKey");
        QTest::addColumn<QStringList>("leftAfterRestore");
        const QString date = QStringLiteral("09.12.2026 19:40:05");
        QTest::newRow("cancel") << Action([](Store& s) {
            AccountBook(s).cancel(QStringLiteral("1"), firstRowOf(s, QStringLiteral("1")));
        }) << QStringList{date,      QStringLiteral("İPTAL"),    QStringLiteral("ALİ VELİ"),
                          QString(), QStringLiteral("1.500,50"), QStringLiteral("TL")}
                                << QStringLiteral("1") << QStringList();
        // Restoring an edit archives the version it replaces.
        QTest::newRow("edit") << Action([](Store& s) {
            AccountBook(s).edit(
                QStringLiteral("1"), QStringLiteral("ALİ VELİ"), firstRowOf(s, QStringLiteral("1")),
                entry(QStringLiteral("1.750,00"), QStringLiteral("DOLAR"), QStringLiteral("düzeltme")));
        }) << QStringList{date,      QStringLiteral("DEĞİŞİKLİK"), QStringLiteral("ALİ VELİ"),
                          QString(), QStringLiteral("1.500,50"),   QStringLiteral("TL")}
                              << QStringLiteral("1")
                              << QStringList{date,
                                             QStringLiteral("DEĞİŞİKLİK"),
                                             QStringLiteral("ALİ VELİ"),
                                             QStringLiteral("DÜZELTME"),
                                             QStringLiteral("1.750,00"),
                                             QStringLiteral("DOLAR")};
        QTest::newRow("reset") << Action([](Store& s) {
            QVERIFY(!AccountBook(s).reset(QStringLiteral("2")).outstanding);
        })
                               << QStringList{date,
                                              QStringLiteral("SIFIRLAMA"),
                                              QStringLiteral("AYŞE'NİN DÜKKANI"),
                                              QStringLiteral("2 İŞLEM"),
                                              QString(),
                                              QString()}
                               << QStringLiteral("2") << QStringList();
        QTest::newRow("person deleted")
            << Action([](Store& s) { QCOMPARE(CustomerRepository(s).remove(QStringLiteral("2")), 2); })
            << QStringList{date,
                           QStringLiteral("KİŞİ SİLME"),
                           QStringLiteral("AYŞE'NİN DÜKKANI"),
                           QStringLiteral("2 İŞLEM"),
                           QString(),
                           QString()}
            << QStringLiteral("2") << QStringList();
    }
    void actionArchivedAndRestored()
    {
        QFETCH(Action, action);
        QFETCH(QStringList, texts);
        QFETCH(QString, personKey);
        QFETCH(QStringList, leftAfterRestore);
        test::TestData data;
        setUp(data);
        Store& store = data.store();
        const QStringList before = accounts(store);
        action(store);
        QVERIFY(accounts(store) != before);
        QCOMPARE(balanceProblems(store), QStringList());

        CancellationArchive archive(store);
        const QList<ArchiveItem> items = archive.items();
        QCOMPARE(items.size(), 1);
        QStringList shown = items.first().columnTexts();
        const ArchiveActor actor = ArchiveActor::current();
        QVERIFY(!actor.user.isEmpty() && !actor.computer.isEmpty());
        QCOMPARE(shown.takeLast(), actor.user + QLatin1Char('@') + actor.computer);
        QCOMPARE(shown, texts);

        const CancellationArchive::Restore r = ArchiveRestore(store).restore(items.first().key);
        QCOMPARE(r.result, CancellationArchive::RestoreResult::Restored);
        QCOMPARE(r.personKey, personKey);
        QCOMPARE(accounts(store), before);
        QCOMPARE(balanceProblems(store), QStringList());
        const QList<ArchiveItem> left = archive.items();
        QCOMPARE(left.isEmpty(), leftAfterRestore.isEmpty());
        if (!left.isEmpty())
            QCOMPARE(left.first().columnTexts().mid(0, 6), leftAfterRestore);
    }

    // A transaction of a deleted person waits for the person; a person whose key another holds stays
    // archived; an edit of a cancelled row waits for the row. Each refusal changes nothing.
    void restoreNeedsThePerson()
    {
        test::TestData data;
        setUp(data);
        Store& store = data.store();
        const QStringList initial = accounts(store);
        AccountBook(store).cancel(QStringLiteral("2"), firstRowOf(store, QStringLiteral("2")));
        CustomerRepository(store).remove(QStringLiteral("2"));
        CancellationArchive archive(store);
        const QList<ArchiveItem> items = archive.items(); // newest first
        QCOMPARE(items.size(), 2);
        QCOMPARE(items.at(0).action, QStringLiteral("KİŞİ SİLME"));
        QCOMPARE(items.at(0).rowCount, 1);
        QCOMPARE(items.at(1).action, QStringLiteral("İPTAL"));
        const QStringList deleted = accounts(store);

        QCOMPARE(ArchiveRestore(store).restore(items.at(1).key).result,
                 CancellationArchive::RestoreResult::PersonGone);
        QCOMPARE(accounts(store), deleted);
        store.accounts().execute(QStringLiteral("INSERT INTO MUSTERILER (oto_kod, adisoyadi)") +
                                 store.accounts().keepingKeys() + QStringLiteral(" VALUES (2, 'BAŞKASI')"));
        QCOMPARE(ArchiveRestore(store).restore(items.at(0).key).result,
                 CancellationArchive::RestoreResult::PersonExists);
        store.accounts().execute(QStringLiteral("DELETE FROM MUSTERILER WHERE oto_kod = 2"));
        QCOMPARE(accounts(store), deleted);
        QCOMPARE(archive.items().size(), 2);

        QCOMPARE(ArchiveRestore(store).restore(items.at(0).key).result,
                 CancellationArchive::RestoreResult::Restored);
        QCOMPARE(ArchiveRestore(store).restore(items.at(1).key).result,
                 CancellationArchive::RestoreResult::Restored);
        QCOMPARE(ArchiveRestore(store).restore(items.at(1).key).result,
                 CancellationArchive::RestoreResult::NotFound);
        QCOMPARE(accounts(store), initial);
        QCOMPARE(balanceProblems(store), QStringList());
        QVERIFY(archive.items().isEmpty());

        // An edit of a row cancelled since waits for the row.
        const qint64 row = firstRowOf(store, QStringLiteral("1"));
        AccountBook(store).edit(QStringLiteral("1"), QStringLiteral("ALİ VELİ"), row,
                                entry(QStringLiteral("5"), QStringLiteral("EURO")));
        AccountBook(store).cancel(QStringLiteral("1"), row);
        const QList<ArchiveItem> edited = archive.items();
        QCOMPARE(ArchiveRestore(store).restore(edited.at(1).key).result,
                 CancellationArchive::RestoreResult::RowGone);
        QCOMPARE(ArchiveRestore(store).restore(edited.at(0).key).result,
                 CancellationArchive::RestoreResult::Restored);
        QCOMPARE(ArchiveRestore(store).restore(edited.at(1).key).result,
                 CancellationArchive::RestoreResult::Restored);
        QCOMPARE(accounts(store), initial);
        QCOMPARE(balanceProblems(store), QStringList());
    }

    // The window lists every kind, filters by any column in Turkish upper case, and restores the
    // selected item through the question, the confirmation and the signal; a refusal is shown and
    // emits nothing.
    void windowRestores()
    {
        test::TestData data;
        setUp(data);
        Store& store = data.store();
        const qint64 first = firstRowOf(store, QStringLiteral("1"));
        AccountBook(store).cancel(QStringLiteral("1"), first);
        AccountBook(store).edit(QStringLiteral("1"), QStringLiteral("ALİ VELİ"),
                                firstRowOf(store, QStringLiteral("1")),
                                entry(QStringLiteral("300"), QStringLiteral("TL"), QStringLiteral("kira")));
        AccountBook(store).reset(QStringLiteral("2"));
        CustomerRepository(store).remove(
            CustomerRepository(store).insert({QStringLiteral("ışıl"), {}, {}, {}, {}, {}}));
        test::MessageBoxCapture boxes;
        CancellationArchiveWindow w(store);
        connectArchiveRestore(w, store);
        QCOMPARE(w.objectName(), QStringLiteral("IptalArsivi"));
        QCOMPARE(w.windowTitle(), QStringLiteral("İPTAL ARŞİVİ"));
        QVERIFY(w.windowState() & Qt::WindowMaximized);
        ReportList* list = w.list();
        QCOMPARE(list->headerText(6), QStringLiteral("KULLANICI"));
        auto actions = [list] {
            QStringList out;
            for (int r = 0; r < list->rowCount(); ++r)
                out << list->cell(r, 1);
            return out;
        };
        QCOMPARE(actions(), QStringList({QStringLiteral("KİŞİ SİLME"), QStringLiteral("SIFIRLAMA"),
                                         QStringLiteral("DEĞİŞİKLİK"), QStringLiteral("İPTAL")}));
        QCOMPARE(list->cell(0, 3), QStringLiteral("0 İŞLEM"));

        const QList<QPair<QString, QStringList>> filters = {
            {QStringLiteral("ışıl"), {QStringLiteral("KİŞİ SİLME")}},
            {QStringLiteral("veli"), {QStringLiteral("DEĞİŞİKLİK"), QStringLiteral("İPTAL")}},
            {QStringLiteral("sıfır"), {QStringLiteral("SIFIRLAMA")}},
            {QStringLiteral("1.500,50"), {QStringLiteral("İPTAL")}},
            {QString(), actions()},
        };
        for (const auto& [filter, expected] : filters) {
            w.filterBox()->setText(filter);
            w.findChild<PictureButton*>(QStringLiteral("MyButton1"))->click();
            QCOMPARE(actions(), expected);
        }

        QSignalSpy restored(&w, &CancellationArchiveWindow::restored);
        auto restoreRow = [&](const QString& action, MessageBox::Button answer) {
            list->setCurrentRow(static_cast<int>(actions().indexOf(action)));
            MessageBox::clearShown();
            MessageBox::setNextAnswer(answer);
            w.findChild<PictureButton*>(QStringLiteral("MyButton2"))->click();
        };
        restoreRow(QStringLiteral("İPTAL"), MessageBox::Button::No);
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().first().text, QStringLiteral("SEÇİLEN KAYIT GERİ ALINSIN MI?"));
        QCOMPARE(MessageBox::shown().first().icon, MessageBox::Icon::Question);
        QCOMPARE(list->rowCount(), 4);

        restoreRow(QStringLiteral("İPTAL"), MessageBox::Button::Yes);
        QCOMPARE(boxes.lastText(), QStringLiteral("KAYIT GERİ ALINDI."));
        QCOMPARE(MessageBox::shown().last().icon, MessageBox::Icon::Information);
        QCOMPARE(restored.size(), 1);
        QCOMPARE(restored.first().first().toString(), QStringLiteral("1"));
        QVERIFY(!actions().contains(QStringLiteral("İPTAL")));
        QCOMPARE(firstRowOf(store, QStringLiteral("1")), first);
        QCOMPARE(balanceProblems(store), QStringList());

        CustomerRepository(store).remove(QStringLiteral("1"));
        w.fill();
        restoreRow(QStringLiteral("DEĞİŞİKLİK"), MessageBox::Button::Yes);
        QCOMPARE(boxes.lastText(), QStringLiteral("KİŞİ ARTIK KAYITLI DEĞİL. ÖNCE KİŞİYİ GERİ ALIN."));
        QCOMPARE(MessageBox::shown().last().icon, MessageBox::Icon::Error);
        QCOMPARE(restored.size(), 1);
    }
};

QTEST_MAIN(TestCancellationArchive)
#include "tst_cancellation_archive.moc"
