#include "customers/customer_repository.h"
#include "data/store.h"
#include "data/turkish_text.h"
#include "export/list_export.h"
#include "import/book_import.h"
#include "import/list_mapping.h"
#include "import/list_reader.h"
#include "support/test_data.h"

#include <QFile>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace kalvora;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(kalvora::ListEncoding)
Q_DECLARE_METATYPE(QList<kalvora::ListField>)

namespace {

// name, mobile telephone, address, TL, DOLAR, EURO balance texts of every person, in name order.
QList<QStringList> peopleOf(Store& store)
{
    QList<QStringList> out;
    for (const Customer& c : CustomerRepository(store).all())
        out << QStringList{c.name, c.mobilePhone, c.address, c.balanceTl, c.balanceUsd, c.balanceEuro};
    return out;
}

ImportReport importList(Store& store, const SourceTable& table, bool leaveOut = false)
{
    ListConversion c = peopleFromList(table, guessFields(table.columns), QDate(2025, 1, 1));
    ImportOptions options;
    options.leaveOutUnreadable = leaveOut;
    return importBook(store, c.book, options);
}

// Runs a Python program with Debian's openpyxl; the test's own files, written as a user's would be.
bool runPython(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(qEnvironmentVariable("KALVORA_PYTHON", u"python3"_s), QStringList{u"-c"_s, program} + args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        qWarning("%s", p.readAllStandardError().constData());
        return false;
    }
    return true;
}

} // namespace

class TestListImport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void guessedFields_data();
    void guessedFields();
    void csvLists_data();
    void csvLists();
    void openpyxlWorkbooks();
    void exportRoundTrip_data();
    void exportRoundTrip();
};

void TestListImport::guessedFields_data()
{
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QList<ListField>>("fields");
    QTest::newRow("main list export")
        << QStringList{u"BAKİYESİ(TL)"_s, u"BAKİYESİ(DOLAR)"_s, u"BAKİYESİ(EURO)"_s,
                       u"ADI SOYADI"_s,   u"İŞ TELEFONU"_s,     u"CEP TELEFONU"_s,
                       u"TC KİMLİK NO"_s, u"VERGİ DAİRESİ"_s,   u"ADRES"_s}
        << QList<ListField>{ListField::BalanceTl, ListField::BalanceUsd, ListField::BalanceEuro,
                            ListField::Name,      ListField::WorkPhone,  ListField::MobilePhone,
                            ListField::IdNumber,  ListField::TaxOffice,  ListField::Address};
    QTest::newRow("lower case, a field twice")
        << QStringList{u"Adı Soyadı"_s, u"Telefon"_s, u"telefon 2"_s, u"Bakiye"_s, u"Not"_s}
        << QList<ListField>{ListField::Name, ListField::Phone, ListField::Ignore, ListField::BalanceTl,
                            ListField::Description};
    QTest::newRow("transactions") << QStringList{u"TARİH"_s,      u"Kişi Kodu"_s, u"TUTAR"_s, u"DÖVİZ"_s,
                                                 u"İşlem Türü"_s, u"AÇIKLAMA"_s,  u"?"_s}
                                  << QList<ListField>{ListField::Date,   ListField::PersonKey,
                                                      ListField::Amount, ListField::Currency,
                                                      ListField::Kind,   ListField::Description,
                                                      ListField::Ignore};
}

void TestListImport::guessedFields()
{
    QFETCH(QStringList, headers);
    QFETCH(QList<ListField>, fields);
    QCOMPARE(guessFields(headers), fields);
}

void TestListImport::csvLists_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<ListEncoding>("encoding"); // what the guess must take
    QTest::addColumn<QString>("tl");            // the first person's TL balance as stored

    const QString semicolons =
        u"ADI SOYADI;TELEFON;ADRES;BAKİYE;BAKİYE DOLAR\r\n"
        u"şükrü çağlar;0532 111;\"KIZILAY MAH.\r\nANKARA; \"\"MERKEZ\"\"\";1.234,56;-50\r\n"
        u"IŞIL ÖZ;0505;;0;12,5\r\n"
        u"HATALI KİŞİ;;;12a;\r\n"_s;
    const QByteArray utf8 = semicolons.toUtf8();
    QStringEncoder turkish("windows-1254");
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + utf8 << ListEncoding::Utf8
                                    << u"1.234,56"_s;
    QTest::newRow("UTF-8") << utf8 << ListEncoding::Utf8 << u"1.234,56"_s;
    QTest::newRow("Windows-1254") << QByteArray(turkish(semicolons)) << ListEncoding::Windows1254
                                  << u"1.234,56"_s;
    QString commas = semicolons;
    commas.replace(u"1.234,56"_s, u"1234.56"_s).replace(u"12,5"_s, u"12.5"_s).replace(u';', u',');
    commas.replace(u"ANKARA, "_s, u"ANKARA; "_s);
    QTest::newRow("commas, decimal point") << commas.toUtf8() << ListEncoding::Utf8 << u"1.234,56"_s;
}

void TestListImport::csvLists()
{
    QFETCH(QByteArray, bytes);
    QFETCH(ListEncoding, encoding);
    QFETCH(QString, tl);
    QCOMPARE(guessEncoding(bytes), encoding);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"liste.csv"_s);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    QString problem;
    const std::optional<SourceTable> table = readCsv(path, {}, &problem);
    QVERIFY2(table, qPrintable(problem));
    QCOMPARE(table->rows.size(), 3);

    test::TestData data;
    // The row that does not read refuses the list until the user agrees to leave it out.
    const ImportReport refused = importList(data.store(), *table);
    QVERIFY(refused.refused());
    QCOMPARE(refused.unreadable.size(), 1);
    QCOMPARE(refused.unreadable.first().key, u"4"_s);
    QVERIFY(CustomerRepository(data.store()).all().isEmpty());
    const ImportReport report = importList(data.store(), *table, true);
    QVERIFY2(report.outcome == ImportReport::Outcome::Imported, qPrintable(report.text()));
    const QList<QStringList> people = peopleOf(data.store());
    QCOMPARE(people.size(), 2);
    QCOMPARE(people.at(0),
             (QStringList{u"IŞIL ÖZ"_s, u"0505"_s, QString(), u"0,00"_s, u"12,50"_s, u"0,00"_s}));
    QCOMPARE(people.at(1),
             (QStringList{u"ŞÜKRÜ ÇAĞLAR"_s, u"0532 111"_s, u"KIZILAY MAH.\r\nANKARA; \"MERKEZ\""_s, tl,
                          u"-50,00"_s, u"0,00"_s}));
    QCOMPARE(data.store()
                 .wholeBook()
                 .scalar(u"SELECT count(*) FROM cari.CARIKART WHERE aylar = 'DEVİR' AND "
                         u"durum = '01.01.2025'"_s)
                 .toInt(),
             3);
}

void TestListImport::openpyxlWorkbooks()
{
    QTemporaryDir dir;
    const QString people = dir.filePath(u"kisiler.xlsx"_s);
    const QString moves = dir.filePath(u"hareketler.xlsx"_s);
    const QString program = uR"py(
import sys, datetime, openpyxl
wb = openpyxl.Workbook(); ws = wb.active
ws.append(["Adı Soyadı", "Cep Telefonu", "Bakiye (TL)", "Bakiye EURO"])
ws.append(["ayşe yılmaz", "0555 000", 1234.56, -10])
ws.append(["ÖMER ÇINAR", 5321234567, 0, 0.5])
wb.save(sys.argv[1])
wb = openpyxl.Workbook(); ws = wb.active
ws.append(["Tarih", "Kişi", "Tutar", "Para Birimi", "Açıklama"])
for d, who, amount, cur, text in [(datetime.date(2024, 2, 29), "AYŞE YILMAZ", 100.25, "TL", "ek borç"),
                                  (datetime.datetime(2024, 3, 1, 14, 5), "ÖMER ÇINAR", -0.5, "EUR", "ödedi")]:
    ws.append([d, who, amount, cur, text])
    ws.cell(row=ws.max_row, column=1).number_format = "dd.mm.yyyy"
wb.save(sys.argv[2])
)py"_s;
    QVERIFY(runPython(program, {people, moves}));
    QString problem;
    const std::optional<SourceTable> list = readXlsx(people, &problem);
    QVERIFY2(list, qPrintable(problem));
    test::TestData data;
    const ImportReport report = importList(data.store(), *list);
    QVERIFY2(report.outcome == ImportReport::Outcome::Imported, qPrintable(report.text()));

    const std::optional<SourceTable> rows = readXlsx(moves, &problem);
    QVERIFY2(rows, qPrintable(problem));
    QCOMPARE(rows->rows.at(0).at(0), u"29.02.2024"_s);
    QList<BookPersonName> names;
    for (const Customer& c : CustomerRepository(data.store()).all())
        names.append({c.key, c.name});
    QList<ListField> fields = guessFields(rows->columns);
    QCOMPARE(fields.at(1), ListField::Name);
    const ListConversion c = transactionsFromList(*rows, fields, names);
    QVERIFY(c.problems.isEmpty());
    const ImportReport added = importBook(data.store(), c.book, {});
    QVERIFY2(added.outcome == ImportReport::Outcome::Imported, qPrintable(added.text()));
    QCOMPARE(peopleOf(data.store()),
             (QList<QStringList>{
                 {u"AYŞE YILMAZ"_s, u"0555 000"_s, QString(), u"1.334,81"_s, u"0,00"_s, u"-10,00"_s},
                 {u"ÖMER ÇINAR"_s, u"5321234567"_s, QString(), u"0,00"_s, u"0,00"_s, u"0,00"_s}}));
}

void TestListImport::exportRoundTrip_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("xlsx") << u"KİŞİ LİSTESİ.xlsx"_s;
    QTest::newRow("csv") << u"KİŞİ LİSTESİ.csv"_s;
}

void TestListImport::exportRoundTrip()
{
    QFETCH(QString, file);
    // The main list as the program exports it: three balances, then the contact texts.
    test::TestData source;
    source.addPerson(u"ÇAĞLAR ÖZTÜRK"_s, u"1.500,50"_s, u"-2,25"_s, u"0"_s,
                     {u"0312"_s, u"0532"_s, u"123"_s, u"ÇANKAYA"_s, u"A\r\nB; \"C\""_s});
    source.addPerson(u"=EŞİT"_s, u"0"_s, u"0"_s, u",5"_s);
    ExportTable table;
    table.headers = QStringList{u"BAKİYESİ(TL)"_s, u"BAKİYESİ(DOLAR)"_s, u"BAKİYESİ(EURO)"_s,
                                u"ADI SOYADI"_s,   u"İŞ TELEFONU"_s,     u"CEP TELEFONU"_s,
                                u"TC KİMLİK NO"_s, u"VERGİ DAİRESİ"_s,   u"ADRES"_s};
    table.kinds = {ExportKind::Number, ExportKind::Number, ExportKind::Number};
    QList<QStringList> expected;
    for (const Customer& c : CustomerRepository(source.store()).all()) {
        table.rows << QStringList{displayAmount(c.balanceTl),
                                  displayAmount(c.balanceUsd),
                                  displayAmount(c.balanceEuro),
                                  c.name,
                                  c.workPhone,
                                  c.mobilePhone,
                                  c.idNumber,
                                  c.taxOffice,
                                  c.address};
        expected << QStringList{c.name,
                                c.mobilePhone,
                                c.address,
                                table.rows.last().at(0),
                                table.rows.last().at(1),
                                table.rows.last().at(2)};
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(file);
    QVERIFY(exportTable(path, table).written());

    QString problem;
    const std::optional<SourceTable> list =
        file.endsWith(u".csv") ? readCsv(path, {}, &problem) : readXlsx(path, &problem);
    QVERIFY2(list, qPrintable(problem));
    test::TestData target;
    const ImportReport report = importList(target.store(), *list);
    QVERIFY2(report.outcome == ImportReport::Outcome::Imported, qPrintable(report.text()));
    QCOMPARE(peopleOf(target.store()), expected);
}

QTEST_GUILESS_MAIN(TestListImport)
#include "tst_list_import.moc"
