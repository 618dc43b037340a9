#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace kalvora {

// Rows read from a file to import, every value as text ("" for an empty field), in the order of
// `columns`. `file` and `table` name where they came from in the import's report.
struct SourceTable {
    QString file;
    QString table;
    QStringList columns;
    QList<QStringList> rows;

    // The column's place, by name ignoring case; -1 when the table has no such column.
    qsizetype column(const QString& name) const;
};

} // namespace kalvora
