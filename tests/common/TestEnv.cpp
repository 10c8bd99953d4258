#include "TestEnv.h"

#include "platform/UserInputBlock.h"

#include <QDir>
#include <QtTest>

int RecordingDialogs::MsgBox(const QString& text, int style, const QString& title)
{
    // The user's clicks and keys are dropped while input is blocked: such a box would never close.
    if (UserInputBlock::isActive())
        QTest::qFail(qPrintable(QStringLiteral("a message box under a user input block: ") + text), __FILE__, __LINE__);
    messages << QStringLiteral("%1|%2|%3").arg(text).arg(style).arg(title);
    if (!answers.isEmpty())
        return answers.takeFirst();
    const int buttons = style & 7;
    return (buttons == vbYesNo || buttons == vbYesNoCancel) ? vbYes : vbOK;
}

TestEnv::TestEnv()
{
    QDir().mkpath(registryFolder());
    qputenv("TD4700_REGISTRY_DIR", registryFolder().toLocal8Bit());
    qputenv("TD4700_PORTS_DIR", (m_dir.path() + QStringLiteral("/ports")).toLocal8Bit());
    qputenv("TD4700_RUNTIME_ROOT", runtimeRoot().toLocal8Bit());
    build();
}

TestEnv::~TestEnv()
{
    if (AppContext::current() == m_context.get())
        AppContext::setCurrent(nullptr);
    m_context.reset();
    LocaleInfo::reset();
}

void TestEnv::build()
{
    m_context = std::make_unique<AppContext>(registryFolder());
    AppContext::setCurrent(m_context.get());
    auto dialogs = std::make_unique<RecordingDialogs>();
    m_dialogs = dialogs.get();
    m_context->dialogs = std::move(dialogs);
    m_context->gLogBox = &m_log;
}

void TestEnv::restart()
{
    AppContext::setCurrent(nullptr);
    m_context.reset();
    LocaleInfo::reset();
    m_log.SetText({});
    build();
}
