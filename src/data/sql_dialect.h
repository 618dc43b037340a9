#pragma once

#include <QString>

namespace kalvora {

// The repositories write each statement once, in the embedded store's SQL. The server reads the same
// text after these mechanical rewrites, made outside quoted literals and identifiers:
//   ?N and ?                      -> $N (a bare ? takes the next number, as SQLite numbers it)
//   a IS NOT b / a IS b           -> a IS DISTINCT FROM b / a IS NOT DISTINCT FROM b (b not NULL)
//   main.NAME                     -> NAME (the search path finds the accounts' tables)
//   rowid                         -> ctid (the physical order of a table without a key)
//   GLOB 'p' / NOT GLOB 'p'       -> ~ '^regex$' / !~ '^regex$'
// CDATE, cdbl and the TURKISH collation exist on the server under the same names.
QString serverStatementText(const QString& embeddedSql);

} // namespace kalvora
