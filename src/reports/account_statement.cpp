#include "reports/account_statement.h"

#include "reports/report_bridge.h"

namespace kalvora {

void printStatement(ReportBridge& bridge, const QString& templatePath, const StatementData& data)
{
    const QString table = QStringLiteral("tablo_glr");
    bridge.TabloOlustur(table, QStringLiteral("S1#/S2#/S3#/S4#/"));
    for (const StatementRow& row : data.rows) {
        bridge.AlanEkle(QStringLiteral("S1"), row.description, true);
        bridge.AlanEkle(QStringLiteral("S2"), row.amount, false);
        bridge.AlanEkle(QStringLiteral("S3"), row.currency, false);
        bridge.AlanEkle(QStringLiteral("S4"), row.date, false);
        bridge.SatirYaz(table);
    }
    bridge.RaporAc(templatePath);
    bridge.BandBagla(QStringLiteral("MasterData1"), table);
    bridge.MemoBagla(QStringLiteral("Memo1"), table, QStringLiteral("s1"));
    bridge.MemoBagla(QStringLiteral("Memo2"), table, QStringLiteral("s2"));
    bridge.MemoBagla(QStringLiteral("Memo3"), table, QStringLiteral("s3"));
    bridge.MemoBagla(QStringLiteral("Memo21"), table, QStringLiteral("s4"));
    bridge.MemoYaz(QStringLiteral("Memo10"), data.euro.text());
    bridge.MemoYaz(QStringLiteral("Memo11"), data.name);
    bridge.MemoYaz(QStringLiteral("Memo12"), data.dollar.text());
    bridge.MemoYaz(QStringLiteral("Memo13"), data.tl.text());
    bridge.RaporGoster();
}

} // namespace kalvora
