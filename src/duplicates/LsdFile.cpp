#include "LsdFile.h"

#include "text/TextCodec.h"

#include <QtEndian>

namespace tolvex::duplicates {

const QString LsdFile::wrongType = QStringLiteral("Неверный тип файла");

namespace {

constexpr int nameBytes = 128;

void putInt(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

quint32 intAt(const QByteArray &bytes, qsizetype at) { return qFromLittleEndian<quint32>(bytes.constData() + at); }

// A name as its record holds it: Windows-1251, or UTF-8 cut on a character boundary and marked by
// a 1 in the first padding byte when the name has no Windows-1251 form. The second padding byte
// is the record's own mark (a protected folder); readers that know nothing of it skip it.
void putName(QByteArray &out, const QString &name, bool mark = false)
{
    QByteArray bytes;
    bool utf8 = !text::fitsWindows1251(name);
    if (!utf8) {
        bytes = text::toWindows1251(name.left(nameBytes));
    } else {
        bytes = name.toUtf8();
        qsizetype cut = qMin<qsizetype>(bytes.size(), nameBytes);
        while (cut > 0 && cut < bytes.size() && (uchar(bytes[cut]) & 0xC0) == 0x80)
            --cut;
        bytes.truncate(cut);
    }
    out.append(char(bytes.size()));
    out.append(bytes);
    out.append(QByteArray(nameBytes - bytes.size(), '\0'));
    out.append(utf8 ? '\1' : '\0');
    out.append(mark ? '\1' : '\0');
    out.append('\0');
}

bool nameAt(const QByteArray &bytes, qsizetype at, QString &name)
{
    const int length = uchar(bytes[at]);
    if (length > nameBytes)
        return false;
    const QByteArray raw = bytes.mid(at + 1, length);
    name = bytes[at + 1 + nameBytes] == '\1' ? QString::fromUtf8(raw) : text::fromWindows1251(raw);
    return true;
}

} // namespace

QByteArray LsdFile::write(const DuplicateTables &tables)
{
    QByteArray out;
    out.reserve(15 + folderRecord * tables.FolderTable.size() + fileRecord * tables.FileTable.size());
    putInt(out, magic);
    out.append(char(tables.criteria.SameName));
    out.append(char(tables.criteria.SameSize));
    out.append(char(tables.criteria.SameContent));
    putInt(out, quint32(tables.FolderTable.size()));
    for (const FolderEntry &folder : tables.FolderTable) {
        putInt(out, quint32(folder.Parent));
        putName(out, folder.Name, folder.Protected);
    }
    putInt(out, quint32(tables.FileTable.size()));
    for (const FileEntry &file : tables.FileTable) {
        putInt(out, quint32(file.Folder));
        putInt(out, file.Double);
        putInt(out, quint32(file.Time));
        putInt(out, quint32(file.Size));
        putName(out, file.Name);
    }
    return out;
}

bool LsdFile::read(const QByteArray &bytes, DuplicateTables &tables, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (bytes.size() < 4 || intAt(bytes, 0) != magic)
        return fail(wrongType);
    const QString damaged = QStringLiteral("Файл результата повреждён: %1. Результат не изменён.");
    if (bytes.size() < 11)
        return fail(damaged.arg(QStringLiteral("он обрывается в заголовке")));
    const quint64 folders = intAt(bytes, 7);
    const quint64 filesAt = 11 + folderRecord * folders;
    if (filesAt + 4 > quint64(bytes.size()))
        return fail(damaged.arg(QStringLiteral("папок в нём меньше, чем объявлено (%1)").arg(folders)));
    const quint64 files = intAt(bytes, qsizetype(filesAt));
    if (filesAt + 4 + fileRecord * files != quint64(bytes.size()))
        return fail(damaged.arg(QStringLiteral("его длина не совпадает с числом записей (%1 папок, %2 файлов)")
                                    .arg(folders)
                                    .arg(files)));
    DuplicateTables read;
    read.criteria = {bytes[4] != 0, bytes[5] != 0, bytes[6] != 0};
    for (quint64 i = 0; i < folders; ++i) {
        const qsizetype at = qsizetype(11 + folderRecord * i);
        FolderEntry folder;
        folder.Parent = qint32(intAt(bytes, at));
        // Parents come first, so every path ends at a top-level folder.
        if (folder.Parent < 0 || (i > 0 && quint64(folder.Parent) >= i) || (i == 0 && folder.Parent != 0))
            return fail(damaged.arg(QStringLiteral("папка %1 ссылается на папку %2").arg(i).arg(folder.Parent)));
        if (!nameAt(bytes, at + 4, folder.Name))
            return fail(damaged.arg(QStringLiteral("длина имени папки %1 больше 128").arg(i)));
        folder.Protected = bytes[at + 4 + 1 + nameBytes + 1] == '\1';
        read.FolderTable.append(folder);
    }
    for (quint64 i = 0; i < files; ++i) {
        const qsizetype at = qsizetype(filesAt + 4 + fileRecord * i);
        FileEntry file;
        file.Folder = qint32(intAt(bytes, at));
        if (file.Folder < 0 || quint64(file.Folder) >= folders)
            return fail(damaged.arg(QStringLiteral("файл %1 ссылается на папку %2").arg(i).arg(file.Folder)));
        file.Double = intAt(bytes, at + 4);
        file.Time = qint32(intAt(bytes, at + 8));
        file.Size = qint32(intAt(bytes, at + 12));
        file.FullSize = quint32(file.Size);
        if (!nameAt(bytes, at + 16, file.Name))
            return fail(damaged.arg(QStringLiteral("длина имени файла %1 больше 128").arg(i)));
        read.FileTable.append(file);
    }
    tables = std::move(read);
    return true;
}

} // namespace tolvex::duplicates
