#pragma once

#include "accounts/account.h"

#include <QString>

namespace kalvora {

// An amount in Turkish words as a letter or a cheque writes it, upper case, words apart:
// 1.234,50 TL is "BİN İKİ YÜZ OTUZ DÖRT TÜRK LİRASI ELLİ KURUŞ". The sign is left out (a letter
// says the direction in words of its own); zero is "SIFIR TÜRK LİRASI", and an amount under one
// names the hundredths alone ("BİR KURUŞ").
QString amountInWords(qint64 hundredths, Currency currency);
// The same for a shown balance, rounded to whole hundredths.
QString amountInWords(double amount, Currency currency);

// The whole number in words ("BİN BİR"); 0 is "SIFIR".
QString numberInWords(qint64 number);

} // namespace kalvora
