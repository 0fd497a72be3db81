#pragma once

#include <QByteArray>
#include <QString>

// Windows-1251 for the files the program shares with its Windows origins (tweak backups,
// Config.ini, .LsD names); UTF-8 with a byte-order mark when a text has no Windows-1251 form.
namespace tolvex::text {

bool fitsWindows1251(const QString &text);
QByteArray toWindows1251(const QString &text); // unrepresentable characters become '?'
QString fromWindows1251(const QByteArray &bytes);

// Windows-1251 when every character fits, else UTF-8 behind a byte-order mark.
QByteArray encodeAnsiFile(const QString &text);
// Reads either form.
QString decodeAnsiFile(const QByteArray &bytes);

} // namespace tolvex::text
