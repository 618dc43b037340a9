#pragma once

#include <QString>
#include <QTypeInfo>

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
    qint64 version = 0;  // row_version on a server book; 0 where none is kept
};

} // namespace kalvora

// Texts and a number only: a list of people grows by moving its memory, not each person.
Q_DECLARE_TYPEINFO(kalvora::Customer, Q_RELOCATABLE_TYPE);

namespace kalvora {

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
