#include "data/data_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

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

QString DataFolder::installationFolder()
{
    return QCoreApplication::applicationDirPath();
}

} // namespace kalvora
