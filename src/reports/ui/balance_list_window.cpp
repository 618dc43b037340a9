#include "reports/ui/balance_list_window.h"

#include "data/db_error.h"
#include "reports/ui/list_printing.h"
#include "widgets/db_error_message.h"
#include "widgets/list_sorting.h"
#include "widgets/message_box.h"
#include "widgets/report_list.h"
#include "widgets/twips.h"

#include <QLabel>

namespace kalvora {

namespace {
enum Column {
    ColName,
    ColWork,
    ColMobile,
    ColTc,
    ColTax,
    ColAddress,
    ColTl,
    ColUsd,
    ColEuro,
    ColLateEuro = 11
};
}

BalanceListWindow::BalanceListWindow(Store& store, const QString& dataFolder, BalanceSide side,
                                     QWidget* parent)
    : ListReportWindow(store, dataFolder, parent), m_side(side)
{
    const bool debtors = side == BalanceSide::Debtors;
    setObjectName(debtors ? QStringLiteral("Form17") : QStringLiteral("Form18"));
    m_exportName = debtors ? QStringLiteral("BÜTÜN BORÇLULAR") : QStringLiteral("BÜTÜN ALACAKLILAR");
    m_exportKinds = {ExportKind::Text,   ExportKind::Text,   ExportKind::Text,
                     ExportKind::Text,   ExportKind::Text,   ExportKind::Text,
                     ExportKind::Number, ExportKind::Number, ExportKind::Number};
    if (debtors)
        m_exportKinds << ExportKind::Number << ExportKind::Number << ExportKind::Number;
    setWindowTitle(debtors ? QStringLiteral("TÜM BORÇULAR-TUTARA GÖRE LİSTELENMİŞTİR.")
                           : QStringLiteral("BÜTÜN ALACAKLILAR-TUTARA GÖRE LİSTELENMİŞTİR."));
    m_list->setAccessibleName(windowTitle());
    if (debtors) {
        m_list->setColumns({QStringLiteral("ADI SOYADI"), QStringLiteral("İŞ TELEFONU"),
                            QStringLiteral("CEP TELEFONU"), QStringLiteral("TC KİMLİK NO"),
                            QStringLiteral("VERGİ DAİRESİ"), QStringLiteral("ADRES"),
                            QStringLiteral("BORÇ TOPLAMI (TL)"), QStringLiteral("BORÇ TOPLAMI (DOLAR)"),
                            QStringLiteral("BORÇ TOPLAMI (EURO)"), QStringLiteral("VADESİ GEÇEN (TL)"),
                            QStringLiteral("VADESİ GEÇEN (DOLAR)"), QStringLiteral("VADESİ GEÇEN (EURO)")});
    } else {
        m_list->setColumns({QStringLiteral("ADI SOYADI"), QStringLiteral("İŞ TELEFONU"),
                            QStringLiteral("CEP TELEFONU"), QStringLiteral("TC KİMLİK NO"),
                            QStringLiteral("VERGİ DAİRESİ"), QStringLiteral("ADRES"),
                            QStringLiteral("TOPLAM BORÇ(TL)"), QStringLiteral("TOPLAM BORÇ(DOLAR)"),
                            QStringLiteral("TOPLAM BORÇ(EURO)")});
    }
    for (int c = ColTl; c <= (debtors ? ColLateEuro : ColEuro); ++c)
        m_list->setColumnAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    m_totalTl = addTotal("Label1", QStringLiteral("TOPLAM TL"), "Label3", 60);
    m_totalUsd = addTotal("Label4", QStringLiteral("TOPLAM DOLAR"), "Label2", 3180);
    m_totalEuro = addTotal("Label6", QStringLiteral("TOPLAM EURO"), "Label5", 6300);
    connect(m_list, &ReportList::headerClicked, this, &BalanceListWindow::headerClicked);
    // A person is told apart by the texts before the balances, which another desk's save changes.
    setIdentityColumns(ColTl);
    fill();
}

void BalanceListWindow::fill()
{
    m_list->clear();
    m_read = BalanceList();
    showingDbError(this, [&] { m_read = balanceList(m_store, m_side); });
    m_list->setRows(std::move(m_read.rows));
    m_read.rows.clear();
    SutunlariSigdir(m_list);
    ToPLa();
    ToPLa_usd();
    ToPLa_euro();
}

void BalanceListWindow::ToPLa()
{
    m_totalTl->setText(m_read.totalText(0));
}

void BalanceListWindow::ToPLa_usd()
{
    m_totalUsd->setText(m_read.totalText(1));
}

void BalanceListWindow::ToPLa_euro()
{
    m_totalEuro->setText(m_read.totalText(2));
}

void BalanceListWindow::headerClicked(int column)
{
    // The amounts sort by their value; the texts in Turkish alphabetical order.
    sortBy(column, column >= ColTl ? SortKind::Number : SortKind::Text);
}

void BalanceListWindow::print()
{
    ListPrintJob job;
    job.columns = QStringLiteral("S1#/S2#/S3#/S4#/S5#/S6#/S7#/S8#/S9#/");
    for (int r = 0; r < m_list->rowCount(); ++r) {
        job.rows.append(
            {{QStringLiteral("S1"), m_list->cell(r, ColName)},
             {QStringLiteral("S2"), m_list->cell(r, ColWork) + QLatin1Char('-') + m_list->cell(r, ColMobile)},
             {QStringLiteral("S5"), m_list->cell(r, ColTl)},
             {QStringLiteral("S6"), m_list->cell(r, ColUsd)},
             {QStringLiteral("S7"), m_list->cell(r, ColEuro)}});
    }
    job.templateName = QStringLiteral("bakiyeler.fr3");
    job.memoFields = {{QStringLiteral("Memo1"), QStringLiteral("s1")},
                      {QStringLiteral("Memo17"), QStringLiteral("s2")},
                      {QStringLiteral("Memo2"), QStringLiteral("s5")},
                      {QStringLiteral("Memo12"), QStringLiteral("s6")},
                      {QStringLiteral("Memo15"), QStringLiteral("s7")}};
    job.memoTexts = {
        {QStringLiteral("Memo9"), windowTitle() + QStringLiteral("  Tarih:  [Date]      Saat:  [Time]")},
        {QStringLiteral("Memo10"), m_read.totalText(0)},
        {QStringLiteral("Memo5"), m_read.totalText(1)},
        {QStringLiteral("Memo11"), m_read.totalText(2)}};
    printList(this, m_store, m_dataFolder, job, m_reportOptions);
}

} // namespace kalvora
