#pragma once

namespace kalvora {

// From the first call on, SQLite's default file layer reads database files through small read-only
// memory windows instead of one system call per page: an encrypted book has 1 KB pages, and a long list
// reads hundreds of thousands of them, about a fifth of whose time went into the calls themselves.
// Journals are read the plain way. A window never reaches past the file's size when it was made, a
// file this process truncates loses its windows, and a file that shrinks or fails under a window (another
// program, a failing disk) turns that file back to plain reads, which report the error as before.
// Call before the first connection opens; later calls do nothing.
void mapDatabaseReads();

} // namespace kalvora
