#pragma once

#include "book_tables.h"
#include "row_streams.h"

#include "data/database.h"

#include <QLockFile>

#include <memory>

namespace kalvora::tasi {

// Held for the whole move: the program cannot start on the folder, and a running one is refused.
std::unique_ptr<QLockFile> lockFolder(const QString& folder);
bool sqliteTableExists(Database& db, const QString& alias, const QString& table);
qint64 sqliteSequence(Database& db, const BookTable& t);

// The source folder's databases, opened read-only, each kept in one read transaction so that the copy
// and its check see one state of the files.
class FolderBook {
public:
    explicit FolderBook(const QString& folder);
    Database& db(Connection c);
    bool has(const BookTable& t);
    std::unique_ptr<RowSource> rows(const BookTable& t);

private:
    Database m_accounts;
    Database m_income;
    Database m_expense;
    bool m_archive = false;
};

// The first table of a data folder's databases that holds book rows (a cash box other than the one
// "0" row the first start writes counts too); empty when there is none.
QString folderData(const QString& folder);

} // namespace kalvora::tasi
