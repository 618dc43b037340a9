#include "data/server_choice.h"

#include <QDir>
#include <QFile>

namespace kalvora {

QString serverChoice(const QString& commandLineServer, const QString& dataFolder)
{
    if (!commandLineServer.trimmed().isEmpty())
        return commandLineServer.trimmed();
    const QString fromEnvironment = qEnvironmentVariable("KALVORA_SERVER").trimmed();
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    QFile file(QDir(dataFolder).filePath(QString::fromLatin1(serverFileName)));
    if (dataFolder.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    // Only the first line counts; a byte-order mark from a Windows editor is no part of the URI.
    QString line = QString::fromUtf8(file.readLine(64 * 1024));
    if (line.startsWith(QChar(0xfeff)))
        line.remove(0, 1);
    return line.trimmed();
}

} // namespace kalvora
