#include "accounts/account_book.h"
#include "accounts/archive_restore.h"
#include "archive/cancellation_archive.h"
#include "backup_seam.h"
#include "backups.h"
#include "command_line.h"
#include "data/scratch_cleanup.h"
#include "folder_setting.h"
#include "manifest.h"
#include "yedekle/fixture.h"

#include <QElapsedTimer>
#include <QLockFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <sqlite3.h>
#include <sys/stat.h>

#include <atomic>
#include <cstring>
#include <thread>

using namespace kalvora;
using namespace Qt::StringLiterals;
using namespace kalvora::backup;
using namespace kalvora::test::yedekle;

namespace {

// A VFS whose files take only the first few kilobytes, like a disk that fills up during the copy.
namespace fullDisk {

constexpr sqlite3_int64 capacity = 16 * 1024;
sqlite3_vfs vfs;
sqlite3_io_methods methods;
const sqlite3_io_methods* realMethods = nullptr;

struct File {
    sqlite3_file base;
    sqlite3_file* real;
};

sqlite3_file* real(sqlite3_file* f)
{
    return reinterpret_cast<File*>(f)->real;
}

// Every call but a write goes to the real file unchanged.
template <auto method, typename... Args> auto pass(sqlite3_file* f, Args... args)
{
    return (real(f)->pMethods->*method)(real(f), args...);
}

int xWrite(sqlite3_file* f, const void* b, int n, sqlite3_int64 o)
{
    if (o + n > capacity)
        return SQLITE_FULL;
    return real(f)->pMethods->xWrite(real(f), b, n, o);
}

int xOpen(sqlite3_vfs* self, const char* name, sqlite3_file* f, int flags, int* outFlags)
{
    sqlite3_vfs* parent = static_cast<sqlite3_vfs*>(self->pAppData);
    auto* file = reinterpret_cast<File*>(f);
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    const int rc = parent->xOpen(parent, name, file->real, flags, outFlags);
    if (rc != SQLITE_OK) {
        f->pMethods = nullptr;
        return rc;
    }
    if (!realMethods) {
        realMethods = file->real->pMethods;
        using M = sqlite3_io_methods;
        methods = M{1,
                    pass<&M::xClose>,
                    pass<&M::xRead, void*, int, sqlite3_int64>,
                    xWrite,
                    pass<&M::xTruncate, sqlite3_int64>,
                    pass<&M::xSync, int>,
                    pass<&M::xFileSize, sqlite3_int64*>,
                    pass<&M::xLock, int>,
                    pass<&M::xUnlock, int>,
                    pass<&M::xCheckReservedLock, int*>,
                    pass<&M::xFileControl, int, void*>,
                    pass<&M::xSectorSize>,
                    pass<&M::xDeviceCharacteristics>,
                    nullptr,
                    nullptr,
                    nullptr,
                    nullptr,
                    nullptr,
                    nullptr};
    }
    f->pMethods = &methods;
    return SQLITE_OK;
}

const char* name()
{
    static bool registered = false;
    if (!registered) {
        sqlite3_vfs* parent = sqlite3_vfs_find(nullptr);
        vfs = *parent;
        vfs.zName = "yedekle_full_disk";
        vfs.szOsFile = static_cast<int>(sizeof(File)) + parent->szOsFile;
        vfs.pAppData = parent;
        vfs.xOpen = xOpen;
        vfs.pNext = nullptr;
        sqlite3_vfs_register(&vfs, 0);
        registered = true;
    }
    return "yedekle_full_disk";
}

} // namespace fullDisk

void flipByte(const QString& path, qint64 offset)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.seek(offset));
    char c = 0;
    QVERIFY(f.getChar(&c));
    QVERIFY(f.seek(offset));
    QVERIFY(f.putChar(static_cast<char>(c ^ 0x5a)));
}

// Writes the manifest again with the file's present size and hash, as if it had been written so.
void rehash(const QString& backupFolder, const QString& name)
{
    const QString mpath = QDir(backupFolder).filePath(QString::fromLatin1(manifestFileName));
    auto m = Manifest::fromJson(readFile(mpath));
    QVERIFY(m);
    for (FileEntry& f : m->files)
        if (f.name == name) {
            const QByteArray bytes = readFile(QDir(backupFolder).filePath(name));
            f.size = bytes.size();
            f.sha256 = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
        }
    QFile::remove(mpath);
    writeFile(mpath, m->toJson());
}

qint64 deadPid()
{
    QProcess p;
    p.start(u"true"_s, {});
    if (!p.waitForStarted())
        return 0;
    const qint64 pid = p.processId();
    p.waitForFinished();
    return pid;
}

} // namespace

class TestYedekle : public QObject {
    Q_OBJECT
    std::unique_ptr<test::TestData> m_shared;
    QTemporaryDir m_sharedTarget;
    QString m_sharedBackup;

private Q_SLOTS:
    void backupIsCompleteEncryptedAndCounted()
    {
        test::TestData data;
        fill(data, 7);
        QTemporaryDir target;
        int lastPercent = -1;
        bool increasing = true;
        const Outcome o = Backups(data.folder(), databasePassword())
                              .create(target.path(), Kind::Manual, [&](const Progress& p) {
                                  increasing = increasing && p.percent >= 0 && p.percent <= 100;
                                  lastPercent = p.percent;
                                  return true;
                              });
        QVERIFY2(o.ok, qPrintable(o.text));
        QVERIFY(increasing);
        QCOMPARE(lastPercent, 100);
        QVERIFY(QFileInfo(o.folder).fileName().startsWith(QLatin1String(folderPrefix)));
        QCOMPARE(entries(target.path()), QStringList{QFileInfo(o.folder).fileName()});
        QVERIFY(o.text.contains(u"KİŞİ SAYISI: 7"_s));

        for (const QString& name : databaseFiles()) {
            const QString path = QDir(o.folder).filePath(name);
            QVERIFY2(!readFile(path).startsWith("SQLite format 3"), qPrintable(name));
            QVERIFY_THROWS_EXCEPTION(DbError, Database::open(path, QString(), Database::Mode::ReadOnly));
        }
        QCOMPARE(dump(o.folder), dump(data.folder()));
        QVERIFY(QFile::exists(QDir(o.folder).filePath(u"paralar.fr3"_s)));
        QVERIFY(PasswordFile::accepts(QDir(o.folder).filePath(u"sifre.dll"_s), u"1234"_s));

        const QList<BackupEntry> list = Backups::list(target.path());
        QCOMPARE(list.size(), 1);
        QVERIFY(list.first().manifest);
        const Counts c = list.first().manifest->counts;
        QCOMPARE(c.people, 7);
        QCOMPARE(c.transactions, 14);
        QCOMPARE(c.incomeEntries, 1);
        QCOMPARE(c.expenseEntries, 1);
        QCOMPARE(list.first().size, list.first().manifest->totalSize());
        QVERIFY(Backups(data.folder(), databasePassword()).verify(o.folder).ok);
    }

    void backupWhileAnotherConnectionWrites_data()
    {
        QTest::addColumn<int>("pagesPerStep");
        QTest::newRow("one page per step") << 1;
        QTest::newRow("sixteen pages per step") << 16;
    }
    void backupWhileAnotherConnectionWrites()
    {
        QFETCH(int, pagesPerStep);
        test::TestData data;
        {
            Database& db = data.store().accounts().file();
            Transaction tx(db);
            for (int i = 0; i < 300; ++i) {
                const qint64 key = data.addPerson(u"KİŞİ %1 "_s.arg(i) + QString(200, QLatin1Char('X')));
                for (int k = 0; k < 3; ++k)
                    data.addTransaction(key, u"10"_s, u"TL"_s, u"01.01.2024"_s, u"100"_s,
                                        QString(200, QLatin1Char('Y')));
            }
            tx.commit();
        }
        // The writer keeps adding a person with three transactions and removing an older one with
        // its transactions, each in one transaction over both files, and writes to a ledger.
        std::atomic<bool> stop{false};
        std::atomic<int> commits{0};
        std::atomic<int> failures{0};
        QString failureText;
        std::thread writer([&] {
            try {
                Store store(data.folder());
                qint64 oldest = 1;
                while (!stop.load()) {
                    try {
                        Database& db = store.accounts().file();
                        Transaction tx(db);
                        db.execute(u"INSERT INTO MUSTERILER(adisoyadi) VALUES (?1)"_s,
                                   {QString(150, QLatin1Char('Z'))});
                        const QString key = QString::number(db.lastInsertRowId());
                        for (int k = 0; k < 3; ++k)
                            db.execute(u"INSERT INTO CARIKART(uye_kodu, tutar) VALUES (?1, '5')"_s, {key});
                        db.execute(u"DELETE FROM CARIKART WHERE uye_kodu=?1"_s, {QString::number(oldest)});
                        db.execute(u"DELETE FROM MUSTERILER WHERE oto_kod=?1"_s, {oldest});
                        tx.commit();
                        ++oldest;
                        store.ledger(Ledger::Expense)
                            .execute(u"INSERT INTO GIDERLER(gider_ad) VALUES ('X')"_s);
                        ++commits;
                    } catch (const DbError& e) {
                        // A busy file is what the main program would report and retry; anything else is a
                        // fault.
                        if ((e.code() & 0xff) != SQLITE_BUSY && (e.code() & 0xff) != SQLITE_LOCKED) {
                            failureText = e.turkishText();
                            ++failures;
                            return;
                        }
                    }
                }
            } catch (const DbError& e) {
                failureText = e.turkishText();
                ++failures;
            }
        });
        QTRY_VERIFY(commits.load() > 5);

        Backups::Options options;
        options.pagesPerStep = pagesPerStep;
        const Backups backups(data.folder(), databasePassword(), options);
        QTemporaryDir target;
        for (int round = 0; round < 3; ++round) {
            const int before = commits.load();
            const Outcome o = backups.create(target.path(), Kind::Manual);
            const int during = commits.load() - before;
            QVERIFY2(o.ok, qPrintable(o.text));
            qInfo("round %d: %d commits during the backup", round, during);

            const Verification v = backups.verify(o.folder);
            QVERIFY2(v.ok, qPrintable(v.problems.join(QLatin1Char('\n'))));
            Database copy = Database::open(QDir(o.folder).filePath(u"uyeler.mdb"_s), databasePassword(),
                                           Database::Mode::ReadOnly);
            copy.attach(QDir(o.folder).filePath(u"data.mdb"_s), u"cari"_s, databasePassword());
            const qint64 people = copy.scalar(u"SELECT count(*) FROM MUSTERILER"_s).toLongLong();
            QCOMPARE(people, 300);
            QCOMPARE(copy.scalar(u"SELECT count(*) FROM CARIKART"_s).toLongLong(), 3 * people);
            QCOMPARE(copy.scalar(QStringLiteral("SELECT count(*) FROM CARIKART WHERE uye_kodu NOT IN "
                                                "(SELECT CAST(oto_kod AS TEXT) FROM MUSTERILER)"))
                         .toLongLong(),
                     0);
            QCOMPARE(v.manifest->counts.people, people);
        }
        stop = true;
        writer.join();
        QVERIFY2(failures.load() == 0, qPrintable(failureText));
        QVERIFY(commits.load() > 10);
    }

    void restoreRoundTrip()
    {
        test::TestData data;
        fill(data, 5);
        AccountBook(data.store()).cancel(u"1"_s, 1);
        QTemporaryDir target;
        const Backups backups(data.folder(), databasePassword());
        const auto atBackup = dump(data.folder());
        const Outcome taken = backups.create(target.path(), Kind::Manual);
        QVERIFY2(taken.ok, qPrintable(taken.text));

        // Everything changes after the backup.
        const qint64 added = data.addPerson(u"SONRADAN EKLENEN"_s);
        data.addTransaction(added, u"99"_s, u"EURO"_s, u"05.05.2024"_s, u"100"_s);
        data.store().accounts().execute(u"DELETE FROM CARIKART WHERE otokod=3"_s);
        CancellationArchive archive(data.store());
        QCOMPARE(ArchiveRestore(data.store()).restore(archive.items().first().key).result,
                 CancellationArchive::RestoreResult::Restored);
        AccountBook(data.store()).cancel(u"2"_s, 4);
        data.store().ledger(Ledger::Income).execute(u"UPDATE KASA_NET SET Kasa_net_bakiye='-7'"_s);
        QVERIFY(PasswordFile::write(dataFile(data.folder(), files::password), u"9999"_s));
        writeFile(dataFile(data.folder(), "paralar.fr3"), "değişti");
        const auto beforeRestore = dump(data.folder());
        QVERIFY(beforeRestore != atBackup);
        data.store().closeAll();

        const Outcome restored = backups.restore(taken.folder, target.path());
        QVERIFY2(restored.ok, qPrintable(restored.text));
        QCOMPARE(dump(data.folder()), atBackup);
        QVERIFY(PasswordFile::accepts(dataFile(data.folder(), files::password), u"1234"_s));
        // The archive is back as it was: the cancelled row, not the one cancelled later.
        const QList<ArchiveItem> items = CancellationArchive(data.store()).items();
        QCOMPARE(items.size(), 1);
        QCOMPARE(items.first().personKey, u"1"_s);
        // No staged file is left behind, and the main program's lock is free again.
        for (const QString& folder : {data.folder(), QDir(data.folder()).filePath(u"iptaller"_s)})
            for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
                QVERIFY2(!name.startsWith(QLatin1Char('.')), qPrintable(name));
        QVERIFY(!Backups::programRunning(data.folder()));

        // The data replaced is kept as a backup of its own, and it restores too.
        QVERIFY(!restored.folder.isEmpty());
        QVERIFY(restored.text.contains(QDir::toNativeSeparators(restored.folder)));
        QCOMPARE(dump(restored.folder), beforeRestore);
        const QList<BackupEntry> list = Backups::list(target.path());
        QCOMPARE(list.size(), 2);
        QCOMPARE(list.first().folder, restored.folder);
        QCOMPARE(list.first().manifest->kind, Kind::BeforeRestore);
        QVERIFY(backups.verify(restored.folder).ok);

        // The store sees the restored files.
        QCOMPARE(data.store().accounts().scalar(u"SELECT count(*) FROM MUSTERILER"_s).toInt(), 5);
        const Outcome back = backups.restore(restored.folder, target.path());
        QVERIFY2(back.ok, qPrintable(back.text));
        QCOMPARE(dump(data.folder()), beforeRestore);
    }

    void restoreWhenCurrentDataIsMissingOrDamaged_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("data.mdb deleted") << u"delete"_s;
        QTest::newRow("uyeler.mdb overwritten with junk") << u"junk"_s;
    }
    void restoreWhenCurrentDataIsMissingOrDamaged()
    {
        QFETCH(QString, damage);
        test::TestData data;
        fill(data, 3);
        QTemporaryDir target;
        const Backups backups(data.folder(), databasePassword());
        const auto atBackup = dump(data.folder());
        const Outcome taken = backups.create(target.path(), Kind::Manual);
        QVERIFY2(taken.ok, qPrintable(taken.text));
        data.store().closeAll();
        const QByteArray junk(3000, 'j');
        if (damage == QLatin1String("delete"))
            QVERIFY(QFile::remove(dataFile(data.folder(), "data.mdb")));
        else
            writeFile(dataFile(data.folder(), "uyeler.mdb"), junk);

        const Outcome restored = backups.restore(taken.folder, target.path());
        QVERIFY2(restored.ok, qPrintable(restored.text));
        QCOMPARE(dump(data.folder()), atBackup);
        // Whatever stood there is in the backup made first, byte for byte when it was no database.
        if (damage == QLatin1String("junk"))
            QCOMPARE(readFile(QDir(restored.folder).filePath(u"uyeler.mdb"_s)), junk);
        else
            QVERIFY(!QFile::exists(QDir(restored.folder).filePath(u"data.mdb"_s)));
    }

    void damagedBackupIsDetectedAndRefused_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("file");
        QTest::newRow("byte changed in data.mdb") << u"flip"_s << u"data.mdb"_s;
        QTest::newRow("uyeler.mdb cut short") << u"truncate"_s << u"uyeler.mdb"_s;
        QTest::newRow("gider.mdb missing") << u"delete"_s << u"gider.mdb"_s;
        QTest::newRow("sifre.dll changed") << u"flip"_s << u"sifre.dll"_s;
        QTest::newRow("page damaged, manifest matching") << u"flip+rehash"_s << u"data.mdb"_s;
        QTest::newRow("manifest damaged") << u"junk"_s << u"yedek.json"_s;
        QTest::newRow("manifest missing") << u"delete"_s << u"yedek.json"_s;
    }
    void damagedBackupIsDetectedAndRefused()
    {
        QFETCH(QString, damage);
        QFETCH(QString, file);
        // One data folder and one sound backup serve every row; each row damages its own copy.
        if (!m_shared) {
            m_shared = std::make_unique<test::TestData>();
            fill(*m_shared, 60);
            m_shared->store().closeAll();
            const Outcome o =
                Backups(m_shared->folder(), databasePassword()).create(m_sharedTarget.path(), Kind::Manual);
            QVERIFY2(o.ok, qPrintable(o.text));
            m_sharedBackup = o.folder;
        }
        const Backups backups(m_shared->folder(), databasePassword());
        const QString target = m_sharedTarget.path();
        const QString copyName = u"KALVORA_YEDEK_%1"_s.arg(QString::fromUtf8(QTest::currentDataTag()))
                                     .replace(QLatin1Char(' '), QLatin1Char('_'));
        QVERIFY(QDir(target).mkdir(copyName));
        const Outcome taken{true, false, QString(), QDir(target).filePath(copyName)};
        for (const QString& name : QDir(m_sharedBackup).entryList(QDir::Files))
            QVERIFY(QFile::copy(QDir(m_sharedBackup).filePath(name), QDir(taken.folder).filePath(name)));
        QVERIFY(backups.verify(taken.folder).ok);

        const QString path = QDir(taken.folder).filePath(file);
        const qint64 size = QFileInfo(path).size();
        if (damage.startsWith(QLatin1String("flip")))
            flipByte(path, size > 4096 ? size / 2 + 100 : 1);
        else if (damage == QLatin1String("truncate"))
            QVERIFY(QFile::resize(path, size - 1024));
        else if (damage == QLatin1String("delete"))
            QVERIFY(QFile::remove(path));
        else
            writeFile(path, "{\"program\": \"KALVORA\", \"files\": [");
        if (damage == QLatin1String("flip+rehash"))
            rehash(taken.folder, file);

        const Verification v = backups.verify(taken.folder);
        QVERIFY(!v.ok);
        QVERIFY(!v.problems.isEmpty());
        QVERIFY2(v.problems.join(QLatin1Char('\n')).contains(file),
                 qPrintable(v.problems.join(QLatin1Char('\n'))));

        const auto before = fingerprint(m_shared->folder());
        const QStringList backupsBefore = entries(target);
        const Outcome o = backups.restore(taken.folder, target);
        QVERIFY(!o.ok);
        QVERIFY2(o.text.contains(u"BOZUK"_s), qPrintable(o.text));
        QVERIFY(o.text.contains(u"VERİLERİNİZE DOKUNULMADI"_s));
        QCOMPARE(fingerprint(m_shared->folder()), before);
        QCOMPARE(entries(target), backupsBefore);
    }

    // A file another program keeps busy: the backup waits a bounded time, saying what it waits for,
    // and goes on once the file is free; past the bound it names the locked file.
    void busyFileWaitedFor_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("freed"); // a second after the wait is shown
        QTest::newRow("people file freed within the wait") << u"uyeler.mdb"_s << true;
        QTest::newRow("ledger freed within the wait") << u"gider.mdb"_s << true;
        QTest::newRow("people file held past the wait") << u"uyeler.mdb"_s << false;
    }
    void busyFileWaitedFor()
    {
        QFETCH(QString, file);
        QFETCH(bool, freed);
        test::TestData data;
        fill(data, 3);
        data.store().closeAll();
        QElapsedTimer clock;
        clock.start();
        std::atomic<bool> locked{false};
        std::atomic<bool> done{false};
        std::atomic<qint64> waitShownAt{-1};
        std::thread holder([&] {
            Database other =
                Database::open(dataFile(data.folder(), file.toLatin1().constData()), databasePassword());
            other.exec(u"BEGIN EXCLUSIVE"_s);
            locked = true;
            while (!done.load() &&
                   !(freed && waitShownAt.load() >= 0 && clock.elapsed() - waitShownAt.load() >= 1000))
                QThread::msleep(10);
            other.exec(u"ROLLBACK"_s);
        });
        QTRY_VERIFY(locked.load());
        Backups::Options options;
        options.busyLimitMs = 3000;
        QStringList said;
        QTemporaryDir target;
        const Outcome o =
            Backups(data.folder(), databasePassword(), options)
                .create(target.path(), Kind::Manual, [&](const Progress& p) {
                    if (p.text.startsWith(QLatin1String("DOSYA KULLANIMDA")) && waitShownAt.load() < 0)
                        waitShownAt = clock.elapsed();
                    said << p.text;
                    return true;
                });
        const qint64 shownAt = waitShownAt.load();
        const qint64 ended = clock.elapsed();
        done = true;
        holder.join();
        QCOMPARE(o.ok, freed);
        QVERIFY2(said.contains(u"DOSYA KULLANIMDA, BEKLENİYOR: "_s + file + u" (0 / 3 SN)"_s),
                 qPrintable(said.join(QLatin1Char('\n'))));
        if (freed) {
            QCOMPARE(Backups::list(target.path()).size(), 1);
        } else {
            QVERIFY2(ended - shownAt >= 2500, qPrintable(QString::number(ended - shownAt)));
            QVERIFY2(o.text.contains(u"KİLİTLİ"_s) && o.text.contains(file), qPrintable(o.text));
            QCOMPARE(entries(target.path()), QStringList());
        }
    }

    void restoreRefusedWhileProgramRuns_data()
    {
        QTest::addColumn<QString>("lock");
        QTest::addColumn<bool>("refused");
        QTest::newRow("no lock") << QString() << false;
        QTest::newRow("held by the running program") << u"held"_s << true;
        QTest::newRow("left by a program that ended") << u"stale"_s << false;
    }
    void restoreRefusedWhileProgramRuns()
    {
        QFETCH(QString, lock);
        QFETCH(bool, refused);
        test::TestData data;
        fill(data, 2);
        QTemporaryDir target;
        const Backups backups(data.folder(), databasePassword());
        const Outcome taken = backups.create(target.path(), Kind::Manual);
        QVERIFY2(taken.ok, qPrintable(taken.text));
        data.addPerson(u"YENİ"_s);
        data.store().closeAll();

        QLockFile programLock(Backups::lockFilePath(data.folder()));
        if (lock == QLatin1String("held")) {
            programLock.setStaleLockTime(0);
            QVERIFY(programLock.tryLock(0));
        } else if (lock == QLatin1String("stale")) {
            const qint64 pid = deadPid();
            QVERIFY(pid > 0);
            writeFile(Backups::lockFilePath(data.folder()),
                      QByteArray::number(pid) + "\nkalvora\n" + QSysInfo::machineHostName().toUtf8() + '\n');
        }
        QCOMPARE(Backups::programRunning(data.folder()), refused);

        const auto before = fingerprint(data.folder());
        const Outcome o = backups.restore(taken.folder, target.path());
        QCOMPARE(o.ok, !refused);
        if (refused) {
            QVERIFY2(o.text.contains(u"KALVORA PROGRAMI ŞU AN AÇIK"_s), qPrintable(o.text));
            QCOMPARE(fingerprint(data.folder()), before);
            QCOMPARE(Backups::list(target.path()).size(), 1);
            programLock.unlock();
            QVERIFY(backups.restore(taken.folder, target.path()).ok);
        }
        QCOMPARE(Database::open(dataFile(data.folder(), "uyeler.mdb"), databasePassword())
                     .scalar(u"SELECT count(*) FROM MUSTERILER"_s)
                     .toInt(),
                 2);
    }

    void failuresLeaveNothingHalfWritten_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("expected");
        QTest::newRow("wrong password") << u"key"_s << u"ŞİFRE YANLIŞ"_s;
        QTest::newRow("empty password") << u"nokey"_s << u"ŞİFRESİ VERİLMEDİ"_s;
        QTest::newRow("data file missing") << u"missing"_s << u"VERİ DOSYASI BULUNAMADI: gelirmdb.mdb"_s;
        QTest::newRow("target is a file") << u"file"_s << u"YEDEK KLASÖRÜ OLUŞTURULAMADI"_s;
        QTest::newRow("target full") << u"full"_s << u"DİSK DOLU"_s;
        QTest::newRow("cancelled") << u"cancel"_s << u"İPTAL EDİLDİ"_s;
        QTest::newRow("data damaged") << u"damaged"_s << u"DOSYA: data.mdb"_s;
    }
    void failuresLeaveNothingHalfWritten()
    {
        QFETCH(QString, failure);
        QFETCH(QString, expected);
        test::TestData data;
        fill(data, 200);
        data.store().closeAll();
        QTemporaryDir root;
        QString target = QDir(root.path()).filePath(u"yedekler"_s);
        QString key = databasePassword();
        Backups::Options options;
        ProgressFn progress;
        if (failure == QLatin1String("key"))
            key = u"1234"_s;
        else if (failure == QLatin1String("nokey"))
            key.clear();
        else if (failure == QLatin1String("missing"))
            QVERIFY(QFile::remove(dataFile(data.folder(), "gelirmdb.mdb")));
        else if (failure == QLatin1String("file"))
            writeFile(target, "not a folder");
        else if (failure == QLatin1String("full"))
            seam::setCopyVfs(QString::fromLatin1(fullDisk::name()));
        else if (failure == QLatin1String("cancel"))
            progress = [](const Progress& p) { return p.percent < 20; };
        else if (failure == QLatin1String("damaged"))
            flipByte(dataFile(data.folder(), "data.mdb"),
                     QFileInfo(dataFile(data.folder(), "data.mdb")).size() / 2);

        const auto before = fingerprint(data.folder());
        const Outcome o = Backups(data.folder(), key, options).create(target, Kind::Manual, progress);
        seam::setCopyVfs(QString());
        QVERIFY(!o.ok);
        QCOMPARE(o.cancelled, failure == QLatin1String("cancel"));
        QVERIFY2(o.text.contains(expected), qPrintable(o.text));
        QCOMPARE(fingerprint(data.folder()), before);
        if (failure != QLatin1String("file"))
            QCOMPARE(entries(target), QStringList());
        QVERIFY(Backups::list(target).isEmpty());
    }

    void listNewestFirstAndAbandonedFoldersRemoved()
    {
        test::TestData data;
        fill(data, 3);
        QTemporaryDir target;
        const Backups backups(data.folder(), databasePassword());
        const QDir dir(target.path());
        QVERIFY(dir.mkdir(u"KALVORA_YEDEK_19990101_000000"_s));
        writeFile(dir.filePath(u"KALVORA_YEDEK_19990101_000000/uyeler.mdb"_s), "x");
        QVERIFY(dir.mkdir(u"başka klasör"_s));

        const Outcome first = backups.create(target.path(), Kind::Manual);
        const Outcome second = backups.create(target.path(), Kind::Automatic);
        QVERIFY(first.ok && second.ok);
        QVERIFY(first.folder != second.folder);

        const QList<BackupEntry> list = Backups::list(target.path());
        QCOMPARE(list.size(), 3);
        QCOMPARE(list.at(0).folder, second.folder);
        QCOMPARE(list.at(0).manifest->kind, Kind::Automatic);
        QCOMPARE(list.at(1).folder, first.folder);
        QVERIFY(!list.at(2).manifest);
        QCOMPARE(list.at(2).size, 1);
        QVERIFY(!backups.verify(list.at(2).folder).ok);
    }

    // A backup's scratch folder left by a process of this computer that is gone is emptied of what the
    // backup wrote and removed. A live process's, another computer's, a link to elsewhere and a file
    // the backup does not write all stay.
    void abandonedScratchFolders_data()
    {
        QTest::addColumn<QString>("host"); // in the folder's name; empty: the name without one
        QTest::addColumn<QString>("pid");  // "dead" or "live"
        QTest::addColumn<QString>("kind"); // "folder", "foreign file" or "link"
        QTest::addColumn<bool>("removed");
        const QString here = scratchHostTag();
        QTest::newRow("dead process here") << here << u"dead"_s << u"folder"_s << true;
        QTest::newRow("live process here") << here << u"live"_s << u"folder"_s << false;
        QTest::newRow("another computer") << u"baska-pc"_s << u"dead"_s << u"folder"_s << false;
        QTest::newRow("foreign file inside") << here << u"dead"_s << u"foreign file"_s << false;
        QTest::newRow("link to an outside folder") << here << u"dead"_s << u"link"_s << false;
        QTest::newRow("old name, no computer") << QString() << u"dead"_s << u"folder"_s << false;
        QTest::newRow("old name, link") << QString() << u"dead"_s << u"link"_s << false;
    }
    void abandonedScratchFolders()
    {
        QFETCH(QString, host);
        QFETCH(QString, pid);
        QFETCH(QString, kind);
        QFETCH(bool, removed);
        QTemporaryDir target;
        QTemporaryDir outside;
        const QDir dir(target.path());
        const qint64 id = pid == QLatin1String("dead") ? deadPid() : QCoreApplication::applicationPid();
        const QString name = u".KALVORA_YEDEK_20000101_000000."_s +
                             (host.isEmpty() ? QString() : host + u"."_s) + QString::number(id) + u".tmp"_s;
        const QString path = dir.filePath(name);
        const QString inside = kind == QLatin1String("link") ? outside.path() : path;
        if (kind == QLatin1String("link"))
            QVERIFY(QFile::link(outside.path(), path));
        else
            QVERIFY(dir.mkdir(name));
        writeFile(QDir(inside).filePath(u"uyeler.mdb"_s), "x");
        writeFile(QDir(inside).filePath(u"yedek.json"_s), "{}");
        if (kind == QLatin1String("foreign file"))
            writeFile(QDir(inside).filePath(u"notlar.txt"_s), "kullanıcının");

        test::TestData data;
        fill(data, 1);
        const Outcome o = Backups(data.folder(), databasePassword()).create(target.path(), Kind::Manual);
        QVERIFY2(o.ok, qPrintable(o.text));
        QCOMPARE(QFileInfo::exists(path) || QFileInfo(path).isSymLink(), !removed);
        if (kind == QLatin1String("link")) {
            QVERIFY(QFileInfo(path).isSymLink());
            QCOMPARE(entries(outside.path()), (QStringList{u"uyeler.mdb"_s, u"yedek.json"_s}));
        } else if (kind == QLatin1String("foreign file")) {
            QCOMPARE(entries(path), QStringList{u"notlar.txt"_s});
        }
        // The new backup's own scratch folder is gone, its name carried this computer's.
        QCOMPARE(entries(target.path()).filter(u".KALVORA_YEDEK_"_s),
                 removed ? QStringList() : QStringList{name});
    }

    // A backup holds the whole book: its files are the owner's alone whatever the umask, and so is a
    // backup folder it makes; a folder that exists keeps its permissions.
    void backupFilesAreTheOwnersAlone_data()
    {
        QTest::addColumn<bool>("targetExists");
        QTest::newRow("new backup folder") << false;
        QTest::newRow("existing backup folder") << true;
    }
    void backupFilesAreTheOwnersAlone()
    {
        QFETCH(bool, targetExists);
        const mode_t umaskBefore = ::umask(022);
        test::TestData data;
        fill(data, 2);
        QTemporaryDir root;
        const QString target = QDir(root.path()).filePath(u"yedekler"_s);
        const auto everyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                              QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
        if (targetExists) {
            QVERIFY(QDir().mkdir(target));
            QVERIFY(QFile::setPermissions(target, everyone));
        }
        const Outcome o = Backups(data.folder(), databasePassword()).create(target, Kind::Manual);
        ::umask(umaskBefore);
        QVERIFY2(o.ok, qPrintable(o.text));
        const auto ownerFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        const auto mode = [](const QString& path) {
            return QFile::permissions(path) &
                   ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser); // the same bits again
        };
        QCOMPARE(mode(target), targetExists ? everyone : ownerFolder);
        QCOMPARE(mode(o.folder), ownerFolder);
        const QStringList names = QDir(o.folder).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(names.size(), 8); // five databases, sifre.dll, a template, the manifest
        for (const QString& name : names)
            QVERIFY2(mode(QDir(o.folder).filePath(name)) == (QFile::ReadOwner | QFile::WriteOwner),
                     qPrintable(name));
    }

    void manifestRoundTripAndRejectsForeignNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("plain") << u"uyeler.mdb"_s << true;
        QTest::newRow("parent folder") << u"../uyeler.mdb"_s << false;
        QTest::newRow("absolute") << u"/etc/passwd"_s << false;
        QTest::newRow("backslash") << u"..\\x"_s << false;
        QTest::newRow("hidden") << u".uyeler.mdb.1.geri.tmp"_s << false;
        QTest::newRow("empty") << QString() << false;
    }
    void manifestRoundTripAndRejectsForeignNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        Manifest m;
        m.created = QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58));
        m.kind = Kind::BeforeRestore;
        m.sourceFolder = u"/veri/klasör"_s;
        m.counts = {3, 9, -1, 0};
        m.files.append({name, 12, QByteArray(64, 'a'), true});
        const auto back = Manifest::fromJson(m.toJson());
        QCOMPARE(bool(back), accepted);
        if (back) {
            QCOMPARE(back->created, m.created);
            QCOMPARE(back->kind, m.kind);
            QCOMPARE(back->sourceFolder, m.sourceFolder);
            QCOMPARE(back->counts.transactions, 9);
            QCOMPARE(back->counts.incomeEntries, -1);
            QCOMPARE(back->files.first().sha256, m.files.first().sha256);
        }
    }

    void sizeText_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << u"0 BAYT"_s;
        QTest::newRow("bytes") << qint64(1023) << u"1023 BAYT"_s;
        QTest::newRow("one kilobyte") << qint64(1024) << u"1,0 KB"_s;
        QTest::newRow("comma decimals") << qint64(1536) << u"1,5 KB"_s;
        QTest::newRow("rounds up to the next unit") << qint64(1048575) << u"1,0 MB"_s;
        QTest::newRow("megabytes") << qint64(5 * 1024 * 1024 + 300 * 1024) << u"5,3 MB"_s;
        QTest::newRow("gigabytes") << qint64(3) * 1024 * 1024 * 1024 << u"3,0 GB"_s;
    }
    void sizeText()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(backup::sizeText(bytes), text);
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("error");
        auto args = [](std::initializer_list<const char*> list) {
            QStringList out;
            for (const char* a : list)
                out << QString::fromUtf8(a);
            return out;
        };
        const QString fixed = databasePassword();
        const QString none;
        const QString y = u"/y"_s;
        const QString own = u"1234"_s;
        QTest::newRow("started by the main program")
            << args({"5176204938"}) << false << none << fixed << false;
        QTest::newRow("auto with folder") << args({"--auto", "/y"}) << true << y << fixed << false;
        QTest::newRow("password then auto") << args({"1234", "--auto", "/y"}) << true << y << own << false;
        QTest::newRow("auto, folder, password")
            << args({"--auto", "/y", "1234"}) << true << y << own << false;
        QTest::newRow("auto without folder") << args({"1234", "--auto"}) << true << none << own << false;
        QTest::newRow("auto=") << args({"--auto=/y"}) << true << y << fixed << false;
        QTest::newRow("data folder skipped")
            << args({"--data-dir", "/d", "--auto", "/y"}) << true << y << fixed << false;
        QTest::newRow("unknown option") << args({"--hepsi"}) << false << none << fixed << true;
        QTest::newRow("too many") << args({"1", "2"}) << false << none << none << true;
        QTest::newRow("data folder without value") << args({"--data-dir"}) << false << none << fixed << true;
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, automatic);
        QFETCH(QString, target);
        QFETCH(QString, key);
        QFETCH(bool, error);
        const CommandLine cl = CommandLine::parse(QStringList{u"yedekle"_s} + arguments);
        QCOMPARE(!cl.error.isEmpty(), error);
        if (error)
            return;
        QCOMPARE(cl.automatic, automatic);
        QCOMPARE(cl.target, target);
        QCOMPARE(cl.key, key);
    }

    void automaticRunUsesRememberedFolder()
    {
        test::TestData data;
        fill(data, 2);
        QTemporaryDir dir;
        const QString settings = QDir(dir.path()).filePath(u"yedekle.ini"_s);
        const QString remembered = QDir(dir.path()).filePath(u"seçilen"_s);
        QCOMPARE(FolderSetting(settings).folder(data.folder()), Backups::defaultTarget(data.folder()));
        FolderSetting(settings).remember(remembered);

        CommandLine cl = CommandLine::parse({u"yedekle"_s, u"--auto"_s});
        cl.dataFolder = data.folder();
        QString outText;
        QString errText;
        QTextStream out(&outText);
        QTextStream err(&errText);
        QCOMPARE(runAutomatic(cl, settings, out, err), int(ExitOk));
        QVERIFY(outText.contains(u"YEDEK ALINDI"_s));
        QCOMPARE(Backups::list(remembered).size(), 1);
        QCOMPARE(Backups::list(remembered).first().manifest->kind, Kind::Automatic);

        cl.key = u"0000"_s;
        QCOMPARE(runAutomatic(cl, settings, out, err), int(ExitFailed));
        QVERIFY(errText.contains(u"ŞİFRE YANLIŞ"_s));
        QCOMPARE(Backups::list(remembered).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestYedekle)
#include "tst_yedekle.moc"
