#include "backups.h"

#include "book_files.h"

#include "data/data_folder.h"
#include "data/database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <algorithm>

namespace kalvora::backup {

Backups::Backups(const QString& dataFolder, const QString& key) : Backups(dataFolder, key, Options{}) {}

Backups::Backups(const QString& dataFolder, const QString& key, const Options& options)
    : m_dataFolder(dataFolder), m_key(key), m_options(options)
{}

QString Backups::checkKey() const
{
    const QString path = QDir(m_dataFolder).filePath(QString::fromLatin1(files::customers));
    if (!QFileInfo(path).isFile())
        return {};
    try {
        Database::open(path, m_key);
        return {};
    } catch (const DbError& e) {
        return e.turkishText();
    }
}

QList<BackupEntry> Backups::list(const QString& target)
{
    QList<BackupEntry> out;
    const QDir dir(target);
    for (const QFileInfo& info : dir.entryInfoList({QString::fromLatin1(folderPrefix) + QLatin1Char('*')},
                                                   QDir::Dirs | QDir::NoDotAndDotDot)) {
        BackupEntry e;
        e.folder = info.absoluteFilePath();
        e.name = info.fileName();
        QFile mf(QDir(e.folder).filePath(manifestName()));
        if (mf.open(QIODevice::ReadOnly) && mf.size() < 16 * 1024 * 1024)
            e.manifest = Manifest::fromJson(mf.readAll());
        if (e.manifest) {
            e.size = e.manifest->totalSize();
        } else {
            for (const QFileInfo& f : QDir(e.folder).entryInfoList(QDir::Files))
                e.size += f.size();
        }
        out.append(e);
    }
    std::sort(out.begin(), out.end(), [](const BackupEntry& a, const BackupEntry& b) {
        // Folders whose manifest cannot be read come last.
        if (a.manifest.has_value() != b.manifest.has_value())
            return a.manifest.has_value();
        if (a.manifest && a.manifest->created != b.manifest->created)
            return a.manifest->created > b.manifest->created;
        return a.name > b.name;
    });
    return out;
}

bool Backups::programRunning(const QString& dataFolder)
{
    if (!QFileInfo(lockFilePath(dataFolder)).exists())
        return false;
    QLockFile lock(lockFilePath(dataFolder));
    lock.setStaleLockTime(0);
    if (lock.tryLock(0)) {
        lock.unlock();
        return false;
    }
    return lock.error() == QLockFile::LockFailedError;
}

QString Backups::lockFilePath(const QString& dataFolder)
{
    return QDir(dataFolder).filePath(QStringLiteral("kalvora.lock"));
}

FileReplacement::Recovery Backups::finishInterrupted(const QString& dataFolder)
{
    QLockFile lock(lockFilePath(dataFolder));
    lock.setStaleLockTime(0);
    if (!QFileInfo(dataFolder).isDir() || !lock.tryLock(0))
        return {};
    return FileReplacement::recover(dataFolder);
}

QString Backups::defaultTarget(const QString& dataFolder)
{
    return QDir(dataFolder).filePath(QStringLiteral("yedekler"));
}

} // namespace kalvora::backup
