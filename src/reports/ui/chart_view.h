#pragma once

#include "reports/chart.h"

#include <QWidget>

namespace kalvora {

// Draws one chart; screen readers get its summary, and its figures from the table beside it.
class ChartView final : public QWidget {
    Q_OBJECT
public:
    explicit ChartView(QWidget* parent = nullptr);

    void setChart(const Chart& chart);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Chart m_chart;
};

// Asks for a printer and prints the chart on one landscape page; an error is said in Turkish.
void printChart(QWidget* parent, const Chart& chart);

} // namespace kalvora
