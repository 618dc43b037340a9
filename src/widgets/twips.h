#pragma once

#include <QRect>

namespace kalvora {

// Window measures are kept in twips (1/1440 inch): 15 twips make one pixel at 96 dpi. The scale
// follows the primary screen's logical dpi.
int twips(int value);
QRect twipsRect(int left, int top, int width, int height);
// Pixels back to twips (for window sizes handed to resize rules).
int pixelsToTwips(int pixels);

} // namespace kalvora
