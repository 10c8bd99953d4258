#pragma once
// What the coupler and terminal script runners share: the script path and
// description boxes, Browse, Start and Exit, the log box, the kept channel
// and station, an own device service, and the loaded script. Each runner
// lays out its controls and does its own run.
#include "ScriptFile.h"
#include "platform/LogBox.h"
#include "platform/ScrolledDialog.h"
#include "platform/ViewContract.h"

#include <memory>

class IDeviceService;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class ScriptRunnerDialog : public ScrolledDialog, public IRefreshData {
    Q_OBJECT
public:
    // Keeps node and channel, creates the device service, loads and shows the
    // form, then opens the file dialog at once.
    void RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param) override;

    // The log as written, CR LF included.
    QString logText() const { return m_log.Text(); }
    pugi::xml_node currentScript() const { return m_script; }
    pugi::xml_node station() const { return m_station; }
    IDeviceChannel* channel() const { return m_channel; }
    int32_t lastResult() const { return m_lastResult; }
    bool isRunning() const { return isBusy(); }

    void cmdBrowse_Click();
    void cmdScriptStart_Click();

protected:
    // folder: the sub-folder of the common resource folder the file dialog starts in.
    ScriptRunnerDialog(const QString& formName, const QString& fileFilter, const QString& folder, QWidget* parent);
    ~ScriptRunnerDialog() override;

    // Runs once, at the first RefreshData, with the channel kept.
    virtual void FormLoad() = 0;
    // Before the protection is lifted: false ends the click with nothing written (the log says why).
    virtual bool readyToRun() { return true; }
    // The work between lifting the protection and the end of the click.
    virtual void runScript() = 0;
    // Shows the path dialog; ok false (and a message) for a file that is not a script.
    void fSelectScript(QString& path, bool& ok);
    IDeviceService* deviceService() const { return m_deviceService.get(); }
    ILogBox* logBox() { return &m_log; }
    void setLastResult(int32_t result) { m_lastResult = result; }

    QLineEdit* txtSelScript;
    QLineEdit* txtDesc;
    QPushButton* cmdBrowse;
    QPushButton* cmdScriptStart;
    QPushButton* cmdExit;
    QGroupBox* fraScriptLog;
    QPlainTextEdit* txtLogBox;

private:
    QString m_fileFilter;
    QString m_folder;
    TextEditLogBox m_log;
    IDeviceChannel* m_channel = nullptr;
    pugi::xml_node m_station;
    std::unique_ptr<IDeviceService> m_deviceService;
    ScriptDocument m_document;
    pugi::xml_node m_script;
    int32_t m_lastResult = 0;
    bool m_loaded = false;
};
