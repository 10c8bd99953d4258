#pragma once
// Shared by the serial channel dialog tests: the stored settings key, the
// dialog's controls by name and a combo box's items.
#include "common/TestEnv.h"
#include "platform/RegistryStore.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QStringList>
#include <QTest>
#include <QWidget>

const QString kKey = QStringLiteral("SOFTWARE\\Harmsted\\TD4700_V4\\Common");

inline QString stored(const QString& name)
{
    QString v;
    app().gObjRegistry->ReadValue(HKEY_CURRENT_USER, kKey, name, v);
    return v;
}

template <class T> T* child(QWidget* form, const QString& name)
{
    T* w = form->findChild<T*>(name);
    if (!w)
        qFatal("no control %s", qPrintable(name));
    return w;
}

inline QStringList items(QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

// Types text over a number box's content, then leaves the box as a click on a button does.
inline void typeInto(QAbstractSpinBox* box, const QString& text)
{
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
    QFocusEvent leave(QEvent::FocusOut, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(box, &leave);
}
