#include "FormLayout.h"

#include <QAbstractSpinBox>
#include <QEvent>
#include <QPushButton>
#include <algorithm>

void fTabLast(QWidget* form, std::initializer_list<QWidget*> widgets)
{
    // A moved widget takes its inner parts (a spin box's edit field) along.
    const auto moved = [&](const QWidget* w) {
        return std::any_of(widgets.begin(), widgets.end(),
                           [w](const QWidget* m) { return m == w || m->isAncestorOf(w); });
    };
    QWidget* last = nullptr;
    for (QWidget* w = form->nextInFocusChain(); w != form; w = w->nextInFocusChain())
        if (w->focusPolicy() != Qt::NoFocus && form->isAncestorOf(w) && !moved(w))
            last = w;
    // Qt orders a compound control (a spin box) by itself, not by its inner edit field.
    while (last != nullptr && last->parentWidget() != form && last->parentWidget()->focusProxy() == last)
        last = last->parentWidget();
    for (QWidget* w : widgets) {
        if (last != nullptr)
            QWidget::setTabOrder(last, w);
        last = w;
    }
}

void fWidenToCaptions(std::initializer_list<QPushButton*> buttons)
{
    int width = 0;
    for (const QPushButton* b : buttons)
        width = std::max({width, b->width(), b->sizeHint().width()});
    for (QPushButton* b : buttons)
        b->resize(width, b->height());
}

namespace {
class UnfocusedWheelFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Wheel || static_cast<QWidget*>(watched)->hasFocus())
            return false;
        event->ignore(); // passed on to the parent, which may scroll
        return true;
    }
};
} // namespace

void fWheelOnlyWhenFocused(QAbstractSpinBox* box)
{
    box->setFocusPolicy(Qt::StrongFocus); // the wheel does not take the focus either
    box->installEventFilter(new UnfocusedWheelFilter(box));
}
