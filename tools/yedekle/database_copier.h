#pragma once

#include "backups.h"
#include "progress_reporter.h"

#include "data/database.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QThread>

namespace kalvora::backup {

// Each attempt on a busy file gives up soon, so the wait is shown as it goes.
constexpr int busyAttemptMs = 100;

Database openSource(const QString& path, const QString& key);
bool isBusy(const DbError& e);

// Runs an action on the data folder's files again while another program keeps one of them busy (the
// main program saving, a report being read), showing what it waits for, until limitMs have passed;
// then the lock is reported like any other failure.
template <typename Action>
auto whileBusy(Reporter& reporter, int limitMs, const Action& action) -> decltype(action())
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        try {
            return action();
        } catch (const DbError& e) {
            if (!isBusy(e) || waited.elapsed() >= limitMs)
                throw;
            reporter.wait(
                QStringLiteral("DOSYA KULLANIMDA, BEKLENİYOR: ") + e.fileName() +
                QStringLiteral(" (%1 / %2 SN)").arg(waited.elapsed() / 1000).arg((limitMs + 999) / 1000));
            QThread::msleep(200);
        }
    }
}

// Keeps the given schemas of a connection in one read transaction: no other connection can commit
// to them until it ends, so what is read belongs to one moment.
class ReadLock {
public:
    ReadLock(Database& db, const QStringList& schemas);
    ~ReadLock();
    ReadLock(const ReadLock&) = delete;
    ReadLock& operator=(const ReadLock&) = delete;

private:
    void end();
    Database& m_db;
};

struct DbCheck {
    QString problem;
    qint64 count = -1;
};

// Runs the integrity check on a connection and counts the rows of its table.
DbCheck checkConnection(Database& db, const QString& table);
DbCheck checkDatabase(const QString& path, const QString& key, const QString& table);

// Online copies of database files into the temporary folder.
class Copier {
public:
    Copier(const Backups::Options& options, const QString& key, Reporter& reporter)
        : m_options(options), m_key(key), m_reporter(reporter)
    {}

    // Copies one schema of source into a new file at destPath with the same key, then checks the
    // copy as read back from the disk. Unless lockHeld, the source is released between steps; a
    // writer's commit restarts the copy, and after a few restarts the source is held still until the
    // copy is done.
    DbCheck copy(Database& source, const QString& schema, const QString& sourcePath, const QString& destPath,
                 bool lockHeld, const QString& table);

private:
    const Backups::Options& m_options;
    QString m_key;
    Reporter& m_reporter;
};

} // namespace kalvora::backup
