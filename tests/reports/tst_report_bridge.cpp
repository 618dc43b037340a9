#include "data/data_folder.h"
#include "reports/report_bridge.h"
#include "reports/report_data.h"
#include "reports/report_templates.h"
#include "support/test_data.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kalvora;
using namespace Qt::StringLiterals;

namespace {

const QByteArray plainTemplate = R"(<?xml version="1.0" encoding="UTF-8"?>
<TfrxReport Title="DENEME">
  <TfrxDataPage Name="Data"/>
  <TfrxReportPage Name="Page1">
    <TfrxMasterData Name="MasterData1" Height="6">
      <TfrxMemoView Name="Memo1" Left="0" Top="0" Width="50" Height="6"/>
      <TfrxMemoView Name="Memo2" Left="50" Top="0" Width="50" Height="6"/>
    </TfrxMasterData>
    <TfrxReportSummary Name="ReportSummary1" Height="6">
      <TfrxMemoView Name="Memo9" Left="0" Top="0" Width="100" Height="6"/>
    </TfrxReportSummary>
  </TfrxReportPage>
</TfrxReport>
)";

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A data folder (where the definition is saved), a fake installation folder with an executable
// "raporla", and a temporary folder; viewer starts are recorded instead of run.
struct Fixture {
    test::TestData data;
    QTemporaryDir install;
    QTemporaryDir temp;
    QString definitionFolder;
    QList<QStringList> started;
    bool startResult = true;

    Fixture()
    {
        const QString viewer = QDir(install.path()).filePath(u"raporla"_s);
        writeFile(viewer, "#!/bin/sh\n");
        QFile::setPermissions(viewer, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        writeFile(templatePath(), plainTemplate);
        definitionFolder = data.folder();
    }
    QString definitionPath() const { return QDir(definitionFolder).filePath(u"temp_report.fr3"_s); }
    QString templatePath() const { return QDir(data.folder()).filePath(u"deneme.fr3"_s); }
    ReportOptions options()
    {
        ReportOptions o;
        o.installationFolder = install.path();
        o.definitionFolder = definitionFolder;
        o.startViewer = [this](const QString& program, const QStringList& args, const QString& folder) {
            started.append(QStringList{program} + args + QStringList{folder});
            return startResult;
        };
        return o;
    }
    QList<QStringList> rows(const QString& table = u"TABLO_GLR"_s)
    {
        QList<QStringList> out;
        Statement st = data.store().scratch().prepare(u"SELECT * FROM "_s + table);
        while (st.step()) {
            QStringList row;
            for (int c = 0; c < st.columnCount(); ++c)
                row.append(st.isNull(c) ? u"<null>"_s : st.text(c));
            out.append(row);
        }
        return out;
    }
    QStringList columns(const QString& table = u"TABLO_GLR"_s)
    {
        QStringList out;
        Statement st = data.store().scratch().prepare(u"SELECT * FROM "_s + table);
        for (int c = 0; c < st.columnCount(); ++c)
            out.append(st.columnName(c));
        return out;
    }
};

} // namespace

class TestReportBridge : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void columnList_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QStringList>("expected");
        const QStringList four{u"S1"_s, u"S2"_s, u"S3"_s, u"S4"_s};
        QTest::newRow("final separator") << u"S1#/S2#/S3#/S4#/"_s << four;
        QTest::newRow("no final separator, lower case") << u"s1#/s2#/s3#/s4"_s << four;
        QTest::newRow("doubled separator") << u"S1#/#/S2#/S3#/S4#/#/"_s << four;
        QTest::newRow("tripled separator") << u"S1#/#/#/S2#/S3#/S4"_s << four;
        QTest::newRow("repeated name") << u"S1#/S2#/s1#/S3#/S4#/"_s << four;
        QTest::newRow("blanks") << u" S1 #/ S2#/S3#/S4 "_s << four;
        QTest::newRow("nine") << u"S1#/S2#/S3#/S4#/S5#/S6#/S7#/S8#/S9#/"_s
                              << QStringList{u"S1"_s, u"S2"_s, u"S3"_s, u"S4"_s, u"S5"_s,
                                             u"S6"_s, u"S7"_s, u"S8"_s, u"S9"_s};
        QTest::newRow("empty") << QString() << QStringList();
        QTest::newRow("only separators") << u"#/#/"_s << QStringList();
    }
    void columnList()
    {
        QFETCH(QString, list);
        QFETCH(QStringList, expected);
        QCOMPARE(ReportBridge::columnNames(list), expected);
        Fixture f;
        ReportBridge bridge(f.data.store(), f.options());
        if (expected.isEmpty()) {
            QVERIFY_THROWS_EXCEPTION(ReportError, bridge.TabloOlustur(u"tablo_glr"_s, list));
            return;
        }
        bridge.TabloOlustur(u"tablo_glr"_s, list);
        QVERIFY(bridge.TabloVarMi(u"TABLO_GLR"_s));
        QVERIFY(bridge.TabloVarMi(u"tablo_glr"_s));
        QCOMPARE(f.columns(), expected);
    }

    // Cells reach the table exactly as given, whatever they hold.
    void cellsUnchanged_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("apostrophe") << u"ALİ'NİN DÜKKANI"_s;
        QTest::newRow("apostrophes closing a statement") << u"x'); DROP TABLE TABLO_GLR; --"_s;
        QTest::newRow("two commas") << u"KİRA,,AİDAT"_s;
        QTest::newRow("quote") << u"\"A\""_s;
        QTest::newRow("leading zero") << u"0532"_s;
        QTest::newRow("amount") << u"1.500,50"_s;
        QTest::newRow("number form") << u"1e3"_s;
        QTest::newRow("empty") << QString();
        QTest::newRow("line break") << u"A\nB"_s;
        QTest::newRow("brackets") << u"[Date]"_s;
    }
    void cellsUnchanged()
    {
        QFETCH(QString, text);
        Fixture f;
        ReportBridge bridge(f.data.store(), f.options());
        bridge.TabloOlustur(u"tablo_glr"_s, u"S1#/S2#/"_s);
        bridge.AlanEkle(u"S1"_s, text, true);
        bridge.AlanEkle(u"s2"_s, u"X"_s, false);
        bridge.SatirYaz(u"tablo_glr"_s);
        QCOMPARE(f.rows(), (QList<QStringList>{{text, u"X"_s}}));
    }

    void rowsAndPendingCells()
    {
        Fixture f;
        ReportBridge bridge(f.data.store(), f.options());
        bridge.TabloOlustur(u"tablo_glr"_s, u"S1#/S2#/S3#/"_s);
        bridge.AlanEkle(u"S1"_s, u"A"_s, true);
        bridge.AlanEkle(u"S3"_s, u"C"_s, false);
        bridge.SatirYaz(u"tablo_glr"_s);
        // the pending row stays until a cell starts a new one
        bridge.SatirYaz(u"tablo_glr"_s);
        bridge.AlanEkle(u"S2"_s, u"B"_s, true);
        bridge.SatirYaz(u"tablo_glr"_s);
        const QString null = u"<null>"_s;
        QCOMPARE(f.rows(),
                 (QList<QStringList>{{u"A"_s, null, u"C"_s}, {u"A"_s, null, u"C"_s}, {null, u"B"_s, null}}));
    }

    void unknownColumnFails()
    {
        Fixture f;
        ReportBridge bridge(f.data.store(), f.options());
        bridge.TabloOlustur(u"tablo_glr"_s, u"S1#/"_s);
        bridge.AlanEkle(u"S7"_s, u"A"_s, true);
        QVERIFY_THROWS_EXCEPTION(DbError, bridge.SatirYaz(u"tablo_glr"_s));
    }

    void secondPrintStartsAfresh()
    {
        Fixture f;
        {
            ReportBridge bridge(f.data.store(), f.options());
            bridge.TabloOlustur(u"tablo_glr"_s, u"S1#/S2#/S3#/"_s);
            bridge.AlanEkle(u"S1"_s, u"ESKİ"_s, true);
            bridge.SatirYaz(u"tablo_glr"_s);
            bridge.RaporAc(f.templatePath());
            bridge.BandBagla(u"MasterData1"_s, u"tablo_glr"_s);
            bridge.RaporGoster();
        }
        ReportBridge bridge(f.data.store(), f.options());
        bridge.TabloOlustur(u"TABLO_GLR"_s, u"S1#/"_s);
        bridge.AlanEkle(u"S1"_s, u"YENİ"_s, true);
        bridge.SatirYaz(u"tablo_glr"_s);
        QCOMPARE(f.columns(), QStringList{u"S1"_s});
        QCOMPARE(f.rows(), (QList<QStringList>{{u"YENİ"_s}}));
    }

    void tableDroppedWhateverItsCase()
    {
        Fixture f;
        f.data.store().scratch().exec(u"CREATE TABLE tablo_glr (x TEXT)"_s);
        ReportBridge bridge(f.data.store(), f.options());
        QVERIFY(bridge.TabloVarMi(u"TABLO_GLR"_s));
        QVERIFY(!bridge.TabloVarMi(u"TABLO"_s));
        bridge.TabloSil(u"TABLO_GLR"_s);
        QVERIFY(!bridge.TabloVarMi(u"tablo_glr"_s));
        bridge.TabloSil(u"tablo_glr"_s); // absent: nothing happens
    }

    // An abandoned print (the bridge gone before RaporGoster) leaves the previous table as it was.
    void abandonedPrintRollsBack()
    {
        Fixture f;
        {
            ReportBridge bridge(f.data.store(), f.options());
            bridge.TabloOlustur(u"tablo_glr"_s, u"S1#/"_s);
            bridge.AlanEkle(u"S1"_s, u"İLK"_s, true);
            bridge.SatirYaz(u"tablo_glr"_s);
            bridge.RaporAc(f.templatePath());
            bridge.RaporGoster();
        }
        {
            ReportBridge bridge(f.data.store(), f.options());
            bridge.TabloOlustur(u"tablo_glr"_s, u"S1#/"_s);
            bridge.AlanEkle(u"S1"_s, u"YARIM"_s, true);
            bridge.SatirYaz(u"tablo_glr"_s);
            QVERIFY_THROWS_EXCEPTION(ReportError, bridge.RaporAc(f.templatePath() + u".yok"_s));
        }
        QCOMPARE(f.rows(), (QList<QStringList>{{u"İLK"_s}}));
    }

    void printWiresTheDefinition()
    {
        Fixture f;
        ReportBridge bridge(f.data.store(), f.options());
        bridge.TabloOlustur(u"tablo_glr"_s, u"S1#/S2#/"_s);
        bridge.RaporAc(f.templatePath());
        bridge.BandBagla(u"MasterData1"_s, u"tablo_glr"_s);
        bridge.MemoBagla(u"memo1"_s, u"tablo_glr"_s, u"s1"_s);
        bridge.MemoYaz(u"Memo9"_s, u"BAŞLIK  Tarih:  [Date]"_s);
        bridge.MemoYaz(u"Memo77"_s, u"YOK"_s); // absent memo: passed over
        ReportDefinition* def = bridge.definition();
        QVERIFY(def);
        const ReportObject* query = def->findObject(u"TABLO_GLR"_s);
        QVERIFY(query);
        QVERIFY(query->isA("TfrxADOQuery"));
        QCOMPARE(query->parent()->name(), u"Data"_s);
        QCOMPARE(query->property(u"SQL"_s), u"Select * from TABLO_GLR"_s);
        QCOMPARE(query->property(u"Database"_s), u"Baglanti"_s);
        const ReportObject* connection = def->findObject(u"baglanti"_s);
        QVERIFY(connection);
        QVERIFY(connection->isA("TfrxADODatabase"));
        QCOMPARE(connection->property(u"LoginPrompt"_s), u"False"_s);
        const QString scratch = f.data.store().path(u"FRData.mdb"_s);
        QCOMPARE(connection->property(u"ConnectionString"_s),
                 u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source="_s + scratch +
                     u";Persist Security Info=False"_s);
        QCOMPARE(def->findObject(u"MasterData1"_s)->property(u"DataSet"_s), query->name());
        QCOMPARE(def->findObject(u"Memo1"_s)->property(u"Text"_s), u"[TABLO_GLR.\"S1\"]"_s);
        QCOMPARE(def->findObject(u"Memo9"_s)->property(u"Text"_s), u"BAŞLIK  Tarih:  [Date]"_s);

        bridge.RaporGoster();
        QVERIFY(!bridge.definition());
        const QString saved = f.definitionPath();
        QCOMPARE(f.started.size(), 1);
        QCOMPARE(f.started.first(),
                 (QStringList{QDir(f.install.path()).filePath(u"raporla"_s), saved, f.install.path()}));
        // what the viewer gets reads the scratch table through its own connection
        const ReportDefinition reloaded = ReportDefinition::load(saved);
        const QList<ReportDataSet> sets = loadDataSets(reloaded);
        QCOMPARE(sets.size(), 1);
        QCOMPARE(sets.first().columns, (QStringList{u"S1"_s, u"S2"_s}));
        QVERIFY(sets.first().rows.isEmpty());
    }

    // A template that already holds the query keeps it as it is; one that holds "Baglanti" gets its
    // connection string replaced.
    void templateWithQueryAndConnection()
    {
        Fixture f;
        QByteArray t = plainTemplate;
        t.replace("<TfrxDataPage Name=\"Data\"/>",
                  "<TfrxDataPage Name=\"Data\">"
                  "<TfrxADODatabase Name=\"Baglanti\" ConnectionString=\"Data Source=eski.mdb\" "
                  "LoginPrompt=\"True\"/>"
                  "<TfrxADODatabase Name=\"Diger\" ConnectionString=\"Data Source=diger.mdb\"/>"
                  "<TfrxADOQuery Name=\"Tablo_Glr\" SQL=\"Select S1 from TABLO_GLR order by S1\" "
                  "Database=\"Diger\"/>"
                  "</TfrxDataPage>");
        writeFile(f.templatePath(), t);
        ReportBridge bridge(f.data.store(), f.options());
        bridge.TabloOlustur(u"tablo_glr"_s, u"S1#/"_s);
        bridge.RaporAc(f.templatePath());
        ReportDefinition* def = bridge.definition();
        QCOMPARE(def->root().findAll("TfrxADOQuery").size(), 1);
        QCOMPARE(def->root().findAll("TfrxADODatabase").size(), 2);
        const ReportObject* query = def->findObject(u"TABLO_GLR"_s);
        QCOMPARE(query->property(u"SQL"_s), u"Select S1 from TABLO_GLR order by S1"_s);
        QCOMPARE(query->property(u"Database"_s), u"Diger"_s);
        const ReportObject* connection = def->findObject(u"Baglanti"_s);
        QVERIFY(connection->property(u"ConnectionString"_s).contains(QLatin1String("FRData.mdb")));
        QCOMPARE(connection->property(u"LoginPrompt"_s), u"False"_s);
        QCOMPARE(def->findObject(u"Diger"_s)->property(u"ConnectionString"_s), u"Data Source=diger.mdb"_s);
        bridge.BandBagla(u"MasterData1"_s, u"tablo_glr"_s);
        QCOMPARE(def->findObject(u"MasterData1"_s)->property(u"DataSet"_s), u"Tablo_Glr"_s);
    }

    // Without TabloOlustur the template is used as it stands: nothing is wired.
    void reportWithoutTable()
    {
        Fixture f;
        ReportBridge bridge(f.data.store(), f.options());
        bridge.RaporAc(f.templatePath());
        QVERIFY(!bridge.definition()->findObject(u"Baglanti"_s));
        QVERIFY(bridge.definition()->root().findAll("TfrxADOQuery").isEmpty());
    }

    void templateWithoutDataPage()
    {
        Fixture f;
        QByteArray t = plainTemplate;
        t.replace("<TfrxDataPage Name=\"Data\"/>", "");
        writeFile(f.templatePath(), t);
        ReportBridge bridge(f.data.store(), f.options());
        bridge.TabloOlustur(u"tablo_glr"_s, u"S1#/"_s);
        bridge.RaporAc(f.templatePath());
        const ReportObject* data = bridge.definition()->findObject(u"Data"_s);
        QVERIFY(data);
        QVERIFY(data->isA("TfrxDataPage"));
        QCOMPARE(bridge.definition()->findObject(u"TABLO_GLR"_s)->parent(), data);
    }

    // An empty print creates an empty table and still shows the report.
    void emptyPrint()
    {
        Fixture f;
        ReportBridge bridge(f.data.store(), f.options());
        bridge.TabloOlustur(u"tablo_glr"_s, u"S1#/S2#/S3#/S4#/S5#/"_s);
        bridge.RaporAc(f.templatePath());
        bridge.BandBagla(u"MasterData1"_s, u"tablo_glr"_s);
        bridge.RaporGoster();
        QVERIFY(bridge.TabloVarMi(u"tablo_glr"_s));
        QVERIFY(f.rows().isEmpty());
        QCOMPARE(f.started.size(), 1);
    }

    // The definition is replaced in one step; what stood at its place, a read-only leftover or a link
    // planted there, is replaced, and a link's target is never written.
    void oldDefinitionReplaced_data()
    {
        QTest::addColumn<QString>("before");
        QTest::newRow("read-only leftover") << u"file"_s;
        QTest::newRow("link to another file") << u"link"_s;
        QTest::newRow("link to a file not there") << u"dangling"_s;
    }
    void oldDefinitionReplaced()
    {
        QFETCH(QString, before);
        Fixture f;
        const QString saved = f.definitionPath();
        const QString target = QDir(f.temp.path()).filePath(u"hedef"_s);
        if (before == QLatin1String("file")) {
            writeFile(saved, "ESKİ RAPOR");
            QFile::setPermissions(saved, QFile::ReadOwner);
        } else {
            if (before == QLatin1String("link"))
                writeFile(target, "BAŞKASININ DOSYASI");
            QVERIFY(QFile::link(target, saved));
        }
        ReportBridge bridge(f.data.store(), f.options());
        bridge.TabloOlustur(u"tablo_glr"_s, u"S1#/"_s);
        bridge.RaporAc(f.templatePath());
        bridge.RaporGoster();
        QVERIFY(!QFileInfo(saved).isSymLink());
        const ReportDefinition def = ReportDefinition::load(saved); // a definition, not the old text
        QVERIFY(def.findObject(u"TABLO_GLR"_s));
        if (before == QLatin1String("link")) {
            QFile t(target);
            QVERIFY(t.open(QIODevice::ReadOnly));
            QCOMPARE(t.readAll(), QByteArray("BAŞKASININ DOSYASI"));
        } else {
            QVERIFY(!QFileInfo::exists(target));
        }
    }

    void failures_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing template") << u"template"_s << u"RAPOR DOSYASI BULUNAMADI"_s;
        QTest::newRow("broken template") << u"broken"_s << u"BOZUK"_s;
        QTest::newRow("not a definition") << u"other"_s << u"RAPOR TANIMI DEĞİL"_s;
        QTest::newRow("missing band") << u"band"_s << u"\"MasterData1\" BANDI BULUNAMADI"_s;
        QTest::newRow("missing viewer") << u"viewer"_s << u"RAPOR GÖSTERİCİ BULUNAMADI"_s;
        QTest::newRow("viewer does not start") << u"start"_s << u"RAPOR GÖSTERİCİ BAŞLATILAMADI"_s;
        QTest::newRow("definition folder not writable") << u"temp"_s << u"RAPOR DOSYASI YAZILAMADI"_s;
    }
    void failures()
    {
        QFETCH(QString, fault);
        QFETCH(QString, message);
        Fixture f;
        if (fault == QLatin1String("broken"))
            writeFile(f.templatePath(), "<TfrxReport><TfrxReportPage Name=\"Page1\"></TfrxReport>");
        else if (fault == QLatin1String("other"))
            writeFile(f.templatePath(), "<html><body/></html>");
        else if (fault == QLatin1String("band"))
            writeFile(f.templatePath(), QByteArray(plainTemplate).replace("MasterData1", "MasterData2"));
        else if (fault == QLatin1String("viewer"))
            QFile::remove(QDir(f.install.path()).filePath(u"raporla"_s));
        else if (fault == QLatin1String("start"))
            f.startResult = false;
        else if (fault == QLatin1String("temp")) {
            // a file where the folder should be
            f.definitionFolder = QDir(f.temp.path()).filePath(u"engel"_s);
            writeFile(f.definitionFolder, "");
        }
        const QString path =
            fault == QLatin1String("template") ? f.templatePath() + u"x"_s : f.templatePath();

        ReportBridge bridge(f.data.store(), f.options());
        QString text;
        try {
            bridge.TabloOlustur(u"tablo_glr"_s, u"S1#/"_s);
            bridge.RaporAc(path);
            bridge.BandBagla(u"MasterData1"_s, u"tablo_glr"_s);
            bridge.RaporGoster();
        } catch (const ReportError& e) {
            text = e.text();
        }
        QVERIFY2(text.contains(message), qPrintable(text));
        // no viewer on a definition that was not completely written, and nothing half-written left
        const QString folder = QFileInfo(f.definitionFolder).isDir() ? f.definitionFolder : f.temp.path();
        const QStringList left = QDir(folder).entryList({u"temp_report*"_s}, QDir::Files | QDir::Hidden);
        if (fault == QLatin1String("start")) {
            QCOMPARE(left, QStringList{u"temp_report.fr3"_s});
            QCOMPARE(f.started.size(), 1);
        } else {
            QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char(' '))));
            QVERIFY(f.started.isEmpty());
        }
        // the bridge is usable again afterwards
        if (fault == QLatin1String("template") || fault == QLatin1String("broken") ||
            fault == QLatin1String("other"))
            QVERIFY_THROWS_EXCEPTION(ReportError, bridge.MemoYaz(u"Memo1"_s, u"X"_s));
    }

    void installTemplatesKeepsUserCopies()
    {
        QTemporaryDir install;
        QTemporaryDir dataDir;
        const QDir source(QDir(install.path()).filePath(u"templates"_s));
        QVERIFY(QDir().mkpath(source.path()));
        writeFile(source.filePath(u"kart_dokum.fr3"_s), "YENİ KART");
        writeFile(source.filePath(u"paralar.fr3"_s), "YENİ PARALAR");
        writeFile(source.filePath(u"beni_oku.txt"_s), "METİN");
        QFile::setPermissions(source.filePath(u"paralar.fr3"_s), QFile::ReadOwner);
        writeFile(QDir(dataDir.path()).filePath(u"kart_dokum.fr3"_s), "KULLANICININ KARTI");

        installTemplates(install.path(), dataDir.path());
        auto read = [&](const QString& name) {
            QFile file(QDir(dataDir.path()).filePath(name));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        QCOMPARE(read(u"kart_dokum.fr3"_s), QByteArray("KULLANICININ KARTI"));
        QCOMPARE(read(u"paralar.fr3"_s), QByteArray("YENİ PARALAR"));
        QVERIFY(QFileInfo(QDir(dataDir.path()).filePath(u"paralar.fr3"_s)).isWritable());
        QVERIFY(!QFile::exists(QDir(dataDir.path()).filePath(u"beni_oku.txt"_s)));
        installTemplates(QDir(install.path()).filePath(u"yok"_s),
                         dataDir.path()); // nothing to copy
    }

    // The templates that ship all hold what their callers fill.
    void shippedTemplates_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("objects");
        QTest::newRow("statement") << u"kart_dokum.fr3"_s
                                   << QString::fromLatin1(
                                          "MasterData1 Memo1 Memo2 Memo3 Memo21 Memo10 Memo11 Memo12 "
                                          "Memo13")
                                          .split(QLatin1Char(' '));
        QTest::newRow("money lists") << u"paralar.fr3"_s
                                     << QString::fromLatin1(
                                            "MasterData1 Memo1 Memo11 Memo17 Memo2 Memo3 Memo9 Memo8 "
                                            "Memo10")
                                            .split(QLatin1Char(' '));
        QTest::newRow("balance lists")
            << u"bakiyeler.fr3"_s
            << QString::fromLatin1("MasterData1 Memo1 Memo17 Memo2 Memo12 Memo15 Memo9 "
                                   "Memo10 Memo5 Memo11")
                   .split(QLatin1Char(' '));
        QTest::newRow("aging") << u"yaslandirma.fr3"_s
                               << QString::fromLatin1(
                                      "MasterData1 Memo1 Memo2 Memo3 Memo4 Memo5 Memo6 Memo7 Memo8 "
                                      "Memo9 Memo10 Memo20 Memo43 Memo47 Memo60 Memo66 Memo76 Memo86")
                                      .split(QLatin1Char(' '));
    }
    void shippedTemplates()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, objects);
        const QString path =
            QDir(qEnvironmentVariable("KALVORA_SOURCE_DIR")).filePath(u"templates/"_s + file);
        const ReportDefinition def = ReportDefinition::load(path);
        QVERIFY(def.findObject(u"Data"_s));
        for (const QString& name : objects) {
            const ReportObject* o = def.findObject(name);
            QVERIFY2(o, qPrintable(name));
            QVERIFY2(o->isA(name.startsWith(QLatin1String("Memo")) ? "TfrxMemoView" : "TfrxMasterData"),
                     qPrintable(name));
        }
        // every name once, so the bridge always finds the object meant
        QStringList names;
        std::function<void(const ReportObject&)> collect = [&](const ReportObject& o) {
            if (!o.name().isEmpty()) {
                QVERIFY2(!names.contains(o.name().toUpper()), qPrintable(o.name()));
                names.append(o.name().toUpper());
            }
            for (const auto& c : o.children())
                collect(*c);
        };
        collect(def.root());
    }
};

QTEST_GUILESS_MAIN(TestReportBridge)
#include "tst_report_bridge.moc"
