#include "scratch_folder.h"

#include "book_files.h"
#include "failure.h"
#include "file_copy.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <signal.h>

namespace kalvora::backup {

namespace {

bool processAlive(qint64 pid)
{
    if (pid <= 0)
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// Folders of backups that died half-way (their process is gone) are of no use to anybody.
void removeAbandoned(const QString& target)
{
    static const QRegularExpression pattern(QStringLiteral("^\\.KALVORA_YEDEK_[0-9_]+\\.([0-9]+)\\.tmp$"));
    const QDir dir(target);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (m.hasMatch() && !processAlive(m.captured(1).toLongLong()))
            QDir(dir.filePath(name)).removeRecursively();
    }
}

} // namespace

TempFolder::TempFolder(const QString& path) : m_path(path)
{
    if (!QDir().mkdir(m_path))
        throw Failure{QStringLiteral("YEDEK KLASÖRÜNE YAZILAMIYOR:\n") + QDir::toNativeSeparators(m_path) +
                      QStringLiteral("\n(DİSK DOLU YA DA KLASÖR SALT OKUNUR OLABİLİR.)")};
}

TempFolder::~TempFolder()
{
    if (!m_kept)
        QDir(m_path).removeRecursively();
}

QString TempFolder::filePath(const QString& name) const
{
    return QDir(m_path).filePath(name);
}

BackupName prepareTarget(const QString& target)
{
    if (!QDir().mkpath(target) || !QFileInfo(target).isDir())
        throw Failure{QStringLiteral("YEDEK KLASÖRÜ OLUŞTURULAMADI:\n") + QDir::toNativeSeparators(target)};
    removeAbandoned(target);
    BackupName name;
    name.created = QDateTime::currentDateTime();
    name.stamp = QString::fromLatin1(folderPrefix) + name.created.toString(QStringLiteral("yyyyMMdd_HHmmss"));
    name.scratch =
        QDir(target).filePath(QLatin1Char('.') + name.stamp + QLatin1Char('.') +
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
