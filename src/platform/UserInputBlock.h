#pragma once
// While it lives, no mouse, keyboard or close request of the user reaches any
// window of the program: a connection test or a firmware run lets window
// events run, and the user must not log out, open another form or close
// windows meanwhile.
// Events that arrive are dropped, not queued for later.
#include <QObject>

class UserInputBlock : public QObject {
    Q_OBJECT
public:
    UserInputBlock();
    ~UserInputBlock() override;

    static bool isUserInput(const QEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
