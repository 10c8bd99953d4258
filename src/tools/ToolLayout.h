#pragma once
// The tool forms keep their scroll container 120 twips inside the form's inner edges.
#include "platform/ScrolledWindow.h"
#include "platform/Twips.h"

#include <algorithm>

inline void sizeToolScrolledWindow(const QWidget* form, ScrolledWindow* window)
{
    const int margin = twipsToPx(120);
    window->setGeometry(0, 0, std::max(0, form->width() - margin), std::max(0, form->height() - margin));
    window->ArrangeConstituentControls();
}
