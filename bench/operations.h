#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace kalvora::bench {

// One measured user action, with the same action done the literal way (fresh connection per operation,
// whole-table reads ordered by the conversion functions, rows filtered one by one) as a baseline.
struct Operation {
    QString name;
    std::function<void()> ours;
    std::function<void()> baseline; // may be empty
    std::function<void()> setup;    // runs once before the timing, outside it; may be empty
    int runs = 7;
    std::function<void()> baselineSetup = {}; // runs once before the baseline's timing; may be empty
};

// Drives the real windows offscreen over one data folder, or over a server book (serverUri) with the
// data folder for the rest. Writing operations leave the data as they found it: every row a lending
// save adds is removed again by a cancel. The baselines read the data folder's files, so a server set
// has none.
class OperationSet final {
public:
    explicit OperationSet(const QString& dataFolder, const QString& serverUri = QString());
    ~OperationSet();
    OperationSet(const OperationSet&) = delete;
    OperationSet& operator=(const OperationSet&) = delete;

    QList<Operation> operations();
    // Which person the per-person actions use.
    QString personDescription() const;
    // The error boxes shown since the last call (none is expected).
    QStringList errorsShown();

private:
    QList<Operation> allOperations();

    struct Private;
    Private* d;
};

} // namespace kalvora::bench
