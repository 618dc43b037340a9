#include "scratch_folder.h"

#include "backups.h"
#include "book_files.h"
#include "failure.h"
#include "file_copy.h"
#include "server_dump.h"

#include "data/data_folder.h"
#include "data/scratch_cleanup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace kalvora::backup {

namespace {

// What a backup writes into its scratch folder: the databases (and SQLite's journals beside them), the
// manifest, sifre.dll, the templates and a server's dump.
bool backupFileName(const QString& name)
{
    QString base = name;
    for (const char* suffix : {"-journal", "-wal", "-shm"})
        if (base.endsWith(QLatin1String(suffix)))
            base.chop(static_cast<int>(qstrlen(suffix)));
    return databaseFiles().contains(base) || name == manifestName() || name == dumpName() ||
           name == QLatin1String(files::password) ||
           (name.endsWith(QLatin1String(".fr3")) && !name.startsWith(QLatin1Char('.')) &&
            !name.contains(QLatin1Char('/')));
}

// Folders of backups that died half-way (their process on this computer is gone) are of no use to
// anybody; another computer's are left to it, and so is anything the backup did not write.
void removeAbandoned(const QString& target)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\.KALVORA_YEDEK_[0-9_]+\\.([A-Za-z0-9-]+)\\.([0-9]+)\\.tmp$"));
    const QDir dir(target);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (m.hasMatch() && m.captured(1) == scratchHostTag() && !processAlive(m.captured(2).toLongLong()))
            removeOwnFiles(dir.filePath(name), backupFileName);
    }
}

} // namespace

TempFolder::TempFolder(const QString& path) : m_path(path)
{
    if (!QDir().mkdir(m_path, ownerOnlyFolder))
        throw Failure{QStringLiteral("YEDEK KLASÖRÜNE YAZILAMIYOR:\n") + QDir::toNativeSeparators(m_path) +
                      QStringLiteral("\n(DİSK DOLU YA DA KLASÖR SALT OKUNUR OLABİLİR.)")};
}

TempFolder::~TempFolder()
{
    if (!m_kept)
        removeOwnFiles(m_path, backupFileName);
}

QString TempFolder::filePath(const QString& name) const
{
    return QDir(m_path).filePath(name);
}

BackupName prepareTarget(const QString& target)
{
    // A backup folder made here is its owner's alone; one that exists keeps its permissions.
    const bool existed = QFileInfo::exists(target);
    if (!QDir().mkpath(target) || !QFileInfo(target).isDir())
        throw Failure{QStringLiteral("YEDEK KLASÖRÜ OLUŞTURULAMADI:\n") + QDir::toNativeSeparators(target)};
    if (!existed)
        QFile::setPermissions(target, ownerOnlyFolder);
    removeAbandoned(target);
    BackupName name;
    name.created = QDateTime::currentDateTime();
    name.stamp = QString::fromLatin1(folderPrefix) + name.created.toString(QStringLiteral("yyyyMMdd_HHmmss"));
    name.scratch = QDir(target).filePath(
        QLatin1Char('.') + name.stamp + QLatin1Char('.') + scratchHostTag() + QLatin1Char('.') +
        QString::number(QCoreApplication::applicationPid()) + QStringLiteral(".tmp"));
    return name;
}

QString placeBackup(TempFolder& tmp, const QString& target, const QString& stamp, const Manifest& manifest)
{
    writeFileSynced(tmp.filePath(manifestName()), manifest.toJson());
    syncFolder(tmp.path());
    QString finalPath;
    for (int n = 1; n < 1000 && finalPath.isEmpty(); ++n) {
        const QString candidate =
            QDir(target).filePath(n == 1 ? stamp : stamp + QLatin1Char('_') + QString::number(n));
        if (!QFileInfo::exists(candidate) && QDir().rename(tmp.path(), candidate))
            finalPath = candidate;
    }
    if (finalPath.isEmpty())
        throw Failure{writeFailure(tmp.path(), QStringLiteral("YEDEK KLASÖRÜ ADLANDIRILAMADI."))};
    tmp.keep();
    syncFolder(target);
    return finalPath;
}

} // namespace kalvora::backup
