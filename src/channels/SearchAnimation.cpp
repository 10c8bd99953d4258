#include "SearchAnimation.h"

#include "platform/AppContext.h"
#include "platform/ResourceFiles.h"

#include <QLabel>
#include <QMovie>

SearchAnimation::SearchAnimation(QLabel* target)
    : QObject(target)
    , m_target(target)
    , m_movie(new QMovie(this))
{
}

void SearchAnimation::start()
{
    m_movie->stop();
    m_movie->setFileName(resourceFile(gCommon().PathFolderResCommon(), QStringLiteral("Graph/Findfile.gif")));
    m_target->setMovie(m_movie);
    m_movie->start();
}

void SearchAnimation::stop()
{
    m_movie->stop();
    m_target->clear();
}

bool SearchAnimation::isRunning() const { return m_movie->state() == QMovie::Running; }
