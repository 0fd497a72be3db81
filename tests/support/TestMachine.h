#pragma once

#include <QByteArray>
#include <QString>

namespace tolvex::test {

// Hive text in Wine's format: the header of the given hive ("Machine", "User\\S-1-5-21-0-0-0-1000"
// or "User\\.Default") followed by `body` (key blocks, each starting with an empty line).
QByteArray hiveText(const QString &relativeTo, const QByteArray &body);

// Writes a machine image into `folder`: the three hives and dosdevices/c: -> drive_c.
void writeMachine(const QString &folder, const QByteArray &systemBody, const QByteArray &userBody = {},
                  const QByteArray &userdefBody = {});

QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &bytes);

} // namespace tolvex::test
