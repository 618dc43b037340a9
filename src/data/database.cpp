#include "data/database.h"

#include "data/turkish_text.h"

#include <QByteArray>
#include <QFile>

#include <sqlite3.h>

#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace kalvora {

namespace {

QString utf8Arg(sqlite3_value* v)
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return p ? QString::fromUtf8(p, sqlite3_value_bytes(v)) : QString();
}

// CDATE(text): the dd.MM.yyyy date as the integer yyyymmdd, NULL when the text is no date.
void cdateFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    const QDate d = readDateText(utf8Arg(argv[0]));
    if (!d.isValid()) {
        sqlite3_result_null(ctx);
        return;
    }
    sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(d.year()) * 10000 + d.month() * 100 + d.day());
}

// cdbl(text): the Turkish number text as a double, NULL when the text is no number.
void cdblFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    const auto v = readNumber(utf8Arg(argv[0]));
    if (!v) {
        sqlite3_result_null(ctx);
        return;
    }
    sqlite3_result_double(ctx, *v);
}

// Whether another process holds any of SQLite's locks on the file (the lock bytes of the unix VFS
// start at 1 GiB: the pending byte, the reserved byte, then 510 shared bytes). Read from the kernel's
// list, because opening and closing the file here would drop the locks this process holds on it.
bool lockedByAnotherProcess(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    QFile list(QStringLiteral("/proc/locks"));
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    const QByteArray id = QByteArray::number(major(st.st_dev), 16).rightJustified(2, '0') + ':' +
                          QByteArray::number(minor(st.st_dev), 16).rightJustified(2, '0') + ':' +
                          QByteArray::number(static_cast<qulonglong>(st.st_ino));
    const qint64 first = 0x40000000;
    const qint64 last = first + 2 + 510 - 1;
    const QByteArray self = QByteArray::number(::getpid());
    for (const QByteArray& line : list.readAll().split('\n')) {
        // "1: POSIX  ADVISORY  WRITE 17984 fe:00:10953248 1073741824 1073742335"; "->" marks a waiter.
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() < 8 || f.contains("->") || f.at(5) != id || f.at(4) == self)
            continue;
        const qint64 start = f.at(6).toLongLong();
        const qint64 end = f.at(7) == "EOF" ? std::numeric_limits<qint64>::max() : f.at(7).toLongLong();
        if (start <= last && end >= first)
            return true;
    }
    return false;
}

// An existing file of 0 bytes.
bool holdsNothing(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0;
}

// Every encrypted file of a book is in SQLCipher 3's format (1 KiB pages, PBKDF2-HMAC-SHA1 with 64,000
// rounds, HMAC-SHA1), as Debian 12's library writes it by default. SQLCipher 4 has other defaults and would
// take every existing book for a foreign file, so the format is named after the key, before the first
// read, on every connection; SQLCipher 3 knows no such pragma and ignores it.
constexpr const char* cipherFormat = "PRAGMA cipher_compatibility = 3";
// ATTACH reads the attached file at once, with the library's defaults: they are set to the same format
// just before (process-wide in SQLCipher 4, which offers no setting of one ATTACH of its own).
constexpr const char* attachCipherFormat = "PRAGMA cipher_default_compatibility = 3";

int turkishCollation(void*, int na, const void* a, int nb, const void* b)
{
    return turkishCompare(QString::fromUtf8(static_cast<const char*>(a), na),
                          QString::fromUtf8(static_cast<const char*>(b), nb));
}

} // namespace

void Database::Closer::operator()(sqlite3* db) const
{
    sqlite3_close_v2(db);
}

Database Database::open(const QString& path, const QString& key, Mode mode, const QString& vfs,
                        int busyTimeoutMs)
{
    // A connection and its statements are only ever used by one thread at a time (a list read on two
    // cores reads through a second connection of its own), so SQLite need not lock each call.
    int flags = SQLITE_OPEN_NOMUTEX;
    switch (mode) {
    case Mode::ReadWrite:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case Mode::ReadWriteCreate:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    case Mode::ReadOnly:
        flags |= SQLITE_OPEN_READONLY;
        break;
    }
    // SQLite takes an empty file for an empty database; an existing file that holds none is no
    // database to open, and must never become one behind the user's back.
    if (mode != Mode::ReadWriteCreate && holdsNothing(path))
        throw DbError(SQLITE_NOTADB, QStringLiteral("file is empty"), path);
    // A new file is the owner's alone (SQLite would give it 0644 under the usual umask; its journals
    // take the file's mode). An existing file keeps its mode.
    if (mode == Mode::ReadWriteCreate && !path.isEmpty() && !path.startsWith(QLatin1Char(':'))) {
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0)
            ::close(fd);
    }
    sqlite3* raw = nullptr;
    const QByteArray file = path.toUtf8();
    const QByteArray vfsName = vfs.toUtf8();
    const int rc =
        sqlite3_open_v2(file.constData(), &raw, flags, vfs.isEmpty() ? nullptr : vfsName.constData());
    Database db;
    db.m_db.reset(raw);
    db.m_path = path;
    if (rc != SQLITE_OK) {
        const QString msg = raw ? QString::fromUtf8(sqlite3_errmsg(raw)) : QStringLiteral("out of memory");
        throw DbError(rc, msg, path);
    }
    sqlite3_extended_result_codes(raw, 1);
    if (!key.isEmpty()) {
        const QByteArray k = key.toUtf8();
        db.check(sqlite3_key(raw, k.constData(), static_cast<int>(k.size())));
        db.exec(QString::fromLatin1(cipherFormat));
    }
    db.setBusyTimeout(busyTimeoutMs);
    db.check(sqlite3_create_function_v2(raw, "CDATE", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                        cdateFunction, nullptr, nullptr, nullptr));
    db.check(sqlite3_create_function_v2(raw, "cdbl", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                        cdblFunction, nullptr, nullptr, nullptr));
    db.check(sqlite3_create_collation_v2(raw, "TURKISH", SQLITE_UTF8, nullptr, turkishCollation, nullptr));
    // Reading the schema is the first access that needs the key: a wrong key fails here.
    db.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    // Every page read from an encrypted file is decrypted and checked; a larger cache keeps the pages of
    // a whole store in memory, so list reloads do not pay that again.
    db.exec(QStringLiteral("PRAGMA cache_size = -") + QString::number(kCacheKiB));
    return db;
}

void Database::attach(const QString& path, const QString& alias, const QString& key)
{
    if (holdsNothing(path))
        throw DbError(SQLITE_NOTADB, QStringLiteral("file is empty"), path);
    if (!key.isEmpty())
        exec(QString::fromLatin1(attachCipherFormat));
    Statement st = prepare(QStringLiteral("ATTACH DATABASE ?1 AS ") + alias + QStringLiteral(" KEY ?2"));
    st.bind(1, path).bind(2, key);
    try {
        st.step();
    } catch (const DbError& e) {
        throw DbError(e.code(), e.message(), path);
    }
    // The key is checked on first use of the attached schema.
    try {
        exec(QStringLiteral("SELECT count(*) FROM ") + alias + QStringLiteral(".sqlite_master"));
        exec(QStringLiteral("PRAGMA ") + alias + QStringLiteral(".cache_size = -") +
             QString::number(kCacheKiB));
    } catch (const DbError& e) {
        try {
            exec(QStringLiteral("DETACH DATABASE ") + alias);
        } catch (const DbError&) {
        }
        throw DbError(e.code(), e.message(), path);
    }
    m_attached.emplace_back(alias, path);
}

void Database::exec(const QString& sql)
{
    char* err = nullptr;
    const int rc = sqlite3_exec(m_db.get(), sql.toUtf8().constData(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        const QString msg = err ? QString::fromUtf8(err) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_free(err);
        throw DbError(rc, msg, failingFile(rc));
    }
}

int Database::execute(const QString& sql, const QVariantList& params)
{
    Statement st = prepare(sql);
    st.bindAll(params);
    while (st.step()) {
    }
    return changes();
}

Statement Database::prepare(const QString& sql)
{
    sqlite3_stmt* st = nullptr;
    const QByteArray text = sql.toUtf8();
    const int rc =
        sqlite3_prepare_v2(m_db.get(), text.constData(), static_cast<int>(text.size()), &st, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(st);
        raise(rc);
    }
    return Statement(st, this);
}

QVariant Database::scalar(const QString& sql, const QVariantList& params)
{
    Statement st = prepare(sql);
    st.bindAll(params);
    if (!st.step())
        return {};
    if (st.isNull(0))
        return {};
    switch (sqlite3_column_type(st.m_stmt.get(), 0)) {
    case SQLITE_INTEGER:
        return st.int64(0);
    case SQLITE_FLOAT:
        return st.real(0);
    default:
        return st.text(0);
    }
}

qint64 Database::lastInsertRowId() const
{
    return sqlite3_last_insert_rowid(m_db.get());
}

int Database::changes() const
{
    return sqlite3_changes(m_db.get());
}

bool Database::inTransaction() const
{
    return m_db && sqlite3_get_autocommit(m_db.get()) == 0;
}

void Database::setBusyTimeout(int ms)
{
    sqlite3_busy_timeout(m_db.get(), ms);
}

void Database::raise(int code) const
{
    const QString msg =
        m_db ? QString::fromUtf8(sqlite3_errmsg(m_db.get())) : QString::fromUtf8(sqlite3_errstr(code));
    throw DbError(code, msg, failingFile(code));
}

QString Database::failingFile(int code) const
{
    if (m_attached.empty() || !m_db)
        return m_path;
    std::vector<std::pair<QString, QString>> files{{QStringLiteral("main"), m_path}};
    files.insert(files.end(), m_attached.begin(), m_attached.end());
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        for (const auto& [alias, path] : files)
            if (lockedByAnotherProcess(path))
                return path;
        break;
    case SQLITE_READONLY:
        for (const auto& [alias, path] : files)
            if (sqlite3_db_readonly(m_db.get(), alias.toUtf8().constData()) == 1)
                return path;
        break;
    default:
        break;
    }
    return m_path;
}

void Database::check(int rc) const
{
    if (rc != SQLITE_OK)
        raise(rc);
}

void Statement::Finalizer::operator()(sqlite3_stmt* st) const
{
    sqlite3_finalize(st);
}

Statement::Statement(sqlite3_stmt* st, const Database* db) : m_stmt(st), m_db(db)
{
    const int n = sqlite3_column_count(st);
    m_names.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        m_names.push_back(QString::fromUtf8(sqlite3_column_name(st, i)));
}

Statement& Statement::bind(int index, const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    // SQLITE_TRANSIENT: SQLite copies the bytes, so the temporary may go.
    m_db->check(sqlite3_bind_text(m_stmt.get(), index, utf8.constData(), static_cast<int>(utf8.size()),
                                  SQLITE_TRANSIENT));
    return *this;
}

Statement& Statement::bind(int index, qint64 value)
{
    m_db->check(sqlite3_bind_int64(m_stmt.get(), index, value));
    return *this;
}

Statement& Statement::bind(int index, double value)
{
    m_db->check(sqlite3_bind_double(m_stmt.get(), index, value));
    return *this;
}

Statement& Statement::bind(int index, const QVariant& value)
{
    if (value.isNull())
        return bindNull(index);
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
        return bind(index, value.toLongLong());
    case QMetaType::Double:
        return bind(index, value.toDouble());
    default:
        return bind(index, value.toString());
    }
}

Statement& Statement::bindNull(int index)
{
    m_db->check(sqlite3_bind_null(m_stmt.get(), index));
    return *this;
}

Statement& Statement::bindAll(const QVariantList& values)
{
    for (int i = 0; i < values.size(); ++i)
        bind(i + 1, values.at(i));
    return *this;
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt.get());
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    // sqlite3_reset returns the statement's error and keeps sqlite3_errmsg meaningful.
    sqlite3_reset(m_stmt.get());
    m_db->raise(rc);
}

void Statement::reset()
{
    sqlite3_reset(m_stmt.get());
    sqlite3_clear_bindings(m_stmt.get());
}

int Statement::columnCount() const
{
    return static_cast<int>(m_names.size());
}

QString Statement::columnName(int col) const
{
    return m_names.at(static_cast<size_t>(col));
}

int Statement::columnIndex(const QString& name) const
{
    for (size_t i = 0; i < m_names.size(); ++i)
        if (m_names[i].compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

int Statement::requireColumn(const QString& name) const
{
    const int idx = columnIndex(name);
    if (idx < 0)
        throw DbError(SQLITE_ERROR, QStringLiteral("no such column: ") + name,
                      m_db ? m_db->path() : QString());
    return idx;
}

QString Statement::text(int col) const
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt.get(), col));
    return p ? QString::fromUtf8(p, sqlite3_column_bytes(m_stmt.get(), col)) : QString();
}

QUtf8StringView Statement::utf8(int col) const
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt.get(), col));
    return p ? QUtf8StringView(p, sqlite3_column_bytes(m_stmt.get(), col)) : QUtf8StringView();
}

QString Statement::text(const QString& name) const
{
    return text(requireColumn(name));
}

qint64 Statement::int64(int col) const
{
    return sqlite3_column_int64(m_stmt.get(), col);
}

qint64 Statement::int64(const QString& name) const
{
    return int64(requireColumn(name));
}

double Statement::real(int col) const
{
    return sqlite3_column_double(m_stmt.get(), col);
}

bool Statement::isNull(int col) const
{
    return sqlite3_column_type(m_stmt.get(), col) == SQLITE_NULL;
}

Transaction::Transaction(Database& db) : m_db(db)
{
    m_db.exec(QStringLiteral("BEGIN IMMEDIATE"));
}

Transaction::~Transaction()
{
    if (!m_done && m_db.inTransaction()) {
        try {
            m_db.exec(QStringLiteral("ROLLBACK"));
        } catch (const DbError&) {
            // A failed rollback leaves the journal for the next open to roll back.
        }
    }
}

void Transaction::commit()
{
    m_db.exec(QStringLiteral("COMMIT"));
    m_done = true;
}

} // namespace kalvora
