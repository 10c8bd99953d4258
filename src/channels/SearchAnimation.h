#pragma once
// The search animation a connection test shows while it runs, played in a
// label; a missing or unreadable animation file just shows nothing.
#include <QObject>

class QLabel;
class QMovie;

class SearchAnimation : public QObject {
    Q_OBJECT
public:
    explicit SearchAnimation(QLabel* target);
    void start();
    void stop();
    bool isRunning() const;

private:
    QLabel* m_target;
    QMovie* m_movie;
};
