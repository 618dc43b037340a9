#pragma once

#include <QString>

namespace kalvora::backup {

// The backup folder chosen last, kept in the user's settings.
class FolderSetting final {
public:
    // settingsFile empty: the user's own settings of this program.
    explicit FolderSetting(const QString& settingsFile = QString());
    // The remembered folder, else the default in the data folder.
    QString folder(const QString& dataFolder) const;
    void remember(const QString& folder);

private:
    QString m_settingsFile;
};

} // namespace kalvora::backup
