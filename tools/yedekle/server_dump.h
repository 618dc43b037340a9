#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

namespace kalvora::backup::server {

// The dump of a server book in a backup folder.
inline const char* const dumpFileName = "kalvora.dump";

// A failure of a server step, in Turkish, naming the server but never its password.
struct ServerFailure {
    QString text;
};

// Rows per book table ("cari.musteriler", ...).
using TableCounts = QMap<QString, qint64>;

struct DumpResult {
    QString server; // as messages name it
    TableCounts counts;
};

// Called while an outside program runs; may throw to stop it (the program is then killed).
using Tick = std::function<void()>;

// The server a connection URI names, as messages name it (host, port, database), never its password.
QString serverLabel(const QString& uri);

// Whether the database holds a KALVORA book; throws ServerFailure when it cannot be reached.
bool hasBook(const QString& uri);

// Writes the book's schemas with pg_dump -Fc into file; the counts come from the snapshot the dump
// reads, so they describe exactly the dumped rows.
DumpResult dump(const QString& uri, const QString& file, const Tick& tick = {});

// pg_restore --list, then every row of the dump read back and counted against expected. One Turkish
// line per problem; empty when the dump is sound.
QStringList check(const QString& file, const TableCounts& expected, const Tick& tick = {});

// Other connections of the program (application name "kalvora") to the database, this one aside.
int otherDesks(const QString& uri);

// Replaces the book by the dump in one transaction: the book's objects are dropped and made again
// from the dump, or nothing changes. Refused while another desk is connected. Returns the counts
// on the server afterwards.
TableCounts restore(const QString& uri, const QString& file, const Tick& tick = {});

} // namespace kalvora::backup::server
