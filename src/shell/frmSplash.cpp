#include "frmSplash.h"

#include "platform/Hourglass.h"
#include "platform/ProgramVersion.h"
#include "platform/ResourceFiles.h"
#include "platform/StringTable.h"
#include "platform/Twips.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>

namespace {
// Size of the window when there is no picture to take it from.
constexpr int kPlainWidthTwips = 7200;
constexpr int kPlainHeightTwips = 4200;
}

QString splashVersionText()
{
    return LoadResString(511) + QStringLiteral("  ") + programVersionText();
}

QString splashPictureName(int32_t companyId)
{
    if (companyId == 1)
        return QStringLiteral("Graph/Splash0Id1.bmp");
    if (companyId == 3)
        return QStringLiteral("Graph/Splash0Id3.bmp");
    return QStringLiteral("Graph/Splash0Id0.bmp");
}

frmSplash::frmSplash(int32_t companyId, const QString& pathResCommon, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_hourglass(std::make_unique<HourglassGuard>())
    , m_companyId(companyId)
    , m_lblVersion(new QLabel(this))
{
    setObjectName(QStringLiteral("frmSplash"));
    m_lblVersion->setObjectName(QStringLiteral("lblVersion"));
    m_lblVersion->setText(splashVersionText());

    const QString file = resourceFile(pathResCommon, splashPictureName(companyId));
    if (QFileInfo::exists(file) && m_picture.load(file))
        m_pictureFile = file;

    const QSize size = m_picture.isNull() ? QSize(twipsToPx(kPlainWidthTwips), twipsToPx(kPlainHeightTwips))
                                          : m_picture.size();
    setFixedSize(size);
    m_lblVersion->adjustSize();
    m_lblVersion->move(size.width() - m_lblVersion->width() - twipsToPx(240),
                       size.height() - m_lblVersion->height() - twipsToPx(180));

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

frmSplash::~frmSplash() = default;

void frmSplash::paintEvent(QPaintEvent*)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
}
