#pragma once

class QLabel;
class QString;
class QWidget;

namespace kalvora {

// Makes the caption beside a control its name for screen readers and its keyboard buddy.
void nameByCaption(QLabel* caption, QWidget* control);
// A label that shows a value is never named by its caption: see describeByCaption.
void nameByCaption(QLabel* caption, QLabel* value) = delete;

// A label that shows a value: screen readers read the shown text as its name (Qt takes a label's text
// as its name while no name is set, and announces every change of it); the caption beside it becomes
// its description and, for the keyboard, its buddy.
void describeByCaption(QLabel* caption, QLabel* value);
// The same for a value label whose caption is not a label of its own (a heading, a window's purpose).
void describeValueLabel(QLabel* value, const QString& caption);

} // namespace kalvora
