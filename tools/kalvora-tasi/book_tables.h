#pragma once

#include <QString>
#include <QStringList>

namespace kalvora::tasi {

enum class Connection { Accounts, Income, Expense };

// One table of the book as both stores hold it. The key comes first among the columns.
struct BookTable {
    const char* label; // as the summary names it
    const char* file;  // the data folder's file that holds it
    const char* alias; // its schema on the store's connection of that file
    Connection connection;
    const char* schema; // its schema on the server
    const char* table;
    const char* key;      // nullptr: no key, the rows are read in the order they were written
    const char* columns;  // comma-separated, unquoted
    const char* integers; // the columns that hold integers
};

// The book's tables, in the order they are copied.
extern const BookTable bookTables[12];

QStringList columnsOf(const BookTable& t);
QString sqliteName(const BookTable& t);
QString serverName(const BookTable& t);
bool isCashBox(const BookTable& t);
const QStringList& requiredFiles();
QString filePath(const QString& folder, const char* name);

} // namespace kalvora::tasi
