#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

namespace kalvora::backup {

// The description kept in every backup folder: what was copied, when, and how many records it holds.
inline const char* const manifestFileName = "yedek.json";
// Every backup folder is named by this prefix and its date; the temporary folder starts with a dot.
inline const char* const folderPrefix = "KALVORA_YEDEK_";

enum class Kind { Manual, Automatic, BeforeRestore };

struct FileEntry {
    QString name;
    qint64 size = 0;
    QByteArray sha256; // lower-case hex
    bool database = false;
};

// Record counts at backup time; -1 where the file could not be counted.
struct Counts {
    qint64 people = -1;
    qint64 transactions = -1;
    qint64 incomeEntries = -1;
    qint64 expenseEntries = -1;
};

struct Manifest {
    int format = 1;
    QDateTime created;
    Kind kind = Kind::Manual;
    QString sourceFolder;
    Counts counts;
    QList<FileEntry> files;
    // For the backup of a book on a server: the server as messages name it (never a password) and
    // the rows of each table in the dump; empty for a data folder's backup.
    QString server;
    QMap<QString, qint64> tables;

    qint64 totalSize() const;
    const FileEntry* file(const QString& name) const;
    QByteArray toJson() const;
    // No value when the text is not a manifest this program wrote (or is damaged).
    static std::optional<Manifest> fromJson(const QByteArray& json);
};

// "ELLE", "OTOMATİK", "GERİ YÜKLEME ÖNCESİ".
QString kindText(Kind kind);
// A size for people: "512 BAYT", "12,5 KB", "1,5 MB", "2,0 GB".
QString sizeText(qint64 bytes);

} // namespace kalvora::backup
