#pragma once

#include "manifest.h"

#include "data/file_replacement.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace kalvora::backup {

// What a long step reports; the callback returns false to cancel.
struct Progress {
    QString text;
    int percent = 0;
};
using ProgressFn = std::function<bool(const Progress&)>;

// The end of an action: a Turkish text for a message box or the console, and the backup concerned
// (the new backup, or the backup of the current data that a restore made first).
struct Outcome {
    bool ok = false;
    bool cancelled = false;
    QString text;
    QString folder;
};

struct Verification {
    bool ok = false;
    bool cancelled = false;
    QStringList problems; // one Turkish line per problem, naming the file
    std::optional<Manifest> manifest;
};

// One backup folder found in a backup location; manifest is empty when it could not be read.
struct BackupEntry {
    QString folder;
    QString name;
    std::optional<Manifest> manifest;
    qint64 size = 0;
};

// The databases a backup takes from the data folder, by their names in a backup folder (which holds
// no sub-folders: the archive iptaller.mdb lies in the data folder's "iptaller" folder).
const QStringList& databaseFiles();
// Where a database of a backup belongs in the data folder.
QString dataFilePath(const QString& dataFolder, const QString& name);

// Backups of one data folder, made and read with one database key.
class Backups final {
public:
    struct Options {
        // Pages copied per step of the online backup: the copy releases the source between steps,
        // so the main program can keep writing.
        int pagesPerStep = 256;
        // How long a backup waits for a file another program keeps busy before it reports the lock.
        int busyLimitMs = 8000;
        // The connection URI of the server that holds the book (serverChoice); empty when the book
        // is the data folder's files. A server book is backed up with pg_dump; sifre.dll and the
        // templates still come from the data folder.
        QString server;
    };

    Backups(const QString& dataFolder, const QString& key);
    Backups(const QString& dataFolder, const QString& key, const Options& options);

    const QString& dataFolder() const { return m_dataFolder; }

    // One dated backup folder under target, written under a temporary name and renamed when complete
    // and checked. The databases are copied with the online backup API, so the copy is consistent
    // even while the main program writes, and encrypted with the same key.
    Outcome create(const QString& target, Kind kind, const ProgressFn& progress = {}) const;

    // Every file against the manifest (size, SHA-256), then each database opened with the key and
    // PRAGMA integrity_check.
    Verification verify(const QString& backupFolder, const ProgressFn& progress = {}) const;

    // Refused while the main program runs or when the backup does not verify. Saves the current data
    // as a backup under safetyTarget first, then replaces each file atomically (rename).
    Outcome restore(const QString& backupFolder, const QString& safetyTarget,
                    const ProgressFn& progress = {}) const;

    // Empty when uyeler.mdb opens with the key (or is absent); otherwise why not, in Turkish.
    QString checkKey() const;

    // The backups found in a backup location, newest first.
    static QList<BackupEntry> list(const QString& target);
    // Whether a live process holds the main program's lock on the data folder.
    static bool programRunning(const QString& dataFolder);
    static QString lockFilePath(const QString& dataFolder);
    // Finishes the renames a restore or a move left half done in the data folder, unless another
    // program holds the folder (which then finished them at its own start).
    static FileReplacement::Recovery finishInterrupted(const QString& dataFolder);
    // "yedekler" in the data folder.
    static QString defaultTarget(const QString& dataFolder);

private:
    Outcome createOnServer(const QString& target, Kind kind, const ProgressFn& progress) const;
    // Restores a verified server backup; refused while another desk is connected to the book.
    Outcome restoreOnServer(const QString& backupFolder, const Manifest& manifest,
                            const QString& safetyTarget, const ProgressFn& progress) const;

    QString m_dataFolder;
    QString m_key;
    Options m_options;
};

} // namespace kalvora::backup
