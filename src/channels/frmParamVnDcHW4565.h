#pragma once
// The panel-link channel dialog: chooses the panel link card as the channel
// and holds the card's memory base address, shown and typed in hexadecimal
// and stored as decimal text. It makes no channel call. Modeless; OK and
// Cancel unload (delete) it.
#include "platform/ScrolledDialog.h"
#include "platform/ViewContract.h"

#include <cstdint>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

// The stored address: decimal digits of a number up to 0xFFFFFFFF; nothing for any other text.
std::optional<uint32_t> storedHwLinkAddress(const QString& stored);
// An address as the box shows it ("0xCC000").
QString hwLinkAddressText(uint32_t address);
// A typed hexadecimal address with an optional "0x" or "&H" prefix; nothing
// when the text is not one.
std::optional<uint32_t> parseHwLinkAddress(const QString& text);

class frmParamVnDcHW4565 : public ScrolledDialog, public IRefreshData {
    Q_OBJECT
public:
    explicit frmParamVnDcHW4565(QWidget* parent = nullptr);

    // Keeps the company name and shows the dialog (the first show runs the
    // load sequence); node and channel are not used.
    void RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param) override;

    QString companyName() const { return m_companyName; }

private:
    void FormLoad();
    void LoadChannelSettings();
    // False when the address is not valid (nothing is stored then).
    bool SaveChannelSettings();
    void cmdOK_Click();

    QTabWidget* SSTab1;
    QLabel* Label1;
    QLineEdit* txtAdrHwLink;
    QLabel* lblNotice; // names a stored address that is not shown
    QPushButton* cmdCancel;
    QPushButton* cmdOK;

    QString m_companyName;
    QString m_AdrHwLink;
    bool m_loaded = false;
};
