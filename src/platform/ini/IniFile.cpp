#include "IniFile.h"

#include "registry/FileIO.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tolvex::ini {

namespace {

// A save cut short by a kill leaves its temporary file beside the INI file. One a minute old is no
// save in progress, whichever program's it was.
void removeLeftSaves(const QString &path)
{
    constexpr int minimumAgeSeconds = 60;
    registry::fileio::removeLeftTemporaries(
        QFile::encodeName(QFileInfo(path).absolutePath()).toStdString(),
        [](std::string_view target) {
            return target.size() > 4 && QByteArrayView(target.substr(target.size() - 4)).compare(".ini", Qt::CaseInsensitive) == 0;
        },
        minimumAgeSeconds);
}

} // namespace

IniFile::IniFile(QString hostPath) : m_path(std::move(hostPath)) {}

IniDocument IniFile::load() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return IniDocument::parse(file.readAll());
}

void IniFile::save(const IniDocument &document)
{
    QSaveFile file(m_path);
    const QByteArray bytes = document.toBytes();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw IniError(("Unable to write to " + m_path).toStdString());
    removeLeftSaves(m_path);
}

QString IniFile::readString(const QString &section, const QString &key, const QString &fallback) const
{
    return load().value(section, key, fallback);
}

int IniFile::readInteger(const QString &section, const QString &key, int fallback) const
{
    bool ok = false;
    const int value = readString(section, key).toInt(&ok);
    return ok ? value : fallback;
}

QStringList IniFile::readSections() const { return load().sections(); }

QStringList IniFile::readKeys(const QString &section) const { return load().keys(section); }

void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    IniDocument document = load();
    document.setValue(section, key, value);
    save(document);
}

void IniFile::writeInteger(const QString &section, const QString &key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::eraseSection(const QString &section)
{
    IniDocument document = load();
    document.removeSection(section);
    save(document);
}

} // namespace tolvex::ini
