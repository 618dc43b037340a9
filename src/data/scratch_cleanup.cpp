#include "data/scratch_cleanup.h"

#include <QDir>
#include <QFile>
#include <QSysInfo>

#include <cerrno>
#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

namespace kalvora {

namespace {

bool removeBelow(const QString& folder, const QString& relative, const OwnName& ours)
{
    bool all = true;
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        const QString path = dir.filePath(name);
        const QString rel = relative.isEmpty() ? name : relative + QLatin1Char('/') + name;
        struct stat st {};
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !ours(rel)) {
            all = false;
        } else if (S_ISDIR(st.st_mode)) {
            all = removeBelow(path, rel, ours) && all;
        } else if (S_ISREG(st.st_mode)) {
            all = ::unlink(QFile::encodeName(path).constData()) == 0 && all;
        } else {
            all = false; // a link, a socket: not the tools' own
        }
    }
    return ::rmdir(QFile::encodeName(folder).constData()) == 0 && all;
}

} // namespace

QString scratchHostTag()
{
    QString tag = QSysInfo::machineHostName();
    for (QChar& c : tag)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('-'))
            c = QLatin1Char('-');
    return tag.isEmpty() ? QStringLiteral("-") : tag;
}

bool processAlive(qint64 pid)
{
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

bool removeOwnFiles(const QString& folder, const OwnName& ours)
{
    struct stat st {};
    // The folder itself must be a folder, not a link to one.
    if (::lstat(QFile::encodeName(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    return removeBelow(folder, QString(), ours);
}

} // namespace kalvora
