#include "backups.h"
#include "yedekle/fixture.h"

#include <QProcess>
#include <QTemporaryDir>

using namespace kalvora;
using namespace kalvora::backup;
using namespace kalvora::test::yedekle;

// The program itself, as a scheduler starts it: no screen, exit code and console texts only.
class TestYedekleCli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY2(QFileInfo(program()).isExecutable(), qPrintable(program())); }

    void automaticExitCodes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("expected");
        const QString T = QStringLiteral("<T>");
        const QString D = QStringLiteral("<D>");
        const QString auto_ = QStringLiteral("--auto");
        QTest::newRow("backup") << QStringList{databasePassword(), auto_, T} << QString() << 0
                                << QStringLiteral("YEDEK ALINDI");
        QTest::newRow("password left out")
            << QStringList{auto_, T} << QString() << 0 << QStringLiteral("YEDEK ALINDI");
        QTest::newRow("data folder on the command line")
            << QStringList{QStringLiteral("--data-dir"), D, auto_, T} << QStringLiteral("empty-env") << 0
            << QStringLiteral("YEDEK ALINDI");
        QTest::newRow("wrong password") << QStringList{QStringLiteral("1234"), auto_, T} << QString() << 1
                                        << QStringLiteral("ŞİFRE YANLIŞ");
        QTest::newRow("data file missing") << QStringList{auto_, T} << QStringLiteral("no-data") << 1
                                           << QStringLiteral("VERİ DOSYASI BULUNAMADI: data.mdb");
        QTest::newRow("target is a file") << QStringList{auto_, T} << QStringLiteral("target-file") << 1
                                          << QStringLiteral("YEDEK KLASÖRÜ OLUŞTURULAMADI");
        QTest::newRow("unknown option") << QStringList{auto_, T, QStringLiteral("--sil")} << QString() << 2
                                        << QStringLiteral("BİLİNMEYEN SEÇENEK: --sil");
        QTest::newRow("help") << QStringList{QStringLiteral("--help")} << QString() << 0
                              << QStringLiteral("KULLANIM");
    }
    void automaticExitCodes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, setup);
        QFETCH(int, exitCode);
        QFETCH(QString, expected);
        test::TestData data;
        fill(data, 4);
        data.store().closeAll();
        QTemporaryDir root;
        const QString target = QDir(root.path()).filePath(QStringLiteral("yedekler"));
        QString envData = data.folder();
        if (setup == QLatin1String("no-data"))
            QVERIFY(QFile::remove(dataFile(data.folder(), "data.mdb")));
        else if (setup == QLatin1String("target-file"))
            writeFile(target, "x");
        else if (setup == QLatin1String("empty-env"))
            envData = QDir(root.path()).filePath(QStringLiteral("boş"));
        for (QString& a : arguments)
            a.replace(QStringLiteral("<T>"), target).replace(QStringLiteral("<D>"), data.folder());
        const auto before = fingerprint(data.folder());

        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KALVORA_DATA_DIR"), envData);
        env.insert(QStringLiteral("HOME"), root.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.path());
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        p.setProcessEnvironment(env);
        p.start(program(), arguments);
        QVERIFY(p.waitForFinished(120000));
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QVERIFY2(p.exitCode() == exitCode, qPrintable(out + err));
        QVERIFY2((exitCode == 0 ? out : err).contains(expected), qPrintable(out + err));

        QCOMPARE(fingerprint(data.folder()), before);
        const QList<BackupEntry> made = Backups::list(target);
        if (exitCode == 0 && setup != QLatin1String("target-file") &&
            !arguments.contains(QStringLiteral("--help"))) {
            QCOMPARE(made.size(), 1);
            QCOMPARE(made.first().manifest->kind, Kind::Automatic);
            QCOMPARE(made.first().manifest->counts.people, 4);
            QVERIFY(Backups(data.folder(), databasePassword()).verify(made.first().folder).ok);
        } else if (setup != QLatin1String("target-file")) {
            QCOMPARE(entries(target), QStringList());
        }
    }

private:
    static QString program()
    {
        return QDir(qEnvironmentVariable("KALVORA_TEST_BIN_DIR")).filePath(QStringLiteral("yedekle"));
    }
};

QTEST_GUILESS_MAIN(TestYedekleCli)
#include "tst_yedekle_cli.moc"
