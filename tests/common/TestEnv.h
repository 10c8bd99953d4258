#pragma once
// A fresh program context per test: its own temporary registry folder
// (TD4700_REGISTRY_DIR) and runtime folder (TD4700_RUNTIME_ROOT), an in-memory
// log box and recording dialogs.
#include "platform/AppContext.h"

#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

class RecordingDialogs : public IDialogs {
public:
    QStringList messages;         // "text|style|title"
    QList<int> answers;           // answers given in turn; vbOK (or vbYes for yes/no) when empty
    QString openFileAnswer, saveFileAnswer;
    QList<int> waits;
    QStringList openedDocuments, startedPrograms;
    bool openDocumentResult = true, startProgramResult = true;

    int MsgBox(const QString& text, int style, const QString& title) override;
    QString GetOpenFileName(const QString&, const QString&, const QString&, const QString&) override
    {
        return openFileAnswer;
    }
    QString GetSaveFileName(const QString&, const QString&, const QString&, const QString&) override
    {
        return saveFileAnswer;
    }
    std::function<void()> duringWait; // runs inside every wait, as events would
    bool realWaits = false;           // then the program's own wait: events run, user input is held back
    void Wait(int ms) override
    {
        waits << ms;
        if (duringWait)
            duringWait();
        if (realWaits)
            QtDialogs().Wait(ms);
    }
    bool OpenDocument(const QString& path) override
    {
        openedDocuments << path;
        return openDocumentResult;
    }
    bool StartProgram(const QString& program, const QStringList&) override
    {
        startedPrograms << program;
        return startProgramResult;
    }
};

class TestEnv {
public:
    TestEnv();
    ~TestEnv();

    QString registryFolder() const { return m_dir.path() + QStringLiteral("/registry"); }
    QString tempPath() const { return m_dir.path(); }
    QString runtimeRoot() const { return m_dir.path() + QStringLiteral("/runtime"); }
    AppContext& context() { return *m_context; }
    LogBuffer& log() { return m_log; }
    RecordingDialogs& dialogs() { return *m_dialogs; }
    // Builds a new context over the same registry folder (a restart of the program).
    void restart();

private:
    void build();
    QTemporaryDir m_dir;
    std::unique_ptr<AppContext> m_context;
    LogBuffer m_log;
    RecordingDialogs* m_dialogs = nullptr;
};
