#pragma once

#include "reports/aging.h"
#include "reports/ui/list_report_window.h"

class QComboBox;
class QSpinBox;

namespace kalvora {

// "YAŞLANDIRMA": per person and currency what is still open, by how late it is, with the totals per
// currency. The bucket bounds, the dating (due date or transaction date) and the book's default term
// are chosen above the list.
class AgingWindow final : public ListReportWindow {
    Q_OBJECT
public:
    AgingWindow(Store& store, const QString& dataFolder, QWidget* parent = nullptr);

    void fill() override;
    void print() override;

    const AgingReport& report() const { return m_report; }
    AgingBounds bounds() const;
    QSpinBox* boundBox(int i) const { return m_bound[i]; }
    QComboBox* datingBox() const { return m_dating; }
    QSpinBox* defaultTermBox() const { return m_term; }

private:
    void headerClicked(int column);
    void termChosen();
    void showTotals();
    void applyHeaders(const AgingBounds& bounds);

    AgingReport m_report;
    QSpinBox* m_bound[3] = {};
    QComboBox* m_dating = nullptr;
    QSpinBox* m_term = nullptr;
    QLabel* m_total[3] = {};
};

} // namespace kalvora
