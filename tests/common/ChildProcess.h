#pragma once
// A test program that starts a copy of itself as a second process for one job:
// another running copy of the program, or a start from another folder. The test
// class runs the job from its initMain(), before any test:
//     static void initMain() { exitIfChild(&runJob); }
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

// The arguments of the job this process was started for; empty for a test run.
QString childJob();
QStringList childArguments();

// Runs job(childJob(), childArguments()) and ends the process with its result when this
// process was started as a child; returns at once in a test run.
void exitIfChild(int (*job)(const QString& name, const QStringList& arguments));

// Starts this test program again for job. With a folder, a copy of the program file is
// put there and started, so it finds beside itself only what that folder holds.
std::unique_ptr<QProcess> startChild(const QString& job, const QStringList& arguments, const QString& folder = {});
