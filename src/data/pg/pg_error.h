#pragma once

#include "data/db_error.h"

#include <QString>

namespace kalvora {

// Every failure of the server store: the SQLSTATE, the server's or libpq's message and the server
// concerned (its host or socket folder, port and database, never the password). As a DbError it carries
// the nearest SQLite code (busy for a lock or a conflict, cannot-open for a connection that failed).
class PgError : public DbError {
public:
    enum class Kind {
        Connect,         // no connection could be made (server down, refused, unknown database, login)
        ConnectionLost,  // an open connection broke; the server rolled back what was not committed
        CommitUncertain, // the connection broke during COMMIT: the change may or may not be stored
        ForeignDatabase, // the database holds tables that are not a KALVORA book
        Statement,       // the server refused a statement; the SQLSTATE says why
    };

    // The codes this program gives a connection refused for its encryption (libpq has none of its own):
    // the server's certificate does not prove it is the server named, or the server offers no TLS.
    static constexpr const char* certificateState = "08K01";
    static constexpr const char* noTlsState = "08K02";

    PgError(Kind kind, const QString& sqlState, const QString& message, const QString& server);

    Kind kind() const { return m_kind; }
    // Five characters; the class "08" for connection failures that carry no code of their own.
    const QString& sqlState() const { return m_sqlState; }
    const QString& server() const { return m_server; }
    bool connectionLost() const { return m_kind == Kind::ConnectionLost || m_kind == Kind::CommitUncertain; }
    // A Turkish text for the user naming the server and what went wrong.
    QString turkishText() const override;

private:
    Kind m_kind;
    QString m_sqlState;
    QString m_server;
};

} // namespace kalvora
