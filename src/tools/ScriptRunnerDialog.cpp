#include "ScriptRunnerDialog.h"

#include "platform/AppContext.h"
#include "platform/DeviceChannel.h"
#include "platform/FormRegistry.h"
#include "platform/ScrolledWindow.h"
#include "platform/StringTable.h"
#include "platform/UserInputBlock.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

ScriptRunnerDialog::ScriptRunnerDialog(const QString& formName, const QString& fileFilter, const QString& folder,
                                       QWidget* parent)
    : ScrolledDialog(parent)
    , txtSelScript(new QLineEdit)
    , txtDesc(new QLineEdit)
    , cmdBrowse(new QPushButton(QStringLiteral("Aus&wahl..."), ScrolledWindow1))
    , cmdScriptStart(new QPushButton(QStringLiteral("St&art"), ScrolledWindow1))
    , cmdExit(new QPushButton(QStringLiteral("&Beenden"), ScrolledWindow1))
    , fraScriptLog(new QGroupBox(ScrolledWindow1))
    , txtLogBox(new QPlainTextEdit(fraScriptLog))
    , m_fileFilter(fileFilter)
    , m_folder(folder)
    , m_log(txtLogBox)
{
    setObjectName(formName);
    setAttribute(Qt::WA_DeleteOnClose);
    txtSelScript->setObjectName(QStringLiteral("txtSelScript"));
    txtDesc->setObjectName(QStringLiteral("txtDesc"));
    cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    cmdScriptStart->setObjectName(QStringLiteral("cmdScriptStart"));
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    fraScriptLog->setObjectName(QStringLiteral("fraScriptLog"));
    txtLogBox->setObjectName(QStringLiteral("txtLogBox"));

    txtSelScript->setReadOnly(true);
    QPalette grey = txtSelScript->palette();
    grey.setColor(QPalette::Base, grey.color(QPalette::Window));
    txtSelScript->setPalette(grey);
    txtDesc->setReadOnly(true);
    txtLogBox->setReadOnly(true);
    txtLogBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Emptied at every Start, it holds one run: a failure early in a long run stays to be read.
    m_log.setKeepsAll(true);
    for (QPushButton* b : {cmdBrowse, cmdScriptStart, cmdExit})
        b->setAutoDefault(false);

    connect(cmdBrowse, &QPushButton::clicked, this, &ScriptRunnerDialog::cmdBrowse_Click);
    connect(cmdScriptStart, &QPushButton::clicked, this, &ScriptRunnerDialog::cmdScriptStart_Click);
    connect(cmdExit, &QPushButton::clicked, this, &QDialog::close);
    FormRegistry::Load(this);
}

ScriptRunnerDialog::~ScriptRunnerDialog() = default;

void ScriptRunnerDialog::RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param)
{
    (void)param; // the runners take no parameter
    m_station = node;
    m_channel = channel;
    AppContext& context = app();
    m_deviceService = context.channelFactory ? context.channelFactory->createDeviceService() : nullptr;
    if (!m_loaded) {
        m_loaded = true;
        ScrolledWindow1->FitToForm();
        FormLoad();
    }
    show();
    cmdBrowse_Click();
}

void ScriptRunnerDialog::fSelectScript(QString& path, bool& ok)
{
    IDialogs& dialogs = *app().dialogs;
    const QString chosen = dialogs.GetOpenFileName(LoadResString(742), gCommon().PathFolderResCommon() + m_folder,
                                                   m_fileFilter, QStringLiteral("xml"));
    ok = true;
    if (chosen.isEmpty())
        return; // cancelled: the caller's path stays
    if (hasScriptExtension(chosen)) {
        path = chosen;
        return;
    }
    path.clear();
    ok = false;
    dialogs.MsgBox(LoadResString(743), vbCritical, LoadResString(744));
}

void ScriptRunnerDialog::cmdBrowse_Click()
{
    // Also at once after show(), before the window manager made this dialog the active window.
    const DialogOwnerGuard owner(this);
    QString path;
    bool ok = false;
    fSelectScript(path, ok);
    if (!ok) {
        txtSelScript->clear();
        txtDesc->clear();
        return;
    }
    txtSelScript->setText(path);
    if (path.isEmpty() || !m_document.load(path))
        return; // the previous script stays current
    m_script = m_document.script();
    QString desc;
    GetScriptDesc(m_script, desc);
    txtDesc->setText(desc);
}

void ScriptRunnerDialog::cmdScriptStart_Click()
{
    if (isBusy())
        return;
    QPointer<ScriptRunnerDialog> self(this);
    const DialogOwnerGuard owner(this);
    setBusy(true);
    m_log.SetText(QString());
    {
        const UserInputBlock noInput; // the emptied log paints; a close request waits for the run
        QCoreApplication::processEvents();
    }
    if (!self)
        return;
    if (!readyToRun()) {
        setBusy(false);
        return;
    }

    int32_t result = ChUnsupported;
    if (m_deviceService)
        m_deviceService->AbolishProtection(m_channel, false, result);
    m_lastResult = result;
    if (result != ChOk)
        m_log.SetText(LoadResString(401) + QLatin1Char(' ') + LoadResString(750));
    else
        runScript();
    if (self)
        setBusy(false);
}
