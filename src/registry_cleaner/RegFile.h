#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace tolvex::registry_cleaner {

// A registry-editor import file (version 5), as regedit writes it: UTF-16LE with a byte-order
// mark and CR LF line ends. Only what the registry cleaner's backups hold: keys, and text values
// ("name"="text", @="text" for a key's default value).
class RegFile
{
public:
    struct Value
    {
        QString name; // empty for the key's default value
        QString text;
    };
    struct Key
    {
        QString path; // "HKEY_CLASSES_ROOT\.abc"
        QList<Value> values;
    };

    QList<Key> keys;

    void addKey(const QString &path) { keys.append({path, {}}); }
    // To the last key added.
    void addValue(const QString &name, const QString &text) { keys.last().values.append({name, text}); }

    // The header line, two empty lines, then each key line with its value lines.
    QStringList lines() const;
    QByteArray toBytes() const;
    // Reads what toBytes writes, and what regedit writes of such keys; nullopt with `error`
    // naming the line when the text is not such a file.
    static std::optional<RegFile> parse(const QByteArray &bytes, QString *error = nullptr);

    // Backslashes doubled and double quotes escaped, as in a value line.
    static QString escaped(const QString &text);
};

} // namespace tolvex::registry_cleaner
