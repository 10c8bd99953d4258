#include "FormSize.h"

#include "ScrolledWindow.h"
#include "Twips.h"

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
        const QSize content(scrolled->x() + twipsToPx(extent.width() + ScrolledWindow::FormMarginTwips),
                            scrolled->y() + twipsToPx(extent.height() + ScrolledWindow::FormMarginTwips));
        size = size.isValid() ? size.expandedTo(content) : content;
    }
    return size;
}
