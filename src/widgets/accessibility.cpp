#include "widgets/accessibility.h"

#include "widgets/picture_button.h"

#include <QLabel>

namespace kalvora {

void nameByCaption(QLabel* caption, QWidget* control)
{
    caption->setBuddy(control);
    control->setAccessibleName(plainCaption(caption->text()).trimmed());
}

} // namespace kalvora
