#pragma once

#include "reports/chart_figures.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

class QPainter;
class QRectF;
class QIODevice;

namespace kalvora {

enum class SeriesKind { Bar, Line };

struct ChartSeries {
    QString name;
    SeriesKind kind = SeriesKind::Bar;
    QColor color;
    QList<qint64> cents; // one per category
};

// A chart as drawn and as its table: categories along one axis (months, people), the series'
// amounts in kuruş of one currency along the other.
struct Chart {
    QString title;
    QString categoryHeader; // the table's first column
    QString currency;
    QStringList categories;
    QList<ChartSeries> series;
    bool horizontal = false; // bars from the left edge, one row per category

    // The table of the figures: the category column, then one column per series ("#,##0.00").
    QStringList tableHeader() const;
    QList<QStringList> tableRows() const;
    // What a screen reader is told about the picture.
    QString summary() const;
};

// "Ocak 2026" style month names in upper case: "OCAK 2026".
QString monthName(MonthKey month);

Chart netPositionChart(const QList<NetPositionMonth>& months, const QString& currency);
Chart topDebtorsChart(const QList<BalanceBar>& bars, const QString& currency);
Chart topCreditorsChart(const QList<BalanceBar>& bars, const QString& currency);
Chart lentCollectedChart(const std::array<LentCollectedMonth, 12>& months, int year, const QString& currency);
Chart ledgerChart(const std::array<LedgerMonth, 12>& months, int year);

// Draws the chart into the rectangle: axes with amounts, bars, lines and a legend.
void paintChart(QPainter& painter, const QRectF& rect, const Chart& chart);
// Writes the chart as a PNG picture (size in pixels) or a one-page PDF; false with a Turkish text in
// error when the file cannot be written.
bool saveChartPng(const Chart& chart, const QString& path, QString* error);
bool saveChartPdf(const Chart& chart, const QString& path, QString* error);

} // namespace kalvora
