#include "export/list_export.h"
#include "xlsx_reader.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kalvora;
using namespace kalvora::test;

Q_DECLARE_METATYPE(kalvora::ExportKind)

class TestListExport : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // One shown text of a column of each kind: what a spreadsheet reader finds in the .xlsx cell and
    // what the CSV line holds.
    void cells_data()
    {
        QTest::addColumn<ExportKind>("kind");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("xlsxValue");
        QTest::addColumn<QString>("xlsxFormat");
        QTest::addColumn<QByteArray>("csv");
        using K = ExportKind;
        QTest::newRow("grouped amount") << K::Number << "1.234,50"
                                        << "number:1234.5"
                                        << "#,##0.00" << QByteArray("1234,50");
        QTest::newRow("below one") << K::Number << ",50"
                                   << "number:0.5"
                                   << "#,##0.00" << QByteArray("0,50");
        QTest::newRow("negative") << K::Number << "-1.500.000,25"
                                  << "number:-1500000.25"
                                  << "#,##0.00" << QByteArray("-1500000,25");
        QTest::newRow("zero") << K::Number << "0,00"
                              << "number:0.0"
                              << "#,##0.00" << QByteArray("0,00");
        QTest::newRow("unreadable amount stays text") << K::Number << "KUR ALINAMADI"
                                                      << "text:KUR ALINAMADI"
                                                      << "General" << QByteArray("KUR ALINAMADI");
        QTest::newRow("date") << K::Date << "09.12.2026"
                              << "date:2026-12-09 00:00:00"
                              << "dd.mm.yyyy" << QByteArray("09.12.2026");
        QTest::newRow("date and time") << K::Date << "01.02.2025 14:05:09"
                                       << "date:2025-02-01 14:05:09"
                                       << "dd.mm.yyyy hh:mm:ss" << QByteArray("01.02.2025 14:05:09");
        QTest::newRow("impossible date stays text") << K::Date << "31.02.2025"
                                                    << "text:31.02.2025"
                                                    << "General" << QByteArray("31.02.2025");
        QTest::newRow("turkish text") << K::Text << "İŞ ÇIĞIR ÜÖŞ"
                                      << "text:İŞ ÇIĞIR ÜÖŞ"
                                      << "General" << QByteArray("İŞ ÇIĞIR ÜÖŞ");
        QTest::newRow("number-looking text stays text") << K::Text << "05321234567"
                                                        << "text:05321234567"
                                                        << "General" << QByteArray("05321234567");
        QTest::newRow("separator and quote quoted") << K::Text << "A;B \"C\""
                                                    << "text:A;B \"C\""
                                                    << "General" << QByteArray("\"A;B \"\"C\"\"\"");
        QTest::newRow("line break quoted") << K::Text << "SATIR\nİKİ"
                                           << "text:SATIR\nİKİ"
                                           << "General" << QByteArray("\"SATIR\nİKİ\"");
        QTest::newRow("formula kept as text") << K::Text << "=HYPERLINK(\"x\")"
                                              << "text:=HYPERLINK(\"x\")"
                                              << "General" << QByteArray("\"'=HYPERLINK(\"\"x\"\")\"");
        QTest::newRow("phone with plus") << K::Text << "+90 532"
                                         << "text:+90 532"
                                         << "General" << QByteArray("'+90 532");
    }
    void cells()
    {
        QFETCH(ExportKind, kind);
        QFETCH(QString, shown);
        QFETCH(QString, xlsxValue);
        QFETCH(QString, xlsxFormat);
        QFETCH(QByteArray, csv);
        const ExportTable table{
            {QStringLiteral("SÜTUN"), QStringLiteral("SON")}, {kind}, {{shown, QStringLiteral("x")}}, {}};

        const QString xlsx = m_dir.filePath(QStringLiteral("cell.xlsx"));
        QVERIFY(exportTable(xlsx, table).written());
        QString error;
        const QJsonObject book = readXlsx(xlsx, &error);
        QVERIFY2(!book.isEmpty(), qPrintable(error));
        QCOMPARE(xlsxCell(book, 1, 0).value(QStringLiteral("v")).toString(), xlsxValue);
        QCOMPARE(xlsxCell(book, 1, 0).value(QStringLiteral("f")).toString(), xlsxFormat);

        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(writeCsv(buffer, table));
        QCOMPARE(buffer.data(), QByteArray("\xEF\xBB\xBFS\xC3\x9CTUN;SON\r\n") + csv + ";x\r\n");
    }

    // The sheet as a whole: rows in the order given (not re-sorted), header bold and frozen, columns sized
    // to their widest text, empty cells left empty; the CSV file is the same table byte for byte.
    void wholeSheet()
    {
        ExportTable table;
        table.headers = {QStringLiteral("ADI SOYADI"), QStringLiteral("TARİH"), QStringLiteral("TUTAR")};
        table.kinds = {ExportKind::Text, ExportKind::Date, ExportKind::Number};
        table.rows = {
            {QStringLiteral("ZEYNEP ÇAKIR UZUNOĞLU"), QStringLiteral("03.01.2026"), QStringLiteral("10,00")},
            {QStringLiteral("ALİ"), QString(), QStringLiteral("2.000,00")},
            {QStringLiteral("MEHMET"), QStringLiteral("01.01.2026"), QString()}};
        table.sheetName = QStringLiteral("VERDİĞİM PARALAR: [TL]");
        const QString xlsx = m_dir.filePath(QStringLiteral("sheet.xlsx"));
        QVERIFY(exportTable(xlsx, table).written());
        QString error;
        const QJsonObject book = readXlsx(xlsx, &error);
        QVERIFY2(!book.isEmpty(), qPrintable(error));
        QCOMPARE(book.value(QStringLiteral("sheet")).toString(), QStringLiteral("VERDİĞİM PARALAR TL"));
        QCOMPARE(book.value(QStringLiteral("freeze")).toString(), QStringLiteral("A2"));
        QCOMPARE(book.value(QStringLiteral("rows")).toArray().size(), 4);
        for (int c = 0; c < 3; ++c)
            QVERIFY(xlsxCell(book, 0, c).value(QStringLiteral("b")).toBool());
        QVERIFY(!xlsxCell(book, 1, 0).value(QStringLiteral("b")).toBool());
        QCOMPARE(xlsxCell(book, 1, 0).value(QStringLiteral("v")).toString(),
                 QStringLiteral("text:ZEYNEP ÇAKIR UZUNOĞLU"));
        QCOMPARE(xlsxCell(book, 2, 0).value(QStringLiteral("v")).toString(), QStringLiteral("text:ALİ"));
        QCOMPARE(xlsxCell(book, 3, 0).value(QStringLiteral("v")).toString(), QStringLiteral("text:MEHMET"));
        QVERIFY(xlsxCell(book, 2, 1).value(QStringLiteral("v")).isNull());
        QVERIFY(xlsxCell(book, 3, 2).value(QStringLiteral("v")).isNull());
        const QJsonObject widths = book.value(QStringLiteral("widths")).toObject();
        QVERIFY(widths.value(QStringLiteral("A")).toDouble() >= 21);
        QVERIFY(widths.value(QStringLiteral("B")).toDouble() >= 10);

        const QString csv = m_dir.filePath(QStringLiteral("sheet.CSV"));
        QVERIFY(exportTable(csv, table).written());
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("\xEF\xBB\xBF"
                                         "ADI SOYADI;TAR\xC4\xB0H;TUTAR\r\n"
                                         "ZEYNEP \xC3\x87"
                                         "AKIR UZUNO\xC4\x9ELU;03.01.2026;10,00\r\n"
                                         "AL\xC4\xB0;;2000,00\r\n"
                                         "MEHMET;01.01.2026;\r\n"));
    }

    // Lines naming what the list is of stand above it, then an empty line; the headers stay bold and frozen
    // below them. A telephone written "+90 ..." is not taken for a formula.
    void preambleAboveTheList()
    {
        ExportTable table;
        table.preamble = {{QStringLiteral("ADI SOYADI:"), QStringLiteral("ALİ")},
                          {QStringLiteral("TELEFON:"), QStringLiteral("+90 532 123 45 67")}};
        table.headers = {QStringLiteral("TARİH"), QStringLiteral("TUTAR")};
        table.kinds = {ExportKind::Date, ExportKind::Number};
        table.rows = {{QStringLiteral("03.01.2026"), QStringLiteral("1.250,50")}};
        const QString xlsx = m_dir.filePath(QStringLiteral("preamble.xlsx"));
        QVERIFY(exportTable(xlsx, table).written());
        QString error;
        const QJsonObject book = readXlsx(xlsx, &error);
        QVERIFY2(!book.isEmpty(), qPrintable(error));
        auto v = [&](int r, int c) { return xlsxCell(book, r, c).value(QStringLiteral("v")).toString(); };
        QCOMPARE(v(0, 1), QStringLiteral("text:ALİ"));
        QCOMPARE(v(1, 1), QStringLiteral("text:+90 532 123 45 67"));
        QVERIFY(v(2, 0).isEmpty());
        QCOMPARE(v(3, 0), QStringLiteral("text:TARİH"));
        QVERIFY(xlsxCell(book, 3, 1).value(QStringLiteral("b")).toBool());
        QCOMPARE(v(4, 1), QStringLiteral("number:1250.5"));
        QCOMPARE(book.value(QStringLiteral("freeze")).toString(), QStringLiteral("A5"));

        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(writeCsv(buffer, table));
        QCOMPARE(buffer.data(), QByteArray("\xEF\xBB\xBF"
                                           "ADI SOYADI:;AL\xC4\xB0\r\n"
                                           "TELEFON:;'+90 532 123 45 67\r\n"
                                           "\r\n"
                                           "TAR\xC4\xB0H;TUTAR\r\n"
                                           "03.01.2026;1250,50\r\n"));
    }

    // A cancel and a failure leave the folder as it was: an earlier file keeps its bytes, no temporary
    // file stays behind, and a failure names the file in Turkish.
    void nothingHalfWritten_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("xlsx cancelled") << "liste.xlsx" << true;
        QTest::newRow("csv cancelled") << "liste.csv" << true;
        QTest::newRow("xlsx unwritable") << "liste.xlsx" << false;
        QTest::newRow("csv unwritable") << "liste.csv" << false;
    }
    void nothingHalfWritten()
    {
        QFETCH(QString, name);
        QFETCH(bool, cancel);
        QTemporaryDir dir;
        ExportTable table{
            {QStringLiteral("A"), QStringLiteral("B")}, {ExportKind::Text, ExportKind::Number}, {}, {}};
        for (int i = 0; i < 3000; ++i)
            table.rows.append({QStringLiteral("SATIR %1").arg(i), QStringLiteral("%1,50").arg(i)});

        if (cancel) {
            const QString path = dir.filePath(name);
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("ESKI");
            old.close();
            qsizetype lastDone = -1;
            const ExportResult r = exportTable(path, table, [&](qsizetype done, qsizetype total) {
                lastDone = done;
                return total == 3000 && done < 1000;
            });
            QCOMPARE(r.status, ExportResult::Status::Cancelled);
            QCOMPARE(lastDone, 1000);
            QVERIFY(old.open(QIODevice::ReadOnly));
            QCOMPARE(old.readAll(), QByteArray("ESKI"));
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
        } else {
            // A folder that is a plain file cannot be written into, even by root.
            const QString blocker = dir.filePath(QStringLiteral("klasor"));
            QFile b(blocker);
            QVERIFY(b.open(QIODevice::WriteOnly));
            b.close();
            const QString path = blocker + QLatin1Char('/') + name;
            const ExportResult r = exportTable(path, table);
            QCOMPARE(r.status, ExportResult::Status::Failed);
            QVERIFY2(r.error.startsWith(QStringLiteral("DOSYA YAZILAMADI:")), qPrintable(r.error));
            QVERIFY2(r.error.contains(path), qPrintable(r.error));
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                     QStringList{QStringLiteral("klasor")});
        }
    }
};

QTEST_GUILESS_MAIN(TestListExport)
#include "tst_list_export.moc"
