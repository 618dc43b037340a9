#include "data/password_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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
