#include "accounts/ui/account_card.h"
#include "app/main_window.h"
#include "customers/customer_repository.h"
#include "ledger/ui/ledger_history_window.h"
#include "reports/ui/balance_list_window.h"
#include "reports/ui/money_list_window.h"
#include "support/test_data.h"
#include "widgets/file_dialog.h"
#include "widgets/list_export_action.h"
#include "widgets/list_sorting.h"
#include "widgets/message_box.h"
#include "widgets/report_list.h"
#include "xlsx_reader.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace kalvora;
using namespace kalvora::test;

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(yok)");
}

} // namespace

class TestExportAction : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { FileDialog::setTestMode(true); }
    void cleanup() { FileDialog::setTestMode(false); }

    // The list leaves as it is shown: after a sort by amount the file holds that order, with the amounts
    // as numbers; the dialog proposed the window's name with today's date.
    void writesShownOrder()
    {
        QTemporaryDir dir;
        MessageBoxCapture boxes;
        ReportList list;
        list.setColumns({QStringLiteral("ADI SOYADI"), QStringLiteral("TARİH"), QStringLiteral("TUTAR")});
        list.setRows(
            {{QStringLiteral("AYŞE"), QStringLiteral("02.01.2026 10:00:00"), QStringLiteral("1.500,00")},
             {QStringLiteral("BEKİR"), QStringLiteral("01.01.2026 09:00:00"), QStringLiteral(",50")},
             {QStringLiteral("CEM"), QStringLiteral("03.01.2026 11:00:00"), QStringLiteral("20,00")}});
        SutunSirala(&list, 2, SortKind::Number);
        QStringList shown;
        for (int r = 0; r < list.rowCount(); ++r)
            shown.append(list.cell(r, 0));
        const QString path = dir.filePath(QStringLiteral("liste.xlsx"));
        FileDialog::setNextAnswer(path);
        QVERIFY(exportList(nullptr, &list, {ExportKind::Text, ExportKind::Date, ExportKind::Number},
                           QStringLiteral("VERDİĞİM PARALAR")));

        QCOMPARE(FileDialog::asked().size(), 1);
        QVERIFY2(FileDialog::asked().first().proposed.endsWith(QStringLiteral("/VERDIGIM_PARALAR_") +
                                                               QDate::currentDate().toString(Qt::ISODate) +
                                                               QStringLiteral(".xlsx")),
                 qPrintable(FileDialog::asked().first().proposed));
        QCOMPARE(boxes.lastTitle(), QStringLiteral("EXCEL'E AKTAR"));
        QString error;
        const QJsonObject book = readXlsx(path, &error);
        QVERIFY2(!book.isEmpty(), qPrintable(error));
        for (int r = 0; r < 3; ++r) {
            QCOMPARE(xlsxCell(book, r + 1, 0).value(QStringLiteral("v")).toString(),
                     QStringLiteral("text:") + shown.at(r));
            QCOMPARE(xlsxCell(book, r + 1, 2).value(QStringLiteral("f")).toString(),
                     QStringLiteral("#,##0.00"));
        }
        QCOMPARE(xlsxCell(book, 1, 2).value(QStringLiteral("v")).toString(), QStringLiteral("number:0.5"));
        QCOMPARE(xlsxCell(book, 1, 1).value(QStringLiteral("v")).toString(),
                 QStringLiteral("date:2026-01-01 09:00:00"));
    }

    // The table an export writes shares the list's texts: it holds the shown columns in the shown order,
    // and keeps what it took when the list is refilled or grows meanwhile (another desk's commit).
    void tableKeepsItsTextsWhileTheListChanges()
    {
        ReportList list;
        list.setColumns({QStringLiteral("A"), QStringLiteral("GİZLİ"), QStringLiteral("B")});
        list.setRows({{QStringLiteral("a1"), QStringLiteral("g1"), QStringLiteral("b1")},
                      {QStringLiteral("a2"), QStringLiteral("g2"), QStringLiteral("b2")}});
        list.setColumnHidden(1, true);
        list.header()->moveSection(2, 0);
        const ExportTable table = tableOf(&list, {ExportKind::Text, ExportKind::Text, ExportKind::Number});
        list.addRow({QStringLiteral("a3"), QStringLiteral("g3"), QStringLiteral("b3")});
        list.setRows({{QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z")}});
        QCOMPARE(table.headers, QStringList({QStringLiteral("B"), QStringLiteral("A")}));
        QCOMPARE(table.kind(0), ExportKind::Number);
        QCOMPARE(table.rowCount(), 2);
        QStringList texts;
        for (qsizetype r = 0; r < table.rowCount(); ++r) {
            QCOMPARE(table.cellCount(r), 2);
            texts << table.cell(r, 0).toString() + table.cell(r, 1).toString();
        }
        QCOMPARE(texts, QStringList({QStringLiteral("b1a1"), QStringLiteral("b2a2")}));
    }

    // What the user answers decides what is left on disk and which message follows.
    void answers_data()
    {
        QTest::addColumn<QString>("answer"); // "" cancels the file dialog
        QTest::addColumn<bool>("replaceAnswer");
        QTest::addColumn<bool>("written");
        QTest::addColumn<QString>("lastTitle");
        QTest::newRow("file dialog cancelled") << "" << false << false << "";
        QTest::newRow("existing file kept") << "var.csv" << false << false << "EXCEL'E AKTAR";
        QTest::newRow("existing file replaced") << "var.csv" << true << true << "EXCEL'E AKTAR";
        QTest::newRow("folder that is a file")
            << "engel/yeni.xlsx" << false << false << "EXCEL'E AKTARILAMADI";
    }
    void answers()
    {
        QFETCH(QString, answer);
        QFETCH(bool, replaceAnswer);
        QFETCH(bool, written);
        QFETCH(QString, lastTitle);
        QTemporaryDir dir;
        for (const char* name : {"var.csv", "engel"}) {
            QFile f(dir.filePath(QString::fromLatin1(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("ESKI");
        }
        MessageBoxCapture boxes;
        MessageBox::setNextAnswer(replaceAnswer ? MessageBox::Button::Yes : MessageBox::Button::No);
        const QString path = answer.isEmpty() ? QString() : dir.filePath(answer);
        FileDialog::setNextAnswer(path);
        const ExportTable table{{QStringLiteral("A")}, {}, {{QStringLiteral("YENİ")}}, {}};
        QCOMPARE(exportList(nullptr, table, QStringLiteral("LİSTE")), written);
        QCOMPARE(boxes.lastTitle(), lastTitle);
        QCOMPARE(contents(dir.filePath(QStringLiteral("var.csv"))), written
                                                                        ? QByteArray("\xEF\xBB\xBF"
                                                                                     "A\r\nYEN\xC4\xB0\r\n")
                                                                        : QByteArray("ESKI"));
        if (lastTitle == QStringLiteral("EXCEL'E AKTARILAMADI"))
            QVERIFY2(boxes.lastText().contains(path), qPrintable(boxes.lastText()));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    // Every list window's EXCEL'E AKTAR writes its list as shown: the visible columns (not the main list's
    // hidden key), every row, amounts as numbers, under the window's name.
    void listWindows_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("amountColumn"); // -1: none to look at
        QTest::newRow("money given") << "Form14"
                                     << "MyButton2"
                                     << "VERDIGIM_PARALAR_" << 8 << 7;
        QTest::newRow("debtors") << "Form17"
                                 << "MyButton2"
                                 << "BUTUN_BORCLULAR_" << 12 << 6;
        QTest::newRow("income history") << "GelirMenu"
                                        << "Button4"
                                        << "GELIR_GECMISI_" << 6 << -1;
        QTest::newRow("main list") << "Form1"
                                   << "MyButton15"
                                   << "KISI_LISTESI_" << 9 << 0;
        QTest::newRow("account card") << "Form4"
                                      << "MyButton9"
                                      << "CARI_HESAP_ALI_" << 7 << 1;
    }
    void listWindows()
    {
        QFETCH(QString, window);
        QFETCH(QString, button);
        QFETCH(QString, name);
        QFETCH(int, columns);
        QFETCH(int, amountColumn);
        TestData data;
        MessageBoxCapture boxes;
        const qint64 ali = data.addPerson(QStringLiteral("ALİ"), QStringLiteral("1.500,25"));
        data.addTransaction(ali, QStringLiteral("1500,25"), QStringLiteral("TL"),
                            QStringLiteral("05.01.2026"), QStringLiteral("100"));
        std::unique_ptr<QWidget> w;
        ReportList* list = nullptr;
        if (window == QStringLiteral("Form14")) {
            auto* m = new MoneyListWindow(data.store(), data.folder(), MoneyDirection::Given);
            m->currencyBox()->setCurrentIndex(0);
            m->fill();
            w.reset(m);
        } else if (window == QStringLiteral("Form17")) {
            w.reset(new BalanceListWindow(data.store(), data.folder(), BalanceSide::Debtors));
        } else if (window == QStringLiteral("GelirMenu")) {
            w.reset(new LedgerHistoryWindow(data.store(), Ledger::Income));
        } else if (window == QStringLiteral("Form4")) {
            auto* card = new AccountCard(data.store());
            card->setPerson(*CustomerRepository(data.store()).find(QString::number(ali)));
            card->KartiYukle2();
            w.reset(card);
        } else {
            w.reset(new MainWindow(data.store(), data.folder()));
        }
        list = w->findChild<ReportList*>(QStringLiteral("ListView1"));
        QVERIFY(list);
        auto* b = w->findChild<QAbstractButton*>(button);
        QVERIFY(b);
        QCOMPARE(b->text().remove(QLatin1Char('&')), QStringLiteral("EXCEL'E AKTAR"));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("liste.xlsx"));
        FileDialog::setNextAnswer(path);
        b->click();
        QVERIFY2(FileDialog::asked().value(0).proposed.contains(QLatin1Char('/') + name),
                 qPrintable(FileDialog::asked().value(0).proposed));
        QString error;
        const QJsonObject book = readXlsx(path, &error);
        QVERIFY2(!book.isEmpty(), qPrintable(error));
        const QJsonArray rows = book.value(QStringLiteral("rows")).toArray();
        QCOMPARE(rows.size(), list->rowCount() + 1);
        QCOMPARE(rows.at(0).toArray().size(), columns);
        QCOMPARE(xlsxCell(book, 0, 0).value(QStringLiteral("v")).toString(),
                 QStringLiteral("text:") + list->headerText(0));
        if (amountColumn >= 0) {
            QCOMPARE(list->rowCount(), 1);
            QCOMPARE(xlsxCell(book, 1, amountColumn).value(QStringLiteral("v")).toString(),
                     QStringLiteral("number:1500.25"));
        }
    }

    // A long list shows a progress dialog; its cancel button stops the export and leaves no file.
    void longListCancelled()
    {
        QTemporaryDir dir;
        MessageBoxCapture boxes;
        ExportTable table{
            {QStringLiteral("A"), QStringLiteral("B")}, {ExportKind::Text, ExportKind::Number}, {}, {}};
        for (int i = 0; i < progressThreshold + 1; ++i)
            table.rows.append({QStringLiteral("SATIR %1").arg(i), QStringLiteral("1.000,00")});
        const QString path = dir.filePath(QStringLiteral("uzun.xlsx"));
        FileDialog::setNextAnswer(path);
        bool seen = false;
        QTimer press;
        press.setInterval(0);
        QObject::connect(&press, &QTimer::timeout, &press, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* p = qobject_cast<QProgressDialog*>(w);
                    p && p->objectName() == QStringLiteral("AktarimDurumu")) {
                    seen = true;
                    p->cancel();
                }
            }
        });
        press.start();
        QVERIFY(!exportList(nullptr, table, QStringLiteral("UZUN")));
        QVERIFY(seen);
        QVERIFY(!QFile::exists(path));
        QCOMPARE(boxes.count(), 0);
        QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
};

QTEST_MAIN(TestExportAction)
#include "tst_export_action.moc"
