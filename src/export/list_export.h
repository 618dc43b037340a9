#pragma once

#include "listview/text_table.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QIODevice;

namespace kalvora {

// How a column's shown texts leave the program.
enum class ExportKind {
    Text,   // as shown
    Number, // a Turkish number text ("1.234,50", ",50", "-250,00")
    Date,   // "dd.MM.yyyy", optionally followed by a blank and "HH:mm:ss"
};

// A list as the user sees it: headers, a kind per column, the rows' texts in the order shown.
struct ExportTable {
    QStringList headers;
    QList<ExportKind> kinds; // a missing kind is Text
    QList<QStringList> rows;
    QString sheetName; // the worksheet's name in .xlsx; empty: "LİSTE"
    // Lines written above the list, each as text cells, then an empty line: what the list is of (a
    // statement's sender, person and period). Empty: the headers are the first line.
    QList<QStringList> preamble = {};
    // The rows kept together instead (a long list's copy costs its characters only); used when rows is
    // empty.
    TextTable cells = {};
    // When not empty: the columns of cells that are exported, in order (a list's own table, shared, with
    // its hidden and moved columns left where they are).
    QList<int> cellColumns = {};

    qsizetype rowCount() const { return rows.isEmpty() ? cells.rowCount() : rows.size(); }
    int cellCount(qsizetype row) const
    {
        if (!rows.isEmpty())
            return int(rows.at(row).size());
        return cellColumns.isEmpty() ? cells.cellCount(row) : int(cellColumns.size());
    }
    // Valid until the table changes; empty beyond the row's cells.
    QStringView cell(qsizetype row, int column) const
    {
        if (!rows.isEmpty())
            return column < rows.at(row).size() ? QStringView(rows.at(row).at(column)) : QStringView();
        if (!cellColumns.isEmpty())
            return column < cellColumns.size() ? cells.cell(row, cellColumns.at(column)) : QStringView();
        return cells.cell(row, column);
    }

    ExportKind kind(qsizetype column) const
    {
        return column < kinds.size() ? kinds.at(column) : ExportKind::Text;
    }
};

// Called as rows are written (done of total); returning false cancels the export.
using ExportProgress = std::function<bool(qsizetype done, qsizetype total)>;

struct ExportResult {
    enum class Status { Written, Cancelled, Failed };
    Status status = Status::Failed;
    QString error; // Turkish, naming the file, when Failed

    bool written() const { return status == Status::Written; }
};

enum class ExportFormat { Xlsx, Csv };
// .csv (any case) gives CSV; every other name gives .xlsx.
ExportFormat exportFormatFor(const QString& fileName);

// CSV as a Turkish spreadsheet opens it without asking: UTF-8 with BOM, ";" between fields, CR LF after
// every line, a decimal comma without grouping in number columns, fields quoted when they hold ";", '"',
// CR or LF. A text that a spreadsheet would take for a formula (=, +, -, @ first) gets a leading "'".
// False when the device fails or the export is cancelled (cancelled is then set).
bool writeCsv(QIODevice& device, const ExportTable& table, const ExportProgress& progress = {},
              bool* cancelled = nullptr);

// Writes the table to path, as .xlsx or CSV by the name. The file appears complete or not at all: it is
// written under a temporary name and renamed, so a failure or a cancel leaves an existing file as it was.
ExportResult exportTable(const QString& path, const ExportTable& table, const ExportProgress& progress = {});

// The CSV form of a shown number text ("1.234,50" gives 1234,50, ",5" gives 0,5); empty when unreadable.
QString csvNumber(const QString& shown);

} // namespace kalvora
