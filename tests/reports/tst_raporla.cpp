#include "data/database.h"
#include "reports/report_data.h"
#include "reports/report_definition.h"
#include "reports/report_layout.h"
#include "reports/report_render.h"
#include "reports/ui/report_viewer.h"
#include "support/test_data.h"
#include "widgets/message_box.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

using namespace kalvora;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(kalvora::ReportDataLimits)

namespace {

// Three pages: one text per page break, the page number in the footer.
const char* const threePages = R"(<TfrxReport Title="DENEME RAPORU">
 <TfrxReportPage Name="P" PaperWidth="210" PaperHeight="297">
  <TfrxMasterData Name="MasterData1" Height="100" RowCount="6">
   <TfrxMemoView Name="Row" Width="100" Height="10" Text="SATIR [Line#]"/>
  </TfrxMasterData>
  <TfrxPageFooter Name="F" Height="10">
   <TfrxMemoView Name="Foot" Width="100" Height="8" Text="SAYFA [Page#] / [TotalPages#]"/>
  </TfrxPageFooter>
 </TfrxReportPage>
</TfrxReport>)";

PreparedReport sample()
{
    return layoutReport(ReportDefinition::parse(threePages, u"x"_s), {});
}

QString pdfText(const QString& pdf)
{
    QProcess p;
    p.start(u"pdftotext"_s, {u"-enc"_s, u"UTF-8"_s, pdf, u"-"_s});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

struct Run {
    int exitCode = -1;
    QString errors;
};

// A definition with one query on the file veri.mdb beside it.
QByteArray queryDefinition(const QString& sql, const QString& source = u"veri.mdb"_s)
{
    QString xml =
        QStringLiteral("<TfrxReport><TfrxDataPage Name=\"Data\"><TfrxADODatabase Name=\"Baglanti\" "
                       "ConnectionString=\"Data Source=%1\"/><TfrxADOQuery Name=\"T\" SQL=\"%2\" "
                       "Database=\"Baglanti\"/></TfrxDataPage><TfrxReportPage Name=\"P\"/></TfrxReport>");
    return xml.arg(source.toHtmlEscaped(), sql.toHtmlEscaped()).toUtf8();
}

void makeDataFile(const QString& path)
{
    Database db = Database::open(path, QString(), Database::Mode::ReadWriteCreate);
    db.exec(u"CREATE TABLE t(x); INSERT INTO t VALUES (1), (2)"_s);
}

Run raporla(const QStringList& args)
{
    QProcess p;
    p.start(QDir(qEnvironmentVariable("KALVORA_TEST_BIN_DIR")).filePath(u"raporla"_s), args);
    Run r;
    if (!p.waitForFinished(120000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.errors = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace

class TestRaporla : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void navigation()
    {
        ReportViewer viewer(sample());
        viewer.show();
        viewer.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&viewer));
        QCOMPARE(viewer.pageCount(), 3);
        QCOMPARE(viewer.windowTitle(), u"RAPOR - DENEME RAPORU"_s);
        auto* first = viewer.findChild<QAction*>(u"FirstPage"_s);
        auto* previous = viewer.findChild<QAction*>(u"PreviousPage"_s);
        auto* next = viewer.findChild<QAction*>(u"NextPage"_s);
        auto* last = viewer.findChild<QAction*>(u"LastPage"_s);
        auto* number = viewer.findChild<QSpinBox*>(u"PageNumber"_s);
        auto* status = viewer.findChild<QLabel*>(u"StatusText"_s);
        QVERIFY(first && previous && next && last && number && status);
        QCOMPARE(viewer.findChild<QLabel*>(u"PageCount"_s)->text().trimmed(), u"/ 3"_s);
        QVERIFY(!first->isEnabled());
        QVERIFY(!previous->isEnabled());
        QVERIFY(next->isEnabled());

        next->trigger();
        QCOMPARE(viewer.currentPage(), 1);
        QCOMPARE(number->value(), 2);
        QVERIFY(status->text().startsWith(QLatin1String("SAYFA 2 / 3")));
        last->trigger();
        QCOMPARE(viewer.currentPage(), 2);
        QVERIFY(!next->isEnabled());
        QVERIFY(!last->isEnabled());
        next->trigger(); // nothing past the end
        QCOMPARE(viewer.currentPage(), 2);
        number->setValue(1);
        QCOMPARE(viewer.currentPage(), 0);
        viewer.setCurrentPage(99);
        QCOMPARE(viewer.currentPage(), 2);
        previous->trigger();
        QCOMPARE(viewer.currentPage(), 1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
        QCOMPARE(viewer.currentPage(), 2);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp);
        QCOMPARE(viewer.currentPage(), 1);
    }

    // At the size it opens with, every action of the toolbar is on it, none in its overflow menu.
    void toolBarFits()
    {
        ReportViewer viewer(sample());
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        auto* bar = viewer.findChild<QToolBar*>(u"ToolBar"_s);
        QVERIFY(bar);
        QVERIFY(viewer.width() <= viewer.screen()->availableGeometry().width());
        QStringList actions;
        for (QAction* a : bar->actions()) {
            if (a->isSeparator())
                continue;
            actions << a->objectName();
            QWidget* w = bar->widgetForAction(a);
            QVERIFY2(w && w->isVisible() && bar->rect().contains(w->geometry()), qPrintable(a->text()));
        }
        QVERIFY(actions.contains(u"Close"_s));
        for (auto* b : bar->findChildren<QToolButton*>(u"qt_toolbar_ext_button"_s))
            QVERIFY(!b->isVisible());
    }

    void zoom()
    {
        ReportViewer viewer(sample());
        viewer.resize(800, 900);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        auto* view = viewer.findChild<QWidget*>(u"PageView"_s);
        auto* scroll = viewer.findChild<QScrollArea*>(u"PageScroll"_s);
        auto* box = viewer.findChild<QComboBox*>(u"Zoom"_s);
        QVERIFY(view && scroll && box);

        // fits the width at first
        QCOMPARE(viewer.fit(), ReportViewer::Fit::Width);
        QVERIFY(view->width() <= scroll->viewport()->width());
        QVERIFY(view->width() > scroll->viewport()->width() - 40);
        QCOMPARE(box->currentText(), u"SAYFA GENİŞLİĞİ"_s);

        viewer.setZoom(1.0);
        const int at100 = view->width();
        viewer.setZoom(2.0);
        QVERIFY(qAbs(view->width() - 32 - 2 * (at100 - 32)) <= 2);
        QCOMPARE(box->currentText(), u"%200"_s);
        viewer.findChild<QAction*>(u"ZoomIn"_s)->trigger();
        QCOMPARE(viewer.zoom(), 3.0);
        viewer.findChild<QAction*>(u"ZoomOut"_s)->trigger();
        viewer.findChild<QAction*>(u"ZoomOut"_s)->trigger();
        QCOMPARE(viewer.zoom(), 1.5);

        viewer.setFit(ReportViewer::Fit::Page);
        QVERIFY(view->height() <= scroll->viewport()->height());
        QCOMPARE(box->currentText(), u"TAM SAYFA"_s);
        box->setCurrentIndex(box->findText(u"%50"_s));
        Q_EMIT box->activated(box->currentIndex());
        QCOMPARE(viewer.zoom(), 0.5);
        QCOMPARE(viewer.fit(), ReportViewer::Fit::None);
    }

    // Printing paints the chosen pages, one per sheet.
    void printRange()
    {
        ReportViewer viewer(sample());
        QTemporaryDir dir;
        const QString pdf = QDir(dir.path()).filePath(u"baski.pdf"_s);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        QVERIFY(viewer.printTo(printer, 2, 3));
        const QString text = pdfText(pdf);
        QVERIFY(!text.contains(QLatin1String("SAYFA 1 / 3")));
        QVERIFY(text.contains(QLatin1String("SAYFA 2 / 3")));
        QVERIFY(text.contains(QLatin1String("SAYFA 3 / 3")));
        QCOMPARE(text.count(QLatin1Char('\f')), 2);
    }

    void savePdf()
    {
        test::MessageBoxCapture boxes;
        ReportViewer viewer(sample());
        QTemporaryDir dir;
        const QString pdf = QDir(dir.path()).filePath(u"rapor.pdf"_s);
        QVERIFY(viewer.savePdf(pdf));
        QCOMPARE(pdfText(pdf).count(QLatin1Char('\f')), 3);
        QCOMPARE(boxes.count(), 0);

        QVERIFY(!viewer.savePdf(QDir(dir.path()).filePath(u"yok/rapor.pdf"_s)));
        QCOMPARE(boxes.count(), 1);
        QVERIFY(boxes.lastText().contains(u"PDF DOSYASI YAZILAMADI"_s));
        QCOMPARE(boxes.lastTitle(), u"PDF KAYDEDİLEMEDİ"_s);
    }

    // The paper follows the definition: A4 upright or turned sideways.
    void paperSize_data()
    {
        QTest::addColumn<QString>("orientation");
        QTest::addColumn<QString>("size");
        QTest::newRow("portrait") << u"poPortrait"_s << u"595 x 842 pts (A4)"_s;
        QTest::newRow("landscape") << u"poLandscape"_s << u"842 x 595 pts (A4)"_s;
    }
    void paperSize()
    {
        QFETCH(QString, orientation);
        QFETCH(QString, size);
        QByteArray xml(threePages);
        xml.replace("<TfrxReportPage Name=\"P\"",
                    "<TfrxReportPage Name=\"P\" Orientation=\"" + orientation.toLatin1() + '"');
        QTemporaryDir dir;
        const QString pdf = QDir(dir.path()).filePath(u"kagit.pdf"_s);
        writePdf(layoutReport(ReportDefinition::parse(xml, u"x"_s), {}), pdf);
        QProcess info;
        info.start(u"pdfinfo"_s, {pdf});
        QVERIFY(info.waitForFinished(60000));
        const QString out = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(out.contains(u"Page size:       "_s + size), qPrintable(out));
    }

    // raporla --pdf: a PDF without a window; a bad file is named on the error output, exit code not 0.
    void commandLine_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("good") << QByteArray(threePages) << 0 << QString();
        QTest::newRow("missing") << QByteArray() << 1 << u"RAPOR DOSYASI BULUNAMADI"_s;
        QTest::newRow("not a definition") << QByteArray("<html/>") << 1 << u"RAPOR TANIMI DEĞİL"_s;
        QTest::newRow("broken") << QByteArray("<TfrxReport><TfrxReportPage") << 1 << u"BOZUK"_s;
        QTest::newRow("data file missing")
            << QByteArray(
                   "<TfrxReport><TfrxDataPage Name=\"Data\"><TfrxADODatabase Name=\"Baglanti\" "
                   "ConnectionString=\"Data Source=yok.mdb\"/><TfrxADOQuery Name=\"T\" SQL=\"select 1\" "
                   "Database=\"Baglanti\"/></TfrxDataPage><TfrxReportPage Name=\"P\"/></TfrxReport>")
            << 1 << u"RAPOR VERİ DOSYASI BULUNAMADI"_s;
        QTest::newRow("usage") << QByteArray("-") << 2 << u"KULLANIM"_s;
        // A query without end is stopped at the bound, not when the memory runs out.
        QTest::newRow("endless query")
            << queryDefinition(QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) "
                                              "SELECT x, 'SATIR' FROM c"))
            << 1 << u"RAPOR VERİSİ ÇOK BÜYÜK (\"T\" SORGUSU): 500000 SATIRDAN FAZLA."_s;
        // Each step takes long, so the step bound alone would stop it after days: the clock does.
        QTest::newRow("query that never ends")
            << queryDefinition(
                   QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) "
                                  "SELECT x FROM c WHERE length(printf('%.*c', 1000000 + x % 2, 'x')) < 0"))
            << 1 << u"SORGU 30 SANİYEDE BİTMEDİ, DURDURULDU."_s;
        // Sorted before the first row comes: the engine's memory is bounded, not only the rows read.
        QTest::newRow("huge data, sorted")
            << queryDefinition(QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) "
                                              "SELECT printf('%.*c', 1000, 'x') || x AS v FROM c ORDER BY v"))
            << 1 << u"RAPOR VERİSİ ÇOK BÜYÜK (\"T\" SORGUSU): 256 MB'TAN FAZLA."_s;
    }
    void commandLine()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString definition = QDir(dir.path()).filePath(u"temp_report.fr3"_s);
        const QString pdf = QDir(dir.path()).filePath(u"cikti.pdf"_s);
        makeDataFile(QDir(dir.path()).filePath(u"veri.mdb"_s));
        if (!content.isEmpty() && content != "-") {
            QFile f(definition);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        const QStringList args =
            content == "-" ? QStringList{u"--pdf"_s, pdf} : QStringList{u"--pdf"_s, pdf, definition};
        const Run run = raporla(args);
        QCOMPARE(run.exitCode, exitCode);
        if (exitCode == 0) {
            QFile f(pdf);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QVERIFY(f.read(5) == "%PDF-");
            QCOMPARE(pdfText(pdf).count(QLatin1Char('\f')), 3);
        } else {
            QVERIFY2(run.errors.contains(message), qPrintable(run.errors));
            QVERIFY(!QFile::exists(pdf));
        }
    }

    // What a definition's queries may read: their own folder's files, by reading only, within bounds.
    void dataBounds_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("source");
        QTest::addColumn<ReportDataLimits>("limits");
        QTest::addColumn<QString>("message");
        const QString endless = u"WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) "_s;
        const QString veri = u"veri.mdb"_s;
        const QString readOnly = u"SORGU YALNIZ VERİ OKUYABİLİR"_s;
        const QString ownFolder = u"YALNIZ KENDİ KLASÖRÜNDEKİ VERİ DOSYALARINI OKUYABİLİR"_s;
        QTest::newRow("within bounds") << u"SELECT x FROM t"_s << veri << ReportDataLimits{} << QString();
        QTest::newRow("too many rows")
            << endless + u"SELECT x FROM c"_s << veri << ReportDataLimits{1000, 1 << 30, 1000000000}
            << u"1000 SATIRDAN FAZLA"_s;
        QTest::newRow("too many bytes")
            << endless + u"SELECT printf('%.*c', 100000, 'x') FROM c"_s << veri
            << ReportDataLimits{1000000, 2 * 1024 * 1024, 1000000000} << u"2 MB'TAN FAZLA"_s;
        QTest::newRow("never yields a row")
            << endless + u"SELECT x FROM c WHERE x < 0"_s << veri << ReportDataLimits{1000, 1 << 30, 5000000}
            << u"SORGU ÇOK UZUN SÜRDÜ"_s;
        QTest::newRow("steps that each take long")
            << endless + u"SELECT x FROM c WHERE length(printf('%.*c', 1000000 + x % 2, 'x')) < 0"_s << veri
            << ReportDataLimits{1000, 1 << 30, 1000000000, 300} << u"SORGU 0,3 SANİYEDE BİTMEDİ"_s;
        QTest::newRow("too many bytes to sort")
            << endless + u"SELECT printf('%.*c', 1000, 'x') || x AS v FROM c ORDER BY v"_s << veri
            << ReportDataLimits{1000000, 8 * 1024 * 1024, 1000000000, 60000} << u"8 MB'TAN FAZLA"_s;
        QTest::newRow("attach") << u"ATTACH DATABASE '/etc/passwd' AS p"_s << veri << ReportDataLimits{}
                                << readOnly;
        QTest::newRow("pragma") << u"PRAGMA writable_schema = 1"_s << veri << ReportDataLimits{} << readOnly;
        QTest::newRow("writing a table")
            << u"CREATE TEMP TABLE k AS SELECT x FROM t"_s << veri << ReportDataLimits{} << readOnly;
        QTest::newRow("file of another folder")
            << u"SELECT x FROM t"_s << u"../baska/veri.mdb"_s << ReportDataLimits{} << ownFolder;
        QTest::newRow("link out of its folder")
            << u"SELECT x FROM t"_s << u"bag.mdb"_s << ReportDataLimits{} << ownFolder;
    }
    void dataBounds()
    {
        QFETCH(QString, sql);
        QFETCH(QString, source);
        QFETCH(ReportDataLimits, limits);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QDir own(QDir(dir.path()).filePath(u"veri"_s));
        QVERIFY(QDir().mkpath(own.path()) && QDir().mkpath(QDir(dir.path()).filePath(u"baska"_s)));
        makeDataFile(own.filePath(u"veri.mdb"_s));
        makeDataFile(QDir(dir.path()).filePath(u"baska/veri.mdb"_s));
        QVERIFY(QFile::link(QDir(dir.path()).filePath(u"baska/veri.mdb"_s), own.filePath(u"bag.mdb"_s)));
        const QString path = own.filePath(u"temp_report.fr3"_s);
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(queryDefinition(sql, source));
        }
        QString text;
        QList<ReportDataSet> sets;
        try {
            sets = loadDataSets(ReportDefinition::load(path), limits);
        } catch (const ReportError& e) {
            text = e.text();
        }
        if (message.isEmpty()) {
            QVERIFY2(text.isEmpty(), qPrintable(text));
            QCOMPARE(sets.size(), 1);
            QCOMPARE(sets.first().rows.size(), 2);
        } else {
            QVERIFY2(text.contains(message), qPrintable(text));
            QVERIFY(text.contains(u"\"T\" SORGUSU"_s));
        }
    }
};

QTEST_MAIN(TestRaporla)
#include "tst_raporla.moc"
