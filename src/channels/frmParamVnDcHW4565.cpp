#include "frmParamVnDcHW4565.h"

#include "ChannelDialogSupport.h"
#include "platform/AppContext.h"
#include "platform/FormLayout.h"
#include "platform/Hourglass.h"
#include "platform/ScrolledWindow.h"
#include "platform/StringTable.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {
const QString kDefaultAddress = QStringLiteral("835584"); // 0xCC000
}

QString hwLinkAddressText(const QString& stored)
{
    bool ok = false;
    const qulonglong value = stored.trimmed().toULongLong(&ok);
    if (!ok || value > 0xFFFFFFFFull)
        return stored;
    return QStringLiteral("0x") + QString::number(value, 16).toUpper();
}

std::optional<uint32_t> parseHwLinkAddress(const QString& text)
{
    QString digits = text.trimmed();
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
        || digits.startsWith(QLatin1String("&H"), Qt::CaseInsensitive))
        digits = digits.mid(2);
    if (digits.isEmpty() || digits.size() > 8)
        return std::nullopt;
    // Hexadecimal digits only: no sign, no blanks inside.
    for (QChar c : digits) {
        const QChar u = c.toUpper();
        if (!(u >= QLatin1Char('0') && u <= QLatin1Char('9')) && !(u >= QLatin1Char('A') && u <= QLatin1Char('F')))
            return std::nullopt;
    }
    return digits.toUInt(nullptr, 16);
}

frmParamVnDcHW4565::frmParamVnDcHW4565(QWidget* parent)
    : ScrolledDialog(parent)
    , SSTab1(new QTabWidget(ScrolledWindow1))
    , Label1(new QLabel(QStringLiteral("HW4565 address:")))
    , txtAdrHwLink(new QLineEdit)
    , cmdCancel(new QPushButton(QStringLiteral("&Abbruch"), ScrolledWindow1))
    , cmdOK(new QPushButton(QStringLiteral("&OK"), ScrolledWindow1))
{
    setObjectName(QStringLiteral("frmParamVnDcHW4565"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(330, 170);

    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    SSTab1->setGeometry(8, 8, 306, 100);
    auto* page = new QWidget;
    SSTab1->addTab(page, QStringLiteral("HW4565"));
    Label1->setParent(page);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(16, 23, 120, 18);
    txtAdrHwLink->setParent(page);
    txtAdrHwLink->setObjectName(QStringLiteral("txtAdrHwLink"));
    txtAdrHwLink->setGeometry(140, 20, 140, 24);

    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(152, 118, 78, 28);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(236, 118, 78, 28);
    cmdOK->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);
    connect(cmdOK, &QPushButton::clicked, this, &frmParamVnDcHW4565::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::close);
    fTabLast(this, {cmdCancel, cmdOK});
    ScrolledWindow1->FitToForm();
}

void frmParamVnDcHW4565::RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param)
{
    (void)node;    // the panel link needs no device element
    (void)channel; // nor a channel: the card is only chosen and addressed here
    m_companyName = param.isEmpty() ? gCommon().CompanyName() : param;
    if (!m_loaded)
        FormLoad();
    show();
}

void frmParamVnDcHW4565::FormLoad()
{
    m_loaded = true;
    ScrolledWindow1->FitToForm();
    HourglassGuard hourglass;
    // The same captions in every language.
    setWindowTitle(QString());
    cmdOK->setText(LoadResString(500));
    cmdCancel->setText(LoadResString(501));
    LoadChannelSettings();
    txtAdrHwLink->setText(hwLinkAddressText(m_AdrHwLink));
}

void frmParamVnDcHW4565::LoadChannelSettings()
{
    if (!readSettingText(*app().gObjRegistry, gCommon().CompanyRegKey(), QStringLiteral("AdrHwLink"), kDefaultAddress,
                         m_AdrHwLink))
        m_AdrHwLink = kDefaultAddress; // shown, not stored
}

bool frmParamVnDcHW4565::SaveChannelSettings()
{
    const std::optional<uint32_t> address = parseHwLinkAddress(txtAdrHwLink->text());
    if (!address) {
        app().dialogs->MsgBox(QStringLiteral("HW4565 address is not valid!\r\n\r\nPlease enter a hexadecimal number, "
                                             "for example 0xCC000."),
                              vbCritical, QStringLiteral("HW4565"));
        return false;
    }
    m_AdrHwLink = QString::number(*address);
    IRegistryAccess& registry = *app().gObjRegistry;
    const QString key = gCommon().CompanyRegKey();
    registry.WriteValue(HKEY_CURRENT_USER, key, QStringLiteral("Device"), QStringLiteral("2"));
    registry.WriteValue(HKEY_CURRENT_USER, key, QStringLiteral("AdrHwLink"), m_AdrHwLink);
    return true;
}

void frmParamVnDcHW4565::cmdOK_Click()
{
    if (SaveChannelSettings())
        close();
}
