#include "backups.h"
#include "data/file_replacement.h"
#include "data/file_replacement_seam.h"
#include "yedekle/fixture.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <cstring>

#include <unistd.h>

using namespace kalvora;
using namespace Qt::StringLiterals;
using namespace kalvora::backup;
using namespace kalvora::test::yedekle;

namespace {

int stopAt = -1;
int renames = 0;

// The rename of a file replacement, killing the process for good before the rename number stopAt.
int renameOrDie(const char* from, const char* to)
{
    if (renames++ == stopAt)
        ::kill(::getpid(), SIGKILL);
    return std::rename(from, to);
}

// The child: restores a backup and is killed after the given number of renames.
int runRestore(const QString& dataFolder, const QString& backupFolder, const QString& target, int stop)
{
    stopAt = stop;
    seam::setReplacementRename(renameOrDie);
    const Outcome o = Backups(dataFolder, databasePassword()).restore(backupFolder, target);
    std::fputs(qPrintable(o.text), stderr);
    return o.ok ? 0 : 1;
}

} // namespace

class TestYedekleInterrupted : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A restore killed between any two of its renames leaves a record; the next start of yedekle
    // finishes the renames, and the folder holds the backup whole.
    void killedRestoreIsFinishedAtStart_data()
    {
        QTest::addColumn<int>("stop");
        // Seven files: five databases, sifre.dll and one template.
        for (int k = 0; k < 7; ++k)
            QTest::addRow("killed after %d renames", k) << k;
    }
    void killedRestoreIsFinishedAtStart()
    {
        QFETCH(int, stop);
        test::TestData data;
        fill(data, 4);
        QTemporaryDir target;
        const auto atBackup = dump(data.folder());
        const Outcome taken = Backups(data.folder(), databasePassword()).create(target.path(), Kind::Manual);
        QVERIFY2(taken.ok, qPrintable(taken.text));
        QCOMPARE(Manifest::fromJson(readFile(QDir(taken.folder).filePath(u"yedek.json"_s)))->files.size(), 7);
        data.addPerson(u"SONRADAN"_s);
        data.store().ledger(Ledger::Expense).execute(u"UPDATE KASA_NET SET Kasa_net_bakiye='-9'"_s);
        writeFile(dataFile(data.folder(), "paralar.fr3"), "sonra");
        data.store().closeAll();
        const auto beforeRestore = dump(data.folder());
        QVERIFY(beforeRestore != atBackup);

        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {u"--restore"_s, data.folder(), taken.folder, target.path(), QString::number(stop)});
        QVERIFY(child.waitForFinished(120000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        const QString record = QDir(data.folder()).filePath(FileReplacement::recordName());
        QVERIFY(QFile::exists(record));
        // Half of it: the first renamed files new, the rest old.
        if (stop > 0)
            QVERIFY(dump(data.folder()) != atBackup);

        const FileReplacement::Recovery left = Backups::finishInterrupted(data.folder());
        QVERIFY(left.found);
        QVERIFY2(left.finished, qPrintable(left.text));
        QVERIFY2(left.text.contains(u"TAMAMLANDI"_s), qPrintable(left.text));
        QVERIFY(!QFile::exists(record));
        QCOMPARE(dump(data.folder()), atBackup);
        for (const QString& folder : {data.folder(), QDir(data.folder()).filePath(u"iptaller"_s)})
            for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
                QVERIFY2(!name.endsWith(u".tmp"_s), qPrintable(name));
        // Nothing is left to finish.
        QVERIFY(!Backups::finishInterrupted(data.folder()).found);
    }

    // A record naming files outside the folder, or not written by these programs, is left alone with
    // the files it names.
    void foreignRecordTouchesNothing_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("outside the folder")
            << QByteArray(R"({"program":"KALVORA","degisim":[{"yeni":"../.x","yerine":"uyeler.mdb"}]})");
        QTest::newRow("visible file as new")
            << QByteArray(R"({"program":"KALVORA","degisim":[{"yeni":"data.mdb","yerine":"uyeler.mdb"}]})");
        QTest::newRow("not a record") << QByteArray("{");
    }
    void foreignRecordTouchesNothing()
    {
        QFETCH(QByteArray, record);
        QTemporaryDir dir;
        writeFile(QDir(dir.path()).filePath(u"uyeler.mdb"_s), "eski");
        writeFile(QDir(dir.path()).filePath(u"data.mdb"_s), "eski data");
        writeFile(QDir(dir.path()).filePath(FileReplacement::recordName()), record);
        const auto before = fingerprint(dir.path());
        const FileReplacement::Recovery left = FileReplacement::recover(dir.path());
        QVERIFY(left.found);
        QVERIFY(!left.finished);
        QVERIFY2(left.text.contains(u"DOKUNULMADI"_s), qPrintable(left.text));
        QCOMPARE(fingerprint(dir.path()), before);
    }
};

int main(int argc, char** argv)
{
    if (argc == 6 && std::strcmp(argv[1], "--restore") == 0) {
        QCoreApplication app(argc, argv);
        return runRestore(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                          QString::fromLocal8Bit(argv[4]), std::atoi(argv[5]));
    }
    QCoreApplication app(argc, argv);
    TestYedekleInterrupted test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_yedekle_interrupted.moc"
