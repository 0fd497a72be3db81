#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace tolvex::test {

// tolvex-cli as a script runs it, on the machine folder given.
struct Run
{
    int status;
    QString out, err;
};

inline Run cli(const QString &machine, const QStringList &args, const QByteArray &input = {})
{
    QProcess p;
    p.start(qEnvironmentVariable("TOLVEX_PROGRAM_DIR") + "/tolvex-cli", QStringList{"--machine", machine} + args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(120000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

} // namespace tolvex::test
