#pragma once

#include "customers/customer_register.h"

#include <QStringList>

#include <unordered_map>

namespace kalvora {

// What the main list shows of the people in the register: each person's ten texts (the three balances
// as "#,##0.00", name, the five contact texts, key). A person's row is made the first time they are
// shown and kept until the register reads them afresh, so showing everybody again costs the list, not
// the texts.
class MainListTexts final {
public:
    struct Row {
        QStringList texts;
    };

    // The row of a person as the register holds them now; it stays in place until prune() drops it.
    Row& of(const CustomerRegister::Person& person);
    // Forgets the people the register no longer holds once they outnumber it, so the rows kept never
    // hold many more people than the register does and a reload rarely pays for the check.
    void prune(const CustomerRegister& reg);

    static QStringList textsOf(const Customer& c);

private:
    struct Kept {
        quint64 revision = 0;
        Row row;
    };
    std::unordered_map<qint64, Kept> m_rows; // by oto_kod; a node map, so rows stay where they are
};

} // namespace kalvora
