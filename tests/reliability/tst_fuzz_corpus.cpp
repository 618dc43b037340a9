#include "data/turkish_text.h"
#include "fuzz/fuzz_checks.h"

#include <QDir>
#include <QDirIterator>
#include <QTest>

#include <functional>

using namespace kalvora;

using Check = std::function<fuzz::Problem(const QByteArray&)>;
Q_DECLARE_METATYPE(Check)

// Every checked-in fuzz input (the seed corpus and each input that once made a fuzzer fail) goes through
// the fuzzer's own check here, so the normal and the sanitizer builds keep them passing without clang.
class TestFuzzCorpus : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void replay_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<Check>("check");
        QTest::newRow("number") << QStringLiteral("number") << Check(fuzz::checkNumber);
        QTest::newRow("date") << QStringLiteral("date") << Check(fuzz::checkDate);
        QTest::newRow("buyukharf") << QStringLiteral("buyukharf") << Check(fuzz::checkBuyukHarf);
        QTest::newRow("turkish_order") << QStringLiteral("turkish_order") << Check(fuzz::checkTurkishOrder);
        QTest::newRow("password_file") << QStringLiteral("password_file") << Check(fuzz::checkPasswordFile);
        QTest::newRow("rate_page") << QStringLiteral("rate_page") << Check(fuzz::checkRatePage);
        QTest::newRow("sort_compare") << QStringLiteral("sort_compare") << Check(fuzz::checkSortCompare);
        QTest::newRow("report_definition")
            << QStringLiteral("report_definition") << Check(fuzz::checkReportDefinition);
        QTest::newRow("report_expression")
            << QStringLiteral("report_expression") << Check(fuzz::checkReportExpression);
    }
    void replay()
    {
        QFETCH(QString, target);
        QFETCH(Check, check);
        const QString source =
            qEnvironmentVariable("KALVORA_SOURCE_DIR", QStringLiteral(QT_TESTCASE_SOURCEDIR "/.."));
        int inputs = 0;
        for (const char* kind : {"corpus", "regressions"}) {
            const QString dir =
                QDir(source).filePath(QStringLiteral("tests/fuzz/%1/%2").arg(QLatin1String(kind), target));
            QDirIterator it(dir, QDir::Files);
            while (it.hasNext()) {
                const QString path = it.next();
                QFile f(path);
                QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(path));
                const fuzz::Problem problem = check(f.readAll());
                QVERIFY2(!problem, qPrintable(path + QStringLiteral(": ") +
                                              QString::fromStdString(problem.value_or(""))));
                ++inputs;
            }
        }
        QVERIFY2(inputs > 0, qPrintable(QStringLiteral("no inputs for ") + target));
    }

    // Characters that are no small letters by category but still have capitals: the general upper case
    // of BuyukHarf's last step must reach them too.
    void buyukHarfUpperCasesEveryCasedCharacter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("upper");
        QTest::newRow("small roman numeral") << QStringLiteral("ⅹ") << QStringLiteral("Ⅹ");
        QTest::newRow("circled letter") << QStringLiteral("ⓐ") << QStringLiteral("Ⓐ");
        QTest::newRow("title-case digraph") << QStringLiteral("ǅ") << QStringLiteral("Ǆ");
        QTest::newRow("greek title case") << QStringLiteral("ᾈ") << QStringLiteral("ἈΙ");
        QTest::newRow("combining mark") << QStringLiteral("\u0345") << QStringLiteral("\u0399");
        QTest::newRow("letter beyond 65,536") << QStringLiteral("𐐨") << QStringLiteral("𐐀");
        QTest::newRow("sharp s") << QStringLiteral("ß") << QStringLiteral("SS");
        QTest::newRow("turkish") << QStringLiteral("çiğdem ışık") << QStringLiteral("ÇİĞDEM IŞIK");
        QTest::newRow("already upper") << QStringLiteral("ALİ 2 İŞ") << QStringLiteral("ALİ 2 İŞ");
    }
    void buyukHarfUpperCasesEveryCasedCharacter()
    {
        QFETCH(QString, text);
        QFETCH(QString, upper);
        QCOMPARE(BuyukHarf(text), upper);
    }
};

QTEST_GUILESS_MAIN(TestFuzzCorpus)
#include "tst_fuzz_corpus.moc"
