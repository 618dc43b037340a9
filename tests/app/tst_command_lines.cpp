#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The programs' command lines, run as a user or a script would: no display at all, the data
// folder named but not there. --help and --version answer on standard output, a wrong command line
// on standard error with exit code 2, and no data folder comes into being.
class TestCommandLines : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void answers_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("onStdout");
        QTest::addColumn<QStringList>("expected");
        const QStringList usage{QStringLiteral("KULLANIM: ")};
        const QStringList version{QStringLiteral("(ORVENTA KALVORA) SÜRÜM 1.0")};
        for (const char* p : {"kalvora", "raporla", "yedekle", "kalvora-tasi", "kalvora-al"}) {
            const QString program = QString::fromLatin1(p);
            QTest::addRow("%s --help", p)
                << program << QStringList{QStringLiteral("--help")} << 0 << true
                << QStringList{QStringLiteral("KULLANIM: ") + program, QStringLiteral("--version"),
                               QStringLiteral("SÜRÜMÜ")};
            QTest::addRow("%s -h", p) << program << QStringList{QStringLiteral("-h")} << 0 << true << usage;
            QTest::addRow("%s --version", p)
                << program << QStringList{QStringLiteral("--version")} << 0 << true << version;
            QTest::addRow("%s -v", p) << program << QStringList{QStringLiteral("-v")} << 0 << true << version;
            QTest::addRow("%s unknown option", p)
                << program << QStringList{QStringLiteral("--hepsini-sil")} << 2 << false
                << QStringList{QStringLiteral("BİLİNMEYEN SEÇENEK: --hepsini-sil"),
                               QStringLiteral("KULLANIM: ")};
        }
        QTest::newRow("kalvora --data-dir without a folder")
            << QStringLiteral("kalvora") << QStringList{QStringLiteral("--data-dir")} << 2 << false
            << QStringList{QStringLiteral("SEÇENEĞİN DEĞERİ YAZILMAMIŞ: --data-dir")};
        QTest::newRow("kalvora with a stray argument")
            << QStringLiteral("kalvora") << QStringList{QStringLiteral("fazla")} << 2 << false
            << QStringList{QStringLiteral("FAZLA ARGÜMAN: fazla")};
        QTest::newRow("raporla without a definition")
            << QStringLiteral("raporla") << QStringList() << 2 << false
            << QStringList{QStringLiteral("RAPOR TANIMI VERİLMEDİ"), QStringLiteral("KULLANIM: raporla")};
        QTest::newRow("raporla --pdf without a definition")
            << QStringLiteral("raporla") << QStringList{QStringLiteral("--pdf"), QStringLiteral("<T>/c.pdf")}
            << 2 << false << QStringList{QStringLiteral("RAPOR TANIMI VERİLMEDİ")};
        // The PDF of a definition that does not open: an error text and exit code 1, never a window.
        QTest::newRow("raporla --pdf, missing definition")
            << QStringLiteral("raporla")
            << QStringList{QStringLiteral("--pdf"), QStringLiteral("<T>/c.pdf"),
                           QStringLiteral("<T>/yok.fr3")}
            << 1 << false << QStringList{QStringLiteral("RAPOR DOSYASI BULUNAMADI")};
        QTest::newRow("yedekle --data-dir without a folder")
            << QStringLiteral("yedekle")
            << QStringList{QStringLiteral("--auto"), QStringLiteral("--data-dir")} << 2 << false
            << QStringList{QStringLiteral("SEÇENEĞİN DEĞERİ YAZILMAMIŞ: --data-dir")};
        // A move names both ends itself; nothing falls back to the environment.
        QTest::newRow("kalvora-tasi without a server")
            << QStringLiteral("kalvora-tasi")
            << QStringList{QStringLiteral("--data-dir"), QStringLiteral("<T>/veri")} << 2 << false
            << QStringList{QStringLiteral("SUNUCU ADRESİ VERİLMEDİ (--server)."),
                           QStringLiteral("KULLANIM: kalvora-tasi")};
        QTest::newRow("kalvora-tasi without a folder")
            << QStringLiteral("kalvora-tasi")
            << QStringList{QStringLiteral("--server"), QStringLiteral("postgresql:///x")} << 2 << false
            << QStringList{QStringLiteral("VERİ KLASÖRÜ VERİLMEDİ")};
        QTest::newRow("kalvora-al without a source")
            << QStringLiteral("kalvora-al") << QStringList{QStringLiteral("--dry-run")} << 2 << false
            << QStringList{QStringLiteral("BİR KAYNAK VERİLMELİ"), QStringLiteral("KULLANIM: kalvora-al")};
        QTest::newRow("kalvora-al with two targets")
            << QStringLiteral("kalvora-al")
            << QStringList{QStringLiteral("--csv"),      QStringLiteral("<T>/a.csv"),
                           QStringLiteral("--data-dir"), QStringLiteral("<T>/veri"),
                           QStringLiteral("--server"),   QStringLiteral("postgresql:///x")}
            << 2 << false << QStringList{QStringLiteral("--data-dir İLE --server BİRLİKTE VERİLMEZ.")};
        // A source that is not there is refused with its name, before the book is touched.
        QTest::newRow("kalvora-al, missing folder")
            << QStringLiteral("kalvora-al")
            << QStringList{QStringLiteral("--access"), QStringLiteral("<T>/eski")} << 1 << true
            << QStringList{QStringLiteral("AKTARIM YAPILMADI"), QStringLiteral("KLASÖR BULUNAMADI")};
        QTest::newRow("kalvora-tasi with both folders")
            << QStringLiteral("kalvora-tasi")
            << QStringList{QStringLiteral("--server"),    QStringLiteral("postgresql:///x"),
                           QStringLiteral("--data-dir"),  QStringLiteral("<T>/veri"),
                           QStringLiteral("--to-folder"), QStringLiteral("<T>/veri")}
            << 2 << false << QStringList{QStringLiteral("--data-dir İLE --to-folder BİRLİKTE VERİLMEZ.")};
    }
    void answers()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(bool, onStdout);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        const QString dataFolder = QDir(dir.path()).filePath(QStringLiteral("veri"));
        for (QString& a : arguments)
            a.replace(QStringLiteral("<T>"), dir.path());

        for (const bool brokenDisplay : {false, true}) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove(QStringLiteral("QT_QPA_PLATFORM"));
            env.remove(QStringLiteral("WAYLAND_DISPLAY"));
            if (brokenDisplay)
                env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":4711"));
            else
                env.remove(QStringLiteral("DISPLAY"));
            env.insert(QStringLiteral("KALVORA_DATA_DIR"), dataFolder);
            env.insert(QStringLiteral("HOME"), dir.path());
            env.insert(QStringLiteral("XDG_DATA_HOME"), QDir(dir.path()).filePath(QStringLiteral("xdg")));
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(QDir(qEnvironmentVariable("KALVORA_TEST_BIN_DIR")).filePath(program), arguments);
            QVERIFY2(p.waitForFinished(60000), "the program did not end by itself");
            const QString out = QString::fromUtf8(p.readAllStandardOutput());
            const QString err = QString::fromUtf8(p.readAllStandardError());
            QCOMPARE(p.exitStatus(), QProcess::NormalExit);
            QVERIFY2(p.exitCode() == exitCode, qPrintable(out + err));
            for (const QString& text : expected)
                QVERIFY2((onStdout ? out : err).contains(text), qPrintable(out + err));
            if (onStdout)
                QVERIFY2(err.isEmpty(), qPrintable(err));
            QVERIFY2(!QFileInfo::exists(dataFolder), "a data folder was made");
            QVERIFY(!QFileInfo::exists(QDir(dir.path()).filePath(QStringLiteral("xdg"))));
            QVERIFY(!QFileInfo::exists(QDir(dir.path()).filePath(QStringLiteral("c.pdf"))));
        }
    }
};

QTEST_GUILESS_MAIN(TestCommandLines)
#include "tst_command_lines.moc"
