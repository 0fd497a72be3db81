#include "DuplicateScan.h"

#include "shell/LinkReplacement.h"
#include "shell/ShellServices.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <thread>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <xxhash.h>

namespace tolvex::duplicates {

namespace {

constexpr qsizetype firstBlock = 4096;
// Files up to this size are read whole at once and compared in memory.
constexpr quint64 smallFile = 256 * 1024;
constexpr qsizetype chunk = 256 * 1024;
// Representatives kept in memory per size for the small files; beyond, they are read again.
constexpr qsizetype keptBytes = 48 * 1024 * 1024;

// A file opened for reading only, never through a link: one that has become a link since it was
// listed is unreadable, and so equal to no other file.
class Reader
{
public:
    explicit Reader(int fd) : m_fd(fd) {}
    ~Reader()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;
    bool ok() const { return m_fd >= 0; }
    bool skip(qint64 n) { return ::lseek(m_fd, n, SEEK_CUR) == n; }
    // Exactly `n` bytes, or false.
    bool read(char *into, qsizetype n)
    {
        while (n > 0) {
            const ssize_t got = ::read(m_fd, into, size_t(n));
            if (got <= 0)
                return false;
            into += got;
            n -= got;
        }
        return true;
    }

private:
    int m_fd;
};

size_t hashOf(const char *data, qsizetype n, size_t seed = 0) { return XXH3_64bits_withSeed(data, size_t(n), seed); }

struct FolderHandles
{
    quint64 scan = 0;
    QHash<qint32, int> fds;
    QList<qint32> order; // the oldest is closed first
    ~FolderHandles() { clear(); }
    void clear()
    {
        for (int fd : std::as_const(fds))
            if (fd >= 0)
                ::close(fd);
        fds.clear();
        order.clear();
    }
};
thread_local FolderHandles t_handles;
std::atomic<quint64> scans{0};

} // namespace

DuplicateScan::DuplicateScan(platform::ShellServices &shell, DuplicateTables &tables) : m_shell(shell), m_tables(tables)
{
}

QString DuplicateScan::endText(End end, qsizetype found)
{
    switch (end) {
    case End::Found: return QStringLiteral("Найдено ") + QString::number(found);
    case End::NothingToCompare: return QStringLiteral("Дублирующихся файлов не найдено");
    case End::Stopped: return QStringLiteral("Сканирование прервано");
    }
    return {};
}

bool DuplicateScan::prepare(const QStringList &folderList, const DuplicateCriteria &criteria, bool scanSubfolders,
                            const QStringList &protectedFolders)
{
    if (folderList.isEmpty())
        return false;
    m_subfolders = scanSubfolders;
    m_protected = protectedFolders;
    m_tables.criteria = criteria;
    m_tables.FolderTable = {FolderEntry{}};
    m_tables.FileTable.clear();
    for (qsizetype i = 0; i < folderList.size(); ++i) {
        const QString &item = folderList[i];
        // A folder inside an earlier one is scanned as part of it.
        bool covered = false;
        for (qsizetype c = 0; scanSubfolders && c < i && !covered; ++c)
            covered = folderList[c].size() < item.size() && item.startsWith(folderList[c], Qt::CaseSensitive);
        if (!covered)
            m_tables.FolderTable.append({0, item.left(item.size() - 1), isProtectedPath(item)});
    }
    StopRequested = false;
    return true;
}

QString DuplicateScan::windowsFolderWithin(const QStringList &folderList, const QString &windowsFolder,
                                           bool scanSubfolders)
{
    if (windowsFolder.isEmpty())
        return {};
    const QString folder = windowsFolder.endsWith(u'\\') ? windowsFolder : windowsFolder + u'\\';
    for (const QString &item : folderList)
        if (scanSubfolders ? folder.startsWith(item, Qt::CaseInsensitive) : folder.compare(item, Qt::CaseInsensitive) == 0)
            return folder;
    return {};
}

// Windows paths name one folder whatever their letters' case.
bool DuplicateScan::isProtectedPath(const QString &folder) const
{
    return std::any_of(m_protected.begin(), m_protected.end(),
                       [&](const QString &p) { return folder.startsWith(p, Qt::CaseInsensitive); });
}

void DuplicateScan::operation(const QString &text)
{
    if (onOperation)
        onOperation(text);
}

void DuplicateScan::progress(qint64 position, qint64 maximum, bool now)
{
    if (!now && m_lastReport.isValid() && m_lastReport.elapsed() < 40)
        return;
    m_lastReport.start();
    if (onProgressText)
        onProgressText(QStringLiteral("%1 из %2 ").arg(position).arg(maximum));
    if (onProgress)
        onProgress(position, maximum);
}

DuplicateScan::End DuplicateScan::abort()
{
    m_tables.clear();
    operation(endText(End::Stopped, 0));
    if (onProgressText)
        onProgressText(QString());
    return End::Stopped;
}

DuplicateScan::End DuplicateScan::run()
{
    m_bytesRead = 0;
    m_scanId = ++scans;
    if (!collect())
        return abort();
    if (m_tables.FileTable.size() < 2) {
        operation(endText(End::NothingToCompare, 0));
        if (onProgressText)
            onProgressText(QString());
        return End::NothingToCompare;
    }
    group();
    closeFolders();
    if (StopRequested)
        return abort();
    operation(QStringLiteral("Обработка результата"));
    m_tables.FileTable.removeIf([](const FileEntry &e) { return e.Double == 0; });
    m_tables.FileTable.squeeze();
    operation(QStringLiteral("Сортировка"));
    m_tables.SortFileTable(QStringLiteral("Double"), [this](const QString &a, const QString &b) {
        return m_shell.compareText(a, b);
    });
    operation(endText(End::Found, m_tables.FileTable.size()));
    if (onProgressText)
        onProgressText(QString());
    if (onProgress)
        onProgress(1, 1);
    return End::Found;
}

// Breadth first: sub-folders are appended behind the folders being listed. A link is neither
// entered nor a member, and one file reached under two names is listed once.
bool DuplicateScan::collect()
{
    operation(QStringLiteral("Сканирование папок"));
    if (onProgressText)
        onProgressText(QString());
    QSet<quint64> seen;
    const int threads = qBound(1, QThread::idealThreadCount(), 4);
    // One level of the tree at a time, in batches: a batch's folders are listed side by side,
    // then taken in index order, so the tables come out as a walk folder after folder makes them,
    // and only one batch's listings are held at once.
    constexpr qsizetype batch = 512;
    for (qsizetype first = 1; first < m_tables.FolderTable.size();) {
        const qsizetype end = qMin(m_tables.FolderTable.size(), first + batch);
        QStringList paths;
        for (qsizetype i = first; i < end; ++i)
            paths.append(m_tables.FolderPath(qint32(i)));
        QList<QList<platform::FoundEntry>> listings(end - first);
        std::atomic<qsizetype> next{0};
        auto work = [&] {
            for (qsizetype k; (k = next++) < listings.size() && !StopRequested;)
                listings[k] = m_shell.listFolder(paths[k], QStringLiteral("*"));
        };
        std::vector<std::thread> helpers;
        for (int t = 1; t < threads && listings.size() > 1; ++t)
            helpers.emplace_back(work);
        work();
        for (std::thread &helper : helpers)
            helper.join();
        for (qsizetype i = first; i < end; ++i) {
            if (StopRequested)
                return false;
            progress(i, m_tables.FolderTable.size() - 1);
            QList<platform::FoundEntry> listing = std::move(listings[i - first]);
            for (const platform::FoundEntry &entry : std::as_const(listing)) {
                // Only regular files have contents to compare: a pipe or a device is no member;
                // nor is a replacement's temporary name left by a crash, a second name of a member.
                if (entry.name == u"." || entry.name == u".." || entry.isLink || entry.isSpecial ||
                    entry.name.startsWith(QLatin1StringView(platform::linkTempPrefix)))
                    continue;
                if (entry.isFolder) {
                    if (m_subfolders)
                        m_tables.FolderTable.append(
                            {qint32(i), entry.name,
                             m_tables.FolderTable[i].Protected ||
                                 (!m_protected.isEmpty() && isProtectedPath(paths[i - first] + entry.name + u'\\'))});
                    continue;
                }
                if (entry.fileId) {
                    if (seen.contains(entry.fileId))
                        continue;
                    seen.insert(entry.fileId);
                }
                FileEntry file;
                file.Folder = qint32(i);
                file.Time = qint32(platform::ShellServices::dosDateTime(entry.lastWrite));
                file.Size = qint32(quint32(entry.size));
                file.FullSize = entry.size;
                file.Name = entry.name;
                file.FileId = entry.fileId;
                file.LastWrite = entry.lastWrite;
                m_tables.FileTable.append(std::move(file));
            }
        }
        first = end;
    }
    if (onProgress)
        onProgress(0, 1);
    return !StopRequested;
}

// Files are opened from their folder's open handle, not by a whole path each time: the folder
// is found on the host once per thread, and the names below it are exactly as the listing gave
// them. Each thread that compares keeps its own handles.
int DuplicateScan::openRow(qsizetype row)
{
    if (t_handles.scan != m_scanId) {
        t_handles.clear();
        t_handles.scan = m_scanId;
    }
    const FileEntry &file = m_tables.FileTable[row];
    auto it = t_handles.fds.constFind(file.Folder);
    if (it == t_handles.fds.constEnd()) {
        constexpr qsizetype kept = 256;
        if (t_handles.fds.size() >= kept) {
            const int fd = t_handles.fds.take(t_handles.order.takeFirst());
            if (fd >= 0)
                ::close(fd);
        }
        const QString folder = m_shell.hostPath(m_tables.FolderPath(file.Folder));
        const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        it = t_handles.fds.insert(file.Folder, fd);
        t_handles.order.append(file.Folder);
    }
    return *it < 0 ? -1 : ::openat(*it, QFile::encodeName(file.Name).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
}

void DuplicateScan::closeFolders()
{
    if (t_handles.scan == m_scanId)
        t_handles.clear();
}

bool DuplicateScan::readAll(qsizetype row, QByteArray &into, quint64 size)
{
    Reader reader(openRow(row));
    into.resize(qsizetype(size));
    const bool ok = reader.ok() && reader.read(into.data(), into.size());
    m_bytesRead += size;
    return ok;
}

// The groups are the classes of "agrees on every criterion that is on", which is an equivalence:
// each criterion splits the candidates further, and classes of one file are no group.
void DuplicateScan::group()
{
    operation(QStringLiteral("Сравнение файлов"));
    const DuplicateCriteria c = m_tables.criteria;
    QList<FileEntry> &files = m_tables.FileTable;
    const qsizetype count = files.size();
    qsizetype done = 0;
    auto settled = [&](qsizetype n) {
        done += n;
        progress(qMin(done, count - 1), count - 1);
    };

    QList<QList<qsizetype>> sets(1);
    sets[0].resize(count);
    std::iota(sets[0].begin(), sets[0].end(), 0);
    auto refine = [&](const std::function<QList<QList<qsizetype>>(const QList<qsizetype> &)> &split) {
        QList<QList<qsizetype>> next;
        for (const QList<qsizetype> &set : std::as_const(sets)) {
            if (StopRequested)
                return;
            for (QList<qsizetype> &part : split(set)) {
                if (part.size() >= 2)
                    next.append(std::move(part));
                else
                    settled(part.size());
            }
        }
        sets = std::move(next);
    };
    if (c.SameSize || c.SameContent)
        refine([&](const QList<qsizetype> &set) {
            QHash<quint64, qsizetype> at;
            QList<QList<qsizetype>> parts;
            for (qsizetype row : set) {
                auto it = at.constFind(files[row].FullSize);
                if (it == at.constEnd()) {
                    it = at.insert(files[row].FullSize, parts.size());
                    parts.append(QList<qsizetype>());
                }
                parts[*it].append(row);
            }
            return parts;
        });
    if (c.SameName)
        refine([&](const QList<qsizetype> &set) {
            // Equal names in the locale's comparison ignoring case sit side by side once sorted.
            QList<qsizetype> order = set;
            std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
                return m_shell.compareText(files[a].Name, files[b].Name) < 0;
            });
            QList<QList<qsizetype>> parts;
            for (qsizetype row : order) {
                if (parts.isEmpty() || m_shell.compareText(files[parts.last().first()].Name, files[row].Name) != 0)
                    parts.append(QList<qsizetype>());
                parts.last().append(row);
            }
            for (QList<qsizetype> &part : parts)
                std::sort(part.begin(), part.end());
            return parts;
        });
    if (c.SameContent) {
        // Sets of one size are independent of each other: as many threads as cores read them,
        // and the parts come back in the sets' order, so the result does not depend on timing.
        const QList<QList<qsizetype>> input = std::move(sets);
        QList<QList<QList<qsizetype>>> results(input.size());
        std::atomic<qsizetype> next{0}, compared{0};
        auto work = [&](bool reporting) {
            for (qsizetype i; (i = next++) < input.size() && !StopRequested;) {
                results[i] = splitByContent(input[i], files[input[i].first()].FullSize);
                // A file equal to no other is settled: only groups wait for the merge.
                results[i].removeIf([](const QList<qsizetype> &part) { return part.size() < 2; });
                compared += input[i].size();
                if (reporting)
                    progress(qMin(done + compared.load(), count - 1), count - 1);
            }
        };
        std::vector<std::thread> helpers;
        for (int t = 1; t < qBound(1, QThread::idealThreadCount(), 4); ++t)
            helpers.emplace_back(work, false);
        work(true);
        for (std::thread &helper : helpers)
            helper.join();
        done += compared;
        sets.clear();
        for (QList<QList<qsizetype>> &parts : results)
            for (QList<qsizetype> &part : parts)
                if (part.size() >= 2)
                    sets.append(std::move(part));
    }
    if (StopRequested)
        return;

    std::sort(sets.begin(), sets.end(), [](const QList<qsizetype> &a, const QList<qsizetype> &b) {
        return a.first() < b.first();
    });
    for (qsizetype k = 0; k < sets.size(); ++k)
        for (qsizetype row : std::as_const(sets[k]))
            files[row].Double = quint32(k + 1);
    progress(count - 1, count - 1, true);
}

// Files of one size by their contents, each part in row order. A file that cannot be read to its
// size is a part of its own: equal to no other file.
QList<QList<qsizetype>> DuplicateScan::splitByContent(const QList<qsizetype> &rows, quint64 size)
{
    if (size == 0)
        return {rows};
    QList<QList<qsizetype>> parts;
    // Rows by a hash of `hash`'s reading; a row whose reading fails is a part of its own.
    auto partition = [&](const QList<qsizetype> &in, const std::function<bool(qsizetype, size_t &)> &hash) {
        QHash<size_t, qsizetype> at;
        QList<QList<qsizetype>> out;
        for (qsizetype row : in) {
            if (StopRequested)
                return QList<QList<qsizetype>>{};
            size_t h = 0;
            if (!hash(row, h)) {
                parts.append(QList<qsizetype>{row});
                continue;
            }
            auto it = at.constFind(h);
            if (it == at.constEnd()) {
                it = at.insert(h, out.size());
                out.append(QList<qsizetype>());
            }
            out[*it].append(row);
        }
        return out;
    };

    // Two files: the byte comparison reads each once and stops at their first difference.
    if (rows.size() == 2)
        return confirm(rows, size);
    // Most files that merely share a size differ at once: a first block settles them.
    const qsizetype block = qsizetype(qMin<quint64>(size, firstBlock));
    QHash<qsizetype, size_t> firstHash;
    QByteArray buffer(chunk, Qt::Uninitialized);
    const QList<QList<qsizetype>> byFirst = partition(rows, [&](qsizetype row, size_t &h) {
        Reader reader(openRow(row));
        m_bytesRead += quint64(block);
        if (!reader.ok() || !reader.read(buffer.data(), block))
            return false;
        h = hashOf(buffer.constData(), block);
        firstHash.insert(row, h);
        return true;
    });
    for (const QList<qsizetype> &candidates : byFirst) {
        // A whole file in its first block, or just two files, which the byte comparison reads
        // once each anyway: compare at once; equal hashes still need equal bytes.
        if (candidates.size() < 2 || size <= quint64(firstBlock) || candidates.size() == 2) {
            parts += candidates.size() < 2 ? QList<QList<qsizetype>>{candidates} : confirm(candidates, size);
            continue;
        }
        if (size <= smallFile) {
            parts += splitInMemory(candidates, size);
            continue;
        }
        const QList<QList<qsizetype>> byWhole = partition(candidates, [&](qsizetype row, size_t &h) {
            // The rest of the file, after the block already hashed.
            Reader reader(openRow(row));
            if (!reader.ok() || !reader.skip(firstBlock))
                return false;
            h = firstHash.value(row);
            for (quint64 left = size - quint64(firstBlock); left > 0;) {
                const qsizetype n = qsizetype(qMin<quint64>(left, chunk));
                if (StopRequested || !reader.read(buffer.data(), n))
                    return false;
                m_bytesRead += quint64(n);
                h = hashOf(buffer.constData(), n, h);
                left -= quint64(n);
            }
            return true;
        });
        for (const QList<qsizetype> &same : byWhole)
            parts += same.size() < 2 ? QList<QList<qsizetype>>{same} : confirm(same, size);
    }
    return parts;
}

// Small files that agree in their first block, read whole and compared in memory with one kept
// copy of each content found so far.
QList<QList<qsizetype>> DuplicateScan::splitInMemory(const QList<qsizetype> &rows, quint64 size)
{
    struct Rep
    {
        size_t hash;
        QByteArray data; // empty when not kept: read again to compare
        qsizetype part;
    };
    QList<QList<qsizetype>> parts;
    QList<Rep> reps;
    qsizetype kept = 0;
    QByteArray data, again;
    for (qsizetype row : rows) {
        if (StopRequested)
            return {};
        if (!readAll(row, data, size)) {
            parts.append(QList<qsizetype>{row});
            continue;
        }
        const size_t h = hashOf(data.constData(), data.size());
        qsizetype joined = -1;
        for (const Rep &rep : std::as_const(reps)) {
            if (rep.hash != h)
                continue;
            const QByteArray *other = &rep.data;
            if (rep.data.isEmpty()) {
                if (!readAll(parts[rep.part].first(), again, size))
                    continue;
                other = &again;
            }
            if (*other == data) {
                joined = rep.part;
                break;
            }
        }
        if (joined >= 0) {
            parts[joined].append(row);
            continue;
        }
        const bool keep = kept + data.size() <= keptBytes;
        kept += keep ? data.size() : 0;
        reps.append({h, keep ? data : QByteArray(), parts.size()});
        parts.append(QList<qsizetype>{row});
    }
    return parts;
}

// Files whose hashes agree, compared byte for byte with the first of them, a batch at a time in
// lockstep so that each is read once. Those that differ after all are compared among themselves.
QList<QList<qsizetype>> DuplicateScan::confirm(const QList<qsizetype> &rows, quint64 size)
{
    constexpr qsizetype batchSize = 128;
    QList<QList<qsizetype>> out;
    QList<qsizetype> pending = rows;
    QByteArray repBuffer(chunk, Qt::Uninitialized), buffer(chunk, Qt::Uninitialized);
    while (!pending.isEmpty()) {
        const qsizetype rep = pending.first();
        const QList<qsizetype> others = pending.mid(1);
        QList<qsizetype> equal{rep}, differ;
        bool repReadable = true;
        for (qsizetype start = 0; start < others.size() && repReadable; start += batchSize) {
            const QList<qsizetype> batch = others.mid(start, batchSize);
            Reader repReader(openRow(rep));
            repReadable = repReader.ok();
            std::vector<std::unique_ptr<Reader>> readers;
            std::vector<char> state(size_t(batch.size()), 1); // 1 equal so far, 0 differs, 2 unreadable
            for (qsizetype i = 0; i < batch.size(); ++i) {
                readers.push_back(std::make_unique<Reader>(openRow(batch[i])));
                if (!readers.back()->ok())
                    state[size_t(i)] = 2;
            }
            // Small steps first: files that differ mostly differ at once.
            qsizetype step = firstBlock;
            for (quint64 left = size; left > 0 && repReadable; step = qMin(step * 8, chunk)) {
                if (StopRequested)
                    return {};
                const qsizetype n = qsizetype(qMin<quint64>(left, quint64(step)));
                if (!repReader.read(repBuffer.data(), n)) {
                    repReadable = false;
                    break;
                }
                m_bytesRead += n;
                for (qsizetype i = 0; i < batch.size(); ++i) {
                    if (state[size_t(i)] != 1)
                        continue;
                    m_bytesRead += n;
                    if (!readers[size_t(i)]->read(buffer.data(), n))
                        state[size_t(i)] = 2;
                    else if (std::memcmp(buffer.constData(), repBuffer.constData(), size_t(n)) != 0)
                        state[size_t(i)] = 0;
                }
                left -= n;
            }
            for (qsizetype i = 0; i < batch.size() && repReadable; ++i) {
                if (state[size_t(i)] == 1)
                    equal.append(batch[i]);
                else if (state[size_t(i)] == 0)
                    differ.append(batch[i]);
                else
                    out.append(QList<qsizetype>{batch[i]});
            }
        }
        if (!repReadable) {
            out.append(QList<qsizetype>{rep});
            pending = others;
            continue;
        }
        out.append(equal);
        pending = differ;
    }
    return out;
}

} // namespace tolvex::duplicates
