#pragma once

#include "reports/report_lists.h"
#include "reports/ui/list_report_window.h"

namespace kalvora {

// Form17 (debtors) and Form18 (creditors) with the three balance totals.
class BalanceListWindow final : public ListReportWindow {
    Q_OBJECT
public:
    BalanceListWindow(Store& store, const QString& dataFolder, BalanceSide side, QWidget* parent = nullptr);

    // TumBorclular / TumAlacaklilar: fills the list, then the three totals.
    void fill() override;
    void ToPLa();
    void ToPLa_usd();
    void ToPLa_euro();

    void print() override;

private:
    void headerClicked(int column);

    BalanceSide m_side;
    BalanceList m_read; // rows are handed to the list; the totals stay here
    QLabel* m_totalTl;
    QLabel* m_totalUsd;
    QLabel* m_totalEuro;
};

} // namespace kalvora
