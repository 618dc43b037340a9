#include "data/password_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace kalvora;

class TestPasswordFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("hasField");
        QTest::addColumn<QString>("field");
        QTest::newRow("four digits") << QByteArray("\"1234\"\r\n") << true << QStringLiteral("1234");
        QTest::newRow("empty password") << QByteArray("\"\"\r\n") << true << QString();
        QTest::newRow("comma inside quotes")
            << QByteArray("\"12,34\"\r\n") << true << QStringLiteral("12,34");
        QTest::newRow("rest ignored") << QByteArray("\"12\",\"99\"\r\nxx") << true << QStringLiteral("12");
        QTest::newRow("unquoted up to comma") << QByteArray("12,34\r\n") << true << QStringLiteral("12");
        QTest::newRow("unclosed quote") << QByteArray("\"12") << true << QStringLiteral("12");
        QTest::newRow("empty file") << QByteArray() << false << QString();
        QTest::newRow("only line end") << QByteArray("\r\n") << false << QString();
    }
    void parse()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, hasField);
        QFETCH(QString, field);
        const auto v = PasswordFile::parse(content);
        QCOMPARE(v.has_value(), hasField);
        if (hasField)
            QCOMPARE(*v, field);
    }

    void writeIsExactAndReadBack()
    {
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(QStringLiteral("sifre.dll"));
        QVERIFY(PasswordFile::accepts(path, QString())); // no file: only the empty password
        QVERIFY(!PasswordFile::accepts(path, QStringLiteral("1")));
        QVERIFY(PasswordFile::write(path, QStringLiteral("12,34")));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("\"12,34\"\r\n"));
        QVERIFY(PasswordFile::accepts(path, QStringLiteral("12,34")));
        QVERIFY(!PasswordFile::accepts(path, QStringLiteral("1234")));
        QVERIFY(!PasswordFile::accepts(path, QString()));
    }

    // A new password file is its owner's alone; one that was there keeps its mode.
    void writtenFileMode_data()
    {
        QTest::addColumn<int>("existingMode");
        QTest::addColumn<int>("mode");
        QTest::newRow("new") << -1 << 0600;
        QTest::newRow("existing") << 0640 << 0640;
    }
    void writtenFileMode()
    {
        QFETCH(int, existingMode);
        QFETCH(int, mode);
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(QStringLiteral("sifre.dll"));
        if (existingMode >= 0) {
            QVERIFY(PasswordFile::write(path, QStringLiteral("1")));
            QVERIFY(::chmod(QFile::encodeName(path).constData(), static_cast<mode_t>(existingMode)) == 0);
        }
        const mode_t umaskBefore = ::umask(022);
        const bool written = PasswordFile::write(path, QStringLiteral("12"));
        ::umask(umaskBefore);
        QVERIFY(written);
        struct stat st {};
        QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0);
        QCOMPARE(int(st.st_mode & 07777), mode);
    }

    void emptyFileActsAsNoPassword()
    {
        // A file without a field would otherwise lock the user out for good.
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(QStringLiteral("sifre.dll"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(PasswordFile::accepts(path, QString()));
        QVERIFY(!PasswordFile::accepts(path, QStringLiteral("0")));
    }

    void unwritableFolderReportsError()
    {
        QString error;
        QVERIFY(!PasswordFile::write(QStringLiteral("/nonexistent-folder/sifre.dll"), QStringLiteral("1"),
                                     &error));
        QVERIFY(error.contains(QStringLiteral("sifre.dll")));
    }
};

QTEST_GUILESS_MAIN(TestPasswordFile)
#include "tst_password_file.moc"
