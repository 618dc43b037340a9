#include "data/data_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace kalvora {

QString DataFolder::resolve(const QStringList& arguments)
{
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (a == QLatin1String("--data-dir") && i + 1 < arguments.size())
            return QDir(arguments.at(i + 1)).absolutePath();
        if (a.startsWith(QLatin1String("--data-dir=")))
            return QDir(a.mid(11)).absolutePath();
    }
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
