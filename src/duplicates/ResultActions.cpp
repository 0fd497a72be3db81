#include "ResultActions.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace tolvex::duplicates {

using platform::FoundEntry;
using platform::LinkKind;
using platform::LinkOutcome;
using platform::ShellServices;

bool stillListed(const FileEntry &entry, const FoundEntry &now)
{
    if (now.isFolder || now.isLink || now.isSpecial)
        return false;
    if (entry.LastWrite != 0)
        return now.size == entry.FullSize && now.lastWrite == entry.LastWrite &&
               (entry.FileId == 0 || now.fileId == entry.FileId);
    return qint32(quint32(now.size)) == entry.Size && qint32(ShellServices::dosDateTime(now.lastWrite)) == entry.Time;
}

RowState rowState(ShellServices &shell, const DuplicateTables &tables, qsizetype row)
{
    FoundEntry now;
    if (!shell.entryAt(tables.filePath(row), now))
        return RowState::Gone;
    return stillListed(tables.FileTable[row], now) ? RowState::Same : RowState::Changed;
}

QList<qsizetype> chosenRows(const DuplicateTables &tables, const QList<qsizetype> &selected)
{
    QList<qsizetype> ticked;
    for (qsizetype row = 0; row < tables.FileTable.size(); ++row)
        if (tables.FileTable[row].Ticked)
            ticked.append(row);
    return ticked.isEmpty() ? selected : ticked;
}

Removal planRemoval(ShellServices &shell, const DuplicateTables &tables, const QList<qsizetype> &rows)
{
    Removal plan;
    QSet<quint32> groups;
    for (qsizetype row : rows) {
        groups.insert(tables.FileTable[row].Double);
        if (tables.isProtected(row)) {
            ++plan.protectedKept;
            continue;
        }
        const QString path = tables.filePath(row);
        switch (rowState(shell, tables, row)) {
        case RowState::Same:
            plan.paths.append(path);
            plan.rows.append(row);
            break;
        case RowState::Changed: plan.changed.append(path); break;
        case RowState::Gone: plan.gone.append(path); break;
        }
    }
    QHash<quint32, qsizetype> members, chosen;
    for (const FileEntry &file : tables.FileTable)
        ++members[file.Double];
    for (qsizetype row : plan.rows)
        ++chosen[tables.FileTable[row].Double];
    QList<quint32> whole;
    for (quint32 group : std::as_const(groups))
        if (group != 0 && chosen.value(group) == members.value(group))
            whole.append(group);
    std::sort(whole.begin(), whole.end());
    for (quint32 group : whole)
        plan.wholeGroups.append(QString::number(group));
    return plan;
}

QString Removal::keptText() const
{
    QStringList parts;
    if (protectedKept > 0)
        parts.append(QStringLiteral("Файлы защищённых папок не удаляются, оставлено: %1.").arg(protectedKept));
    if (!changed.isEmpty())
        parts.append(QStringLiteral("Эти файлы изменились после сканирования и не удалены:\n") + changed.join(u'\n'));
    if (!gone.isEmpty())
        parts.append(QStringLiteral("Этих файлов уже нет на диске:\n") + gone.join(u'\n'));
    return parts.join(QStringLiteral("\n\n"));
}

void dropGoneRows(ShellServices &shell, DuplicateTables &tables, QList<qsizetype> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (qsizetype row : std::as_const(rows)) {
        FoundEntry now;
        if (row < tables.FileTable.size() && !shell.entryAt(tables.filePath(row), now))
            tables.RemoveFileEntry(row);
    }
}

Replacement replaceTicked(ShellServices &shell, DuplicateTables &tables, LinkKind kind)
{
    Replacement report;
    QHash<quint32, qsizetype> keptOf;
    for (qsizetype row = 0; row < tables.FileTable.size(); ++row) {
        const FileEntry &file = tables.FileTable[row];
        if (file.Double != 0 && !file.Ticked && !keptOf.contains(file.Double))
            keptOf.insert(file.Double, row);
    }
    for (qsizetype row = 0; row < tables.FileTable.size(); ++row) {
        FileEntry &file = tables.FileTable[row];
        if (!file.Ticked)
            continue;
        const QString path = tables.filePath(row);
        if (tables.isProtected(row)) {
            ++report.protectedKept;
            continue;
        }
        const qsizetype kept = keptOf.value(file.Double, -1);
        if (file.Double == 0 || kept < 0) {
            report.noKept.append(path);
            continue;
        }
        const FileEntry keptFile = tables.FileTable[kept];
        platform::LinkRequest request;
        request.path = path;
        request.within = tables.topFolderPath(row);
        request.keptPath = tables.filePath(kept);
        request.keptWithin = tables.topFolderPath(kept);
        request.kind = kind;
        request.stillListed = [&](const FoundEntry &now, bool isKept) {
            return stillListed(isKept ? keptFile : file, now);
        };
        QString error;
        quint64 freed = 0;
        switch (shell.replaceByLink(request, &error, &freed)) {
        case LinkOutcome::Replaced: {
            ++report.replaced;
            report.bytesRegained += freed;
            file.Ticked = false;
            FoundEntry now;
            if (shell.entryAt(path, now)) {
                file.FileId = now.fileId;
                file.LastWrite = now.lastWrite;
                file.Time = qint32(ShellServices::dosDateTime(now.lastWrite));
            }
            break;
        }
        case LinkOutcome::Gone: report.gone.append(path); break;
        case LinkOutcome::Changed: report.changed.append(path); break;
        case LinkOutcome::KeptChanged: report.keptChanged.append(path); break;
        case LinkOutcome::Differs: report.differs.append(path); break;
        case LinkOutcome::OtherVolume: report.otherVolume.append(path); break;
        case LinkOutcome::Unsupported: report.unsupported.append(path); break;
        case LinkOutcome::Failed: report.failed.append(path + QStringLiteral(": ") + error); break;
        }
    }
    dropGoneRows(shell, tables, [&] {
        QList<qsizetype> all;
        for (qsizetype row = 0; row < tables.FileTable.size(); ++row)
            if (tables.FileTable[row].Ticked)
                all.append(row);
        return all;
    }());
    return report;
}

QString Replacement::text(LinkKind kind) const
{
    QStringList parts;
    const QString what = kind == LinkKind::HardLink ? QStringLiteral("жёсткими ссылками") : QStringLiteral("клонами");
    parts.append(QStringLiteral("Заменено %1: %2, освобождено %3 байт.").arg(what).arg(replaced).arg(bytesRegained));
    if (protectedKept > 0)
        parts.append(QStringLiteral("Файлы защищённых папок не заменяются, оставлено: %1.").arg(protectedKept));
    const QList<std::pair<QString, const QStringList *>> lists = {
        {QStringLiteral("Изменились после сканирования, оставлены:"), &changed},
        {QStringLiteral("Уже нет на диске:"), &gone},
        {QStringLiteral("Оставляемый файл группы изменился или исчез, оставлены:"), &keptChanged},
        {QStringLiteral("Содержимое не совпало с оставляемым файлом, оставлены:"), &differs},
        {QStringLiteral("Лежат на другой файловой системе, чем оставляемый файл, оставлены:"), &otherVolume},
        {QStringLiteral("Файловая система не умеет клонировать файлы (нужна btrfs или XFS), оставлены:"), &unsupported},
        {QStringLiteral("Отмечены все файлы группы, ни одного не осталось бы, оставлены:"), &noKept},
        {QStringLiteral("Не удалось заменить:"), &failed}};
    for (const auto &[title, list] : lists)
        if (!list->isEmpty())
            parts.append(title + u'\n' + list->join(u'\n'));
    return parts.join(QStringLiteral("\n\n"));
}

} // namespace tolvex::duplicates
