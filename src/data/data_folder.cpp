#include "data/data_folder.h"

#include <kalvora_version.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>

#include <sys/stat.h>

namespace kalvora {

QString DataFolder::resolve(const QString& commandLineFolder)
{
    if (!commandLineFolder.isEmpty())
        return QDir(commandLineFolder).absolutePath();
    const QString env = qEnvironmentVariable("KALVORA_DATA_DIR");
    if (!env.isEmpty())
        return QDir(env).absolutePath();
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString DataFolder::serverUri(const QString& commandLineUri, const QString& dataFolder)
{
    if (!commandLineUri.trimmed().isEmpty())
        return commandLineUri.trimmed();
    const QString env = qEnvironmentVariable("KALVORA_SERVER").trimmed();
    if (!env.isEmpty())
        return env;
    QFile file(QDir(dataFolder).filePath(QString::fromLatin1(files::serverAddress)));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    // A file written on Windows may start with a byte-order mark.
    QString line = QString::fromUtf8(file.readLine(4096)).trimmed();
    if (line.startsWith(QChar(0xFEFF)))
        line = line.mid(1).trimmed();
    return line;
}

QString DataFolder::installationFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString DataFolder::sharedFolder()
{
    const QString beside = installationFolder();
    if (QFileInfo(QDir(beside).filePath(QStringLiteral("templates"))).isDir())
        return beside;
    return QDir::cleanPath(QDir(beside).filePath(QStringLiteral(KALVORA_SHARE_FROM_BIN)));
}

bool DataFolder::makePrivate(const QString& folder)
{
    const QString path = QDir::cleanPath(QDir(folder).absolutePath());
    if (QFileInfo(path).isDir())
        return true;
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    // Not QDir::mkpath: the folder would take the umask's mode, 0755 under the usual 022.
    return ::mkdir(QFile::encodeName(path).constData(), 0700) == 0 ||
           (errno == EEXIST && QFileInfo(path).isDir());
}

} // namespace kalvora
