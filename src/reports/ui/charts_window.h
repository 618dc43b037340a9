#pragma once

#include "reports/chart.h"

#include <QDialog>

#include <array>

class QComboBox;
class QSpinBox;
class QStackedWidget;
class QTabWidget;
class QTableWidget;

namespace kalvora {

class ChartView;
class PictureButton;
class Store;

enum class ChartKind { NetPosition, TopDebtors, TopCreditors, LentCollected, Ledger };
inline constexpr int chartKindCount = 5;

// The charts of the reports menu: one tab per chart, each either drawn or as the table of its figures
// ("TABLO"), saved as a picture or PDF, or printed. A chart's figures are read when its tab is first
// shown and again when the currency or year changes or another desk changes the book.
class ChartsWindow final : public QDialog {
    Q_OBJECT
public:
    explicit ChartsWindow(Store& store, QWidget* parent = nullptr);

    ChartKind currentKind() const;
    void showKind(ChartKind kind);
    const Chart& chart(ChartKind kind) const { return m_charts[size_t(kind)]; }
    bool showingTables() const;

    // Reads the chart's figures for the chosen currency and year and shows them.
    void loadChart(ChartKind kind);
    // Another desk changed the accounts: every chart is read again (the one shown at once).
    void refreshForOtherDesks();
    // Another desk changed a ledger: the ledger chart is read again.
    void refreshLedgers();

Q_SIGNALS:
    // "YAZDIR": the opener prints the chart.
    void printRequested(const Chart& chart);

private:
    void showCurrent();
    void invalidate(ChartKind kind);
    void saveCurrent();

    Store& m_store;
    QComboBox* m_currency = nullptr;
    QSpinBox* m_year = nullptr;
    QTabWidget* m_tabs = nullptr;
    PictureButton* m_tableButton = nullptr;
    std::array<Chart, chartKindCount> m_charts;
    std::array<bool, chartKindCount> m_fresh{};
    std::array<QStackedWidget*, chartKindCount> m_stacks{};
    std::array<ChartView*, chartKindCount> m_views{};
    std::array<QTableWidget*, chartKindCount> m_tables{};
};

} // namespace kalvora
