#pragma once

#include "import/book_import.h"
#include "import/source_table.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

namespace kalvora {

// What a column of a list holds.
enum class ListField {
    Ignore,
    Name,
    WorkPhone,
    MobilePhone,
    Phone, // a telephone without a kind: the mobile one, unless the list has that too
    IdNumber,
    TaxOffice,
    Address,
    BalanceTl,
    BalanceUsd,
    BalanceEuro,
    PersonKey, // a person's oto_kod in the book
    Date,
    Amount,
    Currency,
    Kind, // lent or paid back
    Description,
};
// The field's Turkish name, as the preview's choices show it.
QString fieldName(ListField field);
QList<ListField> allListFields();

enum class ListKind { People, Transactions };

// The field a header names (Turkish header words such as "ADI SOYADI", "TELEFON", "BAKİYE", "TARİH");
// Ignore for a header it cannot place. A field is given to one column only, the first.
QList<ListField> guessFields(const QStringList& headers);

// True when the column's numbers use a point before the decimals ("1234.56"): no value holds a comma
// and some value ends in a point and one or two digits.
bool usesDecimalPoint(const SourceTable& table, int column);
// A Turkish number text ("1.234,56", "-50", ",5"), or with a decimal point when pointDecimal.
std::optional<double> readListNumber(const QString& text, bool pointDecimal);

// A row that does not read, with the reason in Turkish; it is left out only if the user agrees.
struct ListRowProblem {
    qsizetype row = 0; // index in table.rows
    QString reason;
};

struct ListConversion {
    ImportBook book;
    QList<ListRowProblem> problems;
};

// People, each with one "DEVİR" row of the given date per balance that is not zero.
ListConversion peopleFromList(const SourceTable& table, const QList<ListField>& fields,
                              const QDate& openingDate);

// A person of the book, as a list of transactions names them.
struct BookPersonName {
    QString key;
    QString name;
};
// Transactions of people the book holds, named by key or by name (exactly one person of that name).
ListConversion transactionsFromList(const SourceTable& table, const QList<ListField>& fields,
                                    const QList<BookPersonName>& bookPeople);

} // namespace kalvora
