#pragma once
// While it lives, user input (keys, shortcuts, mouse, wheel, touch, closing a
// window) reaches only the given window and its children; input meant for any
// other window is dropped, not queued. For work that lets window messages run
// but must not let the user act elsewhere meanwhile (a connection test).
#include <QObject>
#include <QPointer>

class QWidget;

class InputBlocker : public QObject {
public:
    explicit InputBlocker(QWidget* allowed);
    ~InputBlocker() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isAllowed(QObject* receiver) const;

    QPointer<QWidget> m_allowed;
};
