#pragma once
// The network (QNP) channel dialog in its two variants: the plain one knows
// the registry routes of runtime 2; the CV3 one also the route file of
// runtime 3. Connection tab: target net id and port, time-out, multipoint,
// remote devices to take the target from, installation indicators, Test, OK
// and Cancel. Route tab: route fields, route lists, Save, Delete (CV3) and
// Close. Modeless; OK, Cancel and Close unload (delete) it.
#include "QnpChannelSettings.h"
#include "RouteStore.h"
#include "platform/ScrolledDialog.h"
#include "platform/ViewContract.h"

#include <array>
#include <memory>

class AddressFieldFilter;
class IDeviceChannel;
class IQNPDeviceParam;
class LongIntegerBox;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class SearchAnimation;

enum class QnpVariant { Plain, CV3 };

class QnpChannelDialog : public ScrolledDialog, public IRefreshData {
    Q_OBJECT
public:
    QnpChannelDialog(QnpVariant variant, const QString& formName, QWidget* parent = nullptr);
    ~QnpChannelDialog() override;

    // Keeps the channel and its parameter object, then shows the dialog (the
    // first show runs the load sequence). The node is not used; param is the
    // company name.
    void RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param) override;

    // Pushes the kept settings into the channel. Returns 0.
    int32_t InitComPort();
    // Validates the route tab's net id and IP address fields as Enter does.
    void SelectRemoteDevice();

    QnpVariant variant() const { return m_variant; }
    IDeviceChannel* channel() const { return m_channel; }
    IQNPDeviceParam* deviceParam() const { return m_param; }
    QString companyName() const { return m_companyName; }
    bool isTesting() const { return isBusy(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isCV3() const { return m_variant == QnpVariant::CV3; }
    void buildConnectionTab(QWidget* page);
    void buildRouteTab(QWidget* page);
    void FormLoad();
    void SetEnglishCaptions();

    // Connection tab
    void LoadChannelSettings();
    void ShowChannelSettings();
    // Stores and pushes the settings into the channel; false when they could not be stored.
    bool SaveChannelSettings();
    void FillDevicesToConnect();
    void FillServerNetIdCombo();
    void listViewRoutedDevicesToConnect_Click(QTreeWidgetItem* item);
    void comboRtnServerNetId_Click();
    bool checkTarget();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdTest_Click();
    void setButtonsEnabled(bool enabled);

    // Route tab
    void InitRouteListColumns();
    void RefreshRouteLists();
    void ShowRemoteDevicesPage();
    void FillRemoteDevicesList();
    void listViewRoutedDevices_ItemClick(QTreeWidgetItem* item);
    void lstRemoteDevicesRTN_Click();
    void editIpAddrRTN_LostFocus(int index);
    void cmdSaveRTN_Click();
    void cmdDeleteRoute_Click();
    void cmdCancelRTN_Click();
    RouteStore routeStore() const;

    const QnpVariant m_variant;

    QTabWidget* SSTab1;
    // 0 net id, 1 port, 5 time-out, 6 multipoint (connection tab); 2 port (route tab)
    std::array<QLabel*, 7> lblSelectedPort{};
    // 0 net id, 4 port (connection tab); 1 port (route tab)
    std::array<QLineEdit*, 5> editIpAddr{};
    LongIntegerBox* fpLITimeOut = nullptr;
    LongIntegerBox* fpLImultiPoint = nullptr;
    QTreeWidget* listViewRoutedDevicesToConnect = nullptr; // CV3
    QComboBox* comboRtnServerNetId = nullptr;              // plain
    QGroupBox* fraConnectionAvailability = nullptr;        // CV3
    std::array<QCheckBox*, 3> chkIsInstalledCorvane{};     // CV3
    QGroupBox* fraCommWay = nullptr;                       // plain
    std::array<QRadioButton*, 2> optQnpComWay{};           // plain
    QPushButton* cmdTest = nullptr;
    QLabel* Animation1 = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdOK = nullptr;

    QGroupBox* fraDummyRTN = nullptr;
    // 0 net id, 1 name, 2 IP address
    std::array<QLineEdit*, 3> editIpAddrRTN{};
    // 0 net id, 7 name, 3 IP address; 1 route kind (CV3); 2 device list (plain)
    std::array<QLabel*, 8> lblSelectedPortRTN{};
    QLabel* lblMessageRtnNetId = nullptr;
    QLabel* lblMessageIpAddress = nullptr;
    QComboBox* cmbRoute = nullptr;                // CV3
    QTreeWidget* listViewRoutedDevices = nullptr; // CV3
    QListWidget* lstRemoteDevicesRTN = nullptr;   // plain
    QGroupBox* fraCommWayRTN = nullptr;           // plain
    std::array<QRadioButton*, 2> optQnpComWayRTN{}; // plain
    QPushButton* cmdSaveRTN = nullptr;
    QPushButton* cmdCancelRTN = nullptr;
    QPushButton* cmdDeleteRoute = nullptr; // CV3

    AddressFieldFilter* m_netIdFilter = nullptr;      // connection tab's net id
    AddressFieldFilter* m_routeNetIdFilter = nullptr; // route tab's net id
    AddressFieldFilter* m_routeIpFilter = nullptr;    // route tab's IP address
    SearchAnimation* m_animation = nullptr;

    IDeviceChannel* m_channel = nullptr;
    IQNPDeviceParam* m_param = nullptr;
    QString m_companyName;
    QnpChannelSettings m_settings;
    QnpInstallFlags m_installed;
    int32_t m_portNumber = 0;
    int32_t m_multiPointNumber = 0; // kept, never passed to the channel
    bool m_netIdValid = false;
    bool m_loaded = false;
    bool m_validatingOnLeave = false;
};
