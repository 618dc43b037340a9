#include "accounts/ui/account_card.h"
#include "accounts/ui/entry_window.h"
#include "app/main_window.h"
#include "customers/customer_repository.h"
#include "customers/ui/add_customer_window.h"
#include "data/data_folder.h"
#include "data/store.h"
#include "ledger/ui/ledger_entry_window.h"
#include "reliability/store_checks.h"
#include "support/fault_vfs.h"
#include "support/test_data.h"
#include "widgets/message_box.h"
#include "widgets/picture_button.h"
#include "widgets/report_list.h"

#include <QApplication>
#include <QComboBox>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <string>

#include <unistd.h>

using namespace kalvora;
using namespace Qt::StringLiterals;

namespace {

// The helper process: opens one file, takes its lock and holds it until told (a line on stdin) or for
// the given time.
int holdLock(const QString& path, bool keyed, const QString& kind, int holdMs)
{
    try {
        Database db = Database::open(path, keyed ? databasePassword() : QString());
        db.exec(kind == QLatin1String("exclusive") ? u"BEGIN EXCLUSIVE"_s : u"BEGIN IMMEDIATE"_s);
        std::fputs("locked\n", stdout);
        std::fflush(stdout);
        if (holdMs >= 0) {
            QThread::msleep(static_cast<unsigned long>(holdMs));
        } else {
            std::string line;
            std::getline(std::cin, line);
        }
        db.exec(u"ROLLBACK"_s);
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.turkishText()));
        return 2;
    }
    return 0;
}

// Another program holding the lock of one file of the data folder.
class LockHolder final {
public:
    LockHolder(const QString& path, bool keyed, const QString& kind, int holdMs = -1)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Without the sanitizer's quarantine of freed memory, deriving the key takes a fraction of the time.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString asan = env.value(u"ASAN_OPTIONS"_s);
        env.insert(u"ASAN_OPTIONS"_s,
                   (asan.isEmpty() ? QString() : asan + QLatin1Char(':')) + u"quarantine_size_mb=0"_s);
        m_process.setProcessEnvironment(env);
        m_process.start(QCoreApplication::applicationFilePath(),
                        {u"--hold-lock"_s, path, keyed ? u"1"_s : u"0"_s, kind, QString::number(holdMs)});
        QByteArray said;
        while (!said.contains("locked\n") && m_process.waitForReadyRead(20000))
            said += m_process.readAllStandardOutput();
        m_locked = said.contains("locked\n");
    }
    ~LockHolder() { release(); }
    bool locked() const { return m_locked; }
    void release()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.write("\n");
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(10000))
            m_process.kill();
        m_process.waitForFinished(1000);
    }

private:
    QProcess m_process;
    bool m_locked = false;
};

QByteArray fileHash(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QString filePath(const test::TestData& data, const char* name)
{
    return QDir(data.folder()).filePath(QString::fromLatin1(name));
}

// The last error box, when one was shown.
QString lastError()
{
    const auto& shown = MessageBox::shown();
    for (auto it = shown.crbegin(); it != shown.crend(); ++it)
        if (it->icon == MessageBox::Icon::Error)
            return it->text;
    return QString();
}

int rowCount(Store& store, const QString& table)
{
    BookConnection& db =
        table == QLatin1String("GIDERLER") ? store.ledger(Ledger::Expense) : store.accounts();
    return db.scalar(u"SELECT count(*) FROM "_s + table).toInt();
}

// The windows of one case, parents first; children go first when the case ends.
struct Keep {
    std::vector<std::shared_ptr<QObject>> items;
    void push_back(std::shared_ptr<QObject> item) { items.push_back(std::move(item)); }
    ~Keep()
    {
        while (!items.empty())
            items.pop_back();
    }
};

// One save attempt of a window that has its entry typed in; true when the entry left the window (it was
// saved), false when what was typed is still in place.
using Step = std::function<bool()>;
// Opens the window over the store (the windows it needs above it go into keep) and types the entry.
using Maker = std::function<Step(Store&, Keep&)>;

Step addPerson(Store& store, Keep& keep)
{
    auto w = std::make_shared<AddCustomerWindow>(store);
    keep.push_back(w);
    w->show();
    QTest::keyClicks(w->findChild<QLineEdit*>(u"Text1"_s), u"YENI KISI"_s);
    return [w] {
        w->findChild<PictureButton*>(u"MyButton6"_s)->click();
        const QString left = w->findChild<QLineEdit*>(u"Text1"_s)->text();
        if (!left.isEmpty() && left != QLatin1String("YENI KISI"))
            QTest::qFail("the typed name was changed", __FILE__, __LINE__);
        return left.isEmpty();
    };
}

Step lendMoney(Store& store, Keep& keep)
{
    auto main = std::make_shared<MainWindow>(store, store.folder());
    MainWindow* m = main.get();
    auto card = std::make_shared<AccountCard>(store, m);
    QObject::connect(card.get(), &AccountCard::accountChanged, m,
                     qOverload<const QString&>(&MainWindow::DetayliAra));
    keep.push_back(main);
    keep.push_back(card);
    card->setPerson(CustomerRepository(store).find(u"1"_s).value_or(Customer()));
    card->show();
    auto w = std::make_shared<LendWindow>(store, card->person(), card.get());
    QObject::connect(w.get(), &EntryWindow::saved, card.get(), &AccountCard::applyChange);
    keep.push_back(w);
    w->show();
    QTest::keyClicks(w->amountBox(), u"250"_s);
    w->currencyBox()->setCurrentIndex(0);
    return [w] {
        w->save();
        const QString left = w->amountBox()->text();
        if (!left.isEmpty() && left != QLatin1String("250"))
            QTest::qFail("the typed amount was changed", __FILE__, __LINE__);
        return left.isEmpty();
    };
}

Step recordExpense(Store& store, Keep& keep)
{
    auto w = std::make_shared<LedgerEntryWindow>(store, Ledger::Expense);
    keep.push_back(w);
    w->show();
    QTest::keyClicks(w->findChild<QLineEdit*>(u"Text1_4"_s), u"KIRA"_s);
    QTest::keyClicks(w->findChild<QPlainTextEdit*>(u"Text1_1"_s), u"MART"_s);
    QTest::keyClicks(w->findChild<QLineEdit*>(u"Text1_2"_s), u"100"_s);
    return [w] {
        w->findChild<QPushButton*>(u"Button1"_s)->click();
        if (w->findChild<QLineEdit*>(u"Text1_2"_s)->text() != QLatin1String("100"))
            QTest::qFail("the typed amount was changed", __FILE__, __LINE__);
        return w->result() == QDialog::Accepted;
    };
}

} // namespace

Q_DECLARE_METATYPE(Maker)

class TestEdges : public QObject {
    Q_OBJECT
private:
    static void actions_data()
    {
        QTest::addColumn<Maker>("make");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("table");
        QTest::newRow("person added") << Maker(addPerson) << u"uyeler.mdb"_s << u"MUSTERILER"_s;
        QTest::newRow("money lent, person file") << Maker(lendMoney) << u"uyeler.mdb"_s << u"CARIKART"_s;
        QTest::newRow("money lent, row file") << Maker(lendMoney) << u"data.mdb"_s << u"CARIKART"_s;
        QTest::newRow("expense recorded") << Maker(recordExpense) << u"gider.mdb"_s << u"GIDERLER"_s;
    }

private Q_SLOTS:
    void init() { MessageBox::clearShown(); }

    void lockHeldByAnotherProgram_data() { actions_data(); }
    // The save waits a short while for the other program, then says which file is locked and keeps what
    // was typed; once the lock is gone the same save works.
    void lockHeldByAnotherProgram()
    {
        QFETCH(Maker, make);
        QFETCH(QString, file);
        QFETCH(QString, table);
        for (const QString& kind : {u"exclusive"_s, u"reserved"_s}) {
            test::TestData data;
            test::MessageBoxCapture boxes;
            data.addPerson(u"ALİ"_s);
            Keep keep;
            const Step save = make(data.store(), keep);
            const int rows = rowCount(data.store(), table);
            {
                LockHolder other(QDir(data.folder()).filePath(file), true, kind);
                QVERIFY(other.locked());
                MessageBox::clearShown();
                QElapsedTimer clock;
                clock.start();
                QVERIFY2(!save(), qPrintable(kind));
                const qint64 waited = clock.elapsed();
                QVERIFY2(waited >= 1500 && waited < 15000, qPrintable(QString::number(waited)));
                const QString text = lastError();
                QVERIFY2(text.contains(u"KİLİTLİ"_s), qPrintable(kind + QLatin1Char(' ') + text));
                QVERIFY2(text.contains(file), qPrintable(kind + QLatin1Char(' ') + text));
            }
            QCOMPARE(rowCount(data.store(), table), rows);
            MessageBox::clearShown();
            QVERIFY2(save(), qPrintable(lastError()));
            QCOMPARE(lastError(), QString());
            QCOMPARE(rowCount(data.store(), table), rows + 1);
            data.store().closeAll();
            QCOMPARE(test::FolderChecker(data.folder()).problems(), QStringList());
        }
    }

    void lockReleasedWhileWaiting_data() { actions_data(); }
    // A lock that goes within the wait costs the user nothing but the wait.
    void lockReleasedWhileWaiting()
    {
        QFETCH(Maker, make);
        QFETCH(QString, file);
        QFETCH(QString, table);
        test::TestData data;
        test::MessageBoxCapture boxes;
        data.addPerson(u"ALİ"_s);
        Keep keep;
        const Step save = make(data.store(), keep);
        const int rows = rowCount(data.store(), table);
        LockHolder other(QDir(data.folder()).filePath(file), true, u"exclusive"_s, 600);
        QVERIFY(other.locked());
        MessageBox::clearShown();
        QVERIFY2(save(), qPrintable(lastError()));
        QCOMPARE(lastError(), QString());
        QCOMPARE(rowCount(data.store(), table), rows + 1);
    }

    void unreadableFile_data() { actions_data(); }
    // A file under another key, or no database at all: every save says which file cannot be read, and
    // the file is never written.
    void unreadableFile()
    {
        QFETCH(Maker, make);
        QFETCH(QString, file);
        QFETCH(QString, table);
        for (const bool foreignKey : {true, false}) {
            test::TestData data;
            test::MessageBoxCapture boxes;
            data.addPerson(u"ALİ"_s);
            Keep keep;
            const Step save = make(data.store(), keep);
            data.store().closeAll();
            const QString path = QDir(data.folder()).filePath(file);
            QFile::remove(path);
            if (foreignKey) {
                Database other = Database::open(path, u"başka anahtar"_s, Database::Mode::ReadWriteCreate);
                other.exec(QStringLiteral(
                    "CREATE TABLE MUSTERILER(x); CREATE TABLE CARIKART(x); CREATE TABLE GIDERLER(x)"));
            } else {
                QFile f(path);
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write(QByteArray(5000, 'x'));
            }
            const QByteArray before = fileHash(path);
            MessageBox::clearShown();
            QVERIFY(!save());
            const QString text = lastError();
            QVERIFY2(text.contains(file), qPrintable(text));
            QVERIFY2(text.contains(u"ŞİFRE YANLIŞ YA DA DOSYA BİR VERİTABANI DEĞİL"_s), qPrintable(text));
            QCOMPARE(fileHash(path), before);
            QVERIFY(!QFile::exists(path + u"-journal"_s));
        }
    }

    // Another program puts a different uyeler.mdb in place while the main window is open: the next
    // search shows the new file's people, and a new person goes into the new file. A file that is no
    // database put in its place is reported and left as it is; the program works again once a good file
    // is back.
    void fileReplacedWhileRunning()
    {
        test::TestData data;
        test::MessageBoxCapture boxes;
        data.addPerson(u"ESKİ KİŞİ"_s);
        MainWindow w(data.store(), data.folder());
        QCOMPARE(w.list()->rowCount(), 1);

        test::TestData other;
        other.addPerson(u"YENİ DOSYADAKİ KİŞİ"_s);
        other.addPerson(u"İKİNCİ"_s);
        other.store().closeAll();
        const QString path = filePath(data, files::customers);
        const QString saved = path + u".eski"_s;
        QVERIFY(QFile::rename(path, saved));
        QVERIFY(QFile::copy(filePath(other, files::customers), path));
        w.findChild<PictureButton*>(u"MyButton11"_s)->click();
        QCOMPARE(lastError(), QString());
        QCOMPARE(w.list()->rowCount(), 2);

        AddCustomerWindow add(data.store());
        QObject::connect(&add, &AddCustomerWindow::added, &w,
                         qOverload<const QString&>(&MainWindow::DetayliAra));
        QTest::keyClicks(add.findChild<QLineEdit*>(u"Text1"_s), u"ÜÇÜNCÜ"_s);
        add.findChild<PictureButton*>(u"MyButton6"_s)->click();
        QCOMPARE(w.list()->rowCount(), 3);
        {
            Database replaced = Database::open(path, databasePassword());
            QCOMPARE(replaced.scalar(u"SELECT count(*) FROM MUSTERILER"_s).toInt(), 3);
            Database old = Database::open(saved, databasePassword());
            QCOMPARE(old.scalar(u"SELECT count(*) FROM MUSTERILER"_s).toInt(), 1);
        }

        // Garbage in its place.
        QVERIFY(QFile::remove(path));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(3000, '\x5a'));
        }
        const QByteArray garbage = fileHash(path);
        MessageBox::clearShown();
        w.findChild<PictureButton*>(u"MyButton11"_s)->click();
        QVERIFY2(lastError().contains(u"uyeler.mdb"_s), qPrintable(lastError()));
        QCOMPARE(w.list()->rowCount(), 0);
        MessageBox::clearShown();
        QTest::keyClicks(add.findChild<QLineEdit*>(u"Text1"_s), u"DÖRDÜNCÜ"_s);
        add.findChild<PictureButton*>(u"MyButton6"_s)->click();
        QVERIFY2(lastError().contains(u"uyeler.mdb"_s), qPrintable(lastError()));
        QCOMPARE(fileHash(path), garbage);
        QCOMPARE(add.findChild<QLineEdit*>(u"Text1"_s)->text(), u"DÖRDÜNCÜ"_s);

        // The good file back: the kept name is saved.
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::rename(saved, path));
        MessageBox::clearShown();
        add.findChild<PictureButton*>(u"MyButton6"_s)->click();
        QCOMPARE(lastError(), QString());
        QCOMPARE(w.list()->rowCount(), 2);
    }

    void readOnlyData_data() { actions_data(); }
    // A data folder, or one file of it, the program may not write to: every save says which file it
    // could not write, and nothing in the folder changes; once the file is writable again the same save
    // works without a restart. (The tests may run as root, who writes anywhere: then the fault VFS plays
    // the read-only folder or file.)
    void readOnlyData()
    {
        QFETCH(Maker, make);
        QFETCH(QString, file);
        QFETCH(QString, table);
        for (const bool wholeFolder : {true, false}) {
            test::TestData data;
            test::MessageBoxCapture boxes;
            data.addPerson(u"ALİ"_s);
            data.store().closeAll();
            const bool root = ::geteuid() == 0;
            Store store(data.folder(), root ? test::FaultVfs::name() : QString());
            Keep keep;
            const Step save = make(store, keep);
            const int rows = rowCount(store, table);
            store.closeAll();
            QMap<QString, QByteArray> before;
            for (const test::FolderFile& f : test::folderFiles)
                before[QString::fromLatin1(f.name)] = fileHash(filePath(data, f.name));

            auto setReadOnly = [&](bool on) {
                if (root) {
                    test::FaultVfs::setReadOnly(on, wholeFolder ? QString() : file);
                    return;
                }
                const auto mode =
                    on ? QFileDevice::ReadOwner : QFileDevice::ReadOwner | QFileDevice::WriteOwner;
                if (wholeFolder) {
                    for (const test::FolderFile& f : test::folderFiles)
                        QFile::setPermissions(filePath(data, f.name), mode);
                    QFile::setPermissions(data.folder(), mode | QFileDevice::ExeOwner);
                } else {
                    QFile::setPermissions(QDir(data.folder()).filePath(file), mode);
                }
            };
            setReadOnly(true);
            MessageBox::clearShown();
            const bool saved = save();
            setReadOnly(false);
            QVERIFY(!saved);
            const QString text = lastError();
            // A whole folder: the first file of the action that cannot be written.
            QVERIFY2(text.contains(file) || (wholeFolder && text.contains(u"uyeler.mdb"_s)),
                     qPrintable(text));
            QVERIFY2(text.contains(u"YAZILAMIYOR"_s), qPrintable(text));
            for (const test::FolderFile& f : test::folderFiles)
                QCOMPARE(fileHash(filePath(data, f.name)), before[QString::fromLatin1(f.name)]);
            MessageBox::clearShown();
            QVERIFY2(save(), qPrintable(lastError()));
            QCOMPARE(rowCount(store, table), rows + 1);
        }
    }
};

int main(int argc, char** argv)
{
    if (argc == 6 && std::strcmp(argv[1], "--hold-lock") == 0) {
        QCoreApplication app(argc, argv);
        return holdLock(QString::fromLocal8Bit(argv[2]), std::strcmp(argv[3], "1") == 0,
                        QString::fromLatin1(argv[4]), std::atoi(argv[5]));
    }
    QApplication app(argc, argv);
    TestEdges test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_edges.moc"
