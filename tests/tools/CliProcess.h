#pragma once
#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <initializer_list>
#include <utility>

// Runs the built sonvale-cli as its own process and collects what it printed and how it ended.
struct CliRun {
    int exitCode = -1;
    bool finished = false; // false: it did not end in time or crashed
    QByteArray out;
    QByteArray err;
};

// Starts sonvale-cli in `process` without waiting for it.
// program: the sonvale-cli to run (default: the one built here).
// env: variables set (or, with an empty value, removed) on top of a copy of this process's environment,
// whose locale variables are cleared first so that the system language is English unless a test says
// otherwise.
inline void StartCli(QProcess& process, const QStringList& args,
                     std::initializer_list<std::pair<QString, QString>> env = {},
                     const QString& program = QStringLiteral(SONVALE_CLI_PATH))
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE"})
        environment.remove(QString::fromLatin1(name));
    for (const auto& [name, value] : env) {
        if (value.isEmpty())
            environment.remove(name);
        else
            environment.insert(name, value);
    }
    process.setProcessEnvironment(environment);
    process.start(program, args);
}

inline CliRun RunCli(const QStringList& args, std::initializer_list<std::pair<QString, QString>> env = {},
                     int timeoutMs = 60000, const QString& program = QStringLiteral(SONVALE_CLI_PATH))
{
    QProcess process;
    StartCli(process, args, env, program);
    CliRun run;
    if (!process.waitForStarted(timeoutMs))
        return run;
    process.closeWriteChannel();
    run.finished = process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
    if (!run.finished) {
        process.kill();
        process.waitForFinished();
    }
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}
