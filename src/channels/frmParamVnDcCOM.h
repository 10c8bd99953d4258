#pragma once
// The serial channel dialog: choose a COM port from the ports that open, set
// baud rate, interface type, time-out and multipoint address, store them and
// test the connection with reads of the coupler's table 9. Modeless; OK and
// Cancel unload (delete) it.
#include "SerialChannelSettings.h"
#include "platform/ScrolledDialog.h"
#include "platform/ViewContract.h"

#include <array>

class IDeviceChannel;
class ISerialChannelParam;
class LongIntegerBox;
class QComboBox;
class QLabel;
class QMovie;
class QPushButton;
class QTabWidget;

class frmParamVnDcCOM : public ScrolledDialog, public IRefreshData {
    Q_OBJECT
public:
    explicit frmParamVnDcCOM(QWidget* parent = nullptr);
    ~frmParamVnDcCOM() override;

    // Keeps the channel and its parameter object, then shows the dialog
    // (the first show runs the load sequence). The node is not used; param is
    // the company name.
    void RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param) override;

    // Pushes the kept settings into the channel.
    void InitComPort();
    // Loads the settings again and shows them (with a new port scan).
    void test1();

    bool isTesting() const { return isBusy(); }
    QString companyName() const { return m_companyName; }

private:
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdTest_Click();

    void FormLoad();
    void SetEnglishCaptions();
    void LoadChannelSettings();
    void ShowChannelSettings();
    bool checkNumbers();
    // Stores and pushes the settings into the channel; false when they could not be stored.
    bool SaveChannelSettings();
    void showStoredText(QComboBox* box, const QString& text);
    void setButtonsEnabled(bool enabled);
    void startAnimation();
    void stopAnimation();

    QTabWidget* SSTab1;
    // 0 port, 1 baud, 2 data bits, 3 parity, 4 stop bits, 5 interface type
    std::array<QComboBox*, 6> comboSelPort{};
    LongIntegerBox* fpLITimeOut;
    LongIntegerBox* fpLImultiPoint;
    // 0 port, 1 baud, 2 data bits, 3 parity, 4 stop bits, 5 timeout, 6 multipoint, 7 type
    std::array<QLabel*, 8> lblSelectedPort{};
    QPushButton* cmdTest;
    QLabel* Animation1;
    QMovie* m_animation;
    QPushButton* cmdCancel;
    QPushButton* cmdOK;

    IDeviceChannel* m_channel = nullptr;
    ISerialChannelParam* m_param = nullptr;
    QString m_companyName;
    SerialChannelSettings m_settings;
    bool m_loaded = false;
};
