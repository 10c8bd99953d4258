#pragma once
// The program's loaded forms in load order, each known by its name (the
// objectName, "frmTable") and its tag (the property "Tag"). Only live forms
// are listed: a destroyed form drops out by itself.
#include <QList>
#include <QString>

class QWidget;

class FormRegistry {
public:
    // Adds the form at the end; a form already listed keeps its place.
    static void Load(QWidget* form);
    // Closes the form (with its MDI frame) and lists it no more; deleted later.
    static void Unload(QWidget* form);
    static QList<QWidget*> Forms();
    static bool IsLoaded(const QWidget* form);

    static QString Tag(const QWidget* form);
    static void SetTag(QWidget* form, const QString& tag);
};
