#include "FormSize.h"

#include "ScrolledWindow.h"
#include "Twips.h"

namespace {
constexpr int FormMarginTwips = 120; // between a form's edge and its ScrolledWindow1
}

QSize fFormPreferredSize(const QWidget& form)
{
    QSize size;
    if (const QSize hint = form.sizeHint(); hint.isValid())
        size = hint;
    if (form.testAttribute(Qt::WA_Resized))
        size = size.isValid() ? size.expandedTo(form.size()) : form.size();
    for (const ScrolledWindow* scrolled : form.findChildren<ScrolledWindow*>(Qt::FindDirectChildrenOnly)) {
        const QSize extent = scrolled->ContentExtent();
        if (extent.isEmpty())
            continue;
        const QSize content(scrolled->x() + twipsToPx(extent.width() + FormMarginTwips),
                            scrolled->y() + twipsToPx(extent.height() + FormMarginTwips));
        size = size.isValid() ? size.expandedTo(content) : content;
    }
    return size;
}
