#pragma once

// Runs the tavo executable to its end for a test, bounded in time, with an optional
// answer on its standard input.
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace tavo::test {

struct CliRun {
    int exitCode = -1;  // -1: it did not start, did not end in time, or crashed
    QString out;
    QString err;
};

inline CliRun runCli(const QStringList& args, const QByteArray& input = {}, int waitMs = 20000) {
    QProcess process;
    process.setProgram(QStringLiteral(TAVO_CLI_EXE));
    process.setArguments(args);
    process.start();
    CliRun run;
    if (!process.waitForStarted(waitMs)) return run;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(waitMs)) {
        process.kill();
        process.waitForFinished(waitMs);
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

}  // namespace tavo::test
