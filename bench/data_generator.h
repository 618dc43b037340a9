#pragma once

#include <QString>

namespace kalvora::bench {

struct DataSize {
    QString name;
    int people;
    int transactions;
    int ledgerEntries; // per ledger
};

DataSize sizeByName(const QString& name); // "small", "large" or "huge"

// Fills an empty data folder deterministically: the same size gives the same files.
void generate(const QString& folder, const DataSize& size);

} // namespace kalvora::bench
