#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace kalvora {

class ReportDefinition;

// The rows of one query of a definition, every value as text (a null as the empty text).
struct ReportDataSet {
    QString name;
    QStringList columns;
    QList<QStringList> rows;

    // Without regard to case; -1 when absent.
    int columnIndex(const QString& column) const;
};

// What the queries of one definition may read, all queries together; past a bound the report is
// refused with a Turkish text, before the memory runs out or a script waits for ever.
struct ReportDataLimits {
    qint64 maxRows = 500000;
    // The texts read, together with what the SQL engine holds meanwhile (an ORDER BY sorts every row
    // before it yields the first).
    qint64 maxBytes = 256LL * 1024 * 1024;
    qint64 maxSteps = 1000000000;   // the SQL engine's steps: a query that never ends stops
    qint64 maxMilliseconds = 30000; // wall clock, also for a query whose few steps each take long
};

// Reads every query ("TfrxADOQuery") of the definition through its connection object: the file named
// by "Data Source" of the connection string (relative to the definition's folder when relative),
// opened read-only. A definition reads only database files inside its own folder (the data folder it
// was saved in), and its queries only read: no ATTACH, no PRAGMA, no writing. Throws ReportError
// naming the query and the file.
QList<ReportDataSet> loadDataSets(const ReportDefinition& definition, const ReportDataLimits& limits = {});

// The value of one key of an ADO connection string ("Data Source"), without its quotes; keys without
// regard to case. Empty when absent.
QString connectionStringValue(const QString& connectionString, const QString& key);

// "Data Source=<file>" with the quotes the file name needs.
QString connectionStringPart(const QString& key, const QString& value);

} // namespace kalvora
