#pragma once
// The main window's commands: one click handler per menu array, dispatching
// on the item index, and one for the toolbar, dispatching on the button key.
// Also the menu state, the channel check mark and the language switch, which
// the window's events run.
#include "clsProject.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <memory>
#include <pugixml.hpp>

class IDeviceChannel;
class LoginHandler;
class QWidget;
class frmMain;
class frmParamVnDcCOM;
class frmParamVnDcHW4565;
class frmParamVnDcQNP;
class frmParamVnDcQNPCV3;
class frmScriptInitTerm;

class MainCommands : public QObject {
    Q_OBJECT
public:
    // Connects the window's menu arrays, toolbar and project object.
    explicit MainCommands(frmMain& window);
    ~MainCommands() override;

    clsProject& gProject() { return m_project; }
    LoginHandler& login() { return *m_login; }

    void mnuProjectItem_Click(int16_t index);
    void mnuOnlineItem_Click(int16_t index);
    void mnuOnlineTerminalItem_Click(int16_t index);
    void mnuOnlineCouplerItem_Click(int16_t index);
    void mnuOnlineStationItem_Click(int16_t index);
    void mnuOptionItem_Click(int16_t index);
    void mnuLanguageItem_Click(int16_t index);
    void mnuDevChannelItem_Click(int16_t index);
    void mnuOptionAnsichtItem_Click(int16_t index);
    void mnuHelpItem_Click(int16_t index);
    void tbToolBar_ButtonClick(const QString& key);

    // fUpdateMenuState, TD4Common_ChangedDevChannel and TD4Common_ChangedLanguage of the window.
    void fUpdateMenuState();
    void TD4Common_ChangedDevChannel(int32_t& devChannel);
    void TD4Common_ChangedLanguage(int32_t& languageType);

    // The dialog or tool the last command opened (nullptr when none or gone).
    QWidget* lastOpened() const { return m_lastOpened.data(); }

private:
    template <typename Form>
    Form* openDialog(pugi::xml_node node, IDeviceChannel* channel, const QString& param);
    template <typename Form>
    Form* sharedInstance(QPointer<Form>& instance);
    QString commandParams(int32_t userData) const;
    void logIn(int initialisations);
    void logOut();
    void openServices();
    void saveStationAs();

    frmMain& m_window;
    clsProject m_project;
    std::unique_ptr<LoginHandler> m_login;
    QPointer<frmParamVnDcCOM> m_frmParamVnDcCOM;
    QPointer<frmParamVnDcQNPCV3> m_frmParamVnDcQNPCV3;
    QPointer<frmParamVnDcHW4565> m_frmParamVnDcHW4565;
    QPointer<frmParamVnDcQNP> m_frmParamVnDcQNP;
    QPointer<frmScriptInitTerm> m_frmScriptInitTerm;
    QPointer<QWidget> m_lastOpened;
};
