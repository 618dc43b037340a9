#pragma once

#include "import/source_table.h"

#include <QChar>
#include <QString>

#include <optional>

namespace kalvora {

enum class ListEncoding {
    Guess,       // a BOM or valid UTF-8 is UTF-8, anything else Windows-1254
    Utf8,        // with or without a BOM
    Windows1254, // the Turkish code page of older Windows programs
};

struct CsvOptions {
    QChar separator; // null: the most frequent of ';', ',' and TAB on the first line outside quotes
    ListEncoding encoding = ListEncoding::Guess;
};

// A list's first line is its header (columns); every further line a row, padded to the header's width.
// Fields may be quoted ("" stands for "), and a quoted field may hold separators and line breaks.
std::optional<SourceTable> readCsv(const QString& path, const CsvOptions& options, QString* problem);
// The encoding the guess takes for these bytes.
ListEncoding guessEncoding(const QByteArray& bytes);

// The first worksheet of an .xlsx file (a zip of XML): shared and inline strings as they are, numbers
// as plain Turkish number texts ("1234,5"), cells whose number format shows a date as "dd.MM.yyyy".
std::optional<SourceTable> readXlsx(const QString& path, QString* problem);

} // namespace kalvora
