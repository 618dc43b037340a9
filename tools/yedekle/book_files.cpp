#include "book_files.h"

#include "backups.h"
#include "server_dump.h"

#include "data/data_folder.h"

#include <QDir>
#include <QFileInfo>

namespace kalvora::backup {

QString manifestName()
{
    return QString::fromLatin1(manifestFileName);
}

QString archiveName()
{
    return QFileInfo(QString::fromLatin1(files::archive)).fileName();
}

bool optionalFile(const QString& name)
{
    return name == archiveName();
}

QString countTable(const QString& file)
{
    if (file == QLatin1String(files::customers))
        return QStringLiteral("MUSTERILER");
    if (file == QLatin1String(files::transactions))
        return QStringLiteral("CARIKART");
    if (file == archiveName())
        return QStringLiteral("IPTALLER");
    return QStringLiteral("GIDERLER");
}

QString reasonText(const DbError& e)
{
    return DbError(e.code(), e.message(), QString())
        .turkishText()
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
}

QStringList templateFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.fr3")}, QDir::Files, QDir::Name);
}

QString dumpName()
{
    return QString::fromLatin1(server::dumpFileName);
}

QStringList otherFiles(const QString& dataFolder)
{
    QStringList list;
    if (QFileInfo(QDir(dataFolder).filePath(QString::fromLatin1(files::password))).isFile())
        list << QString::fromLatin1(files::password);
    return list + templateFiles(dataFolder);
}

const QStringList& databaseFiles()
{
    static const QStringList names{
        QString::fromLatin1(files::customers), QString::fromLatin1(files::transactions),
        QString::fromLatin1(files::income), QString::fromLatin1(files::expense), archiveName()};
    return names;
}

QString dataFilePath(const QString& dataFolder, const QString& name)
{
    return QDir(dataFolder).filePath(name == archiveName() ? QString::fromLatin1(files::archive) : name);
}

} // namespace kalvora::backup
