#pragma once

#include "data/pg/pg_error.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QUtf8StringView>
#include <QVariant>

#include <memory>
#include <optional>
#include <vector>

struct pg_conn;
struct pg_result;

namespace kalvora {

class PgStatement;

// One connection to a PostgreSQL server. Movable, not copyable; closed by its destructor.
// Every failure throws PgError naming the server. A connection that broke is reported once (the
// failing call throws Kind::ConnectionLost); the next call outside a transaction connects again.
class PgConnection {
public:
    PgConnection() = default;
    // Connects with a libpq connection URI ("postgresql://user@host/db", "postgresql:///db?host=/run/x")
    // or key=value text. The application name is always "kalvora" (a restore looks for other desks by it)
    // and the client encoding UTF-8, whatever the URI says. searchPath, when given, is set on every
    // (re)connection, so unqualified names find the book's schemas.
    // Over a network (any host but a Unix socket or the loopback names) the connection is encrypted
    // (sslmode=require) unless the URI or PGSSLMODE says otherwise; the URI's connect_timeout may
    // shorten the wait for a server, never make it endless. Each session gets a lock wait of 3 s, a
    // statement limit of 120 s and 30 s for an idle transaction, unless the URI's options set them
    // ("options=-c lock_timeout=1s"), or the role or the database does.
    static PgConnection open(const QString& uri, const QString& searchPath = QString());
    // Begins a connection without waiting for the server; continueConnect() goes on with it whenever
    // socket() is ready as asked. No session set-up: for a connection that only listens.
    static PgConnection startConnect(const QString& uri);
    enum class ConnectStep { WaitRead, WaitWrite, Done };
    // Throws PgError of Kind::Connect when the connection failed.
    ConnectStep continueConnect();
    int socket() const;
    // The seconds a connection may take (the URI's connect_timeout, capped); startConnect's caller
    // keeps to it.
    int connectTimeout() const { return m_connectTimeout; }

    // What one result may hold; a larger one is refused (a broken or hostile server could otherwise
    // make this process hold whatever it sends).
    void setResultLimits(qint64 rows, qint64 bytes)
    {
        m_maxRows = rows;
        m_maxBytes = bytes;
    }
    static constexpr qint64 defaultMaxRows = 20'000'000;
    static constexpr qint64 defaultMaxBytes = qint64(2) << 30;

    PgConnection(PgConnection&&) noexcept;
    PgConnection& operator=(PgConnection&&) noexcept;
    ~PgConnection();

    bool isOpen() const { return m_conn != nullptr; }
    pg_conn* handle() const { return m_conn.get(); }
    // The server as messages name it: host or socket folder, port and database; never the password.
    const QString& server() const { return m_server; }
    // The server process serving this connection (changes when it connects again).
    int backendPid() const;

    // Runs one or more statements without parameters.
    void exec(const QString& sql);
    // Runs one statement with bound parameters ($1, $2, ...); returns the number of changed rows.
    int execute(const QString& sql, const QVariantList& params = {});
    // A statement that is prepared on the server once per connection and run with bound parameters.
    PgStatement prepare(const QString& sql);
    // First column of the first row (an integer, a double, a bool or a text by the column's type), or
    // a null QVariant when there is no row or the value is NULL.
    QVariant scalar(const QString& sql, const QVariantList& params = {});

    bool inTransaction() const;

private:
    friend class PgStatement;
    friend class PgTransaction;
    struct Closer {
        void operator()(pg_conn* conn) const;
    };
    struct ResultFree {
        void operator()(pg_result* res) const;
    };
    using Result = std::unique_ptr<pg_result, ResultFree>;
    using Params = std::vector<std::optional<QByteArray>>;
    struct Parameters {
        QByteArray text;
        std::vector<const char*> keys;
        std::vector<QByteArray> values;
        std::vector<const char*> keyPointers;
        std::vector<const char*> valuePointers;
        int connectTimeout = 0;
    };
    static constexpr int defaultConnectTimeout = 10;
    static constexpr int maxConnectTimeout = 60;
    static Parameters parameters(const QString& uri);
    [[noreturn]] void raiseConnectFailure() const;
    // The result of the statement just sent; throws when the server sends more than one result may hold.
    Result awaitResult();
    // Throws unless the result keeps to the limits.
    void checkSize(const Result& res) const;

    // Connects again when the connection broke and no transaction is open on it.
    void ensureUsable();
    void setupSession();
    // Runs sql with params (as a server-side prepared statement when prepared is true).
    Result run(const QString& sql, const Params& params, bool prepared);
    // Throws unless the result is a success; reports a broken connection as such.
    void check(const Result& res) const;
    [[noreturn]] void raiseConnectionLost(const QString& state, const QString& message) const;
    QByteArray preparedName(const QString& sql);
    QByteArray paramText(const QVariant& value) const;

    std::unique_ptr<pg_conn, Closer> m_conn;
    QString m_server;
    QString m_searchPath;
    QStringList m_secrets;                 // passwords of the connection text, kept out of every message
    QHash<QString, QByteArray> m_prepared; // statement text -> server-side name, for this session
    int m_preparedCount = 0;
    int m_openTransactions = 0;
    int m_connectTimeout = defaultConnectTimeout;
    qint64 m_maxRows = defaultMaxRows;
    qint64 m_maxBytes = defaultMaxBytes;
};

// A statement with bound parameters; parameters are numbered from 1, columns from 0 or read by name.
// The first step() runs it and holds every row of the result (the columns are known from then on);
// reset() lets it run again. Like Statement, it must not outlive its connection or see it moved.
class PgStatement {
public:
    PgStatement() = default;
    PgStatement(PgStatement&&) noexcept = default;
    PgStatement& operator=(PgStatement&&) noexcept = default;

    PgStatement& bind(int index, const QString& value);
    PgStatement& bind(int index, qint64 value);
    PgStatement& bind(int index, double value);
    PgStatement& bind(int index, const QVariant& value);
    PgStatement& bindNull(int index);
    PgStatement& bindAll(const QVariantList& values);

    // Runs the statement on the first call; advances to the next row, false when done.
    bool step();
    // Drops the result and the bound values.
    void reset();
    // Rows the statement changed (after the first step()).
    int changes() const;

    int columnCount() const;
    QString columnName(int col) const;
    // Column index by name, ignoring case; -1 when absent.
    int columnIndex(const QString& name) const;
    QString text(int col) const;
    QString text(const QString& name) const; // throws when the column does not exist
    // The column's text as the server sent it, valid until the next step() or reset().
    QUtf8StringView utf8(int col) const;
    // A column the server declares a number (integer, oid, floating point) must hold one: any other
    // text throws. A text column is read as far as it holds a number, as the embedded store does.
    qint64 int64(int col) const;
    qint64 int64(const QString& name) const;
    double real(int col) const;
    bool isNull(int col) const;

private:
    friend class PgConnection;
    PgStatement(PgConnection* conn, const QString& sql);
    void setParam(int index, std::optional<QByteArray> value);
    int requireColumn(const QString& name) const;
    const char* raw(int col) const;
    bool numericColumn(int col) const;
    [[noreturn]] void refuseNumber(int col) const;

    PgConnection* m_conn = nullptr;
    QString m_sql;
    PgConnection::Params m_params;
    PgConnection::Result m_result;
    int m_row = -1;
};

// Begins on construction; rolls back in its destructor unless committed. While it is open the
// connection never connects again behind it: a broken connection fails every further call, so no
// part of the transaction can land outside it.
class PgTransaction {
public:
    explicit PgTransaction(PgConnection& conn);
    ~PgTransaction();
    PgTransaction(const PgTransaction&) = delete;
    PgTransaction& operator=(const PgTransaction&) = delete;

    // Throws when the transaction failed earlier (the server would answer COMMIT with ROLLBACK), and
    // with Kind::CommitUncertain when the connection broke before the server's answer.
    void commit();

private:
    PgConnection& m_conn;
    bool m_done = false;
};

} // namespace kalvora
