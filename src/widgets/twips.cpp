#include "widgets/twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace kalvora {

namespace {

double scale()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return (dpi > 0 ? dpi : 96.0) / 96.0;
}

} // namespace

int twips(int value)
{
    return static_cast<int>(std::lround(value / 15.0 * scale()));
}

QRect twipsRect(int left, int top, int width, int height)
{
    return {twips(left), twips(top), twips(width), twips(height)};
}

int pixelsToTwips(int pixels)
{
    return static_cast<int>(std::lround(pixels * 15.0 / scale()));
}

} // namespace kalvora
