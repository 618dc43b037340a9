#pragma once

#include "data/db_error.h"

#include <QString>
#include <QStringList>

namespace kalvora::backup {

// The names a backup folder holds and the rows each database's count reports.
QString manifestName();
// The archive's name in a backup folder.
QString archiveName();
// A data folder from before the archive has none; the first start of the program creates it.
bool optionalFile(const QString& name);
// The table whose rows a file's count reports.
QString countTable(const QString& file);
// A DbError as a reason after a file name that is already given.
QString reasonText(const DbError& e);
QStringList templateFiles(const QString& folder);
QString dumpName();
// sifre.dll and the report templates, which stay in the data folder whichever store holds the book.
QStringList otherFiles(const QString& dataFolder);

} // namespace kalvora::backup
