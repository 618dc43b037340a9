#pragma once

#include <QList>
#include <QString>

namespace kalvora {

// One row of the account card's list as it shows it.
struct StatementRow {
    QString description; // row text
    QString amount;      // sub-item 1, "#,##.00"
    QString currency;    // sub-item 2
    QString date;        // sub-item 3
};

// A balance label of the card and its status word ("1.234,50" and "BORÇLU").
struct StatementBalance {
    QString amount = QStringLiteral("0,00");
    QString status = QStringLiteral("TEMİZ");
    QString text() const { return amount + QLatin1Char(' ') + status; }
};

// What the statement prints: what the card shows at the moment of the print.
struct StatementData {
    QString name;             // Label16
    StatementBalance tl;      // Label12, temiz1
    StatementBalance dollar;  // Label22, temiz2
    StatementBalance euro;    // Label25, temiz3
    QList<StatementRow> rows; // in the order the list shows them
};

} // namespace kalvora
