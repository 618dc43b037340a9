#include "app/instance_lock.h"
#include "app/startup_messages.h"
#include "data/file_replacement.h"
#include "data/file_replacement_seam.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <memory>

#include <sys/wait.h>
#include <unistd.h>

using namespace kalvora;

namespace {

// A process id that belonged to a process which has ended.
qint64 deadPid()
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

void writeLockFile(const QString& folder, const QByteArray& content, int ageSeconds = 0)
{
    QFile f(QDir(folder).filePath(InstanceLock::lockFileName()));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
    if (ageSeconds > 0)
        f.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds), QFileDevice::FileModificationTime);
}

QMap<QString, QByteArray> folderContents(const QString& folder)
{
    QMap<QString, QByteArray> out;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        QFile f(QDir(folder).filePath(name));
        out[name] = f.open(QIODevice::ReadOnly)
                        ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                        : QByteArray("<unreadable>");
    }
    return out;
}

QString program()
{
    return QDir(qEnvironmentVariable("KALVORA_TEST_BIN_DIR")).filePath(QStringLiteral("kalvora"));
}

// kalvora on a data folder, its boxes answered by themselves; their texts come on standard error.
std::unique_ptr<QProcess> startKalvora(const QString& folder)
{
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KALVORA_UNATTENDED"), QStringLiteral("1"));
    p->setProcessEnvironment(env);
    p->start(program(), {QStringLiteral("--data-dir"), folder});
    return p;
}

// Standard error up to the first appearance of text, or all of it when the process ends first.
QString errorsUntil(QProcess& p, const QString& text)
{
    QByteArray err;
    while (!QString::fromUtf8(err).contains(text) && p.state() != QProcess::NotRunning) {
        p.waitForReadyRead(500);
        err += p.readAllStandardError();
    }
    return QString::fromUtf8(err + p.readAllStandardError());
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The second rename of a file replacement fails, as if the process had stopped there.
int failSecondRename(const char* from, const char* to)
{
    static int calls = 0;
    if (++calls % 2 == 0) {
        errno = EIO;
        return -1;
    }
    return std::rename(from, to);
}

void stop(QProcess& p)
{
    p.terminate();
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished(5000);
    }
}

} // namespace

Q_DECLARE_METATYPE(InstanceLock::State)

class TestStartup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Only a lock held by a live copy says "already running"; a lock the disk refuses names the folder
    // and the cause and leaves every file as it was; a lock left by a copy that is gone is taken over.
    void instanceLock_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("faultError"); // QLockFile::LockError, -1: none
        QTest::addColumn<int>("faultErrno");
        QTest::addColumn<InstanceLock::State>("state");
        QTest::addColumn<QString>("message");
        using S = InstanceLock::State;
        const QString running = QStringLiteral("PROGRAM ZATEN ÇALIŞIYOR");
        QTest::newRow("free folder") << QString() << -1 << 0 << S::Taken << QString();
        QTest::newRow("held by a live copy")
            << QStringLiteral("live") << -1 << 0 << S::HeldByAnother << running;
        QTest::newRow("left by a copy that is gone")
            << QStringLiteral("dead") << -1 << 0 << S::Taken << QString();
        QTest::newRow("left half-written long ago")
            << QStringLiteral("empty") << -1 << 0 << S::Taken << QString();
        QTest::newRow("disk full") << QString() << int(QLockFile::UnknownError) << ENOSPC << S::Failed
                                   << QStringLiteral("DİSK DOLU");
        QTest::newRow("no permission") << QString() << int(QLockFile::PermissionError) << EACCES << S::Failed
                                       << QStringLiteral("YAZMA İZNİ YOK");
        QTest::newRow("read-only disk") << QString() << int(QLockFile::PermissionError) << EROFS << S::Failed
                                        << QStringLiteral("SALT OKUNUR");
        QTest::newRow("read-only disk, lock of a copy that is gone")
            << QStringLiteral("dead") << int(QLockFile::LockFailedError) << EROFS << S::Failed
            << QStringLiteral("ESKİ KİLİT DOSYASI SİLİNEMEDİ: KLASÖR SALT OKUNUR");
        QTest::newRow("read-only disk, live copy")
            << QStringLiteral("live") << int(QLockFile::LockFailedError) << EROFS << S::HeldByAnother
            << running;
    }
    void instanceLock()
    {
        QFETCH(QString, before);
        QFETCH(int, faultError);
        QFETCH(int, faultErrno);
        QFETCH(InstanceLock::State, state);
        QFETCH(QString, message);
        QTemporaryDir dir;
        std::unique_ptr<InstanceLock> other;
        if (before == QLatin1String("live")) {
            other = std::make_unique<InstanceLock>(dir.path());
            QCOMPARE(other->take(), InstanceLock::State::Taken);
        } else if (before == QLatin1String("dead")) {
            writeLockFile(dir.path(), QByteArray::number(deadPid()) + "\nkalvora\n" +
                                          QSysInfo::machineHostName().toUtf8() + '\n');
        } else if (before == QLatin1String("empty")) {
            writeLockFile(dir.path(), QByteArray(), 60);
        }
        const auto contents = folderContents(dir.path());

        std::optional<InstanceLock::Fault> fault;
        if (faultError >= 0)
            fault = InstanceLock::Fault{QLockFile::LockError(faultError), faultErrno};
        InstanceLock lock(dir.path(), fault);
        QCOMPARE(lock.take(), state);
        const StartupMessage shown = lockMessage(lock);
        QVERIFY2(shown.text.contains(message), qPrintable(shown.text));
        if (state == InstanceLock::State::Taken) {
            QVERIFY(shown.text.isEmpty());
            QVERIFY(QFile::exists(QDir(dir.path()).filePath(InstanceLock::lockFileName())));
            return;
        }
        QCOMPARE(folderContents(dir.path()), contents);
        if (state == InstanceLock::State::HeldByAnother) {
            QCOMPARE(shown.title, QStringLiteral("TORVIN"));
            QCOMPARE(shown.icon, MessageBox::Icon::Information);
        } else {
            QVERIFY2(shown.text.contains(QDir::toNativeSeparators(dir.path())), qPrintable(shown.text));
            QVERIFY(shown.text.contains(QStringLiteral("HİÇBİR DOSYAYA DOKUNULMADI")));
            QCOMPARE(shown.icon, MessageBox::Icon::Error);
            QVERIFY(shown.title != QLatin1String("TORVIN"));
        }
    }

    // The real program twice on one data folder: the second says so and ends by itself, before any
    // login window, and changes nothing; the first runs on.
    void secondCopyEnds()
    {
        QTemporaryDir dir;
        auto first = startKalvora(dir.path());
        const QString lockFile = QDir(dir.path()).filePath(InstanceLock::lockFileName());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(lockFile) && first->state() == QProcess::Running, 60000);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QDir(dir.path()).filePath(QStringLiteral("FRData.mdb"))),
                                 60000);
        QTest::qWait(500); // the first start finishes its files
        const auto contents = folderContents(dir.path());

        auto second = startKalvora(dir.path());
        QVERIFY2(second->waitForFinished(60000), "the second copy did not end");
        const QString err = QString::fromUtf8(second->readAllStandardError());
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 1);
        QVERIFY2(err.contains(QStringLiteral("TORVIN: PROGRAM ZATEN ÇALIŞIYOR")), qPrintable(err));
        QCOMPARE(folderContents(dir.path()), contents);
        QCOMPARE(first->state(), QProcess::Running);
        // It runs as it was started: the environment it was given, nothing added by a second start.
        QFile environment(QStringLiteral("/proc/%1/environ").arg(first->processId()));
        QVERIFY(environment.open(QIODevice::ReadOnly));
        QStringList running =
            QString::fromLocal8Bit(environment.readAll()).split(QChar(0), Qt::SkipEmptyParts);
        QStringList given = first->processEnvironment().toStringList();
        running.sort();
        given.sort();
        QCOMPARE(running, given);
        stop(*first);
    }

    // A replacement of files stopped after its first rename is finished by the next start, before any
    // file opens, and the start says so; one it cannot finish keeps the program from opening the folder.
    void interruptedReplacementFinishedAtStart_data()
    {
        QTest::addColumn<bool>("finishable");
        QTest::newRow("new file still there") << true;
        QTest::newRow("new file gone") << false;
    }
    void interruptedReplacementFinishedAtStart()
    {
        QFETCH(bool, finishable);
        QTemporaryDir dir;
        const QDir folder(dir.path());
        FileReplacement replacement(dir.path());
        for (const char* name : {"a.txt", "b.txt"}) {
            const QString n = QString::fromLatin1(name);
            writeFile(folder.filePath(n), "eski");
            writeFile(folder.filePath(QLatin1Char('.') + n + QStringLiteral(".tmp")), "yeni");
            replacement.add(folder.filePath(QLatin1Char('.') + n + QStringLiteral(".tmp")),
                            folder.filePath(n));
        }
        seam::setReplacementRename(failSecondRename);
        QVERIFY(!replacement.run().isEmpty());
        seam::setReplacementRename(nullptr);
        QCOMPARE(replacement.renamed(), 1);
        QCOMPARE(readFile(folder.filePath(QStringLiteral("b.txt"))), QByteArray("eski"));
        if (!finishable)
            QVERIFY(QFile::remove(folder.filePath(QStringLiteral(".b.txt.tmp"))));

        auto p = startKalvora(dir.path());
        const QString err = errorsUntil(*p, QStringLiteral("DOSYA DEĞİŞİMİ"));
        if (finishable) {
            QVERIFY2(err.contains(QStringLiteral("DOSYA DEĞİŞİMİ (GERİ YÜKLEME YA DA TAŞIMA) TAMAMLANDI")),
                     qPrintable(err));
            QCOMPARE(readFile(folder.filePath(QStringLiteral("b.txt"))), QByteArray("yeni"));
            QVERIFY(!QFile::exists(folder.filePath(FileReplacement::recordName())));
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(folder.filePath(QStringLiteral("FRData.mdb"))), 60000);
            stop(*p);
        } else {
            QVERIFY2(p->state() == QProcess::NotRunning || p->waitForFinished(60000), qPrintable(err));
            const QString all = err + QString::fromUtf8(p->readAllStandardError());
            QCOMPARE(p->exitCode(), 1);
            QVERIFY2(all.contains(QStringLiteral("TAMAMLANAMADI")) &&
                         all.contains(QStringLiteral("BU VERİ KLASÖRÜYLE AÇILMADI")),
                     qPrintable(all));
            QVERIFY(QFile::exists(folder.filePath(FileReplacement::recordName())));
            QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("uyeler.mdb"))));
        }
    }

    // A data file that holds no database, damaged or empty: the start says which file and leaves it as
    // it is; the program goes on to its login window.
    void damagedFileReported_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("damaged") << QByteArray(5000, 'x');
        QTest::newRow("empty") << QByteArray();
    }
    void damagedFileReported()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(QStringLiteral("data.mdb"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        auto p = startKalvora(dir.path());
        const QString err = errorsUntil(*p, QStringLiteral("DOSYAYA DOKUNULMADI"));
        QVERIFY2(err.contains(QStringLiteral("VERİ DOSYASI AÇILAMADI: DOSYA: data.mdb")), qPrintable(err));
        QVERIFY2(err.contains(QStringLiteral("DOSYAYA DOKUNULMADI")), qPrintable(err));
        QCOMPARE(p->state(), QProcess::Running);
        stop(*p);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), content);
        QVERIFY(!QFile::exists(path + QStringLiteral("-journal")));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
