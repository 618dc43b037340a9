#pragma once

#include "accounts/account.h"
#include "reports/report_lists.h"
#include "reports/ui/list_report_window.h"

#include <optional>

class QComboBox;

namespace kalvora {

// Form14 (money given) and Form15 (money received) in one currency, with their total.
class MoneyListWindow final : public ListReportWindow {
    Q_OBJECT
public:
    MoneyListWindow(Store& store, const QString& dataFolder, MoneyDirection direction,
                    QWidget* parent = nullptr);

    // TumVerdiklerim / TumaLDiklarim: fills the list for the chosen currency, then totals it.
    void fill() override;
    void ToPLa();
    QComboBox* currencyBox() const { return m_combo; }

    void print() override;

private:
    void headerClicked(int column);

    MoneyDirection m_direction;
    QComboBox* m_combo;
    QLabel* m_totalCaption;
    QLabel* m_total;
    // What the rows shown were read for and the total of their amounts; the print takes these.
    std::optional<Currency> m_rowsCurrency;
    QString m_rowsTotal;
};

} // namespace kalvora
