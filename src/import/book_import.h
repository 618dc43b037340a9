#pragma once

#include "data/store.h"
#include "import/source_table.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

namespace kalvora {

// The columns of the rows an import brings, in this order (the book's own tables' columns).
const QStringList& personColumns();      // oto_kod, adisoyadi, ... SonBakiye_euro
const QStringList& transactionColumns(); // otokod, uye_kodu, aylar, ... para
const QStringList& ledgerColumns();      // gider_ad, ... gider_iptal

// One ledger's part of an import: its entries and its cash-box text.
struct ImportLedger {
    QList<QStringList> entries; // ledgerColumns()
    QString cashBox;            // Kasa_net_bakiye as stored
};

// A text of the source that does not read as an amount or a date.
struct UnreadableValue {
    QString file;
    QString table;
    QString key; // the row's key, or its row number in a list
    QString column;
    QString text;
};

// What an import would write, read from the old program's files or from a list. Keys are the source's:
// a transaction names its person by the person's source key (uye_kodu). A person or a transaction
// without a source key gets a new one from the book.
struct ImportBook {
    QString source;                                     // the folder or file, as the report names it
    QList<QStringList> people;                          // personColumns()
    QList<QStringList> transactions;                    // transactionColumns()
    std::array<std::optional<ImportLedger>, 2> ledgers; // income, expense
    // Transactions whose uye_kodu is already a key of the target book's people (a list of
    // transactions for people the book holds).
    bool transactionsNameBookPeople = false;
    // The source's keys are the old program's own (oto_kod, otokod): kept when the book is empty.
    bool keysAreBookKeys = false;
    // Rows of the source already left out because they do not read; the import is refused unless the
    // user agrees to leave them out.
    QList<UnreadableValue> unreadable;
    // Why the source cannot be imported at all (a missing file or table, a table with other columns).
    QStringList refusals;
};

// Reads uyeler.mdb, data.mdb, gelirmdb.mdb and gider.mdb of the folder. A missing or foreign file or
// table is named in refusals; nothing is guessed.
ImportBook readAccessFolder(const QString& folder);

struct StaleBalance {
    QString key;
    QString name;
    QString column; // SonBakiye, SonBakiye_usd or SonBakiye_euro
    QString stored;
    QString computed; // "#,##0.00" of the sum of the person's rows
};

struct OrphanTransaction {
    QString key; // otokod
    QString personKey;
    QString amount;
    QString currency;
    QString date;
};

struct CashBoxDifference {
    QString file;
    QString stored;
    QString fromEntries; // 0 minus the valid entries, plain number text
    QString difference;  // stored minus fromEntries
};

// A person of the import who looks like one the book already holds: same name and the same identity
// number or telephone.
struct LikelyDuplicate {
    QString name;
    QString bookKey;
    QString sourceKey;
};

struct ImportOptions {
    // Rows whose amount or date does not read are left out (listed) instead of refusing the import.
    bool leaveOutUnreadable = false;
    // A book that already holds people gets the source's people as new ones (new keys, their rows
    // following them) instead of refusing.
    bool addToBook = false;
    // Everything is checked and reported; nothing is written.
    bool dryRun = false;
};

// Called as rows are written (done of total); returning false cancels, and nothing is kept.
using ImportProgress = std::function<bool(qsizetype done, qsizetype total)>;

struct ImportReport {
    enum class Outcome { Imported, Checked, Refused, Cancelled };
    Outcome outcome = Outcome::Refused;
    QString source;
    QString target;
    QStringList refusals;
    qsizetype people = 0;
    qsizetype transactions = 0;
    std::array<qsizetype, 2> ledgerEntries{};
    QList<StaleBalance> staleBalances;
    QList<OrphanTransaction> orphans;
    QList<UnreadableValue> unreadable;
    QList<CashBoxDifference> cashBoxes;
    QList<LikelyDuplicate> duplicates;
    bool bookHeldData = false;

    bool refused() const { return outcome == Outcome::Refused; }
    // The whole report in Turkish, one finding a line, as kalvora-al prints it and the window saves it.
    QString text() const;
};

// Checks the source against the book and, unless refused, cancelled or a dry run, writes all of it in
// one transaction spanning every file of the book (on a server, one server transaction): nothing of it
// is visible before all of it is in. The book is refused when it already holds anything and
// addToBook is not set. Balances are recomputed from the rows. Throws nothing: a failure of the book is
// reported as a refusal.
ImportReport importBook(Store& store, const ImportBook& book, const ImportOptions& options,
                        const ImportProgress& progress = {});

} // namespace kalvora
