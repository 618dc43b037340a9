#include "reports/report_bridge.h"

#include "data/data_folder.h"
#include "data/store.h"
#include "reports/report_data.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace kalvora {

namespace {

const QString viewerName = QStringLiteral("raporla");
const QString definitionFileName = QStringLiteral("temp_report.fr3");

QString quoted(const QString& identifier)
{
    QString s = identifier;
    s.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

// Scratch table and column names are compared and stored in ASCII upper case, as the SQL engine
// compares names.
QString upper(const QString& name)
{
    return name.trimmed().toUpper();
}

} // namespace

ReportBridge::ReportBridge(Store& store, ReportOptions options)
    : m_store(store), m_options(std::move(options))
{
    if (m_options.installationFolder.isEmpty())
        m_options.installationFolder = DataFolder::installationFolder();
    if (m_options.definitionFolder.isEmpty())
        m_options.definitionFolder = m_store.folder();
    if (!m_options.startViewer) {
        m_options.startViewer = [](const QString& program, const QStringList& arguments,
                                   const QString& folder) {
            return QProcess::startDetached(program, arguments, folder);
        };
    }
}

ReportBridge::~ReportBridge() = default;

QStringList ReportBridge::columnNames(const QString& columnList)
{
    QString list = upper(columnList) + QStringLiteral("#/");
    list.replace(QStringLiteral("#/#/"), QStringLiteral("#/"));
    QStringList pieces = list.split(QStringLiteral("#/"));
    pieces.removeLast(); // what follows the final "#/"
    QStringList out;
    for (const QString& p : pieces) {
        const QString name = p.trimmed();
        if (!name.isEmpty() && !out.contains(name))
            out.append(name);
    }
    return out;
}

QString ReportBridge::connectionString(const QString& scratchFile)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;") +
           connectionStringPart(QStringLiteral("Data Source"), QFileInfo(scratchFile).absoluteFilePath()) +
           QStringLiteral(";Persist Security Info=False");
}

QString ReportBridge::definitionPath() const
{
    return QDir(m_options.definitionFolder).filePath(definitionFileName);
}

QString ReportBridge::viewerProgram() const
{
    return QStandardPaths::findExecutable(viewerName, {m_options.installationFolder});
}

void ReportBridge::TabloOlustur(const QString& table, const QString& columns)
{
    const QString name = upper(table);
    if (name.isEmpty())
        throw ReportError(QStringLiteral("RAPOR TABLOSUNUN ADI BOŞ."));
    const QStringList names = columnNames(columns);
    if (names.isEmpty())
        throw ReportError(QStringLiteral("RAPOR TABLOSU ") + name + QStringLiteral(" İÇİN SÜTUN VERİLMEDİ."));
    Database& db = m_store.scratch();
    if (!m_transaction)
        m_transaction = std::make_unique<Transaction>(db);
    m_tables = QStringList{table};
    m_pendingColumns.clear();
    m_pendingValues.clear();
    TabloSil(table);
    // TEXT, not the engine's numeric default: "0532" or "1.500" must come back exactly as written.
    QStringList parts;
    for (const QString& c : names)
        parts.append(quoted(c) + QStringLiteral(" TEXT"));
    db.exec(QStringLiteral("CREATE TABLE ") + quoted(name) + QStringLiteral(" (") +
            parts.join(QLatin1Char(',')) + QLatin1Char(')'));
}

void ReportBridge::AlanEkle(const QString& column, const QString& text, bool startsRow)
{
    if (startsRow) {
        m_pendingColumns.clear();
        m_pendingValues.clear();
    }
    m_pendingColumns.append(upper(column));
    m_pendingValues.append(text);
}

void ReportBridge::SatirYaz(const QString& table)
{
    Database& db = m_store.scratch();
    const QString name = quoted(upper(table));
    if (m_pendingColumns.isEmpty()) {
        db.execute(QStringLiteral("INSERT INTO ") + name + QStringLiteral(" DEFAULT VALUES"));
        return;
    }
    QStringList columns;
    QStringList marks;
    QVariantList values;
    for (int i = 0; i < m_pendingColumns.size(); ++i) {
        columns.append(quoted(m_pendingColumns.at(i)));
        marks.append(QLatin1Char('?') + QString::number(i + 1));
        values.append(m_pendingValues.at(i));
    }
    db.execute(QStringLiteral("INSERT INTO ") + name + QLatin1Char('(') + columns.join(QLatin1Char(',')) +
                   QStringLiteral(") VALUES (") + marks.join(QLatin1Char(',')) + QLatin1Char(')'),
               values);
}

bool ReportBridge::TabloVarMi(const QString& table)
{
    Statement st =
        m_store.scratch().prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'"));
    const QString wanted = upper(table);
    while (st.step()) {
        if (upper(st.text(0)) == wanted)
            return true;
    }
    return false;
}

void ReportBridge::TabloSil(const QString& table)
{
    // The stored name is dropped, whatever the letter case it was created with.
    Database& db = m_store.scratch();
    Statement st = db.prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'"));
    const QString wanted = upper(table);
    QString stored;
    while (st.step()) {
        if (upper(st.text(0)) == wanted) {
            stored = st.text(0);
            break;
        }
    }
    st = Statement();
    if (!stored.isEmpty())
        db.exec(QStringLiteral("DROP TABLE ") + quoted(stored));
}

void ReportBridge::RaporAc(const QString& templatePath)
{
    m_definition.reset();
    m_templatePath = templatePath;
    ReportDefinition def;
    try {
        def = ReportDefinition::load(templatePath);
    } catch (const ReportError& e) {
        throw ReportError(QStringLiteral("RAPOR ŞABLONU AÇILAMADI.\n") + e.text());
    }
    if (!m_tables.isEmpty()) {
        ReportObject* data = def.findObject(QStringLiteral("Data"));
        if (!data)
            data = def.createObject(nullptr, QStringLiteral("TfrxDataPage"), QStringLiteral("Data"));
        ReportObject* connection = def.findObject(QStringLiteral("Baglanti"));
        if (!connection)
            connection =
                def.createObject(data, QStringLiteral("TfrxADODatabase"), QStringLiteral("Baglanti"));
        const QString scratch = m_store.path(QString::fromLatin1(files::scratch));
        if (!QFileInfo::exists(scratch))
            throw ReportError(QStringLiteral("RAPOR VERİ DOSYASI BULUNAMADI:\n") + scratch);
        connection->setProperty(QStringLiteral("LoginPrompt"), QStringLiteral("False"));
        connection->setProperty(QStringLiteral("ConnectionString"), connectionString(scratch));
        connection->setProperty(QStringLiteral("Connected"), QStringLiteral("True"));
        for (const QString& table : std::as_const(m_tables)) {
            if (def.findObject(table))
                continue;
            ReportObject* query = def.createObject(data, QStringLiteral("TfrxADOQuery"), table);
            query->setProperty(QStringLiteral("SQL"), QStringLiteral("Select * from ") + upper(table));
            query->setProperty(QStringLiteral("Database"), QStringLiteral("Baglanti"));
            ReportObject* sets = nullptr;
            for (const auto& c : def.root().children()) {
                if (c->isA("Datasets"))
                    sets = c.get();
            }
            if (!sets)
                sets = def.createObject(nullptr, QStringLiteral("Datasets"), QString());
            def.createObject(sets, QStringLiteral("item"), QString())
                ->setProperty(QStringLiteral("DataSet"), table);
        }
    }
    m_definition = std::move(def);
}

ReportDefinition& ReportBridge::openDefinition(const char* operation)
{
    if (!m_definition)
        throw ReportError(QStringLiteral("RAPOR ŞABLONU AÇILMADAN ") + QLatin1String(operation) +
                          QStringLiteral(" ÇAĞRILDI."));
    return *m_definition;
}

void ReportBridge::BandBagla(const QString& band, const QString& table)
{
    ReportDefinition& def = openDefinition("BandBagla");
    ReportObject* query = def.findObject(upper(table));
    if (!query)
        throw ReportError(QStringLiteral("RAPOR ŞABLONUNDA \"") + upper(table) +
                          QStringLiteral("\" SORGUSU BULUNAMADI:\n") + m_templatePath);
    ReportObject* b = def.findObject(band);
    if (!b)
        throw ReportError(QStringLiteral("RAPOR ŞABLONUNDA \"") + band +
                          QStringLiteral("\" BANDI BULUNAMADI:\n") + m_templatePath);
    b->setProperty(QStringLiteral("DataSet"), query->name());
}

void ReportBridge::MemoBagla(const QString& memo, const QString& table, const QString& column)
{
    if (ReportObject* m = openDefinition("MemoBagla").findObject(memo))
        m->setProperty(QStringLiteral("Text"), QLatin1Char('[') + upper(table) + QStringLiteral(".\"") +
                                                   upper(column) + QStringLiteral("\"]"));
}

void ReportBridge::MemoYaz(const QString& memo, const QString& text)
{
    if (ReportObject* m = openDefinition("MemoYaz").findObject(memo))
        m->setProperty(QStringLiteral("Text"), text);
}

void ReportBridge::reset()
{
    m_definition.reset();
    m_tables.clear();
    m_transaction.reset();
}

void ReportBridge::RaporGoster()
{
    struct Finally {
        ReportBridge* bridge;
        ~Finally() { bridge->reset(); }
    } finally{this};

    ReportDefinition& def = openDefinition("RaporGoster");
    if (m_transaction) {
        m_transaction->commit();
        m_transaction.reset();
    }
    m_tables.clear();
    const QString viewer = viewerProgram();
    if (viewer.isEmpty())
        throw ReportError(QStringLiteral("RAPOR GÖSTERİCİ BULUNAMADI:\n") +
                          QDir(m_options.installationFolder).filePath(viewerName));
    const QString path = definitionPath();
    // The save writes a new file and renames it over the old one. It would write through a link, so a
    // link goes first (the link itself, not what it points to), and so does a leftover it may not write.
    const QFileInfo old(path);
    if ((old.isSymLink() || (old.isFile() && !old.isWritable())) && !QFile::remove(path))
        throw ReportError(QStringLiteral("ESKİ RAPOR DOSYASI SİLİNEMEDİ:\n") + path);
    QDir().mkpath(m_options.definitionFolder);
    def.save(path);
    m_definition.reset();
    if (!m_options.startViewer(viewer, {path}, m_options.installationFolder))
        throw ReportError(QStringLiteral("RAPOR GÖSTERİCİ BAŞLATILAMADI:\n") + viewer);
}

} // namespace kalvora
