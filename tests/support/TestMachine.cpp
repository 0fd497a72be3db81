#include "TestMachine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace tolvex::test {

QByteArray hiveText(const QString &relativeTo, const QByteArray &body)
{
    QString doubled = relativeTo;
    doubled.replace(u'\\', QStringLiteral("\\\\"));
    return "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\" + doubled.toUtf8() +
           "\n\n#arch=win32\n" + body;
}

void writeMachine(const QString &folder, const QByteArray &systemBody, const QByteArray &userBody,
                  const QByteArray &userdefBody)
{
    QDir().mkpath(folder + "/dosdevices");
    QDir().mkpath(folder + "/drive_c/windows/system32");
    writeFile(folder + "/system.reg", hiveText("Machine", systemBody));
    writeFile(folder + "/user.reg", hiveText("User\\S-1-5-21-0-0-0-1000", userBody));
    writeFile(folder + "/userdef.reg", hiveText("User\\.Default", userdefBody));
    QFile::link("../drive_c", folder + "/dosdevices/c:");
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write test fixture %s", qPrintable(path));
}

} // namespace tolvex::test
