#include "reports/chart.h"

#include "data/turkish_text.h"

#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>

namespace kalvora {

namespace {

const QColor lentColor(0xc0, 0x39, 0x2b);
const QColor collectedColor(0x27, 0xae, 0x60);
const QColor lineColor(0x1d, 0x4a, 0x7d);
const QColor cashColor(0xe6, 0xa1, 0x00);

// A round step for about `ticks` divisions of the range: 1, 2 or 5 times a power of ten.
double niceStep(double range, int ticks)
{
    if (range <= 0)
        return 1;
    const double raw = range / ticks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double f : {1.0, 2.0, 5.0, 10.0})
        if (raw <= f * power)
            return f * power;
    return 10 * power;
}

const char* const monthNames[] = {"OCAK",   "ŞUBAT",   "MART",  "NİSAN", "MAYIS", "HAZİRAN",
                                  "TEMMUZ", "AĞUSTOS", "EYLÜL", "EKİM",  "KASIM", "ARALIK"};

QStringList monthsOf(int year)
{
    QStringList out;
    for (int m = 1; m <= 12; ++m)
        out << monthName(year * 100 + m);
    return out;
}

} // namespace

QString monthName(MonthKey month)
{
    const int m = month % 100;
    if (m < 1 || m > 12)
        return QString::number(month);
    return QString::fromUtf8(monthNames[m - 1]) + QLatin1Char(' ') + QString::number(month / 100);
}

QStringList Chart::tableHeader() const
{
    QStringList out{categoryHeader};
    for (const ChartSeries& s : series)
        out << s.name + QStringLiteral(" (") + currency + QLatin1Char(')');
    return out;
}

QList<QStringList> Chart::tableRows() const
{
    QList<QStringList> rows;
    for (qsizetype i = 0; i < categories.size(); ++i) {
        QStringList row{categories.at(i)};
        for (const ChartSeries& s : series)
            row << centsText(s.cents.value(i));
        rows << row;
    }
    return rows;
}

QString Chart::summary() const
{
    QStringList names;
    for (const ChartSeries& s : series)
        names << s.name;
    return title + QStringLiteral(": ") + names.join(QStringLiteral(", ")) + QStringLiteral("; ") +
           QString::number(categories.size()) + QStringLiteral(" SATIR. RAKAMLAR İÇİN TABLO.");
}

Chart netPositionChart(const QList<NetPositionMonth>& months, const QString& currency)
{
    Chart c{QStringLiteral("NET DURUM (") + currency + QLatin1Char(')'),
            QStringLiteral("AY"),
            currency,
            {},
            {},
            false};
    ChartSeries net{QStringLiteral("NET DURUM"), SeriesKind::Line, lineColor, {}};
    for (const NetPositionMonth& m : months) {
        c.categories << monthName(m.month);
        net.cents << m.netCents;
    }
    c.series << net;
    return c;
}

namespace {

Chart balanceChart(const QString& title, const QString& seriesName, const QColor& color,
                   const QList<BalanceBar>& bars, const QString& currency)
{
    Chart c{title + QStringLiteral(" (") + currency + QLatin1Char(')'),
            QStringLiteral("ADI SOYADI"),
            currency,
            {},
            {},
            true};
    ChartSeries s{seriesName, SeriesKind::Bar, color, {}};
    for (const BalanceBar& b : bars) {
        c.categories << b.name;
        s.cents << b.cents;
    }
    c.series << s;
    return c;
}

} // namespace

Chart topDebtorsChart(const QList<BalanceBar>& bars, const QString& currency)
{
    return balanceChart(QStringLiteral("EN ÇOK BORÇLU 10 KİŞİ"), QStringLiteral("BORCU"), lentColor, bars,
                        currency);
}

Chart topCreditorsChart(const QList<BalanceBar>& bars, const QString& currency)
{
    return balanceChart(QStringLiteral("EN ÇOK ALACAKLI 10 KİŞİ"), QStringLiteral("ALACAĞI"), collectedColor,
                        bars, currency);
}

Chart lentCollectedChart(const std::array<LentCollectedMonth, 12>& months, int year, const QString& currency)
{
    Chart c{QStringLiteral("VERİLEN VE ALINAN PARALAR ") + QString::number(year) + QStringLiteral(" (") +
                currency + QLatin1Char(')'),
            QStringLiteral("AY"),
            currency,
            monthsOf(year),
            {},
            false};
    ChartSeries lent{QStringLiteral("VERİLEN"), SeriesKind::Bar, lentColor, {}};
    ChartSeries collected{QStringLiteral("ALINAN"), SeriesKind::Bar, collectedColor, {}};
    for (const LentCollectedMonth& m : months) {
        lent.cents << m.lentCents;
        collected.cents << m.collectedCents;
    }
    c.series << lent << collected;
    return c;
}

Chart ledgerChart(const std::array<LedgerMonth, 12>& months, int year)
{
    const QString tl = QStringLiteral("TL");
    Chart c{QStringLiteral("GELİR, GİDER VE KASA ") + QString::number(year) + QStringLiteral(" (TL)"),
            QStringLiteral("AY"),
            tl,
            monthsOf(year),
            {},
            false};
    ChartSeries income{QStringLiteral("GELİR"), SeriesKind::Bar, collectedColor, {}};
    ChartSeries expense{QStringLiteral("GİDER"), SeriesKind::Bar, lentColor, {}};
    ChartSeries cash{QStringLiteral("KASA"), SeriesKind::Line, cashColor, {}};
    for (const LedgerMonth& m : months) {
        income.cents << m.incomeCents;
        expense.cents << m.expenseCents;
        cash.cents << m.cashCents;
    }
    c.series << income << expense << cash;
    return c;
}

void paintChart(QPainter& p, const QRectF& rect, const Chart& chart)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect, Qt::white);
    QFont font = p.font();
    font.setPointSizeF(std::max(6.0, rect.height() / 60));
    p.setFont(font);
    const QFontMetricsF fm(font, p.device());
    const double line = fm.height();
    const double pad = line * 0.6;

    // Title, then the legend.
    QFont titleFont = font;
    titleFont.setBold(true);
    titleFont.setPointSizeF(font.pointSizeF() * 1.3);
    p.setFont(titleFont);
    p.setPen(Qt::black);
    QRectF titleRect(rect.left(), rect.top() + pad, rect.width(), line * 1.4);
    p.drawText(titleRect, Qt::AlignCenter, chart.title);
    p.setFont(font);
    double x = rect.left() + pad * 2;
    const double legendY = titleRect.bottom() + pad * 0.5;
    for (const ChartSeries& s : chart.series) {
        const QRectF swatch(x, legendY + line * 0.2, line * 0.8, line * 0.6);
        if (s.kind == SeriesKind::Bar)
            p.fillRect(swatch, s.color);
        else {
            p.setPen(QPen(s.color, line * 0.2));
            p.drawLine(QPointF(swatch.left(), swatch.center().y()),
                       QPointF(swatch.right(), swatch.center().y()));
        }
        p.setPen(Qt::black);
        p.drawText(QPointF(swatch.right() + pad * 0.5, legendY + fm.ascent()), s.name);
        x = swatch.right() + pad * 1.5 + fm.horizontalAdvance(s.name);
    }

    qint64 lo = 0;
    qint64 hi = 0;
    for (const ChartSeries& s : chart.series)
        for (qint64 v : s.cents) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    const double step = niceStep(double(hi - lo) / 100, 5);
    const double low = std::floor(double(lo) / 100 / step) * step;
    const double high = std::max(low + step, std::ceil(double(hi) / 100 / step) * step);

    const int n = int(chart.categories.size());
    double categoryWidth = 0;
    for (const QString& c : chart.categories)
        categoryWidth = std::max(categoryWidth, fm.horizontalAdvance(c));
    const double amountWidth = std::max(fm.horizontalAdvance(centsText(qint64(low * 100))),
                                        fm.horizontalAdvance(centsText(qint64(high * 100))));
    QRectF plot(rect.left() + pad * 2, legendY + line * 1.5, rect.width() - pad * 4, 0);
    plot.setBottom(rect.bottom() - pad - line * (chart.horizontal ? 1.2 : 1.6));
    if (chart.horizontal) {
        plot.setLeft(plot.left() + std::min(categoryWidth, rect.width() * 0.35) + pad);
        plot.setRight(plot.right() - amountWidth / 2); // the last amount is centred on the edge
    } else
        plot.setLeft(plot.left() + amountWidth + pad);
    if (n == 0) {
        p.drawText(plot, Qt::AlignCenter, QStringLiteral("GÖSTERİLECEK KAYIT YOK"));
        p.restore();
        return;
    }

    // Value to position along the amount axis.
    const auto along = [&](double value) {
        const double t = (value - low) / (high - low);
        return chart.horizontal ? plot.left() + t * plot.width() : plot.bottom() - t * plot.height();
    };
    p.setPen(QPen(QColor(0xdd, 0xdd, 0xdd), 0));
    for (double v = low; v <= high + step / 2; v += step) {
        const double pos = along(v);
        const QString label = centsText(qint64(std::llround(v * 100)));
        p.setPen(QPen(QColor(0xdd, 0xdd, 0xdd), 0));
        if (chart.horizontal) {
            p.drawLine(QPointF(pos, plot.top()), QPointF(pos, plot.bottom()));
            p.setPen(Qt::black);
            const double w = fm.horizontalAdvance(label);
            p.drawText(QPointF(pos - w / 2, plot.bottom() + fm.ascent() + 2), label);
        } else {
            p.drawLine(QPointF(plot.left(), pos), QPointF(plot.right(), pos));
            p.setPen(Qt::black);
            p.drawText(QRectF(rect.left(), pos - line / 2, plot.left() - rect.left() - pad / 2, line),
                       Qt::AlignRight | Qt::AlignVCenter, label);
        }
    }
    const double zero = along(0);
    p.setPen(QPen(Qt::black, 0));
    if (chart.horizontal)
        p.drawLine(QPointF(zero, plot.top()), QPointF(zero, plot.bottom()));
    else
        p.drawLine(QPointF(plot.left(), zero), QPointF(plot.right(), zero));

    const double slot = (chart.horizontal ? plot.height() : plot.width()) / n;
    const auto slotStart = [&](int i) { return (chart.horizontal ? plot.top() : plot.left()) + i * slot; };
    int bars = 0;
    for (const ChartSeries& s : chart.series)
        bars += s.kind == SeriesKind::Bar ? 1 : 0;
    const double barWidth = bars ? slot * 0.8 / bars : 0;

    // Category labels: as many as fit without overlapping.
    const int every = chart.horizontal ? std::max(1, int(std::ceil(line / slot)))
                                       : std::max(1, int(std::ceil((categoryWidth + pad) / slot)));
    p.setPen(Qt::black);
    for (int i = 0; i < n; i += every) {
        const QString& c = chart.categories.at(i);
        if (chart.horizontal)
            p.drawText(QRectF(rect.left() + pad, slotStart(i), plot.left() - rect.left() - pad * 1.5, slot),
                       Qt::AlignRight | Qt::AlignVCenter,
                       fm.elidedText(c, Qt::ElideRight, plot.left() - rect.left() - pad * 1.5));
        else
            p.drawText(
                QRectF(slotStart(i) + slot / 2 - categoryWidth, plot.bottom() + 2, categoryWidth * 2, line),
                Qt::AlignHCenter | Qt::AlignTop, c);
    }

    int b = 0;
    for (const ChartSeries& s : chart.series) {
        if (s.kind != SeriesKind::Bar)
            continue;
        for (int i = 0; i < n; ++i) {
            const double v = along(double(s.cents.value(i)) / 100);
            const double start = slotStart(i) + slot * 0.1 + b * barWidth;
            const QRectF r =
                chart.horizontal
                    ? QRectF(QPointF(std::min(zero, v), start), QPointF(std::max(zero, v), start + barWidth))
                    : QRectF(QPointF(start, std::min(zero, v)), QPointF(start + barWidth, std::max(zero, v)));
            p.fillRect(r, s.color);
        }
        ++b;
    }
    for (const ChartSeries& s : chart.series) {
        if (s.kind != SeriesKind::Line)
            continue;
        QPainterPath path;
        for (int i = 0; i < n; ++i) {
            const QPointF pt(slotStart(i) + slot / 2, along(double(s.cents.value(i)) / 100));
            i == 0 ? path.moveTo(pt) : path.lineTo(pt);
        }
        p.setPen(QPen(s.color, std::max(1.5, line * 0.15)));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        if (n <= 40) {
            p.setBrush(s.color);
            for (int i = 0; i < n; ++i)
                p.drawEllipse(QPointF(slotStart(i) + slot / 2, along(double(s.cents.value(i)) / 100)),
                              line * 0.18, line * 0.18);
        }
    }
    p.restore();
}

bool saveChartPng(const Chart& chart, const QString& path, QString* error)
{
    QImage image(1600, 1000, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    {
        QPainter p(&image);
        paintChart(p, QRectF(image.rect()), chart);
    }
    if (image.save(path, "PNG"))
        return true;
    if (error)
        *error = QStringLiteral("RESİM KAYDEDİLEMEDİ: ") + path;
    return false;
}

bool saveChartPdf(const Chart& chart, const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("PDF KAYDEDİLEMEDİ: ") + path;
        return false;
    }
    QPdfWriter pdf(&file);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageOrientation(QPageLayout::Landscape);
    pdf.setResolution(150);
    pdf.setTitle(chart.title);
    {
        QPainter p(&pdf);
        paintChart(p, QRectF(QPointF(0, 0), QSizeF(pdf.width(), pdf.height())), chart);
    }
    file.close();
    if (file.error() == QFileDevice::NoError)
        return true;
    if (error)
        *error = QStringLiteral("PDF KAYDEDİLEMEDİ: ") + path;
    return false;
}

} // namespace kalvora
