#pragma once
// While it lives, mouse, key and touch input to every window of the program is
// dropped (not queued): a long call that lets window messages run for its
// progress cannot be interrupted by a click or a shortcut in another window.
#include <QObject>

class UserInputBlocker : public QObject {
public:
    UserInputBlocker();
    ~UserInputBlocker() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
