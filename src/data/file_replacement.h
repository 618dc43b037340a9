#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace kalvora {

// Files that replace others together (a restored backup, a book moved into a folder): each new file is
// made complete beside its place, then all are renamed over the old ones. A record of what replaces what
// is on the disk before the first rename and gone after the last, so a process that dies between two
// renames leaves a folder the next start finishes instead of half old and half new files.
class FileReplacement final {
public:
    // folder holds the record; every path added lies inside it.
    explicit FileReplacement(const QString& folder);

    void add(const QString& staged, const QString& target);

    // Syncs the new files, writes the record, renames each pair in order and removes the record.
    // Empty on success, else the Turkish reason. A failure after the first rename keeps the record and
    // the files still to be renamed, so the next start finishes the replacement.
    QString run();
    // How many renames run() made.
    int renamed() const { return m_renamed; }

    struct Recovery {
        bool found = false;    // a record was left behind
        bool finished = false; // every rename it names is done and the record is gone
        QString text;          // Turkish, for the user, when found
    };
    // Finishes a replacement a process left half done. Call only while holding the folder's lock.
    static Recovery recover(const QString& folder);

    static QString recordName();

private:
    struct Pair {
        QString staged; // relative to the folder
        QString target;
        QByteArray sha256; // of the new file, so a finished rename is told from a file that went missing
    };
    static QString finishPairs(const QString& folder, const QList<Pair>& pairs, int* renamed);

    QString m_folder;
    QList<Pair> m_pairs;
    int m_renamed = 0;
};

} // namespace kalvora
