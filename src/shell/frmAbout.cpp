#include "frmAbout.h"

#include "modAbout.h"
#include "platform/AppContext.h"
#include "platform/ProgramVersion.h"
#include "tools/frmVersionsNummer.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent)
    , m_lblTitle(new QLabel(this))
    , m_lblVersion(new QLabel(this))
    , m_lblDescription(new QLabel(this))
    , m_cmdOK(new QPushButton(this))
    , m_cmdSysInfo(new QPushButton(this))
    , m_cmdVersion(new QPushButton(QStringLiteral("Resource Report"), this))
{
    setObjectName(QStringLiteral("frmAbout"));
    setModal(true);
    m_lblTitle->setObjectName(QStringLiteral("lblTitle"));
    m_lblVersion->setObjectName(QStringLiteral("lblVersion"));
    m_lblDescription->setObjectName(QStringLiteral("lblDescription"));
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    m_cmdVersion->setObjectName(QStringLiteral("cmdVersion"));
    QFont titleFont = m_lblTitle->font();
    titleFont.setBold(true);
    m_lblTitle->setFont(titleFont);
    m_lblDescription->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* picture = new QLabel(this);
    picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    picture->setAlignment(Qt::AlignTop);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* texts = new QVBoxLayout;
    texts->addWidget(m_lblTitle);
    texts->addWidget(m_lblVersion);
    texts->addWidget(line);
    texts->addWidget(m_lblDescription);
    texts->addStretch();
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdSysInfo);
    buttons->addWidget(m_cmdVersion);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(picture);
    layout->addLayout(texts, 1);
    layout->addLayout(buttons);

    m_cmdOK->setDefault(true);
    connect(m_cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    connect(m_cmdVersion, &QPushButton::clicked, this, &frmAbout::cmdVersion_Click);

    m_companyId = gCommon().CompanyID();
    SetBrandingTexts();
}

void frmAbout::SetBrandingTexts()
{
    const AboutTexts t = aboutTexts(m_companyId, programVersionText());
    m_cmdOK->setText(t.okCaption);
    m_cmdSysInfo->setText(t.sysInfoCaption);
    setWindowTitle(t.caption);
    m_lblVersion->setText(t.version);
    // Labels break lines at LF; the CR of each line end would show as a box.
    m_lblTitle->setText(QString(t.title).remove(QLatin1Char('\r')).trimmed());
    m_lblDescription->setText(QString(t.description).remove(QLatin1Char('\r')));
}

void frmAbout::cmdSysInfo_Click() { StartSysInfo(*app().gObjRegistry, *app().dialogs); }

void frmAbout::cmdVersion_Click()
{
    frmVersionsNummer report(this);
    report.exec();
}
