#pragma once

class QLabel;
class QWidget;

namespace kalvora {

// Makes the caption beside a control its name for screen readers and its keyboard buddy.
void nameByCaption(QLabel* caption, QWidget* control);

} // namespace kalvora
