#pragma once

#include "data/db_error.h"

#include <QString>
#include <QStringList>
#include <QUtf8StringView>
#include <QVariant>

#include <memory>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace kalvora {

class Statement;

// What every connection keeps of its files' decrypted pages, in KiB (a negative cache_size).
inline constexpr int kCacheKiB = 65536;

// One open SQLite/SQLCipher connection. Movable, not copyable; closed by its destructor.
// Every failure throws DbError naming the file.
class Database {
public:
    enum class Mode { ReadWrite, ReadWriteCreate, ReadOnly };

    Database() = default;
    // Opens the file, applies the key (when not empty) right after opening, sets a busy timeout and
    // registers CDATE, cdbl and the TURKISH collation. Throws SQLITE_NOTADB when the key does not fit.
    // busyTimeoutMs: how long a call waits for a file another connection keeps locked.
    static Database open(const QString& path, const QString& key, Mode mode = Mode::ReadWrite,
                         const QString& vfs = QString(), int busyTimeoutMs = defaultBusyTimeoutMs);
    static constexpr int defaultBusyTimeoutMs = 2000;

    Database(Database&&) noexcept = default;
    Database& operator=(Database&&) noexcept = default;

    bool isOpen() const { return m_db != nullptr; }
    sqlite3* handle() const { return m_db.get(); }
    const QString& path() const { return m_path; }

    // Attaches another file under alias with its own key, so one transaction can span both files.
    void attach(const QString& path, const QString& alias, const QString& key);

    // Runs one or more statements without parameters.
    void exec(const QString& sql);
    // Runs one statement with bound parameters; returns the number of changed rows.
    int execute(const QString& sql, const QVariantList& params = {});
    Statement prepare(const QString& sql);
    // First column of the first row, or a null QVariant when there is no row.
    QVariant scalar(const QString& sql, const QVariantList& params = {});

    qint64 lastInsertRowId() const;
    int changes() const;
    bool inTransaction() const;
    void setBusyTimeout(int ms);

    // The error of the last failed call as a DbError on this file, or on the attached file it concerns
    // when that can be told (the file another program holds locked, the file that is read-only).
    [[noreturn]] void raise(int code) const;
    // Throws when rc is not SQLITE_OK.
    void check(int rc) const;

private:
    struct Closer {
        void operator()(sqlite3* db) const;
    };
    // The file a failure with this code is about.
    QString failingFile(int code) const;

    std::unique_ptr<sqlite3, Closer> m_db;
    QString m_path;
    std::vector<std::pair<QString, QString>> m_attached; // alias, path
};

// A prepared statement; parameters are numbered from 1, columns from 0 or read by name.
class Statement {
public:
    Statement() = default;
    Statement(Statement&&) noexcept = default;
    Statement& operator=(Statement&&) noexcept = default;

    Statement& bind(int index, const QString& value);
    Statement& bind(int index, qint64 value);
    Statement& bind(int index, double value);
    Statement& bind(int index, const QVariant& value);
    Statement& bindNull(int index);
    Statement& bindAll(const QVariantList& values);

    // Advances to the next row; false when done.
    bool step();
    void reset();

    int columnCount() const;
    QString columnName(int col) const;
    // Column index by name, ignoring case; -1 when absent.
    int columnIndex(const QString& name) const;
    QString text(int col) const;
    QString text(const QString& name) const; // throws when the column does not exist
    // The column's text as stored, valid until the next step() or reset(): for comparing without a copy.
    QUtf8StringView utf8(int col) const;
    qint64 int64(int col) const;
    qint64 int64(const QString& name) const;
    double real(int col) const;
    bool isNull(int col) const;

private:
    friend class Database;
    struct Finalizer {
        void operator()(sqlite3_stmt* st) const;
    };
    Statement(sqlite3_stmt* st, const Database* db);
    int requireColumn(const QString& name) const;

    std::unique_ptr<sqlite3_stmt, Finalizer> m_stmt;
    const Database* m_db = nullptr;
    std::vector<QString> m_names;
};

// Begins on construction (IMMEDIATE, so a lock is taken before any change); rolls back in its
// destructor unless committed.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    Database& m_db;
    bool m_done = false;
};

// The passphrase of the four protected files.
inline QString databasePassword()
{
    return QStringLiteral("5176204938");
}

} // namespace kalvora
