#pragma once

#include "data/pg/pg_connection.h"

#include <QString>

namespace kalvora::tasi {

// The first table of the server book that holds rows (cash boxes as in folderData); empty when none.
QString serverData(PgConnection& conn);
void dropBook(PgConnection& conn);

} // namespace kalvora::tasi
