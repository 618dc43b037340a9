#pragma once

#include "accounts/account.h"
#include "accounts/open_book.h"
#include "customers/customer.h"
#include "reports/direct_report.h"
#include "reports/letterhead.h"
#include "sending/sent_record.h"
#include "sending/smtp_mail.h"

#include <QDate>
#include <QList>
#include <QMetaType>
#include <QString>

#include <functional>

namespace kalvora {

class Store;

// One document for one person, ready to be written and sent.
struct SendDocument {
    Customer person;
    QString document;   // "MUTABAKAT MEKTUBU", "HESAP EKSTRESİ"
    QString filePrefix; // "MUTABAKAT", "EKSTRE"
    QDate date;         // the letter's date or the statement's end
    QString period;     // what the record and {TARIH} say: the date or "01.01.2026 - 31.12.2026"
    QString balances;   // balancesSummary
    DirectReport report;
};

struct SendOutcome {
    bool succeeded = false;
    QString error; // Turkish
    QString file;  // the PDF written, when it was
};

// Writes the document's PDF into gonderilen/ and sends it the chosen way: through the user's mail server
// when one is set (otherwise the mail program opens with the file attached), or WhatsApp in the browser
// with the folder shown. Every attempt is recorded, a failure with its reason.
class DocumentSender final {
public:
    DocumentSender(Store& store, SmtpSettings smtp, CompanyInfo sender);

    // The way an e-mail goes with these settings.
    SendWay emailWay() const { return m_smtp.isSet() ? SendWay::Email : SendWay::MailProgram; }
    // recipient: the e-mail address or the mobile number. The record is written even when sending failed;
    // a failure of the record itself is reported in the outcome's error.
    SendOutcome send(const SendDocument& doc, SendWay way, const QString& recipient);

    // The filled subject and body for the document.
    QString subjectFor(const SendDocument& doc) const;
    QString bodyFor(const SendDocument& doc) const;

private:
    Store& m_store;
    SmtpSettings m_smtp;
    CompanyInfo m_sender;
};

// Which people a bulk sending takes. Each rule looks at the person's stored balances (SonBakiye...);
// a person is taken when every rule of the list holds.
using PersonRule = std::function<bool(const Customer&)>;
// Owes the sender more than the amount in the currency.
PersonRule owesMoreThan(Currency currency, double amount);
// One of the chosen keys.
PersonRule isOneOf(const QStringList& keys);
// Whoever has anything overdue in the currency among the entries.
PersonRule hasOverdue(const QList<OverdueEntry>& entries, Currency currency);
QList<Customer> selectPeople(const QList<Customer>& people, const QList<PersonRule>& rules);

} // namespace kalvora

// Carried by the letter window's signal.
Q_DECLARE_METATYPE(kalvora::SendDocument)
