#pragma once

#include "accounts/account.h"
#include "customers/customer.h"
#include "data/store.h"

#include <optional>

namespace kalvora {

// The transactions of one person in CARIKART (data.mdb, attached as "cari" to the uyeler.mdb
// connection) and the copy of their balances in MUSTERILER. Every change runs in one transaction
// together with the re-read of the person's rows and the balance write-back, so the stored balances
// always match the rows; on a server book the person's row is locked first, so two desks' changes of
// one person follow each other. Throws DbError; after a failure nothing of the change is stored.
// listedVersion: the row's version when this desk listed it; a change of a row another desk changed
// or removed since throws RowChangedError (0: not checked), and so does any change for a person who is no
// longer registered.
class AccountBook final {
public:
    explicit AccountBook(Store& store) : m_store(store) {}

    // The person's rows (exact match of uye_kodu), oldest date first, rows of one date in the order
    // they were written, with their figures (KartiYukle2).
    AccountState load(const QString& personKey);
    // Only the rows whose currency text equals `currency` (KartiYukle).
    AccountState load(const QString& personKey, const QString& currency);

    // AidatGir: a row of kind "100" with the amount as typed.
    AccountState lend(const Customer& person, const Entry& entry);
    // ParaAl: a row of kind "200" with the amount negated.
    AccountState collect(const Customer& person, const Entry& entry);
    // AidatDuzenle: rewrites description, amount, date, time, currency and name of one row; the row's
    // kind decides the amount's sign; the version before the edit goes to the archive. A row that no
    // longer exists changes nothing.
    AccountState edit(const QString& personKey, const QString& personName, qint64 rowKey, const Entry& entry,
                      qint64 listedVersion = 0);
    // iSlem_Sil: deletes one row, keeping it in the archive.
    AccountState cancel(const QString& personKey, qint64 rowKey, qint64 listedVersion = 0);

    struct ResetOutcome {
        std::optional<Currency> outstanding; // set when refused: the first currency not at zero
        AccountState state;
        bool balancesChanged = false; // the stored copy differed from 0,00 before the reset
    };
    // Deletes every row of the person, but only while all three balances read zero; the rows are kept
    // in the archive as one item.
    ResetOutcome reset(const QString& personKey);

    // BakiyeGuncelle: writes the three balance texts into the person's MUSTERILER row; true when a
    // stored text changed.
    static bool BakiyeGuncelle(BookConnection& db, const QString& personKey, const QString& tl,
                               const QString& usd, const QString& euro);
    static bool BakiyeGuncelle(BookConnection& db, const QString& personKey, const AccountFigures& figures);

    static AccountState readRows(BookConnection& db, const QString& personKey,
                                 const QString& currency = QString());

private:
    // Locks the person's row (CustomerRepository::lockPerson); a person another desk removed throws
    // RowChangedError, so no row is written for nobody.
    static void lockRegisteredPerson(BookConnection& db, const QString& personKey);
    AccountState insert(const Customer& person, const Entry& entry, const QString& kind);
    // Locks the row and checks it is the one listed; returns its kind (para).
    static QString lockListedRow(BookConnection& db, qint64 rowKey, qint64 listedVersion);

    Store& m_store;
};

} // namespace kalvora
