#pragma once

#include "data/book_connection.h"
#include "data/database.h"
#include "data/pg/book_watcher.h"
#include "data/pg/pg_connection.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <sys/types.h>

namespace kalvora {

enum class Ledger { Income, Expense };

// One problem met while preparing the data folder: the file and what went wrong.
struct StoreProblem {
    QString file;
    QString text; // Turkish, ready for a message box
    // The book cannot be used at all (an unreachable server, a server database that holds something
    // else): the program ends after saying so.
    bool fatal = false;
};

// The book: either the data folder's databases or a server book, and the data folder's scratch file.
// Each file gets one connection for the life of the process (the key derivation is slow); a
// connection is reopened when its file has been replaced on disk. uyeler.mdb, data.mdb and the
// archive share one connection (data.mdb attached as "cari", iptaller.mdb as "iptal"), so a change
// that touches them commits atomically; on a server the accounts' connection reaches the same tables
// through its search path, and each ledger has a connection of its own.
class Store final {
public:
    explicit Store(const QString& dataFolder, const QString& vfs = QString());
    // A server book (a libpq connection URI); the data folder keeps the scratch file and the rest.
    static std::unique_ptr<Store> onServer(const QString& dataFolder, const QString& serverUri);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    const QString& folder() const { return m_folder; }
    QString path(const QString& fileName) const;

    bool onServer() const { return !m_serverUri.isEmpty(); }
    const QString& serverUri() const { return m_serverUri; }

    // Creates what is missing: the folder, the files, their tables and indexes, the one KASA_NET row.
    // A file that exists but does not open with its key is never touched; it is reported instead.
    // On a server: the book's schema on an empty database; any other database is reported, untouched.
    QList<StoreProblem> initialize();

    // MUSTERILER (main), CARIKART (attached as cari) and the archive (attached as iptal). Throws DbError.
    BookConnection& accounts();
    // gelirmdb.mdb or gider.mdb with GIDERLER and KASA_NET. Throws DbError.
    BookConnection& ledger(Ledger which);
    // Every table of the book on one connection, for a change that must span the ledgers too: the
    // accounts' files with gelirmdb.mdb attached as "gelir" and gider.mdb as "gider" (one commit covers
    // all of them); on a server the accounts' connection, which reaches the ledgers as gelir.NAME and
    // gider.NAME. Throws DbError.
    BookConnection& wholeBook();
    // A number that changes whenever another connection commits a change of the accounts, so a list
    // knows to read everybody again (on a server: the count of other desks' commits the watcher heard);
    // nothing when that cannot be told, which means "read everybody again". Throws DbError.
    std::optional<qint64> accountsVersion();
    // On a server book, after initialize(): tells of other desks' commits (nothing for the data folder).
    BookWatcher* watcher() const { return m_watcher.get(); }
    // A second connection to data.mdb alone, for reading one part of a long list of transactions on
    // another core while the accounts' connection reads the rest (their decryption is most of the cost).
    // Only for reading; nothing on a server or when the file fits the accounts' cache. Throws DbError.
    BookConnection* transactionsReader();
    // The size of data.mdb from which transactionsReader gives a connection (tests lower it).
    void setTransactionsReaderFrom(qint64 fileBytes) { m_readerFrom = fileBytes; }
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

    struct ServerSlot {
        PgConnection conn;
        QString searchPath;
    };
    BookConnection& server(ServerSlot& slot, BookConnection& book);
    std::optional<StoreProblem> initializeServer();

    QString m_folder;
    QString m_vfs;
    QString m_serverUri;
    Slot m_accounts;
    Slot m_income;
    Slot m_expense;
    Slot m_scratch;
    Slot m_reader;
    Slot m_whole;
    qint64 m_readerFrom = qint64(kCacheKiB) * 1024;
    ServerSlot m_serverAccounts;
    ServerSlot m_serverIncome;
    ServerSlot m_serverExpense;
    std::optional<BookConnection> m_accountsBook;
    std::optional<BookConnection> m_incomeBook;
    std::optional<BookConnection> m_expenseBook;
    std::optional<BookConnection> m_readerBook;
    std::optional<BookConnection> m_wholeBook;
    std::unique_ptr<BookWatcher> m_watcher;
};

} // namespace kalvora
