#include "accounts/account_book.h"
#include "accounts/archive_restore.h"
#include "accounts/ui/account_card.h"
#include "app/application.h"
#include "app/main_window.h"
#include "app/window_openers.h"
#include "archive/cancellation_archive.h"
#include "customers/customer_repository.h"
#include "data/clock.h"
#include "data/password_file.h"
#include "data/pg/pg_connection.h"
#include "data/turkish_text.h"
#include "ledger/ledger_fixture.h"
#include "reports/ui/charts_window.h"
#include "support/gui_helpers.h"
#include "support/test_data.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"
#include "widgets/report_list.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <thread>

#include <csignal>
#include <unistd.h>

using namespace kalvora;

namespace {

Entry entry(const QString& amount)
{
    Entry e;
    e.amount = amount;
    e.currency = QStringLiteral("TL");
    e.date = QDate(2026, 12, 9);
    e.time = QStringLiteral("10:00:00");
    return e;
}

// What another desk commits before a window opens and while it is open, in the window's own terms.
enum class Change { Lend, Collect, Income, Expense, Cancel };

void commit(Store& store, Change change, const QString& person, const QString& amount)
{
    const Customer c = *CustomerRepository(store).find(person);
    switch (change) {
    case Change::Lend:
        AccountBook(store).lend(c, entry(amount));
        break;
    case Change::Collect:
        AccountBook(store).collect(c, entry(amount));
        break;
    case Change::Income:
    case Change::Expense:
        test::addLedgerEntry(store, change == Change::Income ? Ledger::Income : Ledger::Expense,
                             dateText(Clock::today()), amount, QStringLiteral("0"),
                             QStringLiteral("10:00:00"), c.name);
        break;
    case Change::Cancel: {
        // The person's newest row is lent and cancelled at once: one archive item per commit pair.
        const AccountState state = AccountBook(store).lend(c, entry(amount));
        qint64 newest = 0;
        for (const AccountRow& row : state.rows)
            newest = std::max(newest, row.key);
        AccountBook(store).cancel(person, newest);
        break;
    }
    }
}

constexpr int deskCount = 4;
constexpr int savesPerDesk = 500;
constexpr int people = 20;

// One desk process: savesPerDesk lendings and collections on the first `people` people of the book;
// prints how many it saved and their sum in cents.
int runDesk(const QString& uri, quint32 seed, qint64 startAt)
{
    QTemporaryDir folder;
    std::unique_ptr<Store> store = Store::onServer(folder.path(), uri);
    if (!store->initialize().isEmpty())
        return 3;
    const QList<Customer> everybody = CustomerRepository(*store).readAll();
    // All desks begin at the same moment, whenever each of them got ready.
    while (QDateTime::currentMSecsSinceEpoch() < startAt)
        QThread::msleep(1);
    // Every desk walks the same people in the same order, so that desks meet on one person all the
    // time, up to their last saves; the amounts and kinds are the desk's own.
    QRandomGenerator walk(2026);
    QRandomGenerator random(seed);
    qint64 cents = 0;
    int saved = 0;
    for (int i = 0; i < savesPerDesk; ++i) {
        const Customer& person = everybody.at(walk.bounded(people));
        const int amount = 1 + random.bounded(999);
        const bool lend = random.bounded(2) == 0;
        try {
            lend ? AccountBook(*store).lend(person, entry(QString::number(amount)))
                 : AccountBook(*store).collect(person, entry(QString::number(amount)));
        } catch (const DbError& e) {
            fprintf(stderr, "%s\n", qPrintable(e.message()));
            return 1;
        }
        cents += (lend ? amount : -amount) * 100;
        ++saved;
    }
    printf("%d %lld\n", saved, static_cast<long long>(cents));
    return 0;
}

// A desk that locks the person as a save does and then stops answering (the test freezes it).
int holdPerson(const QString& uri, const QString& person)
{
    QTemporaryDir folder;
    std::unique_ptr<Store> store = Store::onServer(folder.path(), uri);
    if (!store->initialize().isEmpty())
        return 3;
    BookConnection& db = store->accounts();
    BookTransaction tx(db);
    CustomerRepository::lockPerson(db, person);
    std::puts("LOCKED");
    std::fflush(stdout);
    for (;;)
        ::pause();
}

// The same book as another role: a desk that does not own it, with the rights the set-up gives desks.
QString asDesk(const QString& ownerUri, PgConnection& owner)
{
    owner.exec(QStringLiteral("DO $$ BEGIN CREATE ROLE kalvora_masa_test LOGIN; EXCEPTION WHEN "
                              "duplicate_object THEN NULL; END $$"));
    const QString database = owner.scalar(QStringLiteral("SELECT current_database()")).toString();
    owner.exec(
        QStringLiteral("GRANT CONNECT ON DATABASE %1 TO kalvora_masa_test; "
                       "GRANT USAGE ON SCHEMA cari, iptal, gelir, gider, kalvora TO kalvora_masa_test; "
                       "GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA cari, gelir, gider "
                       "TO kalvora_masa_test; "
                       "GRANT SELECT, INSERT ON iptal.IPTALLER, iptal.IPTAL_HAREKETLER TO kalvora_masa_test; "
                       "GRANT SELECT ON iptal.GERI_ALINANLAR, kalvora.schema_version TO kalvora_masa_test; "
                       "GRANT EXECUTE ON FUNCTION iptal.geri_al(bigint, text, text, text, text), "
                       "kalvora.note_save(uuid) TO kalvora_masa_test")
            .arg(database));
    QString uri = ownerUri;
    return uri.replace(QStringLiteral("user=kalvora_test"), QStringLiteral("user=kalvora_masa_test"));
}

// The test program re-executed as a whole desk: it runs what main.cpp runs (runApplication) and is worked
// from outside as a person would work it, through its windows. It logs in with the password, prints its
// main list as "LIST name|balance;..." whenever that changes, and on "lend NAME AMOUNT" from standard
// input opens the person's card, lends through the lending window and prints "SAVED".
QString deskPassword;

QString mainListText(MainWindow* main)
{
    QStringList rows;
    const ReportList* list = main->list();
    for (int r = 0; r < list->rowCount(); ++r)
        rows << list->rowTexts(r).mid(0, list->columnCount() - 1).join(QLatin1Char('|'));
    return QStringLiteral("LIST ") + rows.join(QLatin1Char(';'));
}

MainWindow* shownMainWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* main = qobject_cast<MainWindow*>(w); main && main->isVisible())
            return main;
    return nullptr;
}

// Runs step on the modal window of that name once it is up.
void whenModal(const QString& name, std::function<void(QDialog*)> step)
{
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, qApp, [timer, name, step] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != name)
            return;
        timer->deleteLater();
        timer->stop();
        step(dialog);
    });
    timer->start(20);
}

void lendThroughWindows(const QString& name, const QString& amount)
{
    MainWindow* main = shownMainWindow();
    for (int r = 0; r < main->list()->rowCount(); ++r)
        if (main->list()->rowTexts(r).contains(name))
            main->list()->setCurrentRow(r);
    whenModal(QStringLiteral("Form4"), [amount](QDialog* card) {
        whenModal(QStringLiteral("Form5"), [amount, card](QDialog* lending) {
            auto* description = lending->findChild<QWidget*>(QStringLiteral("xpText1"));
            description->setFocus();
            test::typeText(description, QStringLiteral("KİRA"));
            test::typeText(lending->findChild<QLineEdit*>(QStringLiteral("Text1")), amount);
            auto* currency = lending->findChild<QComboBox*>(QStringLiteral("Combo1"));
            currency->setCurrentIndex(currency->findText(QStringLiteral("TL")));
            test::click(lending, "MyButton6");
            QTimer::singleShot(0, card, [card] {
                test::click(card, "MyButton5");
                std::puts("SAVED");
                std::fflush(stdout);
            });
        });
        test::click(card, "MyButton1");
    });
    test::click(main, "MyButton4");
}

void driveDesk()
{
    auto* tick = new QTimer(qApp);
    auto* lastList = new QString;
    QObject::connect(tick, &QTimer::timeout, qApp, [lastList] {
        QWidget* login = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("Form8") && w->isVisible())
                login = w;
        if (login) {
            login->findChild<QLineEdit*>(QStringLiteral("Text1"))->setText(deskPassword);
            test::click(login, "MyButton6");
            return;
        }
        if (MainWindow* main = shownMainWindow()) {
            const QString text = mainListText(main);
            if (text != *lastList) {
                *lastList = text;
                std::printf("%s\n", text.toUtf8().constData());
                std::fflush(stdout);
            }
        }
    });
    tick->start(20);
    auto* commands = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, qApp);
    auto* pending = new QByteArray;
    QObject::connect(commands, &QSocketNotifier::activated, qApp, [commands, pending] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            commands->setEnabled(false);
            return;
        }
        pending->append(buffer, n);
        while (pending->contains('\n')) {
            const qsizetype end = pending->indexOf('\n');
            const QStringList words = QString::fromUtf8(pending->left(end)).split(QLatin1Char(' '));
            pending->remove(0, end + 1);
            if (words.size() == 3 && words.at(0) == QLatin1String("lend"))
                lendThroughWindows(words.at(1), words.at(2));
        }
    });
}

} // namespace

Q_DECLARE_METATYPE(Change)

// Two desks on one server book: what one commits shows on the other by itself, within a second.
class TestDesks : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { qputenv("KALVORA_TEST_STORE", "server"); }

    void otherDesksCommitsShowWithinASecond_data()
    {
        QTest::addColumn<bool>("card");
        QTest::newRow("main list") << false;
        QTest::newRow("account card") << true;
    }
    void otherDesksCommitsShowWithinASecond()
    {
        QFETCH(bool, card);
        test::TestData data;
        test::MessageBoxCapture boxes;
        const QString ali = QString::number(data.addPerson(QStringLiteral("ALİ")));
        const QString veli = QString::number(data.addPerson(QStringLiteral("VELİ")));
        std::unique_ptr<Store> other = data.otherDesk();
        QVERIFY(other->initialize().isEmpty());
        QVERIFY(other->watcher());

        MainWindow desk(*other, data.folder());
        connectWindowOpeners(desk);
        desk.list()->setCurrentRow(desk.list()->listModel()->rowOfHidden(veli));
        AccountCard shown(*other, &desk);
        shown.setPerson(*CustomerRepository(*other).find(ali));
        const qint64 before = *other->accountsVersion();

        // This desk's own commit is no news to its watcher.
        AccountBook(*other).lend(*CustomerRepository(*other).find(veli), entry(QStringLiteral("5")));
        QTest::qWait(300);
        QCOMPARE(*other->accountsVersion(), before);

        QElapsedTimer clock;
        clock.start();
        AccountBook(data.store())
            .lend(*CustomerRepository(data.store()).find(ali), entry(QStringLiteral("1234")));
        if (card) {
            QObject::connect(other->watcher(), &BookWatcher::changed, &shown,
                             [&shown](const QStringList&) { shown.refreshForOtherDesks(); });
            QTRY_COMPARE_WITH_TIMEOUT(shown.list()->rowCount(), 1, 1000);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(desk.list()->cell(desk.list()->listModel()->rowOfHidden(ali), 0),
                                      QStringLiteral("1.234,00"), 1000);
            // The chosen person stays chosen.
            QCOMPARE(desk.list()->hiddenValue(desk.list()->currentRow()).toString(), veli);
        }
        QVERIFY(clock.elapsed() < 1000);
        QVERIFY(*other->accountsVersion() > before);
        QCOMPARE(boxes.count(), 0);
    }

    // Each report and ledger window, opened as the main window opens it, shows another desk's commit
    // within a second, with the chosen row, the filter and the sorted column kept.
    void windowsFollowOtherDesks_data()
    {
        QTest::addColumn<QString>("opener");
        QTest::addColumn<QString>("menuButton");
        QTest::addColumn<QString>("window");
        QTest::addColumn<Change>("change");
        QTest::addColumn<int>("nameColumn");
        QTest::addColumn<int>("sortColumn");
        const QString reports = QStringLiteral("reports");
        QTest::newRow("money given") << reports << QStringLiteral("MyButton1") << QStringLiteral("Form14")
                                     << Change::Lend << 0 << 0;
        QTest::newRow("money received") << reports << QStringLiteral("MyButton2") << QStringLiteral("Form15")
                                        << Change::Collect << 0 << 0;
        QTest::newRow("net position")
            << reports << QStringLiteral("MyButton3") << QStringLiteral("Form16") << Change::Lend << -1 << -1;
        QTest::newRow("debtors") << reports << QStringLiteral("MyButton4") << QStringLiteral("Form17")
                                 << Change::Lend << 0 << 0;
        QTest::newRow("creditors") << reports << QStringLiteral("MyButton5") << QStringLiteral("Form18")
                                   << Change::Collect << 0 << 0;
        QTest::newRow("charts, accounts") << reports << QStringLiteral("MyButton6")
                                          << QStringLiteral("Grafikler") << Change::Lend << -1 << -1;
        QTest::newRow("charts, ledgers") << reports << QStringLiteral("MyButton6")
                                         << QStringLiteral("Grafikler") << Change::Income << -1 << -1;
        QTest::newRow("income ledger") << QStringLiteral("income") << QString() << QStringLiteral("GelirMenu")
                                       << Change::Income << 0 << -1;
        QTest::newRow("expense ledger") << QStringLiteral("expense") << QString()
                                        << QStringLiteral("GiderMenu") << Change::Expense << 0 << -1;
        QTest::newRow("archive") << QStringLiteral("archive") << QString() << QStringLiteral("IptalArsivi")
                                 << Change::Cancel << 2 << -1;
    }
    void windowsFollowOtherDesks()
    {
        QFETCH(QString, opener);
        QFETCH(QString, menuButton);
        QFETCH(QString, window);
        QFETCH(Change, change);
        QFETCH(int, nameColumn);
        QFETCH(int, sortColumn);
        test::TestData data;
        test::MessageBoxCapture boxes;
        // "ALİ CAN" matches the archive's filter "ALİ" as "ALİ" does, "VELİ" does not.
        const QString ali = QString::number(data.addPerson(QStringLiteral("ALİ")));
        const QString veli = QString::number(data.addPerson(QStringLiteral("VELİ")));
        const QString can = QString::number(data.addPerson(QStringLiteral("ALİ CAN")));
        commit(data.store(), change, ali, QStringLiteral("100"));
        commit(data.store(), change, veli, QStringLiteral("50"));
        std::unique_ptr<Store> other = data.otherDesk();
        QVERIFY(other->initialize().isEmpty());
        MainWindow desk(*other, data.folder());
        connectWindowOpeners(desk);

        bool ran = false;
        auto drive = [&](QDialog* shown) {
            ran = true;
            auto* list = shown->findChild<ReportList*>(QStringLiteral("ListView1"));
            auto* currency = shown->findChild<QComboBox*>(QStringLiteral("Combo1"));
            auto* filter = shown->findChild<QLineEdit*>(QStringLiteral("Text1"));
            auto* monthly = shown->findChild<QRadioButton*>(QStringLiteral("Option2"));
            if (window == QLatin1String("Form14") || window == QLatin1String("Form15")) {
                currency->setCurrentIndex(currency->findText(QStringLiteral("TL")));
                Q_EMIT currency->activated(currency->currentIndex());
            } else if (filter) {
                // The list shows what "ALİ" matches; what is typed after it is not yet applied.
                test::typeText(filter, QStringLiteral("ALİ"));
                QTest::keyClick(filter, Qt::Key_Return);
                test::typeText(filter, QStringLiteral(" DE"));
            } else if (monthly) {
                monthly->click();
            }
            if (sortColumn >= 0)
                Q_EMIT list->headerClicked(sortColumn); // names from Z to A
            QStringList chosen;
            if (list) {
                for (int r = 0; r < list->rowCount(); ++r)
                    if (list->cell(r, nameColumn) == QStringLiteral("ALİ"))
                        list->setCurrentRow(r);
                QVERIFY(list->currentRow() >= 0);
                chosen = list->rowTexts(list->currentRow());
            }
            const int rows = list ? list->rowCount() : 0;
            const QString net = test::labelText(shown, "al1");
            auto* charts = qobject_cast<ChartsWindow*>(shown);
            const ChartKind kind = change == Change::Income ? ChartKind::Ledger : ChartKind::NetPosition;
            if (charts)
                charts->showKind(kind);
            const QList<QStringList> figures =
                charts ? charts->chart(kind).tableRows() : QList<QStringList>();
            QElapsedTimer clock;
            clock.start();
            commit(data.store(), change, can, QStringLiteral("30"));
            if (charts) {
                QTRY_VERIFY_WITH_TIMEOUT(charts->chart(kind).tableRows() != figures, 1000);
            } else if (list) {
                QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), rows + 1, 1000);
                QCOMPARE(list->rowTexts(list->currentRow()), chosen);
            } else {
                QTRY_VERIFY_WITH_TIMEOUT(test::labelText(shown, "al1") != net, 1000);
            }
            QVERIFY(clock.elapsed() < 1000);
            if (sortColumn >= 0)
                QCOMPARE(list->cell(0, sortColumn), QStringLiteral("VELİ"));
            if (currency && !monthly)
                QCOMPARE(currency->currentText(), QStringLiteral("TL"));
            if (filter)
                QCOMPARE(filter->text(), QStringLiteral("ALİ DE"));
            if (monthly)
                QVERIFY(monthly->isChecked());
        };
        if (opener == QLatin1String("reports")) {
            test::onModal(QStringLiteral("Form13"), [&](QDialog* menu) {
                test::onModal(window, drive);
                menu->findChild<PictureButton*>(menuButton)->click();
            });
            Q_EMIT desk.reportsRequested();
        } else {
            test::onModal(window, drive);
            if (opener == QLatin1String("income"))
                Q_EMIT desk.incomeLedgerRequested();
            else if (opener == QLatin1String("expense"))
                Q_EMIT desk.expenseLedgerRequested();
            else
                Q_EMIT desk.cancellationsRequested();
        }
        QVERIFY(ran);
        QCOMPARE(boxes.count(), 0);
    }

    // A window being typed into keeps every letter while the window behind it follows another desk.
    void typedTextOutlivesOtherDesks_data()
    {
        QTest::addColumn<bool>("ledger");
        QTest::newRow("ledger entry over its history") << true;
        QTest::newRow("lending over the card") << false;
    }
    void typedTextOutlivesOtherDesks()
    {
        QFETCH(bool, ledger);
        test::TestData data;
        test::MessageBoxCapture boxes;
        const QString ali = QString::number(data.addPerson(QStringLiteral("ALİ")));
        std::unique_ptr<Store> other = data.otherDesk();
        QVERIFY(other->initialize().isEmpty());
        MainWindow desk(*other, data.folder());
        connectWindowOpeners(desk);

        bool ran = false;
        auto typeWhileOtherDeskSaves = [&](QDialog* behind, const char* box) {
            return [&, behind, box](QDialog* entryWindow) {
                ran = true;
                auto* typed = entryWindow->findChild<QWidget*>(QString::fromLatin1(box));
                QVERIFY(typed);
                test::typeText(typed, QStringLiteral("YARIM KALAN"));
                auto* list = behind->findChild<ReportList*>(QStringLiteral("ListView1"));
                const int rows = list->rowCount();
                commit(data.store(), ledger ? Change::Income : Change::Lend, ali, QStringLiteral("30"));
                QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), rows + 1, 1000);
                const QString kept = qobject_cast<QLineEdit*>(typed)
                                         ? qobject_cast<QLineEdit*>(typed)->text()
                                         : typed->property("plainText").toString();
                QCOMPARE(kept, QStringLiteral("YARIM KALAN"));
                QCOMPARE(QApplication::activeModalWidget(), entryWindow);
            };
        };
        if (ledger) {
            test::onModal(QStringLiteral("GelirMenu"), [&](QDialog* history) {
                test::onModal(QStringLiteral("GelirYaz"), typeWhileOtherDeskSaves(history, "Text1_0"));
                history->findChild<QPushButton*>(QStringLiteral("Button2"))->click();
            });
            Q_EMIT desk.incomeLedgerRequested();
        } else {
            test::onModal(QStringLiteral("Form4"), [&](QDialog* card) {
                test::onModal(QStringLiteral("Form5"), typeWhileOtherDeskSaves(card, "xpText1"));
                test::click(card, "MyButton1");
            });
            Q_EMIT desk.accountCardRequested(*CustomerRepository(*other).find(ali));
        }
        QVERIFY(ran);
        QCOMPARE(boxes.count(), 0);
    }

    // Two whole desks, each on its own data folder and logged in through its own password file, on one
    // server book: a lending saved through one desk's windows shows in the other's main list within a
    // second.
    void twoWholeDesks()
    {
        test::TestData data;
        data.addPerson(QStringLiteral("ALİ"));
        QTemporaryDir folders[2];
        std::unique_ptr<QProcess> desks[2];
        QByteArray said[2];
        for (int d = 0; d < 2; ++d) {
            QVERIFY(PasswordFile::write(QDir(folders[d].path()).filePath(QStringLiteral("sifre.dll")),
                                        QStringLiteral("2468")));
            desks[d] = std::make_unique<QProcess>();
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("KALVORA_UNATTENDED"), QStringLiteral("1"));
            desks[d]->setProcessEnvironment(env);
            desks[d]->start(QCoreApplication::applicationFilePath(),
                            {QStringLiteral("--whole-desk"), QStringLiteral("2468"),
                             QStringLiteral("--data-dir"), folders[d].path(), QStringLiteral("--server"),
                             data.serverUri()});
        }
        // The newest main list a desk printed.
        auto shown = [&](int d) {
            said[d] += desks[d]->readAllStandardOutput();
            const qsizetype at = said[d].lastIndexOf("LIST ");
            return at < 0 ? QString() : QString::fromUtf8(said[d].mid(at, said[d].indexOf('\n', at) - at));
        };
        for (int d = 0; d < 2; ++d)
            QTRY_VERIFY2_WITH_TIMEOUT(shown(d).contains(QStringLiteral("ALİ")),
                                      desks[d]->readAllStandardError().constData(), 20000);
        desks[0]->write("lend ALİ 30\n");
        QTRY_VERIFY_WITH_TIMEOUT((shown(0), said[0].contains("SAVED")), 20000);
        QElapsedTimer clock;
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(shown(1).contains(QStringLiteral("30,00")), 1000);
        QVERIFY(clock.elapsed() < 1000);
        QTRY_VERIFY_WITH_TIMEOUT(shown(0).contains(QStringLiteral("30,00")), 1000);
        for (auto& p : desks) {
            p->kill();
            p->waitForFinished();
        }
    }

    // The server drops this desk's connections while a card is open: the next save says so in Turkish
    // and writes nothing, the typed entry stays, and the save after it connects again and is kept
    // whole (the balance equal to the rows).
    void lostConnectionLosesNothing_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("balance");
        QTest::newRow("lending") << QStringLiteral("MyButton1") << QStringLiteral("Form5")
                                 << QStringLiteral("30");
        QTest::newRow("collecting") << QStringLiteral("MyButton4") << QStringLiteral("Form6")
                                    << QStringLiteral("-30");
    }
    void lostConnectionLosesNothing()
    {
        QFETCH(QString, button);
        QFETCH(QString, window);
        QFETCH(QString, balance);
        test::TestData data;
        test::MessageBoxCapture boxes;
        const qint64 ali = data.addPerson(QStringLiteral("ALİ"));
        AccountCard card(data.store());
        card.setPerson(*CustomerRepository(data.store()).find(QString::number(ali)));
        card.show();

        bool ran = false;
        test::onModal(window, [&](QDialog* entryWindow) {
            ran = true;
            auto* description = entryWindow->findChild<QWidget*>(QStringLiteral("xpText1"));
            description->setFocus();
            test::typeText(description, QStringLiteral("KİRA"));
            test::typeText(entryWindow->findChild<QLineEdit*>(QStringLiteral("Text1")), QStringLiteral("30"));
            auto* currency = entryWindow->findChild<QComboBox*>(QStringLiteral("Combo1"));
            currency->setCurrentIndex(currency->findText(QStringLiteral("TL")));
            PgConnection admin = PgConnection::open(data.serverUri());
            admin.exec(
                QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = "
                               "current_database() AND pid <> pg_backend_pid()"));
            test::click(entryWindow, "MyButton6");
            QCOMPARE(boxes.count(), 1);
            QCOMPARE(MessageBox::shown().last().icon, MessageBox::Icon::Error);
            QVERIFY2(boxes.lastText().contains(QStringLiteral("BAĞLANTI KOPTU")),
                     qPrintable(boxes.lastText()));
            QVERIFY(entryWindow->isVisible());
            QCOMPARE(entryWindow->findChild<QLineEdit*>(QStringLiteral("Text1"))->text(),
                     QStringLiteral("30"));
            QCOMPARE(data.store().accounts().scalar(QStringLiteral("SELECT count(*) FROM CARIKART")).toInt(),
                     0);
            test::click(entryWindow, "MyButton6");
            QCOMPARE(boxes.count(), 1);
            // Saved: the window empties its boxes for the next entry.
            QCOMPARE(entryWindow->findChild<QLineEdit*>(QStringLiteral("Text1"))->text(), QString());
        });
        test::click(&card, button.toLatin1().constData());
        QVERIFY(ran);
        QCOMPARE(card.list()->rowCount(), 1);
        const AccountState rows = AccountBook(data.store()).load(QString::number(ali));
        QCOMPARE(rows.rows.size(), 1);
        QCOMPARE(test::storedBalances(data.store(), ali).first(), rows.figures.balanceText(Currency::Tl));
        QCOMPARE(numberValue(rows.figures.balanceText(Currency::Tl)), numberValue(balance));
    }

    // A desk holds a person's lock and its network dies (the process is frozen): another desk saving
    // for the person hears within the lock wait that the row is locked, and once the server has ended
    // the dead desk's idle transaction the save goes through.
    void frozenDeskHoldsNobodyForLong()
    {
        test::TestData data;
        const QString ali = QString::number(data.addPerson(QStringLiteral("ALİ")));
        const Customer person = *CustomerRepository(data.store()).find(ali);
        QProcess frozen;
        frozen.start(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("--hold"),
             data.serverUri() + QStringLiteral("&options=-c%20idle_in_transaction_session_timeout%3D5s"),
             ali});
        QVERIFY(frozen.waitForReadyRead(20000));
        QCOMPARE(frozen.readAllStandardOutput().trimmed(), QByteArray("LOCKED"));
        QElapsedTimer clock;
        clock.start();
        ::kill(static_cast<pid_t>(frozen.processId()), SIGSTOP);
        // Without limits the save below would wait for ever: the frozen desk is killed after a while.
        std::atomic<bool> done = false;
        std::thread watchdog([&] {
            for (int i = 0; i < 150 && !done; ++i)
                QThread::msleep(100);
            if (!done)
                ::kill(static_cast<pid_t>(frozen.processId()), SIGKILL);
        });
        QString said;
        try {
            AccountBook(data.store()).lend(person, entry(QStringLiteral("30")));
        } catch (const DbError& e) {
            said = e.turkishText();
        }
        const qint64 waited = clock.elapsed();
        QVERIFY2(said.contains(QStringLiteral("KİLİTLİ")), qPrintable(said));
        QVERIFY2(waited >= 2500 && waited < 4500, qPrintable(QString::number(waited)));
        // The server ends the frozen desk's transaction after its idle limit; the lock goes with it.
        AccountBook(data.store()).lend(person, entry(QStringLiteral("30")));
        QVERIFY2(clock.elapsed() < 8000, qPrintable(QString::number(clock.elapsed())));
        done = true;
        watchdog.join();
        QCOMPARE(AccountBook(data.store()).load(ali).rows.size(), 1);
        frozen.kill();
        frozen.waitForFinished();
    }

    // A save sent again with its id (its first COMMIT's answer lost) is stored once.
    void repeatedSaveIsStoredOnce_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<int>("rows");
        const QString id = QStringLiteral("6f1d7c58-2b3e-4d0a-9a51-0c7e5b2f4a11");
        QTest::newRow("the same save twice") << id << id << 1;
        QTest::newRow("two saves") << id << QStringLiteral("0b8e2a44-93c1-4f6e-8d27-5a1f3c9e7b20") << 2;
        QTest::newRow("saves without ids") << QString() << QString() << 2;
    }
    void repeatedSaveIsStoredOnce()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(int, rows);
        test::TestData data;
        const QString ali = QString::number(data.addPerson(QStringLiteral("ALİ")));
        const Customer person = *CustomerRepository(data.store()).find(ali);
        const QStringList ids{first, second};
        for (int i = 0; i < 2; ++i) {
            Entry e = entry(QStringLiteral("30"));
            e.saveId = ids.at(i);
            const AccountState state = AccountBook(data.store()).lend(person, e);
            QCOMPARE(state.rows.size(), i == 0 ? 1 : rows); // what the card shows after the save
        }
        QCOMPARE(AccountBook(data.store()).load(ali).rows.size(), rows);
        QCOMPARE(CustomerRepository(data.store()).find(ali)->balanceTl,
                 rows == 1 ? QStringLiteral("30,00") : QStringLiteral("60,00"));
    }

    // A desk that does not own the book adds to the archive and brings items back through the
    // server's function, but cannot remove or change what the archive holds; the server writes who
    // did it whatever the desk sends.
    void archiveIsAppendOnlyForDesks_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::newRow("delete an item") << QStringLiteral("DELETE FROM iptal.IPTALLER");
        QTest::newRow("delete its rows") << QStringLiteral("DELETE FROM iptal.IPTAL_HAREKETLER");
        QTest::newRow("forge who did it") << QStringLiteral("UPDATE iptal.IPTALLER SET kullanici = 'SAHTE'");
        QTest::newRow("change a row") << QStringLiteral("UPDATE iptal.IPTAL_HAREKETLER SET tutar = '0'");
        QTest::newRow("empty the table") << QStringLiteral("TRUNCATE iptal.IPTALLER");
        QTest::newRow("remove the restore log") << QStringLiteral("DELETE FROM iptal.GERI_ALINANLAR");
    }
    void archiveIsAppendOnlyForDesks()
    {
        QFETCH(QString, statement);
        test::TestData data;
        const QString ali = QString::number(data.addPerson(QStringLiteral("ALİ")));
        PgConnection owner = PgConnection::open(data.serverUri());
        QTemporaryDir folder;
        std::unique_ptr<Store> desk = Store::onServer(folder.path(), asDesk(data.serverUri(), owner));
        QVERIFY(desk->initialize().isEmpty());
        commit(*desk, Change::Cancel, ali, QStringLiteral("30"));
        QCOMPARE(AccountBook(*desk).load(ali).rows.size(), 0);

        PgConnection& deskConn = desk->accounts().server();
        try {
            deskConn.exec(statement);
            QFAIL("a desk changed the archive");
        } catch (const PgError& e) {
            QCOMPARE(e.sqlState(), QStringLiteral("42501"));
        }
        // Who wrote the item is the server's word; a desk that names another is not believed.
        deskConn.exec(QStringLiteral("INSERT INTO iptal.IPTALLER (islem, sunucu_kullanici, sunucu_zamani) "
                                     "VALUES ('İPTAL', 'kalvora_test', '2000-01-01')"));
        QCOMPARE(owner
                     .scalar(QStringLiteral("SELECT string_agg(DISTINCT sunucu_kullanici, ',') FROM "
                                            "iptal.IPTALLER WHERE sunucu_zamani > now() - interval '1 hour'"))
                     .toString(),
                 QStringLiteral("kalvora_masa_test"));
        owner.exec(QStringLiteral("DELETE FROM iptal.IPTALLER WHERE uye_kodu = ''"));

        const QList<ArchiveItem> items = CancellationArchive(*desk).items();
        QCOMPARE(items.size(), 1);
        const CancellationArchive::Restore r = ArchiveRestore(*desk).restore(items.first().key);
        QCOMPARE(r.result, CancellationArchive::RestoreResult::Restored);
        QCOMPARE(r.personKey, ali);
        QCOMPARE(AccountBook(*desk).load(ali).rows.size(), 1);
        QCOMPARE(CustomerRepository(*desk).find(ali)->balanceTl, QStringLiteral("30,00"));
        QVERIFY(CancellationArchive(*desk).items().isEmpty());
        QCOMPARE(owner.scalar(QStringLiteral("SELECT sunucu_kullanici FROM iptal.GERI_ALINANLAR")).toString(),
                 QStringLiteral("kalvora_masa_test"));
        desk.reset();
        owner.exec(QStringLiteral("REASSIGN OWNED BY kalvora_masa_test TO kalvora_test; "
                                  "DROP OWNED BY kalvora_masa_test"));
    }

    // Four desk processes save for the same people at once: no save is lost, and every stored balance
    // equals the sum of the person's rows.
    void fourDesksSavingAtOnce()
    {
        test::TestData data;
        for (int i = 0; i < people; ++i)
            data.addPerson(QStringLiteral("KİŞİ %1").arg(i));
        std::vector<std::unique_ptr<QProcess>> desks;
        const QString startAt = QString::number(QDateTime::currentMSecsSinceEpoch() + 3000);
        for (int d = 0; d < deskCount; ++d) {
            auto p = std::make_unique<QProcess>();
            p->start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--desk"), data.serverUri(), QString::number(17 + d), startAt});
            desks.push_back(std::move(p));
        }
        int saved = 0;
        qint64 cents = 0;
        for (auto& p : desks) {
            QVERIFY(p->waitForFinished(240000));
            QVERIFY2(p->exitCode() == 0, p->readAllStandardError().constData());
            const QList<QByteArray> said = p->readAllStandardOutput().trimmed().split(' ');
            QCOMPARE(said.size(), 2);
            saved += said.at(0).toInt();
            cents += said.at(1).toLongLong();
        }
        QCOMPARE(saved, deskCount * savesPerDesk);
        BookConnection& db = data.store().accounts();
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM cari.CARIKART")).toLongLong(),
                 qint64(deskCount * savesPerDesk));
        qint64 stored = 0;
        for (const Customer& c : CustomerRepository(data.store()).readAll()) {
            const AccountState rows = AccountBook(data.store()).load(c.key);
            QCOMPARE(c.balanceTl, rows.figures.balanceText(Currency::Tl));
            stored += qRound64(numberValue(c.balanceTl) * 100);
        }
        QCOMPARE(stored, cents);
    }
};

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--desk") == 0) {
        QCoreApplication app(argc, argv);
        return runDesk(QString::fromLocal8Bit(argv[2]), QString::fromLatin1(argv[3]).toUInt(),
                       QString::fromLatin1(argv[4]).toLongLong());
    }
    if (argc == 4 && std::strcmp(argv[1], "--hold") == 0) {
        QCoreApplication app(argc, argv);
        return holdPerson(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    if (argc == 7 && std::strcmp(argv[1], "--whole-desk") == 0) {
        deskPassword = QString::fromLocal8Bit(argv[2]);
        qAddPreRoutine(driveDesk);
        char* deskArgs[] = {argv[0], argv[3], argv[4], argv[5], argv[6], nullptr};
        return runApplication(5, deskArgs);
    }
    QApplication app(argc, argv);
    TestDesks test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_desks.moc"
