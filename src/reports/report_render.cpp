#include "reports/report_render.h"

#include "reports/report_definition.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace kalvora {

QPageLayout pageLayoutFor(const PreparedPage& page)
{
    const QSizeF mm = page.size / unitsPerMm;
    const bool landscape = mm.width() > mm.height();
    return QPageLayout(QPageSize(landscape ? mm.transposed() : mm, QPageSize::Millimeter),
                       landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF());
}

void paintPage(QPainter& painter, const PreparedPage& page)
{
    for (const PreparedItem& it : page.items) {
        if (it.kind == PreparedItem::Kind::Line) {
            painter.setPen(QPen(it.lineColor, it.lineWidth, Qt::SolidLine, Qt::FlatCap));
            painter.drawLine(it.line);
            continue;
        }
        if (it.kind == PreparedItem::Kind::Picture) {
            if (!it.picture.isNull() && it.rect.width() > 0 && it.rect.height() > 0) {
                QSizeF size = QSizeF(it.picture.size()).scaled(it.rect.size(), Qt::KeepAspectRatio);
                const QRectF target(it.rect.topLeft() + QPointF(it.rect.width() - size.width(), 0), size);
                painter.drawImage(target, it.picture);
            }
            continue;
        }
        if (it.fill.isValid())
            painter.fillRect(it.rect, it.fill);
        if (!it.lines.isEmpty() && it.rect.width() > 0 && it.rect.height() > 0) {
            painter.save();
            painter.setClipRect(it.rect, Qt::IntersectClip);
            painter.setFont(it.font);
            painter.setPen(it.textColor);
            for (const PreparedLine& l : it.lines)
                painter.drawText(l.baseline, l.text);
            painter.restore();
        }
        if (it.frame != 0 && it.frameWidth > 0) {
            painter.setPen(QPen(it.frameColor, it.frameWidth, Qt::SolidLine, Qt::SquareCap));
            const QRectF& r = it.rect;
            if (it.frame & PreparedItem::Left)
                painter.drawLine(r.topLeft(), r.bottomLeft());
            if (it.frame & PreparedItem::Right)
                painter.drawLine(r.topRight(), r.bottomRight());
            if (it.frame & PreparedItem::Top)
                painter.drawLine(r.topLeft(), r.topRight());
            if (it.frame & PreparedItem::Bottom)
                painter.drawLine(r.bottomLeft(), r.bottomRight());
        }
    }
}

void writePdf(const PreparedReport& report, const QString& path)
{
    auto failed = [&](const QString& why) {
        return ReportError(QStringLiteral("PDF DOSYASI YAZILAMADI:\n") + path +
                           (why.isEmpty() ? QString() : QStringLiteral("\n(") + why + QLatin1Char(')')));
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw failed(file.errorString());
    {
        QPdfWriter writer(&file);
        writer.setCreator(QStringLiteral("KALVORA"));
        writer.setTitle(report.title);
        if (!report.pages.isEmpty())
            writer.setPageLayout(pageLayoutFor(report.pages.first()));
        QPainter painter;
        if (!painter.begin(&writer))
            throw failed(QString());
        const double scale = pageUnitScale(writer.resolution());
        for (qsizetype i = 0; i < report.pages.size(); ++i) {
            if (i > 0) {
                writer.setPageLayout(pageLayoutFor(report.pages.at(i)));
                writer.newPage();
            }
            painter.save();
            painter.scale(scale, scale);
            paintPage(painter, report.pages.at(i));
            painter.restore();
        }
        painter.end();
    }
    if (!file.commit())
        throw failed(file.errorString());
}

} // namespace kalvora
