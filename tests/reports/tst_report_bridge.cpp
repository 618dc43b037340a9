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
        const QString viewer = QDir(install.path()).filePath(QStringLiteral("raporla"));
        writeFile(viewer, "#!/bin/sh\n");
        QFile::setPermissions(viewer, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        writeFile(templatePath(), plainTemplate);
        definitionFolder = data.folder();
    }
    QString definitionPath() const
    {
        return QDir(definitionFolder).filePath(QStringLiteral("temp_report.fr3"));
    }
    QString templatePath() const { return QDir(data.folder()).filePath(QStringLiteral("deneme.fr3")); }
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
    QList<QStringList> rows(const QString& table = QStringLiteral("TABLO_GLR"))
    {
        QList<QStringList> out;
        Statement st = data.store().scratch().prepare(QStringLiteral("SELECT * FROM ") + table);
        while (st.step()) {
            QStringList row;
            for (int c = 0; c < st.columnCount(); ++c)
                row.append(st.isNull(c) ? QStringLiteral("<null>") : st.text(c));
            out.append(row);
        }
        return out;
    }
    QStringList columns(const QString& table = QStringLiteral("TABLO_GLR"))
    {
        QStringList out;
        Statement st = data.store().scratch().prepare(QStringLiteral("SELECT * FROM ") + table);
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
        const QStringList four{QStringLiteral("S1"), QStringLiteral("S2"), QStringLiteral("S3"),
                               QStringLiteral("S4")};
        QTest::newRow("final separator") << QStringLiteral("S1#/S2#/S3#/S4#/") << four;
        QTest::newRow("no final separator, lower case") << QStringLiteral("s1#/s2#/s3#/s4") << four;
        QTest::newRow("doubled separator") << QStringLiteral("S1#/#/S2#/S3#/S4#/#/") << four;
        QTest::newRow("tripled separator") << QStringLiteral("S1#/#/#/S2#/S3#/S4") << four;
        QTest::newRow("repeated name") << QStringLiteral("S1#/S2#/s1#/S3#/S4#/") << four;
        QTest::newRow("blanks") << QStringLiteral(" S1 #/ S2#/S3#/S4 ") << four;
        QTest::newRow("nine") << QStringLiteral("S1#/S2#/S3#/S4#/S5#/S6#/S7#/S8#/S9#/")
                              << QStringList{
                                     QStringLiteral("S1"), QStringLiteral("S2"), QStringLiteral("S3"),
                                     QStringLiteral("S4"), QStringLiteral("S5"), QStringLiteral("S6"),
                                     QStringLiteral("S7"), QStringLiteral("S8"), QStringLiteral("S9")};
        QTest::newRow("empty") << QString() << QStringList();
        QTest::newRow("only separators") << QStringLiteral("#/#/") << QStringList();
    }
    void columnList()
    {
        QFETCH(QString, list);
        QFETCH(QStringList, expected);
        QCOMPARE(ReportBridge::columnNames(list), expected);
        Fixture f;
        ReportBridge bridge(f.data.store(), f.options());
        if (expected.isEmpty()) {
            QVERIFY_THROWS_EXCEPTION(ReportError, bridge.TabloOlustur(QStringLiteral("tablo_glr"), list));
            return;
        }
        bridge.TabloOlustur(QStringLiteral("tablo_glr"), list);
        QVERIFY(bridge.TabloVarMi(QStringLiteral("TABLO_GLR")));
        QVERIFY(bridge.TabloVarMi(QStringLiteral("tablo_glr")));
        QCOMPARE(f.columns(), expected);
    }

    // Cells reach the table exactly as given, whatever they hold.
    void cellsUnchanged_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("apostrophe") << QStringLiteral("ALİ'NİN DÜKKANI");
        QTest::newRow("apostrophes closing a statement") << QStringLiteral("x'); DROP TABLE TABLO_GLR; --");
        QTest::newRow("two commas") << QStringLiteral("KİRA,,AİDAT");
        QTest::newRow("quote") << QStringLiteral("\"A\"");
        QTest::newRow("leading zero") << QStringLiteral("0532");
        QTest::newRow("amount") << QStringLiteral("1.500,50");
        QTest::newRow("number form") << QStringLiteral("1e3");
        QTest::newRow("empty") << QString();
        QTest::newRow("line break") << QStringLiteral("A\nB");
        QTest::newRow("brackets") << QStringLiteral("[Date]");
    }
    void cellsUnchanged()
    {
        QFETCH(QString, text);
        Fixture f;
        ReportBridge bridge(f.data.store(), f.options());
        bridge.TabloOlustur(QStringLiteral("tablo_glr"), QStringLiteral("S1#/S2#/"));
        bridge.AlanEkle(QStringLiteral("S1"), text, true);
        bridge.AlanEkle(QStringLiteral("s2"), QStringLiteral("X"), false);
        bridge.SatirYaz(QStringLiteral("tablo_glr"));
        QCOMPARE(f.rows(), (QList<QStringList>{{text, QStringLiteral("X")}}));
    }

    void rowsAndPendingCells()
    {
        Fixture f;
        ReportBridge bridge(f.data.store(), f.options());
        bridge.TabloOlustur(QStringLiteral("tablo_glr"), QStringLiteral("S1#/S2#/S3#/"));
        bridge.AlanEkle(QStringLiteral("S1"), QStringLiteral("A"), true);
        bridge.AlanEkle(QStringLiteral("S3"), QStringLiteral("C"), false);
        bridge.SatirYaz(QStringLiteral("tablo_glr"));
        // the pending row stays until a cell starts a new one
        bridge.SatirYaz(QStringLiteral("tablo_glr"));
        bridge.AlanEkle(QStringLiteral("S2"), QStringLiteral("B"), true);
        bridge.SatirYaz(QStringLiteral("tablo_glr"));
        const QString null = QStringLiteral("<null>");
        QCOMPARE(f.rows(), (QList<QStringList>{{QStringLiteral("A"), null, QStringLiteral("C")},
                                               {QStringLiteral("A"), null, QStringLiteral("C")},
                                               {null, QStringLiteral("B"), null}}));
    }

    void unknownColumnFails()
    {
        Fixture f;
        ReportBridge bridge(f.data.store(), f.options());
        bridge.TabloOlustur(QStringLiteral("tablo_glr"), QStringLiteral("S1#/"));
        bridge.AlanEkle(QStringLiteral("S7"), QStringLiteral("A"), true);
        QVERIFY_THROWS_EXCEPTION(DbError, bridge.SatirYaz(QStringLiteral("tablo_glr")));
    }

    void secondPrintStartsAfresh()
    {
        Fixture f;
        {
            ReportBridge bridge(f.data.store(), f.options());
            bridge.TabloOlustur(QStringLiteral("tablo_glr"), QStringLiteral("S1#/S2#/S3#/"));
            bridge.AlanEkle(QStringLiteral("S1"), QStringLiteral("ESKİ"), true);
            bridge.SatirYaz(QStringLiteral("tablo_glr"));
            bridge.RaporAc(f.templatePath());
            bridge.BandBagla(QStringLiteral("MasterData1"), QStringLiteral("tablo_glr"));
            bridge.RaporGoster();
        }
        ReportBridge bridge(f.data.store(), f.options());
        bridge.TabloOlustur(QStringLiteral("TABLO_GLR"), QStringLiteral("S1#/"));
        bridge.AlanEkle(QStringLiteral("S1"), QStringLiteral("YENİ"), true);
        bridge.SatirYaz(QStringLiteral("tablo_glr"));
        QCOMPARE(f.columns(), QStringList{QStringLiteral("S1")});
        QCOMPARE(f.rows(), (QList<QStringList>{{QStringLiteral("YENİ")}}));
    }

    void tableDroppedWhateverItsCase()
    {
        Fixture f;
        f.data.store().scratch().exec(QStringLiteral("CREATE TABLE tablo_glr (x TEXT)"));
        ReportBridge bridge(f.data.store(), f.options());
        QVERIFY(bridge.TabloVarMi(QStringLiteral("TABLO_GLR")));
        QVERIFY(!bridge.TabloVarMi(QStringLiteral("TABLO")));
        bridge.TabloSil(QStringLiteral("TABLO_GLR"));
        QVERIFY(!bridge.TabloVarMi(QStringLiteral("tablo_glr")));
        bridge.TabloSil(QStringLiteral("tablo_glr")); // absent: nothing happens
    }

    // An abandoned print (the bridge gone before RaporGoster) leaves the previous table as it was.
    void abandonedPrintRollsBack()
    {
        Fixture f;
        {
            ReportBridge bridge(f.data.store(), f.options());
            bridge.TabloOlustur(QStringLiteral("tablo_glr"), QStringLiteral("S1#/"));
            bridge.AlanEkle(QStringLiteral("S1"), QStringLiteral("İLK"), true);
            bridge.SatirYaz(QStringLiteral("tablo_glr"));
            bridge.RaporAc(f.templatePath());
            bridge.RaporGoster();
        }
        {
            ReportBridge bridge(f.data.store(), f.options());
            bridge.TabloOlustur(QStringLiteral("tablo_glr"), QStringLiteral("S1#/"));
            bridge.AlanEkle(QStringLiteral("S1"), QStringLiteral("YARIM"), true);
            bridge.SatirYaz(QStringLiteral("tablo_glr"));
            QVERIFY_THROWS_EXCEPTION(ReportError, bridge.RaporAc(f.templatePath() + QStringLiteral(".yok")));
        }
        QCOMPARE(f.rows(), (QList<QStringList>{{QStringLiteral("İLK")}}));
    }

    void printWiresTheDefinition()
    {
        Fixture f;
        ReportBridge bridge(f.data.store(), f.options());
        bridge.TabloOlustur(QStringLiteral("tablo_glr"), QStringLiteral("S1#/S2#/"));
        bridge.RaporAc(f.templatePath());
        bridge.BandBagla(QStringLiteral("MasterData1"), QStringLiteral("tablo_glr"));
        bridge.MemoBagla(QStringLiteral("memo1"), QStringLiteral("tablo_glr"), QStringLiteral("s1"));
        bridge.MemoYaz(QStringLiteral("Memo9"), QStringLiteral("BAŞLIK  Tarih:  [Date]"));
        bridge.MemoYaz(QStringLiteral("Memo77"), QStringLiteral("YOK")); // absent memo: passed over
        ReportDefinition* def = bridge.definition();
        QVERIFY(def);
        const ReportObject* query = def->findObject(QStringLiteral("TABLO_GLR"));
        QVERIFY(query);
        QVERIFY(query->isA("TfrxADOQuery"));
        QCOMPARE(query->parent()->name(), QStringLiteral("Data"));
        QCOMPARE(query->property(QStringLiteral("SQL")), QStringLiteral("Select * from TABLO_GLR"));
        QCOMPARE(query->property(QStringLiteral("Database")), QStringLiteral("Baglanti"));
        const ReportObject* connection = def->findObject(QStringLiteral("baglanti"));
        QVERIFY(connection);
        QVERIFY(connection->isA("TfrxADODatabase"));
        QCOMPARE(connection->property(QStringLiteral("LoginPrompt")), QStringLiteral("False"));
        const QString scratch = f.data.store().path(QStringLiteral("FRData.mdb"));
        QCOMPARE(connection->property(QStringLiteral("ConnectionString")),
                 QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + scratch +
                     QStringLiteral(";Persist Security Info=False"));
        QCOMPARE(def->findObject(QStringLiteral("MasterData1"))->property(QStringLiteral("DataSet")),
                 query->name());
        QCOMPARE(def->findObject(QStringLiteral("Memo1"))->property(QStringLiteral("Text")),
                 QStringLiteral("[TABLO_GLR.\"S1\"]"));
        QCOMPARE(def->findObject(QStringLiteral("Memo9"))->property(QStringLiteral("Text")),
                 QStringLiteral("BAŞLIK  Tarih:  [Date]"));

        bridge.RaporGoster();
        QVERIFY(!bridge.definition());
        const QString saved = f.definitionPath();
        QCOMPARE(f.started.size(), 1);
        QCOMPARE(f.started.first(), (QStringList{QDir(f.install.path()).filePath(QStringLiteral("raporla")),
                                                 saved, f.install.path()}));
        // what the viewer gets reads the scratch table through its own connection
        const ReportDefinition reloaded = ReportDefinition::load(saved);
        const QList<ReportDataSet> sets = loadDataSets(reloaded);
        QCOMPARE(sets.size(), 1);
        QCOMPARE(sets.first().columns, (QStringList{QStringLiteral("S1"), QStringLiteral("S2")}));
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
        bridge.TabloOlustur(QStringLiteral("tablo_glr"), QStringLiteral("S1#/"));
        bridge.RaporAc(f.templatePath());
        ReportDefinition* def = bridge.definition();
        QCOMPARE(def->root().findAll("TfrxADOQuery").size(), 1);
        QCOMPARE(def->root().findAll("TfrxADODatabase").size(), 2);
        const ReportObject* query = def->findObject(QStringLiteral("TABLO_GLR"));
        QCOMPARE(query->property(QStringLiteral("SQL")),
                 QStringLiteral("Select S1 from TABLO_GLR order by S1"));
        QCOMPARE(query->property(QStringLiteral("Database")), QStringLiteral("Diger"));
        const ReportObject* connection = def->findObject(QStringLiteral("Baglanti"));
        QVERIFY(
            connection->property(QStringLiteral("ConnectionString")).contains(QLatin1String("FRData.mdb")));
        QCOMPARE(connection->property(QStringLiteral("LoginPrompt")), QStringLiteral("False"));
        QCOMPARE(def->findObject(QStringLiteral("Diger"))->property(QStringLiteral("ConnectionString")),
                 QStringLiteral("Data Source=diger.mdb"));
        bridge.BandBagla(QStringLiteral("MasterData1"), QStringLiteral("tablo_glr"));
        QCOMPARE(def->findObject(QStringLiteral("MasterData1"))->property(QStringLiteral("DataSet")),
                 QStringLiteral("Tablo_Glr"));
    }

    // Without TabloOlustur the template is used as it stands: nothing is wired.
    void reportWithoutTable()
    {
        Fixture f;
        ReportBridge bridge(f.data.store(), f.options());
        bridge.RaporAc(f.templatePath());
        QVERIFY(!bridge.definition()->findObject(QStringLiteral("Baglanti")));
        QVERIFY(bridge.definition()->root().findAll("TfrxADOQuery").isEmpty());
    }

    void templateWithoutDataPage()
    {
        Fixture f;
        QByteArray t = plainTemplate;
        t.replace("<TfrxDataPage Name=\"Data\"/>", "");
        writeFile(f.templatePath(), t);
        ReportBridge bridge(f.data.store(), f.options());
        bridge.TabloOlustur(QStringLiteral("tablo_glr"), QStringLiteral("S1#/"));
        bridge.RaporAc(f.templatePath());
        const ReportObject* data = bridge.definition()->findObject(QStringLiteral("Data"));
        QVERIFY(data);
        QVERIFY(data->isA("TfrxDataPage"));
        QCOMPARE(bridge.definition()->findObject(QStringLiteral("TABLO_GLR"))->parent(), data);
    }

    // An empty print creates an empty table and still shows the report.
    void emptyPrint()
    {
        Fixture f;
        ReportBridge bridge(f.data.store(), f.options());
        bridge.TabloOlustur(QStringLiteral("tablo_glr"), QStringLiteral("S1#/S2#/S3#/S4#/S5#/"));
        bridge.RaporAc(f.templatePath());
        bridge.BandBagla(QStringLiteral("MasterData1"), QStringLiteral("tablo_glr"));
        bridge.RaporGoster();
        QVERIFY(bridge.TabloVarMi(QStringLiteral("tablo_glr")));
        QVERIFY(f.rows().isEmpty());
        QCOMPARE(f.started.size(), 1);
    }

    // The definition is replaced in one step; what stood at its place, a read-only leftover or a link
    // planted there, is replaced, and a link's target is never written.
    void oldDefinitionReplaced_data()
    {
        QTest::addColumn<QString>("before");
        QTest::newRow("read-only leftover") << QStringLiteral("file");
        QTest::newRow("link to another file") << QStringLiteral("link");
        QTest::newRow("link to a file not there") << QStringLiteral("dangling");
    }
    void oldDefinitionReplaced()
    {
        QFETCH(QString, before);
        Fixture f;
        const QString saved = f.definitionPath();
        const QString target = QDir(f.temp.path()).filePath(QStringLiteral("hedef"));
        if (before == QLatin1String("file")) {
            writeFile(saved, "ESKİ RAPOR");
            QFile::setPermissions(saved, QFile::ReadOwner);
        } else {
            if (before == QLatin1String("link"))
                writeFile(target, "BAŞKASININ DOSYASI");
            QVERIFY(QFile::link(target, saved));
        }
        ReportBridge bridge(f.data.store(), f.options());
        bridge.TabloOlustur(QStringLiteral("tablo_glr"), QStringLiteral("S1#/"));
        bridge.RaporAc(f.templatePath());
        bridge.RaporGoster();
        QVERIFY(!QFileInfo(saved).isSymLink());
        const ReportDefinition def = ReportDefinition::load(saved); // a definition, not the old text
        QVERIFY(def.findObject(QStringLiteral("TABLO_GLR")));
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
        QTest::newRow("missing template")
            << QStringLiteral("template") << QStringLiteral("RAPOR DOSYASI BULUNAMADI");
        QTest::newRow("broken template") << QStringLiteral("broken") << QStringLiteral("BOZUK");
        QTest::newRow("not a definition") << QStringLiteral("other") << QStringLiteral("RAPOR TANIMI DEĞİL");
        QTest::newRow("missing band")
            << QStringLiteral("band") << QStringLiteral("\"MasterData1\" BANDI BULUNAMADI");
        QTest::newRow("missing viewer")
            << QStringLiteral("viewer") << QStringLiteral("RAPOR GÖSTERİCİ BULUNAMADI");
        QTest::newRow("viewer does not start")
            << QStringLiteral("start") << QStringLiteral("RAPOR GÖSTERİCİ BAŞLATILAMADI");
        QTest::newRow("definition folder not writable")
            << QStringLiteral("temp") << QStringLiteral("RAPOR DOSYASI YAZILAMADI");
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
            QFile::remove(QDir(f.install.path()).filePath(QStringLiteral("raporla")));
        else if (fault == QLatin1String("start"))
            f.startResult = false;
        else if (fault == QLatin1String("temp")) {
            // a file where the folder should be
            f.definitionFolder = QDir(f.temp.path()).filePath(QStringLiteral("engel"));
            writeFile(f.definitionFolder, "");
        }
        const QString path =
            fault == QLatin1String("template") ? f.templatePath() + QStringLiteral("x") : f.templatePath();

        ReportBridge bridge(f.data.store(), f.options());
        QString text;
        try {
            bridge.TabloOlustur(QStringLiteral("tablo_glr"), QStringLiteral("S1#/"));
            bridge.RaporAc(path);
            bridge.BandBagla(QStringLiteral("MasterData1"), QStringLiteral("tablo_glr"));
            bridge.RaporGoster();
        } catch (const ReportError& e) {
            text = e.text();
        }
        QVERIFY2(text.contains(message), qPrintable(text));
        // no viewer on a definition that was not completely written, and nothing half-written left
        const QString folder = QFileInfo(f.definitionFolder).isDir() ? f.definitionFolder : f.temp.path();
        const QStringList left =
            QDir(folder).entryList({QStringLiteral("temp_report*")}, QDir::Files | QDir::Hidden);
        if (fault == QLatin1String("start")) {
            QCOMPARE(left, QStringList{QStringLiteral("temp_report.fr3")});
            QCOMPARE(f.started.size(), 1);
        } else {
            QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char(' '))));
            QVERIFY(f.started.isEmpty());
        }
        // the bridge is usable again afterwards
        if (fault == QLatin1String("template") || fault == QLatin1String("broken") ||
            fault == QLatin1String("other"))
            QVERIFY_THROWS_EXCEPTION(ReportError,
                                     bridge.MemoYaz(QStringLiteral("Memo1"), QStringLiteral("X")));
    }

    void installTemplatesKeepsUserCopies()
    {
        QTemporaryDir install;
        QTemporaryDir dataDir;
        const QDir source(QDir(install.path()).filePath(QStringLiteral("templates")));
        QVERIFY(QDir().mkpath(source.path()));
        writeFile(source.filePath(QStringLiteral("kart_dokum.fr3")), "YENİ KART");
        writeFile(source.filePath(QStringLiteral("paralar.fr3")), "YENİ PARALAR");
        writeFile(source.filePath(QStringLiteral("beni_oku.txt")), "METİN");
        QFile::setPermissions(source.filePath(QStringLiteral("paralar.fr3")), QFile::ReadOwner);
        writeFile(QDir(dataDir.path()).filePath(QStringLiteral("kart_dokum.fr3")), "KULLANICININ KARTI");

        installTemplates(install.path(), dataDir.path());
        auto read = [&](const QString& name) {
            QFile file(QDir(dataDir.path()).filePath(name));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        QCOMPARE(read(QStringLiteral("kart_dokum.fr3")), QByteArray("KULLANICININ KARTI"));
        QCOMPARE(read(QStringLiteral("paralar.fr3")), QByteArray("YENİ PARALAR"));
        QVERIFY(QFileInfo(QDir(dataDir.path()).filePath(QStringLiteral("paralar.fr3"))).isWritable());
        QVERIFY(!QFile::exists(QDir(dataDir.path()).filePath(QStringLiteral("beni_oku.txt"))));
        installTemplates(QDir(install.path()).filePath(QStringLiteral("yok")),
                         dataDir.path()); // nothing to copy
    }

    // The templates that ship all hold what their callers fill.
    void shippedTemplates_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("objects");
        QTest::newRow("statement") << QStringLiteral("kart_dokum.fr3")
                                   << QString::fromLatin1(
                                          "MasterData1 Memo1 Memo2 Memo3 Memo21 Memo10 Memo11 Memo12 "
                                          "Memo13")
                                          .split(QLatin1Char(' '));
        QTest::newRow("money lists") << QStringLiteral("paralar.fr3")
                                     << QString::fromLatin1(
                                            "MasterData1 Memo1 Memo11 Memo17 Memo2 Memo3 Memo9 Memo8 "
                                            "Memo10")
                                            .split(QLatin1Char(' '));
        QTest::newRow("balance lists")
            << QStringLiteral("bakiyeler.fr3")
            << QString::fromLatin1("MasterData1 Memo1 Memo17 Memo2 Memo12 Memo15 Memo9 "
                                   "Memo10 Memo5 Memo11")
                   .split(QLatin1Char(' '));
    }
    void shippedTemplates()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, objects);
        const QString path =
            QDir(qEnvironmentVariable("KALVORA_SOURCE_DIR")).filePath(QStringLiteral("templates/") + file);
        const ReportDefinition def = ReportDefinition::load(path);
        QVERIFY(def.findObject(QStringLiteral("Data")));
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
