#pragma once

#include "archive/cancellation_archive.h"
#include "data/store.h"

namespace kalvora {

// Brings an archived item back into the accounts. Throws DbError; a failed restore changes nothing.
class ArchiveRestore final {
public:
    explicit ArchiveRestore(Store& store) : m_store(store) {}

    // Puts the item back with its old keys and texts and removes it from the archive, then writes the
    // person's balances back from the rows (KartiYukle2, BakiyeGuncelle), all in one transaction. An
    // edit puts the old version back and archives the current one as a new "DEĞİŞİKLİK"; when the row
    // is gone since, its own item comes back first. A row whose old key is taken meanwhile (data
    // restored from a backup) comes back under a new key. On a server book the archive is the book
    // owner's to change: the server's iptal.geri_al does the same there, and logs who did it.
    CancellationArchive::Restore restore(qint64 itemKey);

private:
    // The embedded store: the same steps as the server's function.
    CancellationArchive::RestoreResult restoreHere(BookConnection& db, qint64 itemKey, ArchiveAction action,
                                                   const QString& personKey);

    Store& m_store;
};

} // namespace kalvora
