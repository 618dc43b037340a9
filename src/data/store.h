#pragma once

#include "data/database.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

#include <sys/types.h>

namespace kalvora {

enum class Ledger { Income, Expense };

// One problem met while preparing the data folder: the file and what went wrong.
struct StoreProblem {
    QString file;
    QString text; // Turkish, ready for a message box
};

// The data folder's databases. Each file gets one connection for the life of the process (the key
// derivation is slow); a connection is reopened when its file has been replaced on disk.
// uyeler.mdb, data.mdb and the archive share one connection (data.mdb attached as "cari",
// iptaller.mdb as "iptal"), so a change that touches them commits atomically.
class Store final {
public:
    explicit Store(const QString& dataFolder, const QString& vfs = QString());
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    const QString& folder() const { return m_folder; }
    QString path(const QString& fileName) const;

    // Creates what is missing: the folder, the files, their tables and indexes, the one KASA_NET row.
    // A file that exists but does not open with its key is never touched; it is reported instead.
    QList<StoreProblem> initialize();

    // MUSTERILER (main), CARIKART (attached as cari) and the archive (attached as iptal). Throws DbError.
    Database& accounts();
    // gelirmdb.mdb or gider.mdb with GIDERLER and KASA_NET. Throws DbError.
    Database& ledger(Ledger which);
    // FRData.mdb, without a key. Throws DbError.
    Database& scratch();

    // Closes every connection; the next use opens them again.
    void closeAll();

private:
    struct Identity {
        dev_t dev = 0;
        ino_t ino = 0;
        bool operator==(const Identity&) const = default;
    };
    struct Attachment {
        const char* file;
        const char* alias;
    };
    struct Slot {
        Database db;
        std::vector<Identity> files; // the main file first, then each attachment
    };
    Database& connection(Slot& slot, const QString& file, const QString& key,
                         const std::vector<Attachment>& attachments);

    QString m_folder;
    QString m_vfs;
    Slot m_accounts;
    Slot m_income;
    Slot m_expense;
    Slot m_scratch;
};

} // namespace kalvora
