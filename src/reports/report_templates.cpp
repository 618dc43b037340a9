#include "reports/report_templates.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kalvora {

void installTemplates(const QString& installationFolder, const QString& dataFolder)
{
    const QDir source(QDir(installationFolder).filePath(QStringLiteral("templates")));
    const QDir target(dataFolder);
    const QStringList names =
        source.entryList({QStringLiteral("*.fr3")}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& name : names) {
        const QString to = target.filePath(name);
        if (QFileInfo::exists(to) || QFileInfo(to).isSymLink())
            continue;
        QFile in(source.filePath(name));
        if (!in.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = in.readAll();
        // Written anew rather than copied, so a read-only installed file gives a copy the user can edit.
        QSaveFile out(to);
        if (out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size())
            out.commit();
    }
}

} // namespace kalvora
