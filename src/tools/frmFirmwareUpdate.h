#pragma once
// Loads firmware into a coupler in its boot-strap state, or updates the
// firmware of a running coupler, from an Intel HEX file. Modeless; while a
// run lasts the form cannot be closed and no input reaches any window.
#include "platform/LogBox.h"
#include "platform/ScrolledDialog.h"
#include "platform/ViewContract.h"

#include <memory>

class FirmwareServer;
struct FirmwareEndCheck;
class IDeviceChannel;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

class frmFirmwareUpdate : public ScrolledDialog, public IRefreshData {
    Q_OBJECT
public:
    explicit frmFirmwareUpdate(QWidget* parent = nullptr);
    ~frmFirmwareUpdate() override;

    // Keeps channel and station, takes the mode, shows the form and opens the file selection.
    void RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param) override;

    // "FIRMWARE_LOAD" or "FIRMWARE_UPDATE".
    QString mode() const { return m_mode; }
    // "FIRMWARE_LOAD" when the upper-cased parameter is exactly that, else "FIRMWARE_UPDATE".
    static QString fFirmwareMode(const QString& param);
    // True when the file name's extension, upper-cased, is "HEX".
    static bool isFirmwareFileName(const QString& path);
    // The error box after a failed run: the code, its meaning and the file's line when one is to blame.
    static QString downloadFailedText(int32_t result, int errorLine, bool english);
    // The log line naming the line of the firmware file the server refused.
    static QString fileLineText(int errorLine, int32_t result, bool english);
    // After an end request without a usable answer: what the coupler's firmware word says.
    static QString endCheckText(const FirmwareEndCheck& check, bool english);

    pugi::xml_node station() const { return m_station; }
    IDeviceChannel* channel() const { return m_channel; }
    QString path() const { return m_path; }
    bool isRunning() const { return isBusy(); }
    int32_t lastResult() const { return m_lResult; }
    const LogBuffer& log() const { return *m_log; }

    void cmdBrowse_Click();
    void cmdScriptStart_Click();

private:
    bool fSelectFirmware();
    void SetEnglishCaptions();
    void setStationTreeEnabled(bool enabled);
    void finishRun();
    void OnDownloadStart(int32_t total);
    void OnDownloadState(int32_t current, int32_t total);

    QGroupBox* fraFirmwareAction;
    QLineEdit* txtSelScript;
    QLabel* lVersionFirmwareupdateSoft;
    QPushButton* cmdBrowse;
    QPushButton* cmdScriptStart;
    QPushButton* cmdExit;
    QGroupBox* fraScriptLog;
    QPlainTextEdit* txtLogBox;
    QProgressBar* pgBar1;
    QLabel* lblDuration;
    std::unique_ptr<TextEditLogBox> m_log;

    IDeviceChannel* m_channel = nullptr;
    pugi::xml_node m_station;
    QString m_mode = QStringLiteral("FIRMWARE_UPDATE");
    std::unique_ptr<FirmwareServer> m_objVnFirmwareSrv;
    QString m_path;
    int32_t m_lResult = 0;
};
