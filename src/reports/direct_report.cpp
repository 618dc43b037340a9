#include "reports/direct_report.h"

#include "reports/letterhead.h"
#include "reports/report_data.h"
#include "reports/report_definition.h"
#include "reports/report_render.h"

namespace kalvora {

PreparedReport prepareDirectReport(const DirectReport& report)
{
    static const QString table = QStringLiteral("TABLO_GLR");
    ReportDefinition def = ReportDefinition::load(report.templatePath);
    ReportObject* band = def.findObject(QStringLiteral("MasterData1"));
    if (!band)
        throw ReportError(QStringLiteral("RAPOR ŞABLONUNDA \"MasterData1\" BANDI BULUNAMADI:\n") +
                          report.templatePath);
    band->setProperty(QStringLiteral("DataSet"), table);
    for (const auto& [memo, column] : report.memoFields) {
        if (ReportObject* m = def.findObject(memo))
            m->setProperty(QStringLiteral("Text"), QLatin1Char('[') + table + QStringLiteral(".\"") +
                                                       column.toUpper() + QStringLiteral("\"]"));
    }
    for (const auto& [memo, text] : report.memoTexts) {
        if (ReportObject* m = def.findObject(memo))
            m->setProperty(QStringLiteral("Text"), text);
    }
    applyLetterhead(def, report.letterhead, report.logoPng);
    ReportDataSet data;
    data.name = table;
    for (const QString& c : report.columns)
        data.columns.append(c.toUpper());
    data.rows = report.rows;
    return layoutReport(def, {data});
}

void writeDirectReportPdf(const DirectReport& report, const QString& pdfPath)
{
    writePdf(prepareDirectReport(report), pdfPath);
}

} // namespace kalvora
