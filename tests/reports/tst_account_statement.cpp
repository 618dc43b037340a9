#include "reports/account_statement.h"
#include "reports/report_bridge.h"
#include "reports/report_layout.h"
#include "reports/report_templates.h"
#include "reports/ui/report_print.h"
#include "support/test_data.h"
#include "widgets/message_box.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace kalvora;

namespace {

QString binFolder()
{
    return qEnvironmentVariable("KALVORA_TEST_BIN_DIR");
}

// Rows as the card shows them: description, amount ("#,##.00"), currency, date.
QList<StatementRow> sampleRows(int count)
{
    const QStringList currencies{QStringLiteral("TL"), QStringLiteral("DOLAR"), QStringLiteral("EURO")};
    QList<StatementRow> rows;
    for (int i = 1; i <= count; ++i) {
        const bool repayment = i % 4 == 0;
        const QString amount = (repayment ? QStringLiteral("-") : QString()) + QString::number(i * 37) +
                               QStringLiteral(".") + QString::number(100 + i).right(3) +
                               QStringLiteral(",50");
        rows.append({QStringLiteral("İŞLEM %1 ÇAĞRI'NIN ÖDEMESİ,, ŞUBAT").arg(i, 2, 10, QLatin1Char('0')),
                     amount, currencies.at(i % 3),
                     QStringLiteral("%1.%2.2024")
                         .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                         .arg(1 + i % 12, 2, 10, QLatin1Char('0'))});
    }
    return rows;
}

StatementData sampleStatement(int rows)
{
    StatementData d;
    d.name = QStringLiteral("AYŞE O'NEİL IŞIK");
    d.tl = {QStringLiteral("1.234,50"), QStringLiteral("BORÇLU")};
    d.dollar = {QStringLiteral("-300,00"), QStringLiteral("ALACAKLI")};
    d.euro = {QStringLiteral("0,00"), QStringLiteral("TEMİZ")};
    d.rows = sampleRows(rows);
    return d;
}

struct Printed {
    QString definition; // the saved temp_report.fr3
    QStringList started;
};

// Prints the statement with the shipped templates (copied as at first start) and records the viewer
// start instead of running it.
Printed print(test::TestData& data, const StatementData& d)
{
    installTemplates(binFolder(), data.folder());
    Printed out;
    ReportOptions options;
    options.installationFolder = binFolder();
    options.startViewer = [&](const QString& program, const QStringList& args, const QString&) {
        out.started = QStringList{program} + args;
        return true;
    };
    ReportBridge bridge(data.store(), options);
    printStatement(bridge, QDir(data.folder()).filePath(QStringLiteral("kart_dokum.fr3")), d);
    out.definition = bridge.definitionPath();
    return out;
}

// The text of each page of a PDF, by pdftotext -layout.
QStringList pdfPages(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-enc"),
                                          QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

int runRaporla(const QStringList& args, QString* errors = nullptr)
{
    QProcess p;
    p.start(QDir(binFolder()).filePath(QStringLiteral("raporla")), args);
    if (!p.waitForFinished(120000))
        return -1;
    if (errors)
        *errors = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace

class TestAccountStatement : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // 60 rows run over several pages: every row once, in order, the headings on every page, the name
    // and the three balance lines.
    void sixtyRowsToPdf()
    {
        test::TestData data;
        QTemporaryDir temp;
        const StatementData d = sampleStatement(60);
        const Printed printed = print(data, d);
        QCOMPARE(printed.started,
                 (QStringList{QDir(binFolder()).filePath(QStringLiteral("raporla")), printed.definition}));

        const QString pdf = QDir(temp.path()).filePath(QStringLiteral("dokum.pdf"));
        QString errors;
        QCOMPARE(runRaporla({QStringLiteral("--pdf"), pdf, printed.definition}, &errors), 0);
        QVERIFY2(!errors.contains(QLatin1String("RAPOR")), qPrintable(errors));
        const QStringList pages = pdfPages(pdf);
        QVERIFY2(pages.size() >= 2, qPrintable(QString::number(pages.size())));

        QVERIFY(pages.first().contains(QStringLiteral("HESAP KARTI DÖKÜMÜ")));
        QVERIFY(pages.first().contains(QStringLiteral("AYŞE O'NEİL IŞIK")));
        QVERIFY(pages.first().contains(QStringLiteral("1.234,50 BORÇLU")));
        QVERIFY(pages.first().contains(QLatin1String("-300,00 ALACAKLI")));
        QVERIFY(pages.first().contains(QStringLiteral("0,00 TEMİZ")));
        QVERIFY(pages.last().contains(QStringLiteral("İŞLEM SAYISI: 60")));
        for (int p = 0; p < pages.size(); ++p) {
            QVERIFY2(pages.at(p).contains(QStringLiteral("AÇIKLAMA")), qPrintable(QString::number(p)));
            QVERIFY(pages.at(p).contains(QStringLiteral("PARA CİNSİ")));
            QVERIFY(pages.at(p).contains(QStringLiteral("SAYFA %1 / %2").arg(p + 1).arg(pages.size())));
        }

        // every row once, in order, with its own amount, currency and date on its line
        const QStringList lines = pages.join(QLatin1Char('\n')).split(QLatin1Char('\n'));
        int previous = -1;
        QSet<int> pagesWithRows;
        for (int i = 0; i < d.rows.size(); ++i) {
            const StatementRow& r = d.rows.at(i);
            int found = -1;
            for (int l = 0; l < lines.size(); ++l) {
                if (lines.at(l).contains(r.description)) {
                    QVERIFY2(found < 0, qPrintable(r.description));
                    found = l;
                }
            }
            QVERIFY2(found > previous, qPrintable(r.description));
            const QString& line = lines.at(found);
            QVERIFY2(line.contains(QLatin1Char(' ') + r.amount + QLatin1Char(' ')), qPrintable(line));
            QVERIFY2(line.contains(QLatin1Char(' ') + r.currency + QLatin1Char(' ')), qPrintable(line));
            QVERIFY2(line.contains(r.date), qPrintable(line));
            QVERIFY2(line.trimmed().startsWith(QString::number(i + 1) + QLatin1Char(' ')), qPrintable(line));
            previous = found;
            for (int p = 0; p < pages.size(); ++p) {
                if (pages.at(p).contains(r.description))
                    pagesWithRows.insert(p);
            }
        }
        QCOMPARE(pagesWithRows.size(), pages.size());
    }

    // The same print laid out in the program: the rows of the memos, in order, split over pages.
    void rowsInOrderAcrossPages()
    {
        test::TestData data;
        QTemporaryDir temp;
        const StatementData d = sampleStatement(60);
        const Printed printed = print(data, d);
        const PreparedReport report = prepareReportFile(printed.definition);
        QVERIFY(report.pages.size() >= 2);
        QStringList descriptions;
        QStringList amounts;
        for (const StatementRow& r : d.rows) {
            descriptions.append(r.description);
            amounts.append(r.amount);
        }
        QCOMPARE(report.texts(QStringLiteral("Memo1")), descriptions);
        QCOMPARE(report.texts(QStringLiteral("Memo2")), amounts);
        QCOMPARE(report.texts(QStringLiteral("Memo11")), QStringList{d.name});
        QCOMPARE(report.texts(QStringLiteral("Memo13")), QStringList{QStringLiteral("1.234,50 BORÇLU")});
        QCOMPARE(report.texts(QStringLiteral("Memo12")), QStringList{QStringLiteral("-300,00 ALACAKLI")});
        QCOMPARE(report.texts(QStringLiteral("Memo10")), QStringList{QStringLiteral("0,00 TEMİZ")});
        // the column headings head every page
        QCOMPARE(report.texts(QStringLiteral("Memo41")).size(), report.pages.size());
    }

    // An account without rows: the name, three balance lines, no rows.
    void emptyStatement()
    {
        test::TestData data;
        QTemporaryDir temp;
        StatementData d;
        d.name = QStringLiteral("MEHMET YILMAZ");
        const Printed printed = print(data, d);
        const QString pdf = QDir(temp.path()).filePath(QStringLiteral("bos.pdf"));
        QCOMPARE(runRaporla({QStringLiteral("--pdf"), pdf, printed.definition}), 0);
        const QStringList pages = pdfPages(pdf);
        QCOMPARE(pages.size(), 1);
        QVERIFY(pages.first().contains(QLatin1String("MEHMET YILMAZ")));
        QVERIFY2(pages.first().count(QStringLiteral("0,00 TEMİZ")) == 3, qPrintable(pages.first()));
        QVERIFY(pages.first().contains(QStringLiteral("İŞLEM SAYISI: 0")));
        QVERIFY(!pages.first().contains(QStringLiteral("İŞLEM 01")));
    }

    // "&DÖKÜM AL" shows every failure in a message box naming what failed, and starts no viewer.
    void failuresShown_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message");
        QTest::newRow("template missing") << QStringLiteral("template") << QStringLiteral("kart_dokum.fr3");
        QTest::newRow("template broken") << QStringLiteral("broken") << QStringLiteral("BOZUK");
        QTest::newRow("viewer missing")
            << QStringLiteral("viewer") << QStringLiteral("RAPOR GÖSTERİCİ BULUNAMADI");
        QTest::newRow("scratch file missing") << QStringLiteral("scratch") << QStringLiteral("FRData.mdb");
    }
    void failuresShown()
    {
        QFETCH(QString, fault);
        QFETCH(QString, message);
        test::TestData data;
        test::MessageBoxCapture boxes;
        QTemporaryDir temp;
        QTemporaryDir emptyInstall;
        installTemplates(binFolder(), data.folder());
        const QString templatePath = QDir(data.folder()).filePath(QStringLiteral("kart_dokum.fr3"));
        if (fault == QLatin1String("template")) {
            QFile::remove(templatePath);
        } else if (fault == QLatin1String("broken")) {
            QFile f(templatePath);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write("<TfrxReport><TfrxReportPage>");
        } else if (fault == QLatin1String("scratch")) {
            data.store().closeAll();
            QFile::remove(data.store().path(QStringLiteral("FRData.mdb")));
        }
        int starts = 0;
        ReportOptions options;
        options.installationFolder = fault == QLatin1String("viewer") ? emptyInstall.path() : binFolder();
        options.definitionFolder = temp.path();
        options.startViewer = [&](const QString&, const QStringList&, const QString&) {
            return ++starts > 0;
        };

        QVERIFY(!printAccountStatement(nullptr, data.store(), data.folder(), sampleStatement(3), options));
        QCOMPARE(starts, 0);
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(MessageBox::shown().first().icon, MessageBox::Icon::Error);
        QVERIFY2(boxes.lastText().contains(message), qPrintable(boxes.lastText()));
        QCOMPARE(boxes.lastTitle(), QStringLiteral("DÖKÜM ALINAMADI"));
        QVERIFY(!QFile::exists(QDir(temp.path()).filePath(QStringLiteral("temp_report.fr3"))));
    }

    void printStartsViewer()
    {
        test::TestData data;
        test::MessageBoxCapture boxes;
        QTemporaryDir temp;
        installTemplates(binFolder(), data.folder());
        QStringList started;
        ReportOptions options;
        options.installationFolder = binFolder();
        options.definitionFolder = temp.path();
        options.startViewer = [&](const QString& program, const QStringList& args, const QString&) {
            started = QStringList{program} + args;
            return true;
        };
        QVERIFY(printAccountStatement(nullptr, data.store(), data.folder(), sampleStatement(2), options));
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(started.size(), 2);
        QCOMPARE(started.at(1), QDir(temp.path()).filePath(QStringLiteral("temp_report.fr3")));
    }
};

QTEST_MAIN(TestAccountStatement)
#include "tst_account_statement.moc"
