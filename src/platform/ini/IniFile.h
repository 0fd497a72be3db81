#pragma once

#include "IniDocument.h"

#include <QString>
#include <stdexcept>

namespace tolvex::ini {

class IniError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// An INI file used as the Windows profile functions use one: every write reads the file, changes
// it and writes it back (atomically), so that several writers in turn never lose each other's
// keys. A failed write raises "Unable to write to <path>". For many writes at once, edit an
// IniDocument and save() it.
class IniFile
{
public:
    explicit IniFile(QString hostPath);

    const QString &path() const { return m_path; }

    QString readString(const QString &section, const QString &key, const QString &fallback = {}) const;
    int readInteger(const QString &section, const QString &key, int fallback) const;
    QStringList readSections() const;
    QStringList readKeys(const QString &section) const;

    void writeString(const QString &section, const QString &key, const QString &value);
    void writeInteger(const QString &section, const QString &key, int value);
    void eraseSection(const QString &section);

    IniDocument load() const;
    void save(const IniDocument &document);

private:
    QString m_path;
};

} // namespace tolvex::ini
