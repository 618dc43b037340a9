#pragma once

#include <QList>
#include <QString>

#include <functional>

namespace kalvora::bench {

// One measured user action, with the same action done the literal way (fresh connection per operation,
// whole-table reads ordered by the conversion functions, rows filtered one by one) as a baseline.
struct Operation {
    QString name;
    std::function<void()> ours;
    std::function<void()> baseline; // may be empty
    int runs = 7;
};

class OperationSet final {
public:
    explicit OperationSet(const QString& dataFolder);
    ~OperationSet();
    QList<Operation> operations();

private:
    struct Private;
    Private* d;
};

} // namespace kalvora::bench
