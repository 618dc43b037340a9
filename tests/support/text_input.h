#pragma once

#include <QString>

class QWidget;

namespace kalvora::test {

// The ways text reaches a box other than typing.
enum class Insertion { CtrlV, ShiftInsert, Drop };

// Brings the text in at the end of the box's text, as a user would: through the clipboard with Ctrl+V
// or Shift+Insert, or dragged from elsewhere and dropped.
void insertText(QWidget* box, const QString& text, Insertion how);

} // namespace kalvora::test
