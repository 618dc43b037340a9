#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kalvora {

class ReportDefinition;
class Store;

// The sender's own details (FIRMA_BILGILERI), printed at the head of statements and letters. The
// message templates of the sendings are kept with them, so every desk of a book sends the same texts.
struct CompanyInfo {
    QString name;
    QString address;
    QString phones;
    QString taxOffice;
    QString taxNumber;
    QString email;
    QString iban;
    QByteArray logoPng;      // scaled when it was chosen; empty: none
    QString subjectTemplate; // empty: the default
    QString bodyTemplate;    // empty: the default

    // Nothing of the letterhead is filled in.
    bool isEmpty() const;
    bool operator==(const CompanyInfo&) const = default;
};

// The letterhead's lines: the name, the address, then the telephones, tax office and number, e-mail
// and IBAN, each with its caption; empty lines left out. Nothing at all when no detail is set.
QStringList letterheadLines(const CompanyInfo& info);

// The longest side of a logo as it is kept, in pixels.
inline constexpr int logoPixels = 480;

// Reads the one row; an empty CompanyInfo when none was saved. Throws DbError.
CompanyInfo loadCompanyInfo(Store& store);
// Replaces the row in one transaction. Throws DbError.
void saveCompanyInfo(Store& store, const CompanyInfo& info);

// The memo and the picture a template gives the letterhead.
inline const char* const letterheadMemo = "Memo15";
inline const char* const letterheadPicture = "Picture15";
// Fills the template's letterhead memo and its logo; without a letterhead (no lines, no logo) the memo
// is taken away and the objects below it in its band move up by its height, so the page starts with the
// document itself.
void applyLetterhead(ReportDefinition& definition, const QStringList& lines, const QByteArray& logoPng = {});

} // namespace kalvora
