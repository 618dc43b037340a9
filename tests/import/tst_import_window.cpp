#include "app/main_window.h"
#include "app/window_openers.h"
#include "customers/customer_repository.h"
#include "import/ui/import_window.h"
#include "support/test_data.h"
#include "widgets/file_dialog.h"
#include "widgets/message_box.h"
#include "widgets/report_list.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace kalvora;
using namespace Qt::StringLiterals;

namespace {

QString fixtures(const QString& sub)
{
    return QDir(QStringLiteral(KALVORA_FIXTURES)).filePath(sub);
}

// Under a display (xvfb-run) with KALVORA_SHOT_DIR set, a picture of the screen for a person to look at.
void screenshot(QWidget* w, const QString& name)
{
    const QString dir = qEnvironmentVariable("KALVORA_SHOT_DIR");
    if (dir.isEmpty())
        return;
    w->show();
    w->raise();
    QTest::qWait(500);
    QProcess::execute(u"import"_s, {u"-window"_s, u"root"_s, QDir(dir).filePath(name)});
}

qint64 people(Store& store)
{
    return store.wholeBook().scalar(u"SELECT count(*) FROM main.MUSTERILER"_s).toLongLong();
}

} // namespace

class TestImportWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        MessageBox::setTestMode(true);
        FileDialog::setTestMode(true);
    }

    void mainWindowButton()
    {
        test::TestData data;
        MainWindow w(data.store(), data.folder());
        connectWindowOpeners(w);
        auto* b16 = w.findChild<QToolButton*>(u"MyButton16"_s);
        QVERIFY(b16);
        // The window opens modal over the main window; an import reloads the main list.
        QTimer::singleShot(0, &w, [] {
            auto* window = qobject_cast<ImportWindow*>(QApplication::activeModalWidget());
            QVERIFY(window);
            QCOMPARE(window->objectName(), u"IceAktar"_s);
            window->setSource(ImportWindow::Source::Access, fixtures(u"small"_s));
            window->preview();
            window->runImport();
            window->reject();
        });
        b16->click();
        QCOMPARE(w.findChild<ReportList*>(u"ListView1"_s)->rowCount(), 6);
    }

    void accessFolder()
    {
        test::TestData data;
        ImportWindow w(data.store());
        QSignalSpy imported(&w, &ImportWindow::imported);
        w.setSource(ImportWindow::Source::Access, fixtures(u"small"_s));
        w.preview();
        auto* report = w.findChild<QPlainTextEdit*>(u"Text2"_s);
        QVERIFY(report->toPlainText().startsWith(u"DENEME"_s));
        QCOMPARE(people(data.store()), 0);

        // A cancel while the rows are written changes nothing.
        auto* cancel = w.findChild<QPushButton*>(u"MyButton3"_s);
        QTimer::singleShot(0, cancel, &QPushButton::click);
        w.runImport();
        QCOMPARE(w.report()->outcome, ImportReport::Outcome::Cancelled);
        QCOMPARE(people(data.store()), 0);
        QCOMPARE(imported.count(), 0);

        w.runImport();
        QCOMPARE(w.report()->outcome, ImportReport::Outcome::Imported);
        QCOMPARE(imported.count(), 1);
        QCOMPARE(people(data.store()), 6);
        QVERIFY(report->toPlainText().contains(u"SAHİPSİZ HAREKET"_s));
        screenshot(&w, u"import-report.png"_s);

        QTemporaryDir dir;
        const QString path = dir.filePath(u"rapor.txt"_s);
        FileDialog::setNextAnswer(path);
        w.findChild<QPushButton*>(u"MyButton4"_s)->click();
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(saved.readAll()), w.report()->text());
    }

    void listPreview()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"liste.csv"_s);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(u"Adı Soyadı;Cep Tel;Bakiye\r\nayşe;0555;1.250,50\r\nALİ;;on lira\r\nVELİ;0532;-3\r\n"_s
                    .toUtf8());
        f.close();
        test::TestData data;
        ImportWindow w(data.store());
        w.setSource(ImportWindow::Source::Csv, QString());
        FileDialog::setNextAnswer(path);
        w.findChild<QPushButton*>(u"MyButton5"_s)->click();
        QCOMPARE(w.findChild<QLineEdit*>(u"Text1"_s)->text(), path);
        w.findChild<QPushButton*>(u"MyButton1"_s)->click();
        QCOMPARE(w.fields(),
                 (QList<ListField>{ListField::Name, ListField::MobilePhone, ListField::BalanceTl}));
        QTableWidget* preview = w.previewTable();
        QCOMPARE(preview->rowCount(), 3);
        // The row that does not read is red with its reason; the others are not.
        QCOMPARE(preview->item(1, 0)->foreground().color(), QColor(Qt::red));
        QVERIFY(preview->item(1, 3)->text().contains(u"on lira"_s));
        QVERIFY(preview->item(0, 3)->text().isEmpty());
        QVERIFY(!w.findChild<QPushButton*>(u"MyButton2"_s)->isEnabled());
        screenshot(&w, u"import-preview.png"_s);

        // The balance column left out: every row reads.
        w.setField(2, ListField::Ignore);
        QVERIFY(preview->item(1, 3)->text().isEmpty());
        w.preview();
        QCOMPARE(w.fields().at(2), ListField::Ignore);
        QVERIFY(w.findChild<QPushButton*>(u"MyButton2"_s)->isEnabled());
    }
};

QTEST_MAIN(TestImportWindow)
#include "tst_import_window.moc"
