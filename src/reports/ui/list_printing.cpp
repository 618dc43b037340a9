#include "reports/ui/list_printing.h"

#include "reports/letterhead.h"
#include "reports/ui/report_print.h"

#include <QDir>

namespace kalvora {

bool printList(QWidget* parent, Store& store, const QString& dataFolder, const ListPrintJob& job,
               const ReportOptions& options)
{
    const QString table = QStringLiteral("tablo_glr");
    return runReportPrint(
        parent, store,
        [&](ReportBridge& bridge) {
            bridge.TabloOlustur(table, job.columns);
            for (const ListPrintJob::Pairs& row : job.rows) {
                bool first = true;
                for (const auto& cell : row) {
                    bridge.AlanEkle(cell.first, cell.second, first);
                    first = false;
                }
                bridge.SatirYaz(table);
            }
            bridge.RaporAc(QDir(dataFolder).filePath(job.templateName));
            bridge.BandBagla(QStringLiteral("MasterData1"), table);
            for (const auto& memo : job.memoFields)
                bridge.MemoBagla(memo.first, table, memo.second);
            for (const auto& memo : job.memoTexts)
                bridge.MemoYaz(memo.first, memo.second);
            if (job.letterhead && bridge.definition())
                applyLetterhead(*bridge.definition(), *job.letterhead, job.logoPng);
            bridge.RaporGoster();
        },
        options);
}

} // namespace kalvora
