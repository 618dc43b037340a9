#pragma once

#include "reports/report_layout.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace kalvora {

// A print laid out in the program itself, without the scratch file and the viewer: the template, the
// rows of its master band (columns S1, S2, ...), the memos bound to a column and the memos given a
// text, and the letterhead. Used where many documents are written at once or a file is wanted.
struct DirectReport {
    using Pairs = QList<QPair<QString, QString>>;
    QString templatePath;
    QStringList columns; // "S1", "S2", ...
    QList<QStringList> rows;
    Pairs memoFields; // memo, column
    Pairs memoTexts;  // memo, text
    QStringList letterhead;
    QByteArray logoPng;
};

// Loads the template and lays the report out. Throws ReportError.
PreparedReport prepareDirectReport(const DirectReport& report);
// The same as a PDF file, written whole or not at all. Throws ReportError.
void writeDirectReportPdf(const DirectReport& report, const QString& pdfPath);

} // namespace kalvora
