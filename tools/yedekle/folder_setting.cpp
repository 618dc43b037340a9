#include "folder_setting.h"

#include "backups.h"

#include <QSettings>

#include <memory>

namespace kalvora::backup {

FolderSetting::FolderSetting(const QString& settingsFile) : m_settingsFile(settingsFile) {}

namespace {

std::unique_ptr<QSettings> openSettings(const QString& file)
{
    if (file.isEmpty())
        return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                           QStringLiteral("orventa"), QStringLiteral("yedekle"));
    return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

const QString folderKey = QStringLiteral("yedekKlasoru");

} // namespace

QString FolderSetting::folder(const QString& dataFolder) const
{
    const QString remembered = openSettings(m_settingsFile)->value(folderKey).toString();
    return remembered.isEmpty() ? Backups::defaultTarget(dataFolder) : remembered;
}

void FolderSetting::remember(const QString& folder)
{
    auto settings = openSettings(m_settingsFile);
    settings->setValue(folderKey, folder);
    settings->sync();
}

} // namespace kalvora::backup
