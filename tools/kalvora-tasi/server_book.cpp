#include "server_book.h"

#include "book_tables.h"

namespace kalvora::tasi {

QString serverData(PgConnection& conn)
{
    for (const BookTable& t : bookTables) {
        const QString table = serverName(t);
        const bool rows =
            isCashBox(t) ? conn.scalar(QStringLiteral("SELECT count(*) FROM ") + table +
                                       QStringLiteral(" WHERE Kasa_net_bakiye IS DISTINCT FROM '0'"))
                                       .toLongLong() > 0 ||
                               conn.scalar(QStringLiteral("SELECT count(*) FROM ") + table).toLongLong() > 1
                         : conn.scalar(QStringLiteral("SELECT count(*) FROM ") + table).toLongLong() > 0;
        if (rows)
            return table;
    }
    return {};
}

void dropBook(PgConnection& conn)
{
    PgTransaction tx(conn);
    conn.exec(QStringLiteral("DROP SCHEMA IF EXISTS cari, iptal, gelir, gider, kalvora CASCADE"));
    tx.commit();
}

} // namespace kalvora::tasi
