#pragma once
// The program's MDI main window: the station-tree pane on the left with its
// splitter grip, the document area, the report box at the bottom, the menu
// arrays, the keyed toolbar and the status bar.
#include "MainWindowPlace.h"
#include "MenuArray.h"
#include "ToolbarButtons.h"

#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <memory>
#include <pugixml.hpp>

class QLabel;
class QMdiArea;
class QPlainTextEdit;
class QStatusBar;
class QToolBar;
class QTranslator;
class QTreeWidget;
class MainCommands;
class ShellContext;
class StationTreeController;
class TextEditLogBox;
class clsProject;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // Creates and loads the window (not shown).
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    QPlainTextEdit* txtLogBox() const { return m_txtLogBox; }
    TextEditLogBox* logBox() const { return m_logBox.get(); }

    // Pane toggles and option, each stored under the company's pane key.
    void noviewMessageBox();
    void viewMessageBox();
    void noviewTreeView();
    void viewTreeView();
    void noDeleteDevices();
    void DeleteDevices();
    void SaveDeleteDevicesOff();
    void SaveDeleteDevicesOn();

    // The help file follows the language check marks and the company.
    void SetHelpFile();
    void HelpContents();
    QString helpFile() const { return m_helpFile; }
    void setHelpFile(const QString& path) { m_helpFile = path; }

    // Loads Qt's German translation for German (0), drops it for any other language.
    void applyQtTranslation(int32_t languageType);
    bool qtTranslationLoaded() const { return m_qtTranslator != nullptr; }

    // The About box, modal.
    void ShowAboutBox();

    // Exit: ends the process at once; nothing of the close sequence runs.
    void fEnd();
    // Replaces what fEnd does to end the process (tests keep running).
    void setEndProcess(std::function<void()> endProcess) { m_endProcess = std::move(endProcess); }

    void MDIForm_Resize();
    void SizeControls();
    void LoadNewDoc();
    // The splitter drag; x and y in twips, relative to the grip.
    void imgSplitter_MouseDown();
    void imgSplitter_MouseMove(int button, int shift, int x, int y);
    void imgSplitter_MouseUp();
    bool isMoving() const { return mbMoving; }

    // The handlers of the settings object's events, the menu state and the tree rebuild.
    void TD4Common_ChangedLanguage(int32_t& languageType);
    void TD4Common_ChangedDevChannel(int32_t& devChannel);
    void fUpdateMenuState();
    void RebuildStationTree();

    // The station tree's dispatch, the documents that commands open and the station graph.
    StationTreeController& stationTree() { return *m_stationTree; }
    pugi::xml_node OpenViewDocument(const QString& sProgID, const QString& vParam = {});
    pugi::xml_node OpenViewDocument2(const QString& sProgID, const QString& sMethod, const QString& vParam = {});
    void RefreshStationGraph(bool bOpen, int32_t nMode);

    // The menu and toolbar commands, the log-in handling and the project's online state.
    MainCommands& commands() { return *m_commands; }
    clsProject& gProject();

    int32_t DisplayMode() const { return m_DisplayMode; }
    void setDisplayMode(int32_t mode) { m_DisplayMode = mode; }
    int32_t DocumentCount() const { return m_DocumentCount; }

    // Controls, for the commands and the tree.
    QWidget* picMDI() const { return m_picMDI; }
    QTreeWidget* tvTreeView() const { return m_tvTreeView; }
    QWidget* imgSplitter() const { return m_imgSplitter; }
    QWidget* picSplitter() const { return m_picSplitter; }
    QWidget* picMDIHor() const { return m_picMDIHor; }
    QWidget* imgSplitterHor() const { return m_imgSplitterHor; }
    QMdiArea* mdiArea() const { return m_mdiArea; }
    QStatusBar* sbStatusBar() const { return m_sbStatusBar; }
    QLabel* statusPanel(int index) const; // panels from 1; nullptr when missing

    MenuArray& mnuProjectItem() { return *m_mnuProjectItem; }
    MenuArray& mnuOnlineItem() { return *m_mnuOnlineItem; }
    MenuArray& mnuOnlineTerminalItem() { return *m_mnuOnlineTerminalItem; }
    MenuArray& mnuOnlineCouplerItem() { return *m_mnuOnlineCouplerItem; }
    MenuArray& mnuOnlineStationItem() { return *m_mnuOnlineStationItem; }
    MenuArray& mnuDevOnlyItem() { return *m_mnuDevOnlyItem; }
    MenuArray& mnuOptionItem() { return *m_mnuOptionItem; }
    MenuArray& mnuLanguageItem() { return *m_mnuLanguageItem; }
    MenuArray& mnuDevChannelItem() { return *m_mnuDevChannelItem; }
    MenuArray& mnuOptionAnsichtItem() { return *m_mnuOptionAnsichtItem; }
    MenuArray& mnuHelpItem() { return *m_mnuHelpItem; }
    QMenu* mnuMainItemProject() const { return m_mnuMainItemProject; }
    QMenu* mnuMainItemOnline() const { return m_mnuMainItemOnline; }
    QMenu* mnuMainItemOption() const { return m_mnuMainItemOption; }
    QMenu* mnuMainItemHelp() const { return m_mnuMainItemHelp; }
    ToolbarButtons& tbToolBar() { return *m_tbToolBar; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createMenus();
    void createToolBar();
    // The toolbar's pictures in place of the blank ones it is built with, after its first paint.
    void loadToolBarPictures();

    void MDIForm_Load();
    void MDIForm_Activate();
    void MDIForm_QueryUnload(bool& cancel, int unloadMode);
    void MDIForm_Unload();
    void picMDIHor_Resize();
    void loadWindowRectangle(const QString& key);
    // Moves and shrinks the shown window so that its frame lies on its screen.
    void fitFrameIntoScreen();
    void fitTreeToPane();
    MainWindowPlace m_place;
    void loadStartLanguage(const QString& key);
    void applyPaneSettings();
    // Reads a per-user setting; a missing one is written with its default and read again.
    QString readSetting(const QString& key, const QString& name, const QString& defaultValue);

    void SaveMessageboxOff();
    void SaveMessageboxOn();
    void SaveTreeViewOff();
    void SaveTreeViewOn();

    std::unique_ptr<ShellContext> m_shellContext; // when nobody made one before the window
    StationTreeController* m_stationTree = nullptr;
    std::unique_ptr<MainCommands> m_commands;
    QWidget* m_picMDI = nullptr;
    QTreeWidget* m_tvTreeView = nullptr;
    QWidget* m_imgSplitter = nullptr;
    QWidget* m_picSplitter = nullptr;
    QWidget* m_picMDIHor = nullptr;
    QPlainTextEdit* m_txtLogBox = nullptr;
    QWidget* m_imgSplitterHor = nullptr;
    QWidget* m_picSplitterHor = nullptr;
    QMdiArea* m_mdiArea = nullptr;
    QToolBar* m_toolBarWidget = nullptr;
    QStatusBar* m_sbStatusBar = nullptr;
    QList<QLabel*> m_statusPanels;
    std::unique_ptr<TextEditLogBox> m_logBox;

    QMenu* m_mnuMainItemProject = nullptr;
    QMenu* m_mnuMainItemOnline = nullptr;
    QMenu* m_mnuMainItemOption = nullptr;
    QMenu* m_mnuMainItemHelp = nullptr;
    MenuArray* m_mnuProjectItem = nullptr;
    MenuArray* m_mnuOnlineItem = nullptr;
    MenuArray* m_mnuOnlineTerminalItem = nullptr;
    MenuArray* m_mnuOnlineCouplerItem = nullptr;
    MenuArray* m_mnuOnlineStationItem = nullptr;
    MenuArray* m_mnuDevOnlyItem = nullptr;
    MenuArray* m_mnuOptionItem = nullptr;
    MenuArray* m_mnuLanguageItem = nullptr;
    MenuArray* m_mnuDevChannelItem = nullptr;
    MenuArray* m_mnuOptionAnsichtItem = nullptr;
    MenuArray* m_mnuHelpItem = nullptr;
    ToolbarButtons* m_tbToolBar = nullptr;

    bool m_frameFitted = false;
    bool m_picturesLoaded = false;
    bool m_closeHeld = false; // a close waits for the end of the work in progress
    bool mbMoving = false;
    int32_t m_DisplayMode = 0;
    int32_t m_DocumentCount = 0;
    QString m_helpFile;
    std::function<void()> m_endProcess;
    std::unique_ptr<QTranslator> m_qtTranslator;
};
