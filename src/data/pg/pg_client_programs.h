#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace kalvora {

// How PostgreSQL's own programs (pg_dump, pg_restore) reach the server a connection URI names.
struct PgProgramLogin {
    // A key=value connection text without the password, for --dbname: a command line is visible to
    // every user of the machine.
    QString connection;
    // The caller's environment with the password, when the URI carries one, in PGPASSWORD.
    QProcessEnvironment environment;
    // Turkish, when the URI cannot be read; the other fields are then empty.
    QString error;
};

PgProgramLogin programLogin(const QString& uri);

// The program of the newest PostgreSQL installed in Debian's version folders, else the one on the
// PATH; empty when there is none.
QString pgProgramPath(const QString& name);

} // namespace kalvora
