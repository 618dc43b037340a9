#pragma once

#include "book_tables.h"

#include "data/database.h"
#include "data/pg/pg_connection.h"

#include <QByteArray>

#include <limits>
#include <optional>
#include <vector>

struct pg_result;

namespace kalvora::tasi {

class RowSource {
public:
    virtual ~RowSource() = default;
    // The next row's texts in the table's column order; false when there is none.
    virtual bool next(QStringList& row) = 0;
};

class NoRows final : public RowSource {
public:
    bool next(QStringList&) override { return false; }
};

class SqliteRows final : public RowSource {
public:
    SqliteRows(Database& db, const BookTable& t);
    bool next(QStringList& row) override;

private:
    Statement m_st;
    int m_columns = 0;
};

// Reads a server table in key order a batch at a time, so a large table never sits in memory whole.
class ServerRows final : public RowSource {
public:
    ServerRows(PgConnection& conn, const BookTable& t);
    bool next(QStringList& row) override;

private:
    static constexpr int batchSize = 5000;
    PgConnection& m_conn;
    bool m_keyed;
    QString m_sql;
    int m_columns = 0;
    std::optional<PgStatement> m_batch;
    int m_inBatch = 0;
    qint64 m_last = std::numeric_limits<qint64>::min();
    bool m_done = false;
};

class RowSink {
public:
    virtual ~RowSink() = default;
    virtual void write(const QStringList& row) = 0;
    virtual void finish() = 0;
};

// COPY FROM STDIN: one round trip for a whole table. COPY writes the identity columns as given.
class ServerCopy final : public RowSink {
public:
    ServerCopy(PgConnection& conn, const BookTable& t);
    ~ServerCopy() override;
    void write(const QStringList& row) override;
    void finish() override;

private:
    QString failureText(const pg_result* res) const;
    [[noreturn]] void fail(const pg_result* res) const;
    // Reads the results of the copy; the first failure's text, empty on success.
    QString drain();
    void flush();

    PgConnection& m_conn;
    QByteArray m_buffer;
    bool m_open = false;
};

class SqliteInsert final : public RowSink {
public:
    SqliteInsert(Database& db, const BookTable& t);
    void write(const QStringList& row) override;
    void finish() override {}

private:
    Statement m_st;
    std::vector<bool> m_integer;
};

} // namespace kalvora::tasi
