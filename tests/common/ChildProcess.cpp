#include "ChildProcess.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>

namespace {
const char* const kJob = "TD4700_TEST_CHILD_JOB";
const char* const kArguments = "TD4700_TEST_CHILD_ARGS";
const QChar kSeparator(0x1F);
}

QString childJob() { return qEnvironmentVariable(kJob); }

QStringList childArguments()
{
    const QString text = qEnvironmentVariable(kArguments);
    return text.isEmpty() ? QStringList() : text.split(kSeparator);
}

void exitIfChild(int (*job)(const QString& name, const QStringList& arguments))
{
    const QString name = childJob();
    if (name.isEmpty())
        return;
    const int result = job(name, childArguments());
    std::exit(result);
}

std::unique_ptr<QProcess> startChild(const QString& job, const QStringList& arguments, const QString& folder)
{
    QString program = QCoreApplication::applicationFilePath();
    if (!folder.isEmpty()) {
        const QString copy = folder + QLatin1Char('/') + QFileInfo(program).fileName();
        if (!QFile::exists(copy) && !QFile::copy(program, copy))
            return nullptr;
        program = copy;
    }
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kJob), job);
    env.insert(QString::fromLatin1(kArguments), arguments.join(kSeparator));
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(program, {});
    return process;
}
