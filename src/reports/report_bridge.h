#pragma once

#include "reports/report_definition.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace kalvora {

class Store;
class Transaction;

// Where a print finds the viewer and leaves the finished definition, and how the viewer starts.
struct ReportOptions {
    // The folder of raporla; empty: the folder of the running program.
    QString installationFolder;
    // The folder of temp_report.fr3; empty: the data folder (the user's own, unlike the shared
    // temporary folder, where another account could plant the file or a link first).
    QString definitionFolder;
    // Starts the viewer without waiting for it; false when it could not be started. Empty: a detached
    // process started with an argument list (no shell).
    std::function<bool(const QString& program, const QStringList& arguments, const QString& workingFolder)>
        startViewer;
};

// The printing bridge (Fr_raport_module). A print runs, in this order: TabloOlustur; per list row
// AlanEkle (first cell with startsRow) and SatirYaz; RaporAc; BandBagla; MemoBagla / MemoYaz;
// RaporGoster. Rows reach the scratch table of FRData.mdb as bound values, so any text (apostrophes,
// commas) arrives unchanged. The scratch table is filled inside one transaction that RaporGoster
// commits; a print abandoned half way (an error, the bridge destroyed) leaves the previous table.
// Every failure throws ReportError or DbError with a Turkish text; the viewer is never started on a
// definition that was not completely written.
class ReportBridge final {
public:
    explicit ReportBridge(Store& store, ReportOptions options = {});
    ~ReportBridge();
    ReportBridge(const ReportBridge&) = delete;
    ReportBridge& operator=(const ReportBridge&) = delete;

    // Registers the table for the report, drops it when it exists and creates it anew with one text
    // column per name of the column list ("S1#/S2#/S3#/", the final "#/" optional).
    void TabloOlustur(const QString& table, const QString& columns);
    // Adds a cell to the pending row; startsRow forgets the previous row first.
    void AlanEkle(const QString& column, const QString& text, bool startsRow);
    // Writes the pending row into the table (a row without cells is written empty).
    void SatirYaz(const QString& table);
    // Loads the template and, when tables were registered, wires the connection "Baglanti" and one
    // query per table (a query the template already holds is kept unchanged).
    void RaporAc(const QString& templatePath);
    // The band prints once per row of the table's query.
    void BandBagla(const QString& band, const QString& table);
    // The memo shows the column of the current row: [TABLE."COLUMN"]. A memo the template lacks
    // (a user may have removed it) is passed over.
    void MemoBagla(const QString& memo, const QString& table, const QString& column);
    // The memo's text, unchanged ([Date] and [Time] are evaluated when the report is prepared).
    void MemoYaz(const QString& memo, const QString& text);
    // Commits the scratch table, replaces temp_report.fr3 with the definition in one step (a link in
    // its place is replaced, never followed) and starts the viewer with its path, without waiting.
    void RaporGoster();
    // Whether the scratch file holds a table of that name (without regard to case).
    bool TabloVarMi(const QString& table);
    // Drops the table when it exists.
    void TabloSil(const QString& table);

    // The column names of a column list, upper-cased, in order; empty pieces and repeats left out.
    static QStringList columnNames(const QString& columnList);
    // The report definition's connection string to a scratch file.
    static QString connectionString(const QString& scratchFile);

    QString definitionPath() const;
    // The viewer program of the installation folder; empty when it is not there.
    QString viewerProgram() const;
    // The definition opened by RaporAc, until RaporGoster.
    ReportDefinition* definition() { return m_definition ? &*m_definition : nullptr; }

private:
    ReportDefinition& openDefinition(const char* operation);
    ReportObject& requireObject(const QString& name, const QString& what);
    void reset();

    Store& m_store;
    ReportOptions m_options;
    QStringList m_tables;
    QStringList m_pendingColumns;
    QStringList m_pendingValues;
    std::unique_ptr<Transaction> m_transaction;
    std::optional<ReportDefinition> m_definition;
    QString m_templatePath;
};

} // namespace kalvora
