#pragma once

#include "reports/report_layout.h"

#include <QPageLayout>

class QPainter;

namespace kalvora {

// Paints one prepared page; the painter's coordinates must be page units (unitsPerMm per millimetre)
// from the paper's top left corner.
void paintPage(QPainter& painter, const PreparedPage& page);

// The scale from page units to a device of the given resolution (dots per inch).
inline double pageUnitScale(double dotsPerInch)
{
    return dotsPerInch / (25.4 * unitsPerMm);
}

// The paper of a prepared page: a standard size where it is one (A4 turned sideways is A4 landscape),
// no margins.
QPageLayout pageLayoutFor(const PreparedPage& page);

// Writes every page to a PDF file: to a temporary file first, renamed when complete. Throws
// ReportError naming the file.
void writePdf(const PreparedReport& report, const QString& path);

} // namespace kalvora
