#include "WineTools.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace tolvex::test {

QString freshPrefix() { return qEnvironmentVariable("TOLVEX_TEST_PREFIX"); }

bool copyPrefix(const QString &folder)
{
    QProcess cp;
    cp.start("cp", {"-a", freshPrefix(), folder});
    return cp.waitForFinished(120000) && cp.exitCode() == 0;
}

WineResult runProgram(const QString &program, const QStringList &args, const QString &prefix, int timeoutMs)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("WINEPREFIX", prefix);
    env.insert("WINEDEBUG", "-all");
    env.insert("WINEDLLOVERRIDES", "mscoree,mshtml=");
    env.remove("DISPLAY");
    p.setProcessEnvironment(env);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(program, args);
    WineResult result;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return result;
    }
    result.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    result.out = p.readAllStandardOutput();
    result.err = p.readAllStandardError();
    return result;
}

WineResult runWine(const QString &prefix, const QStringList &args, int timeoutMs)
{
    return runProgram("wine", args, prefix, timeoutMs);
}

void waitForWineServer(const QString &prefix) { runProgram("wineserver", {"-w"}, prefix); }

QString exportKey(const QString &prefix, const QString &key)
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/export.reg";
    runWine(prefix, {"regedit", "/E", file, key});
    waitForWineServer(prefix);
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()), bytes.size() / 2);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text.replace("\r\n", "\n");
}

} // namespace tolvex::test
