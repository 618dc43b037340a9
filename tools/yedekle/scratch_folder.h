#pragma once

#include "manifest.h"

#include <QDateTime>
#include <QString>

namespace kalvora::backup {

// The folder a backup is written into; removed with everything in it unless kept.
class TempFolder {
public:
    explicit TempFolder(const QString& path);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const QString& path() const { return m_path; }
    QString filePath(const QString& name) const;
    void keep() { m_kept = true; }

private:
    QString m_path;
    bool m_kept = false;
};

// A new backup's names: the dated folder it will be and the hidden folder it is written in first.
struct BackupName {
    QDateTime created;
    QString stamp;
    QString scratch;
};

// Makes the backup folder ready (created, cleared of abandoned halves) and names the new backup.
BackupName prepareTarget(const QString& target);
// Writes the manifest into the finished temporary folder and renames it to its dated name.
QString placeBackup(TempFolder& tmp, const QString& target, const QString& stamp, const Manifest& manifest);

} // namespace kalvora::backup
