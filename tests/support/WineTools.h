#pragma once

#include <QString>
#include <QStringList>

namespace tolvex::test {

// Real Wine, run on a prefix that a test owns.
struct WineResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// The prefix made by wineboot for this test run (TOLVEX_TEST_PREFIX).
QString freshPrefix();
// A copy of the fresh prefix at `folder`, for a test that changes it.
bool copyPrefix(const QString &folder);
WineResult runWine(const QString &prefix, const QStringList &args, int timeoutMs = 120000);
WineResult runProgram(const QString &program, const QStringList &args, const QString &prefix,
                      int timeoutMs = 120000);
// Waits until the prefix's wineserver has written the hives and ended.
void waitForWineServer(const QString &prefix);
// `wine regedit /E` of one key, decoded from UTF-16.
QString exportKey(const QString &prefix, const QString &key);

} // namespace tolvex::test
