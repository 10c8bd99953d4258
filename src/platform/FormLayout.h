#pragma once
// Small layout mends the forms share.
#include <initializer_list>

class QAbstractSpinBox;
class QPushButton;
class QWidget;

// Puts the widgets, in the order given, after all other controls of the form in
// its tab cycle. A form's focus chain follows the order its controls were made
// in, which can put buttons between a tab bar and its page, or fields a
// subclass adds after the log box.
void fTabLast(QWidget* form, std::initializer_list<QWidget*> widgets);

// Widens the buttons, all alike, so the longest caption fits; never narrower
// than they are. Design widths are too narrow for some captions in our fonts.
void fWidenToCaptions(std::initializer_list<QPushButton*> buttons);

// The wheel changes the box only once it has been clicked or tabbed into; over an
// unfocused box it scrolls the form instead of changing a value nobody chose.
void fWheelOnlyWhenFocused(QAbstractSpinBox* box);
