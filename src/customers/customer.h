#pragma once

#include <QString>

namespace kalvora {

// One row of MUSTERILER, every value as its stored text.
struct Customer {
    QString key;         // oto_kod
    QString name;        // adisoyadi
    QString workPhone;   // istel
    QString mobilePhone; // ceptel
    QString idNumber;    // tc
    QString taxOffice;   // verdai
    QString address;     // adres
    QString balanceTl;   // SonBakiye
    QString balanceUsd;  // SonBakiye_usd
    QString balanceEuro; // SonBakiye_euro
};

// The six contact texts of a person as the add and edit windows hand them over.
struct CustomerContact {
    QString name;
    QString workPhone;
    QString mobilePhone;
    QString idNumber;
    QString taxOffice;
    QString address;

    bool operator==(const CustomerContact&) const = default;
};

} // namespace kalvora
