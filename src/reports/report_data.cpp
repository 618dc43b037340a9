#include "reports/report_data.h"

#include "data/database.h"
#include "reports/report_definition.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <sqlite3.h>

namespace kalvora {

namespace {

// Splits "a=1;b='x;y';c=\"z\"" into key/value pairs, honouring quotes around values.
QList<QPair<QString, QString>> parseConnectionString(const QString& s)
{
    QList<QPair<QString, QString>> out;
    qsizetype i = 0;
    while (i < s.size()) {
        const qsizetype eq = s.indexOf(QLatin1Char('='), i);
        if (eq < 0)
            break;
        const QString key = s.mid(i, eq - i).trimmed();
        qsizetype j = eq + 1;
        while (j < s.size() && s.at(j) == QLatin1Char(' '))
            ++j;
        QString value;
        if (j < s.size() && (s.at(j) == QLatin1Char('"') || s.at(j) == QLatin1Char('\''))) {
            const QChar quote = s.at(j++);
            while (j < s.size()) {
                if (s.at(j) == quote) {
                    if (j + 1 < s.size() && s.at(j + 1) == quote) {
                        value.append(quote);
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                value.append(s.at(j++));
            }
            const qsizetype semi = s.indexOf(QLatin1Char(';'), j);
            i = semi < 0 ? s.size() : semi + 1;
        } else {
            const qsizetype semi = s.indexOf(QLatin1Char(';'), j);
            value = s.mid(j, (semi < 0 ? s.size() : semi) - j).trimmed();
            i = semi < 0 ? s.size() : semi + 1;
        }
        out.append({key, value});
    }
    return out;
}

// Reading only: the statement may select, read columns and call functions, nothing else.
int readOnlyAuthorizer(void*, int action, const char*, const char*, const char*, const char*)
{
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    default:
        return SQLITE_DENY;
    }
}

// What the queries have used of their limits; the engine asks between steps whether to go on.
struct Budget {
    enum class Stop { None, Steps, Time, Memory };
    qint64 stepsLeft = 0;
    QDeadlineTimer deadline;
    qint64 maxBytes = 0;
    qint64 textBytes = 0;  // the texts read so far
    qint64 engineBase = 0; // the engine's memory when the running query began
    Stop stop = Stop::None;

    bool overMemory() const { return textBytes + (sqlite3_memory_used() - engineBase) > maxBytes; }
};

constexpr int stepsPerCall = 1000;

int countSteps(void* budget)
{
    auto* b = static_cast<Budget*>(budget);
    b->stepsLeft -= stepsPerCall;
    if (b->stepsLeft < 0)
        b->stop = Budget::Stop::Steps;
    else if (b->deadline.hasExpired())
        b->stop = Budget::Stop::Time;
    else if (b->overMemory())
        b->stop = Budget::Stop::Memory;
    return b->stop == Budget::Stop::None ? 0 : 1;
}

bool inside(const QString& file, const QDir& folder)
{
    const QString canonicalFile = QFileInfo(file).canonicalFilePath();
    const QString canonicalFolder = QFileInfo(folder.absolutePath()).canonicalFilePath();
    return !canonicalFile.isEmpty() && !canonicalFolder.isEmpty() &&
           canonicalFile.startsWith(canonicalFolder + QLatin1Char('/'));
}

} // namespace

int ReportDataSet::columnIndex(const QString& column) const
{
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i).compare(column, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString connectionStringValue(const QString& connectionString, const QString& key)
{
    for (const auto& p : parseConnectionString(connectionString)) {
        if (p.first.compare(key, Qt::CaseInsensitive) == 0)
            return p.second;
    }
    return QString();
}

QString connectionStringPart(const QString& key, const QString& value)
{
    if (!value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char('"')) &&
        !value.contains(QLatin1Char('\'')) && value.trimmed() == value)
        return key + QLatin1Char('=') + value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return key + QStringLiteral("=\"") + quoted + QLatin1Char('"');
}

QList<ReportDataSet> loadDataSets(const ReportDefinition& definition, const ReportDataLimits& limits)
{
    QList<ReportDataSet> out;
    qint64 rows = 0;
    Budget budget;
    budget.stepsLeft = limits.maxSteps;
    budget.deadline = QDeadlineTimer(limits.maxMilliseconds);
    budget.maxBytes = limits.maxBytes;
    const QDir base = definition.sourcePath().isEmpty() ? QDir::current()
                                                        : QFileInfo(definition.sourcePath()).absoluteDir();
    for (const ReportObject* query : definition.root().findAll("TfrxADOQuery")) {
        const QString name = query->name();
        const QString sql = query->property(QStringLiteral("SQL")).trimmed();
        const QString dbName = query->property(QStringLiteral("Database"));
        const ReportObject* db = definition.findObject(dbName);
        if (!db || !db->isA("TfrxADODatabase"))
            throw ReportError(QStringLiteral("RAPOR TANIMINDA \"") + name +
                              QStringLiteral("\" SORGUSUNUN \"") + dbName +
                              QStringLiteral("\" BAĞLANTISI BULUNAMADI."));
        if (sql.isEmpty())
            throw ReportError(QStringLiteral("RAPOR TANIMINDA \"") + name +
                              QStringLiteral("\" SORGUSU BOŞ."));
        const QString connection = db->property(QStringLiteral("ConnectionString"));
        const QString source = connectionStringValue(connection, QStringLiteral("Data Source"));
        if (source.isEmpty())
            throw ReportError(QStringLiteral("RAPOR TANIMINDA \"") + dbName +
                              QStringLiteral("\" BAĞLANTISININ VERİ DOSYASI (Data Source) YOK."));
        const QString file = base.absoluteFilePath(source);
        QString key = connectionStringValue(connection, QStringLiteral("Jet OLEDB:Database Password"));
        if (key.isEmpty())
            key = connectionStringValue(connection, QStringLiteral("Password"));
        if (!QFileInfo::exists(file))
            throw ReportError(QStringLiteral("RAPOR VERİ DOSYASI BULUNAMADI:\n") + file);
        if (!inside(file, base))
            throw ReportError(
                QStringLiteral("RAPOR TANIMI YALNIZ KENDİ KLASÖRÜNDEKİ VERİ DOSYALARINI OKUYABİLİR "
                               "(\"") +
                name + QStringLiteral("\" SORGUSU):\n") + file);
        const QString tooBig =
            QStringLiteral("RAPOR VERİSİ ÇOK BÜYÜK (\"") + name + QStringLiteral("\" SORGUSU): ");
        const QString tooManyBytes =
            tooBig + QStringLiteral("%1 MB'TAN FAZLA.").arg(limits.maxBytes / (1024 * 1024));
        try {
            Database database = Database::open(file, key, Database::Mode::ReadOnly);
            sqlite3* handle = database.handle();
            sqlite3_limit(handle, SQLITE_LIMIT_ATTACHED, 0);
            sqlite3_limit(handle, SQLITE_LIMIT_LENGTH, 16 * 1024 * 1024);
            // Read once, straight through: a large cache would only count against the memory bound.
            database.exec(QStringLiteral("PRAGMA cache_size = -2048"));
            sqlite3_set_authorizer(handle, readOnlyAuthorizer, nullptr);
            budget.engineBase = sqlite3_memory_used();
            sqlite3_progress_handler(handle, stepsPerCall, countSteps, &budget);
            Statement st = database.prepare(sql);
            ReportDataSet set;
            set.name = name;
            for (int c = 0; c < st.columnCount(); ++c)
                set.columns.append(st.columnName(c));
            while (st.step()) {
                if (++rows > limits.maxRows)
                    throw ReportError(tooBig + QStringLiteral("%1 SATIRDAN FAZLA.").arg(limits.maxRows));
                QStringList row;
                row.reserve(set.columns.size());
                for (int c = 0; c < set.columns.size(); ++c) {
                    row.append(st.isNull(c) ? QString() : st.text(c));
                    budget.textBytes += 16 + 2 * row.last().size();
                }
                if (budget.overMemory())
                    throw ReportError(tooManyBytes);
                set.rows.append(row);
            }
            out.append(std::move(set));
        } catch (const DbError& e) {
            const int code = e.code() & 0xff;
            QString why = e.turkishText();
            if (code == SQLITE_INTERRUPT && budget.stop == Budget::Stop::Memory)
                throw ReportError(tooManyBytes);
            if (code == SQLITE_INTERRUPT && budget.stop == Budget::Stop::Time)
                why = QStringLiteral("SORGU %1 SANİYEDE BİTMEDİ, DURDURULDU.")
                          .arg(QLocale(QLocale::Turkish)
                                   .toString(static_cast<double>(limits.maxMilliseconds) / 1000, 'g', 4));
            else if (code == SQLITE_INTERRUPT)
                why = QStringLiteral("SORGU ÇOK UZUN SÜRDÜ, DURDURULDU.");
            else if (code == SQLITE_AUTH ||
                     (code == SQLITE_ERROR && e.message().contains(QLatin1String("not authorized"))))
                why = QStringLiteral("SORGU YALNIZ VERİ OKUYABİLİR (ATTACH, PRAGMA, YAZMA YASAK).");
            else if (code == SQLITE_TOOBIG)
                why = QStringLiteral("SORGUNUN BİR DEĞERİ ÇOK BÜYÜK.");
            throw ReportError(QStringLiteral("RAPOR VERİSİ OKUNAMADI (\"") + name +
                              QStringLiteral("\" SORGUSU).\n") + why);
        }
    }
    return out;
}

} // namespace kalvora
