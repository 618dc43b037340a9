#pragma once

#include "data/pg/pg_connection.h"
#include "data/store.h"

#include <QString>

namespace kalvora {

// A book on a server keeps the data folder's tables in schemas, one per file of the folder:
//   cari   MUSTERILER and CARIKART (uyeler.mdb and data.mdb, which share a connection there too),
//   iptal  IPTALLER and IPTAL_HAREKETLER, the cancellation archive (iptaller/iptaller.mdb),
//   gelir  GIDERLER and KASA_NET of the income ledger (gelirmdb.mdb),
//   gider  GIDERLER and KASA_NET of the expense ledger (gider.mdb),
//   kalvora  CDATE, cdbl, the TURKISH collation and the schema version.
// Names are unquoted, so the server folds them to lower case and the embedded store's statement texts
// find them unchanged ("cari.CARIKART", "MUSTERILER" under the accounts search path). Keys come from
// identity columns; a copy that keeps its keys inserts with OVERRIDING SYSTEM VALUE and moves the
// sequence past them. MUSTERILER and CARIKART carry row_version, raised by the server whenever a
// person's own data or a transaction's own data changes (not when balances or the copies of the
// person's data in CARIKART follow), so a desk can tell that a row it listed has been changed.

// The search path of a connection that runs the accounts' statements.
QString accountsSearchPath();
// The search path of a connection that runs one ledger's statements.
QString ledgerSearchPath(Ledger which);

struct ServerSchemaState {
    enum class Kind {
        Empty,   // no tables at all: the first start creates the book
        Book,    // a KALVORA book of the version this program writes
        Foreign, // other tables, or a book of another version: never touched
    };
    Kind kind = Kind::Empty;
    QString object;  // for Foreign: the first table or schema that is in the way
    int version = 0; // for Book: the schema version it was made or last brought up to
};

ServerSchemaState inspectServerSchema(PgConnection& conn);

// Creates the book's schemas, tables, functions and the two cash-box rows in one transaction on an
// empty database; returns false, changing nothing, when the book is already there. Throws PgError of
// Kind::ForeignDatabase, changing nothing, on a database that holds anything else. Two desks starting
// at once create it once.
bool createServerSchema(PgConnection& conn);

// Brings a book of an older version up to currentServerSchemaVersion() in one transaction (functions
// and indexes only, the tables and their rows stay as they are); false when there was nothing to do.
// Two desks starting at once upgrade it once.
bool upgradeServerSchema(PgConnection& conn);
int currentServerSchemaVersion();

} // namespace kalvora
