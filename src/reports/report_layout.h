#pragma once

#include "reports/report_data.h"

#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QImage>
#include <QLineF>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

namespace kalvora {

class ReportDefinition;

// Prepared pages are measured in hundredths of a millimetre from the paper's top left corner.
inline constexpr double unitsPerMm = 100.0;

// One line of text placed on the page: its baseline start.
struct PreparedLine {
    QPointF baseline;
    QString text;
};

// One drawn object of a page: a text box (fill, text lines clipped to the box, frame) or a line.
struct PreparedItem {
    enum class Kind { Text, Line, Picture };
    enum FrameSide { Left = 1, Right = 2, Top = 4, Bottom = 8 };

    Kind kind = Kind::Text;
    QString name; // the object of the definition it comes from
    QRectF rect;
    QColor fill; // invalid: none
    int frame = 0;
    double frameWidth = 0;
    QColor frameColor;
    QFont font; // pixel size in page units
    QColor textColor;
    QList<PreparedLine> lines;
    QLineF line;
    double lineWidth = 0;
    QColor lineColor;
    QImage picture; // for a Picture: drawn inside rect, its proportions kept

    // The visible lines joined by line breaks.
    QString text() const;
};

struct PreparedPage {
    QSizeF size; // page units
    QList<PreparedItem> items;
};

struct PreparedReport {
    QString title;
    QList<PreparedPage> pages;

    // Every text item of that name, page by page in order (tests and checks).
    QStringList texts(const QString& itemName) const;
};

// Lays the definition out on pages. Objects: texts (TfrxMemoView), lines (TfrxLineView) and pictures
// (TfrxPictureView, the picture as base64 PNG or JPEG in Picture.Data; without one nothing is drawn). Bands:
// TfrxReportTitle (first page), TfrxPageHeader (top of every page), TfrxMasterData (once per row of its
// DataSet), TfrxReportSummary (after the last row), TfrxPageFooter (bottom of every page). A band with
// Stretched="True" grows with its stretching texts; a row that does not fit the rest of a page moves to the
// next one, and one taller than a whole page is split between pages. Texts wrap inside their box and what
// does not fit is cut, never drawn over the next object. Needs a QGuiApplication (fonts). Throws ReportError
// on a definition it cannot lay out (no page, page too small, missing data set).
PreparedReport layoutReport(const ReportDefinition& definition, const QList<ReportDataSet>& data,
                            const QDateTime& preparedAt = QDateTime::currentDateTime());

// Loads the definition file, reads its data and lays it out. Throws ReportError.
PreparedReport prepareReportFile(const QString& definitionPath,
                                 const QDateTime& preparedAt = QDateTime::currentDateTime());

} // namespace kalvora
