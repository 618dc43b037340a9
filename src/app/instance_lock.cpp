#include "app/instance_lock.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <sys/statvfs.h>
#include <unistd.h>

namespace kalvora {

namespace {

// A lock file that names no process is one whose writer died between creating and filling it; after
// this long nobody is still filling it.
constexpr qint64 unreadableLockAgeMs = 10000;

bool processAlive(qint64 pid)
{
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// What keeps the folder from taking a file, in Turkish.
QString writeProblem(const QString& folder, int errorNumber)
{
    struct statvfs fs {};
    const QByteArray path = QFile::encodeName(folder);
    if (::statvfs(path.constData(), &fs) == 0) {
        if (fs.f_flag & ST_RDONLY)
            errorNumber = EROFS;
        else if (fs.f_bavail == 0 || (fs.f_files > 0 && fs.f_favail == 0))
            errorNumber = ENOSPC;
    }
    switch (errorNumber) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("DİSK DOLU.");
    case EROFS:
        return QStringLiteral("KLASÖR SALT OKUNUR.");
    case EACCES:
    case EPERM:
        return QStringLiteral("KLASÖRE YAZMA İZNİ YOK.");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("KLASÖR BULUNAMADI.");
    default:
        return QStringLiteral("KİLİT DOSYASI YAZILAMADI") +
               (errorNumber ? QStringLiteral(" (") + QString::fromLocal8Bit(std::strerror(errorNumber)) +
                                  QStringLiteral(").")
                            : QStringLiteral("."));
    }
}

} // namespace

InstanceLock::InstanceLock(const QString& dataFolder, std::optional<Fault> fault)
    : m_folder(dataFolder), m_lock(QDir(dataFolder).filePath(lockFileName())), m_fault(fault)
{
    // A lock is stale only when its process is gone, never because of its age.
    m_lock.setStaleLockTime(0);
}

InstanceLock::State InstanceLock::take()
{
    if (m_fault) {
        m_state = judge(m_fault->error, m_fault->errorNumber);
        return m_state;
    }
    errno = 0;
    if (m_lock.tryLock(0)) {
        m_state = State::Taken;
        return m_state;
    }
    const int errorNumber = errno;
    m_state = judge(m_lock.error(), errorNumber);
    if (m_state == State::Taken)
        m_state = m_lock.tryLock(0) ? State::Taken : judge(m_lock.error(), errno);
    return m_state;
}

// Taken means: the lock file was in the way and is gone now, so try again.
InstanceLock::State InstanceLock::judge(QLockFile::LockError error, int errorNumber)
{
    m_cause.clear();
    const QString path = QDir(m_folder).filePath(lockFileName());
    switch (error) {
    case QLockFile::NoError:
        return State::Taken;
    case QLockFile::PermissionError:
    case QLockFile::UnknownError:
        m_cause = writeProblem(m_folder, errorNumber);
        return State::Failed;
    case QLockFile::LockFailedError:
        break;
    }
    qint64 pid = 0;
    QString host;
    QString application;
    if (m_lock.getLockInfo(&pid, &host, &application)) {
        // A copy on another computer sharing the folder cannot be asked; it counts as running.
        if ((!host.isEmpty() && host != QSysInfo::machineHostName()) || processAlive(pid))
            return State::HeldByAnother;
    } else {
        const QFileInfo info(path);
        if (info.exists() && info.lastModified().msecsTo(QDateTime::currentDateTime()) < unreadableLockAgeMs)
            return State::HeldByAnother; // being written just now
    }
    // Left by a copy that is gone: QLockFile takes such a lock over unless it cannot remove it.
    // (A played fault refuses the removal as well.)
    if (!m_fault && QFile::remove(path))
        return State::Taken;
    m_cause = QStringLiteral("ESKİ KİLİT DOSYASI SİLİNEMEDİ: ") +
              writeProblem(m_folder, m_fault ? errorNumber : errno);
    return State::Failed;
}

} // namespace kalvora
