#include "widgets/accessibility.h"

#include "widgets/picture_button.h"

#include <QLabel>

namespace kalvora {

void nameByCaption(QLabel* caption, QWidget* control)
{
    caption->setBuddy(control);
    control->setAccessibleName(plainCaption(caption->text()).trimmed());
}

void describeByCaption(QLabel* caption, QLabel* value)
{
    caption->setBuddy(value);
    describeValueLabel(value, caption->text());
}

void describeValueLabel(QLabel* value, const QString& caption)
{
    value->setAccessibleName(QString());
    value->setAccessibleDescription(plainCaption(caption).trimmed());
}

} // namespace kalvora
