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
    return layoutReport(ReportDefinition::parse(threePages, QStringLiteral("x")), {});
}

QString pdfText(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"),
            {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

struct Run {
    int exitCode = -1;
    QString errors;
};

// A definition with one query on the file veri.mdb beside it.
QByteArray queryDefinition(const QString& sql, const QString& source = QStringLiteral("veri.mdb"))
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
    db.exec(QStringLiteral("CREATE TABLE t(x); INSERT INTO t VALUES (1), (2)"));
}

Run raporla(const QStringList& args)
{
    QProcess p;
    p.start(QDir(qEnvironmentVariable("KALVORA_TEST_BIN_DIR")).filePath(QStringLiteral("raporla")), args);
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
        QCOMPARE(viewer.windowTitle(), QStringLiteral("RAPOR - DENEME RAPORU"));
        auto* first = viewer.findChild<QAction*>(QStringLiteral("FirstPage"));
        auto* previous = viewer.findChild<QAction*>(QStringLiteral("PreviousPage"));
        auto* next = viewer.findChild<QAction*>(QStringLiteral("NextPage"));
        auto* last = viewer.findChild<QAction*>(QStringLiteral("LastPage"));
        auto* number = viewer.findChild<QSpinBox*>(QStringLiteral("PageNumber"));
        auto* status = viewer.findChild<QLabel*>(QStringLiteral("StatusText"));
        QVERIFY(first && previous && next && last && number && status);
        QCOMPARE(viewer.findChild<QLabel*>(QStringLiteral("PageCount"))->text().trimmed(),
                 QStringLiteral("/ 3"));
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
        auto* bar = viewer.findChild<QToolBar*>(QStringLiteral("ToolBar"));
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
        QVERIFY(actions.contains(QStringLiteral("Close")));
        for (auto* b : bar->findChildren<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
            QVERIFY(!b->isVisible());
    }

    void zoom()
    {
        ReportViewer viewer(sample());
        viewer.resize(800, 900);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        auto* view = viewer.findChild<QWidget*>(QStringLiteral("PageView"));
        auto* scroll = viewer.findChild<QScrollArea*>(QStringLiteral("PageScroll"));
        auto* box = viewer.findChild<QComboBox*>(QStringLiteral("Zoom"));
        QVERIFY(view && scroll && box);

        // fits the width at first
        QCOMPARE(viewer.fit(), ReportViewer::Fit::Width);
        QVERIFY(view->width() <= scroll->viewport()->width());
        QVERIFY(view->width() > scroll->viewport()->width() - 40);
        QCOMPARE(box->currentText(), QStringLiteral("SAYFA GENİŞLİĞİ"));

        viewer.setZoom(1.0);
        const int at100 = view->width();
        viewer.setZoom(2.0);
        QVERIFY(qAbs(view->width() - 32 - 2 * (at100 - 32)) <= 2);
        QCOMPARE(box->currentText(), QStringLiteral("%200"));
        viewer.findChild<QAction*>(QStringLiteral("ZoomIn"))->trigger();
        QCOMPARE(viewer.zoom(), 3.0);
        viewer.findChild<QAction*>(QStringLiteral("ZoomOut"))->trigger();
        viewer.findChild<QAction*>(QStringLiteral("ZoomOut"))->trigger();
        QCOMPARE(viewer.zoom(), 1.5);

        viewer.setFit(ReportViewer::Fit::Page);
        QVERIFY(view->height() <= scroll->viewport()->height());
        QCOMPARE(box->currentText(), QStringLiteral("TAM SAYFA"));
        box->setCurrentIndex(box->findText(QStringLiteral("%50")));
        Q_EMIT box->activated(box->currentIndex());
        QCOMPARE(viewer.zoom(), 0.5);
        QCOMPARE(viewer.fit(), ReportViewer::Fit::None);
    }

    // Printing paints the chosen pages, one per sheet.
    void printRange()
    {
        ReportViewer viewer(sample());
        QTemporaryDir dir;
        const QString pdf = QDir(dir.path()).filePath(QStringLiteral("baski.pdf"));
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
        const QString pdf = QDir(dir.path()).filePath(QStringLiteral("rapor.pdf"));
        QVERIFY(viewer.savePdf(pdf));
        QCOMPARE(pdfText(pdf).count(QLatin1Char('\f')), 3);
        QCOMPARE(boxes.count(), 0);

        QVERIFY(!viewer.savePdf(QDir(dir.path()).filePath(QStringLiteral("yok/rapor.pdf"))));
        QCOMPARE(boxes.count(), 1);
        QVERIFY(boxes.lastText().contains(QStringLiteral("PDF DOSYASI YAZILAMADI")));
        QCOMPARE(boxes.lastTitle(), QStringLiteral("PDF KAYDEDİLEMEDİ"));
    }

    // The paper follows the definition: A4 upright or turned sideways.
    void paperSize_data()
    {
        QTest::addColumn<QString>("orientation");
        QTest::addColumn<QString>("size");
        QTest::newRow("portrait") << QStringLiteral("poPortrait") << QStringLiteral("595 x 842 pts (A4)");
        QTest::newRow("landscape") << QStringLiteral("poLandscape") << QStringLiteral("842 x 595 pts (A4)");
    }
    void paperSize()
    {
        QFETCH(QString, orientation);
        QFETCH(QString, size);
        QByteArray xml(threePages);
        xml.replace("<TfrxReportPage Name=\"P\"",
                    "<TfrxReportPage Name=\"P\" Orientation=\"" + orientation.toLatin1() + '"');
        QTemporaryDir dir;
        const QString pdf = QDir(dir.path()).filePath(QStringLiteral("kagit.pdf"));
        writePdf(layoutReport(ReportDefinition::parse(xml, QStringLiteral("x")), {}), pdf);
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY(info.waitForFinished(60000));
        const QString out = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(out.contains(QStringLiteral("Page size:       ") + size), qPrintable(out));
    }

    // raporla --pdf: a PDF without a window; a bad file is named on the error output, exit code not 0.
    void commandLine_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("good") << QByteArray(threePages) << 0 << QString();
        QTest::newRow("missing") << QByteArray() << 1 << QStringLiteral("RAPOR DOSYASI BULUNAMADI");
        QTest::newRow("not a definition")
            << QByteArray("<html/>") << 1 << QStringLiteral("RAPOR TANIMI DEĞİL");
        QTest::newRow("broken") << QByteArray("<TfrxReport><TfrxReportPage") << 1 << QStringLiteral("BOZUK");
        QTest::newRow("data file missing")
            << QByteArray(
                   "<TfrxReport><TfrxDataPage Name=\"Data\"><TfrxADODatabase Name=\"Baglanti\" "
                   "ConnectionString=\"Data Source=yok.mdb\"/><TfrxADOQuery Name=\"T\" SQL=\"select 1\" "
                   "Database=\"Baglanti\"/></TfrxDataPage><TfrxReportPage Name=\"P\"/></TfrxReport>")
            << 1 << QStringLiteral("RAPOR VERİ DOSYASI BULUNAMADI");
        QTest::newRow("usage") << QByteArray("-") << 2 << QStringLiteral("KULLANIM");
        // A query without end is stopped at the bound, not when the memory runs out.
        QTest::newRow("endless query")
            << queryDefinition(QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) "
                                              "SELECT x, 'SATIR' FROM c"))
            << 1 << QStringLiteral("RAPOR VERİSİ ÇOK BÜYÜK (\"T\" SORGUSU): 500000 SATIRDAN FAZLA.");
    }
    void commandLine()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString definition = QDir(dir.path()).filePath(QStringLiteral("temp_report.fr3"));
        const QString pdf = QDir(dir.path()).filePath(QStringLiteral("cikti.pdf"));
        makeDataFile(QDir(dir.path()).filePath(QStringLiteral("veri.mdb")));
        if (!content.isEmpty() && content != "-") {
            QFile f(definition);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        const QStringList args = content == "-" ? QStringList{QStringLiteral("--pdf"), pdf}
                                                : QStringList{QStringLiteral("--pdf"), pdf, definition};
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
        const QString endless =
            QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) ");
        const QString veri = QStringLiteral("veri.mdb");
        const QString readOnly = QStringLiteral("SORGU YALNIZ VERİ OKUYABİLİR");
        const QString ownFolder = QStringLiteral("YALNIZ KENDİ KLASÖRÜNDEKİ VERİ DOSYALARINI OKUYABİLİR");
        QTest::newRow("within bounds")
            << QStringLiteral("SELECT x FROM t") << veri << ReportDataLimits{} << QString();
        QTest::newRow("too many rows")
            << endless + QStringLiteral("SELECT x FROM c") << veri
            << ReportDataLimits{1000, 1 << 30, 1000000000} << QStringLiteral("1000 SATIRDAN FAZLA");
        QTest::newRow("too many bytes")
            << endless + QStringLiteral("SELECT printf('%.*c', 100000, 'x') FROM c") << veri
            << ReportDataLimits{1000000, 2 * 1024 * 1024, 1000000000} << QStringLiteral("2 MB'TAN FAZLA");
        QTest::newRow("never yields a row")
            << endless + QStringLiteral("SELECT x FROM c WHERE x < 0") << veri
            << ReportDataLimits{1000, 1 << 30, 5000000} << QStringLiteral("SORGU ÇOK UZUN SÜRDÜ");
        QTest::newRow("attach") << QStringLiteral("ATTACH DATABASE '/etc/passwd' AS p") << veri
                                << ReportDataLimits{} << readOnly;
        QTest::newRow("pragma") << QStringLiteral("PRAGMA writable_schema = 1") << veri << ReportDataLimits{}
                                << readOnly;
        QTest::newRow("writing a table") << QStringLiteral("CREATE TEMP TABLE k AS SELECT x FROM t") << veri
                                         << ReportDataLimits{} << readOnly;
        QTest::newRow("file of another folder")
            << QStringLiteral("SELECT x FROM t") << QStringLiteral("../baska/veri.mdb") << ReportDataLimits{}
            << ownFolder;
        QTest::newRow("link out of its folder")
            << QStringLiteral("SELECT x FROM t") << QStringLiteral("bag.mdb") << ReportDataLimits{}
            << ownFolder;
    }
    void dataBounds()
    {
        QFETCH(QString, sql);
        QFETCH(QString, source);
        QFETCH(ReportDataLimits, limits);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QDir own(QDir(dir.path()).filePath(QStringLiteral("veri")));
        QVERIFY(QDir().mkpath(own.path()) &&
                QDir().mkpath(QDir(dir.path()).filePath(QStringLiteral("baska"))));
        makeDataFile(own.filePath(QStringLiteral("veri.mdb")));
        makeDataFile(QDir(dir.path()).filePath(QStringLiteral("baska/veri.mdb")));
        QVERIFY(QFile::link(QDir(dir.path()).filePath(QStringLiteral("baska/veri.mdb")),
                            own.filePath(QStringLiteral("bag.mdb"))));
        const QString path = own.filePath(QStringLiteral("temp_report.fr3"));
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
            QVERIFY(text.contains(QStringLiteral("\"T\" SORGUSU")));
        }
    }
};

QTEST_MAIN(TestRaporla)
#include "tst_raporla.moc"
