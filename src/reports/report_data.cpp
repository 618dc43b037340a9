#include "reports/report_data.h"

#include "data/database.h"
#include "reports/report_definition.h"

#include <QDir>
#include <QFileInfo>

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

QList<ReportDataSet> loadDataSets(const ReportDefinition& definition)
{
    QList<ReportDataSet> out;
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
        try {
            Database database = Database::open(file, key, Database::Mode::ReadOnly);
            Statement st = database.prepare(sql);
            ReportDataSet set;
            set.name = name;
            for (int c = 0; c < st.columnCount(); ++c)
                set.columns.append(st.columnName(c));
            while (st.step()) {
                QStringList row;
                row.reserve(set.columns.size());
                for (int c = 0; c < set.columns.size(); ++c)
                    row.append(st.isNull(c) ? QString() : st.text(c));
                set.rows.append(row);
            }
            out.append(std::move(set));
        } catch (const DbError& e) {
            throw ReportError(QStringLiteral("RAPOR VERİSİ OKUNAMADI (\"") + name +
                              QStringLiteral("\" SORGUSU).\n") + e.turkishText());
        }
    }
    return out;
}

} // namespace kalvora
