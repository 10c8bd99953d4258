#include "FormRegistry.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <QVariant>
#include <QWidget>

namespace {
// Holds only weak references, so nothing outlives the forms themselves.
QList<QPointer<QWidget>>& loaded()
{
    static QList<QPointer<QWidget>> forms;
    forms.removeAll(QPointer<QWidget>());
    return forms;
}
} // namespace

void FormRegistry::Load(QWidget* form)
{
    if (form == nullptr || IsLoaded(form))
        return;
    loaded().append(QPointer<QWidget>(form));
}

void FormRegistry::Unload(QWidget* form)
{
    if (form == nullptr)
        return;
    QWidget* frame = form;
    if (auto* sub = qobject_cast<QMdiSubWindow*>(form->parentWidget()))
        frame = sub;
    // A form that refuses to close (a dialog in the middle of its test) stays loaded and alive.
    if (!frame->close())
        return;
    loaded().removeAll(QPointer<QWidget>(form));
    frame->deleteLater();
}

QList<QWidget*> FormRegistry::Forms()
{
    QList<QWidget*> forms;
    for (const QPointer<QWidget>& form : loaded())
        forms.append(form.data());
    return forms;
}

bool FormRegistry::IsLoaded(const QWidget* form)
{
    for (const QPointer<QWidget>& entry : loaded())
        if (entry.data() == form)
            return true;
    return false;
}

QString FormRegistry::Tag(const QWidget* form)
{
    return form ? form->property("Tag").toString() : QString();
}

void FormRegistry::SetTag(QWidget* form, const QString& tag)
{
    if (form)
        form->setProperty("Tag", tag);
}
