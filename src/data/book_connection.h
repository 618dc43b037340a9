#pragma once

#include "data/database.h"
#include "data/pg/pg_connection.h"

#include <QHash>
#include <QString>
#include <QVariant>

#include <optional>
#include <variant>

namespace kalvora {

class BookQuery;

// The connection the repositories run their statements on, over either store: a data-folder file
// (SQLite) or a server book (PostgreSQL). Statements are written once in the embedded store's SQL; on
// the server each text is rewritten once (serverStatementText) and the result kept. What no rewrite
// can express is asked of the few hooks below. Failures throw DbError (PgError on the server).
// Neither connection is owned: the Store keeps them for the life of the process.
class BookConnection final {
public:
    enum class Dialect { Embedded, Server };

    BookConnection() = default;
    explicit BookConnection(Database* db) : m_db(db) {}
    explicit BookConnection(PgConnection* conn) : m_pg(conn) {}
    BookConnection(const BookConnection&) = delete;
    BookConnection& operator=(const BookConnection&) = delete;

    Dialect dialect() const { return m_pg ? Dialect::Server : Dialect::Embedded; }
    bool onServer() const { return m_pg != nullptr; }

    void exec(const QString& sql);
    // Returns the number of changed rows.
    int execute(const QString& sql, const QVariantList& params = {});
    BookQuery prepare(const QString& sql);
    // First column of the first row, or a null QVariant when there is no row.
    QVariant scalar(const QString& sql, const QVariantList& params = {});
    // Runs an INSERT of one row and returns the key the store gave it in keyColumn.
    qint64 insert(const QString& sql, const QVariantList& params, const QString& keyColumn);
    bool inTransaction() const;

    // " FOR UPDATE" on the server, where a SELECT must lock the rows it reads so that two desks'
    // changes of one person follow each other; nothing on the embedded store, whose write transaction
    // already holds the whole file.
    QString forUpdate() const;
    // The column holding a row's version (raised by the server whenever another desk changes the row's
    // own data); "0" on the embedded store, which keeps no versions: 0 is never checked.
    QString rowVersion(const QString& qualifier = QString()) const;
    // Placed after the column list of an INSERT that writes explicit keys (the server's keys are
    // identity columns, which take a given value only when told so).
    QString keepingKeys() const;

    // The SQLite file or the server connection beneath; only for the store-specific code (backups,
    // refresh checks), never for the repositories' statements.
    Database& file() const { return *m_db; }
    PgConnection& server() const { return *m_pg; }

private:
    friend class BookTransaction;
    const QString& serverText(const QString& sql);

    Database* m_db = nullptr;
    PgConnection* m_pg = nullptr;
    QHash<QString, QString> m_serverTexts;
};

// A prepared statement of either store; parameters are numbered from 1, columns from 0 or read by name.
class BookQuery final {
public:
    BookQuery() = default;
    BookQuery(BookQuery&&) noexcept = default;
    BookQuery& operator=(BookQuery&&) noexcept = default;

    BookQuery& bind(int index, const QString& value);
    BookQuery& bind(int index, qint64 value);
    BookQuery& bind(int index, double value);
    BookQuery& bind(int index, const QVariant& value);
    BookQuery& bindNull(int index);
    BookQuery& bindAll(const QVariantList& values);

    bool step();
    void reset();

    int columnCount() const;
    QString columnName(int col) const;
    int columnIndex(const QString& name) const;
    QString text(int col) const;
    QString text(const QString& name) const;
    // The column's stored text without a copy, valid until the next step() or reset().
    QUtf8StringView utf8(int col) const;
    qint64 int64(int col) const;
    qint64 int64(const QString& name) const;
    double real(int col) const;
    bool isNull(int col) const;

private:
    friend class BookConnection;
    explicit BookQuery(Statement st) : m_query(std::move(st)) {}
    explicit BookQuery(PgStatement st) : m_query(std::move(st)) {}

    std::variant<Statement, PgStatement> m_query;
};

// One write transaction of either store: IMMEDIATE on the embedded store, a server transaction on the
// other. Rolls back in its destructor unless committed.
class BookTransaction final {
public:
    explicit BookTransaction(BookConnection& conn);
    BookTransaction(const BookTransaction&) = delete;
    BookTransaction& operator=(const BookTransaction&) = delete;

    void commit();

private:
    std::optional<Transaction> m_file;
    std::optional<PgTransaction> m_server;
};

} // namespace kalvora
