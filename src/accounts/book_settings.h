#pragma once

#include "data/store.h"

namespace kalvora {

// Settings that belong to the book rather than to one desk: kept in AYARLAR beside CARIKART (data.mdb;
// on a server book in cari, so every desk reads the same). Throws DbError.
class BookSettings final {
public:
    explicit BookSettings(Store& store) : m_store(store) {}

    // "VARSAYILAN VADE (GÜN)": the term, in days after its date, of a loan without a due date of its
    // own; 0 when never set.
    int defaultDueTerm() { return defaultDueTerm(m_store.accounts()); }
    static int defaultDueTerm(BookConnection& db);
    // Every open item of the book is written again with the new term, in the same transaction.
    void setDefaultDueTerm(int days);

private:
    Store& m_store;
};

} // namespace kalvora
