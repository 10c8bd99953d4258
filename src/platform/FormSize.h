#pragma once
// The size a form asks for when a window opens for it. A form declares it in
// any of three ways, and the largest wins:
//  - a size hint (a form laid out with a QLayout has one, or it overrides sizeHint()),
//  - resize() in its constructor to its design size,
//  - nothing: the controls it places in its ScrolledWindow1 give the extent,
//    plus the 120-twip margin every form keeps around that container.
#include <QSize>

class QWidget;

// Invalid when the form declares nothing at all.
QSize fFormPreferredSize(const QWidget& form);
