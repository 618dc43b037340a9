#include "reports/ui/chart_view.h"

#include "widgets/message_box.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace kalvora {

ChartView::ChartView(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(320, 200);
    setFocusPolicy(Qt::StrongFocus);
}

void ChartView::setChart(const Chart& chart)
{
    m_chart = chart;
    setAccessibleName(chart.title);
    setAccessibleDescription(chart.summary());
    update();
}

void ChartView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paintChart(p, QRectF(rect()), m_chart);
}

void printChart(QWidget* parent, const Chart& chart)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(chart.title);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("YAZDIR"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    QPainter p;
    if (!p.begin(&printer)) {
        MessageBox::error(parent, QStringLiteral("YAZICI BAŞLATILAMADI: ") + printer.printerName(),
                          QStringLiteral("YAZDIRMA HATASI"));
        return;
    }
    paintChart(p, QRectF(QPointF(0, 0), QSizeF(printer.width(), printer.height())), chart);
}

} // namespace kalvora
