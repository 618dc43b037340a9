#include "database_copier.h"

#include "backup_seam.h"
#include "book_files.h"
#include "file_copy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <memory>
#include <optional>

namespace kalvora::backup {

namespace {

QString copyVfs;

} // namespace

void seam::setCopyVfs(const QString& name)
{
    copyVfs = name;
}

ReadLock::ReadLock(Database& db, const QStringList& schemas) : m_db(db)
{
    m_db.exec(QStringLiteral("BEGIN"));
    try {
        for (const QString& s : schemas)
            m_db.exec(QStringLiteral("SELECT count(*) FROM ") + s + QStringLiteral(".sqlite_master"));
    } catch (...) {
        end();
        throw;
    }
}

ReadLock::~ReadLock()
{
    end();
}

void ReadLock::end()
{
    if (!m_db.inTransaction())
        return;
    try {
        m_db.exec(QStringLiteral("COMMIT"));
    } catch (const DbError&) {
    }
}

Database openSource(const QString& path, const QString& key)
{
    Database db = Database::open(path, key, Database::Mode::ReadWrite, QString(), busyAttemptMs);
    db.setBusyTimeout(Database::defaultBusyTimeoutMs);
    return db;
}

bool isBusy(const DbError& e)
{
    return (e.code() & 0xff) == SQLITE_BUSY || (e.code() & 0xff) == SQLITE_LOCKED;
}

DbCheck checkConnection(Database& db, const QString& table)
{
    DbCheck out;
    try {
        QStringList rows;
        {
            Statement st = db.prepare(QStringLiteral("PRAGMA integrity_check"));
            while (rows.size() < 3 && st.step())
                rows << st.text(0);
        }
        if (rows != QStringList{QStringLiteral("ok")}) {
            out.problem = QStringLiteral("BÜTÜNLÜK DENETİMİ BAŞARISIZ (") + rows.join(QStringLiteral("; ")) +
                          QLatin1Char(')');
            return out;
        }
        const bool hasTable =
            db.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name=?1"),
                      {table})
                .toLongLong() > 0;
        if (hasTable)
            out.count = db.scalar(QStringLiteral("SELECT count(*) FROM ") + table).toLongLong();
    } catch (const DbError& e) {
        out.problem = reasonText(e);
    }
    return out;
}

DbCheck checkDatabase(const QString& path, const QString& key, const QString& table)
{
    try {
        Database db = Database::open(path, key, Database::Mode::ReadOnly);
        return checkConnection(db, table);
    } catch (const DbError& e) {
        return {reasonText(e), -1};
    }
}

namespace {

struct BackupFinisher {
    void operator()(sqlite3_backup* b) const { sqlite3_backup_finish(b); }
};

} // namespace

DbCheck Copier::copy(Database& source, const QString& schema, const QString& sourcePath,
                     const QString& destPath, bool lockHeld, const QString& table)
{
    QFile::remove(destPath);
    QFileInfo(destPath).dir().mkpath(QStringLiteral("."));
    // Made empty first, so the database and its journals take only their owner's permissions.
    createOwnerOnly(destPath);
    Database dest = Database::open(destPath, m_key, Database::Mode::ReadWriteCreate, copyVfs);
    const QByteArray schemaName = schema.toUtf8();
    std::unique_ptr<sqlite3_backup, BackupFinisher> backup(
        sqlite3_backup_init(dest.handle(), "main", source.handle(), schemaName.constData()));
    if (!backup)
        dest.raise(sqlite3_errcode(dest.handle()));
    std::optional<ReadLock> lock;
    int lastRemaining = -1;
    int restarts = 0;
    double done = 0.0;
    QElapsedTimer busy;
    for (;;) {
        const int rc = sqlite3_backup_step(backup.get(), std::max(1, m_options.pagesPerStep));
        if (rc == SQLITE_DONE)
            break;
        if (rc == SQLITE_OK) {
            busy.invalidate();
            const int remaining = sqlite3_backup_remaining(backup.get());
            const int total = sqlite3_backup_pagecount(backup.get());
            if (lastRemaining >= 0 && remaining > lastRemaining)
                ++restarts;
            lastRemaining = remaining;
            done = total > 0 ? 1.0 - static_cast<double>(remaining) / total : 0.0;
            m_reporter.report(done);
            if (restarts >= 3 && !lockHeld && !lock)
                lock.emplace(source, QStringList{schema});
            continue;
        }
        const int primary = rc & 0xff;
        if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
            if (!busy.isValid())
                busy.start();
            else if (busy.elapsed() > m_options.busyLimitMs)
                throw DbError(rc, QString::fromUtf8(sqlite3_errstr(rc)), sourcePath);
            if (busy.elapsed() >= 1000)
                m_reporter.wait(QStringLiteral("DOSYA KULLANIMDA, BEKLENİYOR: ") +
                                QFileInfo(sourcePath).fileName());
            else
                m_reporter.report(done);
            QThread::msleep(20);
            continue;
        }
        backup.reset();
        const bool readSide = primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB ||
                              rc == SQLITE_IOERR_READ || rc == SQLITE_IOERR_SHORT_READ;
        throw DbError(rc, QString::fromUtf8(sqlite3_errstr(rc)), readSide ? sourcePath : destPath);
    }
    const int rc = sqlite3_backup_finish(backup.release());
    if (rc != SQLITE_OK)
        dest.raise(rc);
    lock.reset();
    // Dropping the cached pages makes the check read (and decrypt) what is on the disk.
    sqlite3_db_release_memory(dest.handle());
    return checkConnection(dest, table);
}

} // namespace kalvora::backup
