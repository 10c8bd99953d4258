#include "frmVersionsNummer.h"

#include "platform/LocaleInfo.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

frmVersionsNummer::frmVersionsNummer(QWidget* parent)
    : QDialog(parent)
    , m_cmdExit(new QPushButton(this))
{
    setObjectName(QStringLiteral("frmVersionsNummer"));
    setModal(true);
    setWindowTitle(QStringLiteral("Resource Report"));
    m_cmdExit->setObjectName(QStringLiteral("cmdExit"));
    m_cmdExit->setText(localeIsEnglish() ? QStringLiteral("Exit") : QStringLiteral("&Beenden"));
    connect(m_cmdExit, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmdExit);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addLayout(buttons);
}
