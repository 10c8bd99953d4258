#pragma once
// The main window's procedures around the station tree: the rebuild, opening
// the view of the selected node (an own form or a hosted view), documents
// opened by commands, the station graph, and closing the other forms.
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QVector>
#include <cstdint>
#include <functional>
#include <pugixml.hpp>

class QMdiArea;
class QTimer;
class QTreeWidget;
class QWidget;
class ShellContext;
class frmDocument;

// The params text of a view opened from the tree; UserData is XML-escaped.
QString fTreeViewParams(int32_t companyId, int32_t languageId, const QString& userData, int32_t displayMode);
// The params text of a view opened by a menu or toolbar command (UserData 0 or 1).
QString fCommandViewParams(int32_t companyId, int32_t languageId, int32_t userData);
// The station graph's params text for display mode 0, 1 or 2; "" for any other mode.
QString fStationGraphParams(int32_t mode);

// "TableView" (also "TD4VCommon.Table"), "CommonSetting", "CommonLocalUserSetting",
// "ControllerSetting", "ProcessData": compared exactly.
bool fIsOwnFormProgID(const QString& progId);
// A new instance of the own form the ProgID names; nullptr for any other ProgID.
QWidget* fCreateOwnForm(const QString& progId, QWidget* parent = nullptr);

// Sizes the window of a form (its MDI frame, or the form itself when it has
// none) so the whole form shows, at least least and never smaller than it is
// now, as far as the MDI area or the screen allows; a frame that would stick
// out of the area is moved back into it. How a form declares its size: FormSize.h.
void fFitFormWindow(QWidget* form, QSize least = {});

// Unloads every loaded form but the main window, the splash and a "StationGraph"
// document, hides the splash and lets pending messages (not user input, not a close
// request) run once. A form that is busy goes when its work has ended.
void CloseOtherForms();

// What the tree procedures read of the main window.
struct StationTreeHooks {
    std::function<bool()> online;            // clsProject.Online
    std::function<bool()> onlineMonitoring;  // mnuOptionItem(3) checked
    std::function<bool()> germanMenuChecked; // mnuLanguageItem(0) checked
    std::function<void()> resizeLayout;      // MDIForm_Resize
    std::function<void(int32_t)> setDisplayMode; // the main window's m_DisplayMode, set at every dispatch
};

class StationTreeController : public QObject {
    Q_OBJECT
public:
    // mainWindow holds picMDI, imgSplitter, picSplitter and sbStatusBar (found by name);
    // mdiArea may be null (forms then open as top-level windows).
    StationTreeController(QTreeWidget* tvTreeView, QMdiArea* mdiArea, QWidget* mainWindow, ShellContext& shell,
                          StationTreeHooks hooks, QObject* parent = nullptr);

    StationTreeHooks& hooks() { return m_hooks; }

    void RebuildStationTree();
    void tvTreeView_DblClick();
    void tvTreeView_KeyDown(int keyCode, int shift);
    void tvTreeView_MouseDown(int button, int shift, int x, int y);

    pugi::xml_node OpenViewDocument(const QString& sProgID, const QString& vParam = {});
    pugi::xml_node OpenViewDocument2(const QString& sProgID, const QString& sMethod, const QString& vParam = {});
    void RefreshStationGraph(bool bOpen, int32_t nMode);

    // Makes the own forms; fCreateOwnForm unless a test puts a recording double in its place.
    void setOwnFormFactory(std::function<QWidget*(const QString& progId)> factory) { m_ownForms = std::move(factory); }

    // The form or document the last dispatch opened (nullptr when none).
    QWidget* lastOpened() const { return m_lastOpened.data(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layoutTreePane();
    void showForm(QWidget* form, int defaultWidthTwips, int defaultHeightTwips);
    frmDocument* newDocument(const QString& caption, const QString& tag = {});

    QTreeWidget* m_tree;
    QWidget* m_treeViewport; // kept: the tree may not be asked for it while it is destroyed
    QMdiArea* m_mdiArea;
    QWidget* m_mainWindow;
    ShellContext& m_shell;
    StationTreeHooks m_hooks;
    QVector<QIcon> m_imgListTree; // empty until the first station is shown
    std::function<QWidget*(const QString&)> m_ownForms;
    QPointer<QWidget> m_lastOpened;
    QTimer* m_columnFit; // sizes the tree's column once after nodes opened or closed
};
