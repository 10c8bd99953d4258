#pragma once
// While it lives, no mouse, keyboard or close request of the user reaches any
// window of the program: a restart wait, a connection test or a firmware run
// lets window events run, and the user must not log out, open another form or
// close windows meanwhile.
// Input that arrives is dropped, not queued for later. A close request of a
// window is held back and taken up once the program's work has ended
// (BusyScope); the block itself counts as such work. An Escape dropped is
// counted, so work that can be ended sees it (ResponsiveChannel).
#include "BusyScope.h"

#include <QObject>

class AppContext;

class UserInputBlock : public QObject {
    Q_OBJECT
public:
    UserInputBlock();
    ~UserInputBlock() override;

    static bool isUserInput(const QEvent* event);
    // Whether a block lives now: a message box shown meanwhile could not be answered.
    static bool isActive();
    // Lets pending events other than user input run once; input stays queued for later.
    static void processPendingEvents();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AppContext* m_app;
    BusyScope m_busy;
};
