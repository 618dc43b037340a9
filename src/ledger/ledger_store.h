#pragma once

#include "data/store.h"

#include <QDate>
#include <QList>
#include <QString>

#include <stdexcept>

namespace kalvora {

// One row of GIDERLER.
struct LedgerEntry {
    qint64 key = 0;      // kayit_no
    QString title;       // gider_ad
    QString date;        // gider_tarihi, dd.MM.yyyy
    QString description; // gider_aciklama
    QString time;        // gider_saati, HH:mm:ss
    QString maker;       // gider_yapan
    QString amount;      // gider_tutar, as typed
    QString state;       // gider_iptal: "0" valid, "1" cancelled
};

enum class LedgerPeriod { Day, Month, Year };

// Which entries the history lists: one day, one month of a year or one year, valid or cancelled.
struct LedgerFilter {
    LedgerPeriod period = LedgerPeriod::Day;
    QDate day;
    int month = 1; // 1..12
    int year = 0;
    bool cancelled = false;
};

struct LedgerListing {
    QList<LedgerEntry> entries; // in the order they were recorded
    QString total;              // sum of the listed amounts as plain number text
};

// A ledger file whose cash box cannot be read: the change is refused and nothing is written.
class LedgerError : public std::runtime_error {
public:
    explicit LedgerError(const QString& text);
    const QString& turkishText() const { return m_text; }

private:
    QString m_text;
};

// The store operations of one ledger (gelirmdb.mdb or gider.mdb). Every change of the entries and the
// change of the cash box that goes with it are made in one transaction: both or neither.
class LedgerStore final {
public:
    LedgerStore(Store& store, Ledger which);

    Ledger which() const { return m_which; }
    static QString fileName(Ledger which);

    // Inserts the entry as valid (the key and state are ignored) and changes the cash box by its amount
    // times sign (-1 when recording). Returns kayit_no. Throws LedgerError or DbError.
    qint64 record(const LedgerEntry& entry, int sign);

    // Marks the one entry with that key cancelled and credits the cash box with its stored amount.
    // False, with nothing written, when no valid entry has that key. Throws LedgerError or DbError.
    bool cancel(qint64 key);

    // The entries of the period in the wanted state, with their total. Throws DbError.
    LedgerListing list(const LedgerFilter& filter);
    // Every entry, in the order recorded. Throws DbError.
    QList<LedgerEntry> allEntries();

    // The stored cash-box text. Throws LedgerError when the table has no row, DbError.
    QString cashBox();

private:
    BookConnection& db();
    // The first cash-box row's text; throws LedgerError when there is none. forChange locks the row
    // on a server book until the commit, so two desks' entries both count.
    QString storedCashBox(BookConnection& db, bool forChange = false);
    void changeCashBox(BookConnection& db, const QString& amount, int sign);

    Store& m_store;
    Ledger m_which;
};

} // namespace kalvora
