#pragma once

#include "accounts/account.h"
#include "customers/customer.h"
#include "reports/direct_report.h"
#include "reports/letterhead.h"

#include <QDate>
#include <QList>
#include <QString>

namespace kalvora {

// The letter's template in the data folder.
inline const char* const letterTemplate = "mutabakat.fr3";

// One currency's balance on the letter's date.
struct LetterBalance {
    Currency currency = Currency::Tl;
    double amount = 0; // signed: positive, the person owes the sender

    QString amountText() const;    // "1.234,50", without the sign
    QString directionText() const; // who owes whom
    QString wordsText() const;     // "YALNIZ BİN ... TÜRK LİRASI ELLİ KURUŞ"
};

// "MUTABAKAT MEKTUBU": the balances of one person on a date, for the person to confirm or answer
// with their own statement within the given days.
struct ConfirmationLetter {
    Customer person;
    QDate date;
    int replyDays = 15;
    QList<LetterBalance> balances; // TL, DOLAR, EURO; a currency without any balance is left out
};

// The balances of the rows up to and including the date (rows after it are not counted; a cancelled row
// is no longer among the rows). When every currency is clean the letter says 0,00 TL.
ConfirmationLetter buildConfirmationLetter(const Customer& person, const QList<AccountRow>& rows,
                                           const QDate& date, int replyDays);

// "1.234,50 TL BORÇ, 100,00 DOLAR ALACAK": what a message and the sending record say of the balances.
QString balancesSummary(const QList<LetterBalance>& balances);

// The letter laid out with mutabakat.fr3 of the data folder.
DirectReport letterReport(const ConfirmationLetter& letter, const CompanyInfo& sender,
                          const QString& templatePath);

// The person's details as a letter or a statement names them: key, telephones, tax office, address.
QString personDetailsText(const Customer& person);

} // namespace kalvora

namespace kalvora {

struct SendDocument;
struct PeriodStatement;

// The letter as a document to send: its PDF from mutabakat.fr3 of the data folder.
SendDocument letterDocument(const ConfirmationLetter& letter, const CompanyInfo& sender,
                            const QString& dataFolder);
// The statement as a document to send, laid out as the statement window prints it.
SendDocument statementDocument(const Customer& person, const PeriodStatement& statement, DirectReport report,
                               const QString& period);

} // namespace kalvora
