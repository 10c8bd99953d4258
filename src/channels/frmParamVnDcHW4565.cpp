#include "frmParamVnDcHW4565.h"

#include "ChannelDialogSupport.h"
#include "platform/AppContext.h"
#include "platform/FormLayout.h"
#include "platform/Hourglass.h"
#include "platform/LocaleInfo.h"
#include "platform/LogBox.h"
#include "platform/ScrolledWindow.h"
#include "platform/StringTable.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <algorithm>

namespace {
const QString kDefaultAddress = QStringLiteral("835584"); // 0xCC000
constexpr uint32_t kDefaultAddressValue = 0xCC000;
constexpr int kNoticeValueChars = 24; // a long stored text is cut, the notice stays short
}

std::optional<uint32_t> storedHwLinkAddress(const QString& stored)
{
    const QString digits = stored.trimmed();
    // Decimal digits only: "abc" or "CC000" would otherwise be read as the hexadecimal the box shows.
    if (digits.isEmpty() || digits.size() > 10
        || !std::all_of(digits.cbegin(), digits.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    const qulonglong value = digits.toULongLong();
    if (value > 0xFFFFFFFFull)
        return std::nullopt;
    return uint32_t(value);
}

QString hwLinkAddressText(uint32_t address) { return QStringLiteral("0x") + QString::number(address, 16).toUpper(); }

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
    , lblNotice(new QLabel)
    , cmdCancel(new QPushButton(QStringLiteral("&Abbruch"), ScrolledWindow1))
    , cmdOK(new QPushButton(QStringLiteral("&OK"), ScrolledWindow1))
{
    setObjectName(QStringLiteral("frmParamVnDcHW4565"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(330, 190);

    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    SSTab1->setGeometry(8, 8, 306, 120);
    auto* page = new QWidget;
    SSTab1->addTab(page, QStringLiteral("HW4565"));
    Label1->setParent(page);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(16, 23, 120, 18);
    txtAdrHwLink->setParent(page);
    txtAdrHwLink->setObjectName(QStringLiteral("txtAdrHwLink"));
    txtAdrHwLink->setGeometry(140, 20, 140, 24);
    lblNotice->setParent(page);
    lblNotice->setObjectName(QStringLiteral("lblNotice"));
    lblNotice->setGeometry(16, 50, 274, 36);
    lblNotice->setWordWrap(true);
    lblNotice->hide();

    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(152, 138, 78, 28);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(236, 138, 78, 28);
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
    const std::optional<uint32_t> stored = storedHwLinkAddress(m_AdrHwLink);
    txtAdrHwLink->setText(hwLinkAddressText(stored.value_or(kDefaultAddressValue)));
    if (stored)
        return;
    // Shown as it stands, OK would read the text as hexadecimal and store another address.
    const QString text = localeIsEnglish() ? QStringLiteral("Stored address \"%1\" ignored: not a decimal address.")
                                           : QStringLiteral("Gespeicherte Adresse \"%1\" ignoriert: keine Dezimaladresse.");
    lblNotice->setText(text.arg(quotableText(m_AdrHwLink, kNoticeValueChars)));
    lblNotice->setToolTip(m_AdrHwLink);
    lblNotice->show();
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
    bool saved = registry.WriteValue(HKEY_CURRENT_USER, key, QStringLiteral("Device"), QStringLiteral("2"));
    saved &= registry.WriteValue(HKEY_CURRENT_USER, key, QStringLiteral("AdrHwLink"), m_AdrHwLink);
    if (!saved)
        tellSettingsNotSaved(SSTab1->tabText(0));
    return true;
}

void frmParamVnDcHW4565::cmdOK_Click()
{
    if (SaveChannelSettings())
        close();
}
