#include "KeepRules.h"

#include <QHash>

namespace tolvex::duplicates {

std::optional<KeepRule> keepRuleNamed(const QString &name)
{
    if (name == u"newest")
        return KeepRule::Newest;
    if (name == u"oldest")
        return KeepRule::Oldest;
    if (name == u"first")
        return KeepRule::FirstFolder;
    if (name == u"shortest")
        return KeepRule::ShortestPath;
    return std::nullopt;
}

namespace {

// Smaller is better for every rule.
qint64 rank(const DuplicateTables &tables, qsizetype row, KeepRule rule)
{
    const FileEntry &file = tables.FileTable[row];
    // A loaded result knows only the two-second MS-DOS time, whose packed form orders as time does.
    const qint64 time = file.LastWrite != 0 ? qint64(file.LastWrite) : qint64(quint32(file.Time));
    switch (rule) {
    case KeepRule::Newest: return -time;
    case KeepRule::Oldest: return time;
    case KeepRule::FirstFolder: return tables.topFolder(row);
    case KeepRule::ShortestPath: return tables.filePath(row).size();
    }
    return 0;
}

} // namespace

Ticking tickAllButKept(DuplicateTables &tables, KeepRule rule)
{
    QHash<quint32, QList<qsizetype>> groups;
    QList<quint32> order;
    for (qsizetype row = 0; row < tables.FileTable.size(); ++row) {
        FileEntry &file = tables.FileTable[row];
        file.Ticked = false;
        if (file.Double == 0)
            continue;
        auto it = groups.find(file.Double);
        if (it == groups.end()) {
            it = groups.insert(file.Double, {});
            order.append(file.Double);
        }
        it->append(row);
    }
    Ticking result;
    for (quint32 group : std::as_const(order)) {
        const QList<qsizetype> &rows = groups[group];
        if (rows.size() < 2)
            continue;
        ++result.groups;
        bool anyProtected = false;
        for (qsizetype row : rows)
            anyProtected = anyProtected || tables.isProtected(row);
        qsizetype kept = -1;
        if (!anyProtected) {
            qint64 best = 0;
            int equallyGood = 0;
            for (qsizetype row : rows) {
                const qint64 r = rank(tables, row, rule);
                if (kept < 0 || r < best) {
                    kept = row;
                    best = r;
                    equallyGood = 1;
                } else if (r == best) {
                    ++equallyGood;
                }
            }
            if (equallyGood > 1)
                ++result.ties;
        }
        for (qsizetype row : rows)
            if (row != kept && !tables.isProtected(row)) {
                tables.FileTable[row].Ticked = true;
                ++result.ticked;
            }
    }
    return result;
}

QString Ticking::text() const
{
    QString text = QStringLiteral("Отмечено файлов: %1 в группах: %2.").arg(ticked).arg(groups);
    if (ties > 0)
        text += QStringLiteral(" В группах, где правило не выбрало один файл (%1), оставлен первый из равных.").arg(ties);
    return text;
}

} // namespace tolvex::duplicates
