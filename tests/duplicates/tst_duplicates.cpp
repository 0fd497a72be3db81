// The duplicate finder's engine on real folders: the same tables as comparing every file with
// every later one, the start rules, the end states, links and hard links, and .LsD files.
#include "ProgramSession.h"
#include "TestMachine.h"

#include "DuplicateScan.h"
#include "LsdFile.h"
#include "ResultTexts.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace tolvex;
using namespace tolvex::duplicates;

namespace {

struct Fixture
{
    QTemporaryDir dir;
    std::unique_ptr<test::ProgramSession> program;
    Fixture()
    {
        test::writeMachine(dir.path(), {});
        program = std::make_unique<test::ProgramSession>(dir.path(), dir.path() + "/program");
    }
    QString host(const QString &relative) const { return dir.path() + "/drive_c/" + relative; }
    void file(const QString &relative, const QByteArray &bytes) { test::writeFile(host(relative), bytes); }
    platform::ShellServices &shell() { return *program->shell; }

    DuplicateScan::End scan(DuplicateTables &tables, const QStringList &folders, DuplicateCriteria criteria,
                            bool subfolders = true, QString *status = nullptr)
    {
        DuplicateScan s(shell(), tables);
        s.prepare(folders, criteria, subfolders);
        s.onOperation = [status](const QString &text) {
            if (status)
                *status = text;
        };
        return s.run();
    }
};

// The pairwise algorithm, slow and plain: collect breadth first, compare
// every ungrouped row with every later ungrouped row (size, then name, then content block by
// block), drop the singles, bubble-sort by group.
DuplicateTables reference(platform::ShellServices &shell, const QStringList &folders, DuplicateCriteria c,
                          bool subfolders)
{
    DuplicateTables t;
    t.criteria = c;
    t.FolderTable = {FolderEntry{}};
    for (int i = 0; i < folders.size(); ++i) {
        bool skip = false;
        for (int k = 0; subfolders && k < i; ++k)
            if (folders[k].size() < folders[i].size() && folders[i].startsWith(folders[k]))
                skip = true;
        if (!skip)
            t.FolderTable.append({0, folders[i].left(folders[i].size() - 1)});
    }
    for (int i = 1; i < t.FolderTable.size(); ++i)
        for (const platform::FoundEntry &e : shell.listFolder(t.FolderPath(i), "*")) {
            if (e.name == "." || e.name == ".." || e.isLink)
                continue;
            if (e.isFolder) {
                if (subfolders)
                    t.FolderTable.append({i, e.name});
                continue;
            }
            t.FileTable.append({i, 0, qint32(platform::ShellServices::dosDateTime(e.lastWrite)), qint32(quint32(e.size)),
                                e.name, e.size, e.fileId});
        }
    if (t.FileTable.size() < 2)
        return t;
    auto sameContent = [&](int a, int b) {
        QFile fa(shell.hostPath(t.filePath(a))), fb(shell.hostPath(t.filePath(b)));
        if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
            return false;
        for (quint64 left = t.FileTable[a].FullSize; left > 0;) {
            const qint64 n = qint64(qMin<quint64>(left, 131072));
            if (fa.read(n) != fb.read(n))
                return false;
            left -= quint64(n);
        }
        return true;
    };
    quint32 counter = 0;
    const int count = int(t.FileTable.size());
    for (int j = 0; j < count; ++j) {
        if (t.FileTable[j].Double)
            continue;
        for (int i = j + 1; i < count; ++i) {
            if (t.FileTable[i].Double)
                continue;
            const FileEntry &x = t.FileTable[j], &y = t.FileTable[i];
            if (c.SameSize && x.FullSize != y.FullSize)
                continue;
            if (c.SameName && shell.compareText(x.Name, y.Name) != 0)
                continue;
            if (c.SameContent && (x.FullSize != y.FullSize || !sameContent(j, i)))
                continue;
            if (!t.FileTable[j].Double)
                t.FileTable[j].Double = ++counter;
            t.FileTable[i].Double = t.FileTable[j].Double;
        }
    }
    for (int index = count - 1; index >= 0; --index)
        if (t.FileTable[index].Double == 0)
            t.RemoveFileEntry(index);
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (int k = 0; k + 1 < t.FileTable.size(); ++k)
            if (t.FileTable[k].Double > t.FileTable[k + 1].Double) {
                std::swap(t.FileTable[k], t.FileTable[k + 1]);
                swapped = true;
            }
    }
    return t;
}

QStringList rowsOf(const DuplicateTables &t)
{
    QStringList rows;
    for (qsizetype r = 0; r < t.FileTable.size(); ++r)
        rows << QString("%1|%2|%3|%4").arg(t.FileTable[r].Double).arg(t.filePath(r)).arg(t.FileTable[r].Size).arg(t.FileTable[r].Time);
    return rows;
}

// A tree where names repeat in two letter cases, sizes repeat with different contents, and large
// files differ only in their last byte.
void makeTree(Fixture &f, quint32 seed)
{
    QRandomGenerator random(seed);
    const QStringList names{"song.mp3", "Song.MP3", "фото.jpg", "ФОТО.JPG", "a.txt", "A.TXT", "b.bin", "readme"};
    const QStringList folders{"Data", "Data/Sub", "Data/Sub/Deep", "Other", "Data2"};
    QList<QByteArray> contents{"", "x", "y", "xy", QByteArray(300000, 'q')};
    QByteArray lastDiffers(300000, 'q');
    lastDiffers[299999] = 'r';
    contents << lastDiffers << QByteArray(70000, 'z');
    for (int i = 0; i < 90; ++i) {
        const QString folder = folders[random.bounded(folders.size())];
        const QString name = QString::number(random.bounded(3)) + names[random.bounded(names.size())];
        f.file(folder + "/" + name, contents[random.bounded(contents.size())]);
    }
}

} // namespace

class TestDuplicates : public QObject
{
    Q_OBJECT

private slots:
    void sameTablesAsPairwise_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("criteria");
        QTest::addColumn<bool>("subfolders");
        for (quint32 seed : {1u, 2u, 3u})
            for (int criteria = 0; criteria < 8; ++criteria)
                for (bool subfolders : {true, false})
                    QTest::addRow("seed %u, criteria %d%d%d, sub-folders %s", seed, criteria & 1, (criteria >> 1) & 1,
                                  (criteria >> 2) & 1, subfolders ? "on" : "off")
                        << seed << criteria << subfolders;
    }
    void sameTablesAsPairwise()
    {
        QFETCH(quint32, seed);
        QFETCH(int, criteria);
        QFETCH(bool, subfolders);
        Fixture f;
        makeTree(f, seed);
        const DuplicateCriteria c{bool(criteria & 1), bool(criteria & 2), bool(criteria & 4)};
        const QStringList folders{"C:\\Data\\", "C:\\Data\\Sub\\", "C:\\Data2\\", "C:\\Other\\"};
        DuplicateTables tables;
        f.scan(tables, folders, c, subfolders);
        const DuplicateTables expected = reference(f.shell(), folders, c, subfolders);
        QCOMPARE(rowsOf(tables), rowsOf(expected));
        QCOMPARE(tables.FolderTable.size(), expected.FolderTable.size());
    }

    void overlappingFolders()
    {
        Fixture f;
        f.file("Data/a.txt", "1");
        f.file("Data/Sub/a.txt", "1");
        f.file("Data2/a.txt", "1");
        DuplicateTables t;
        f.scan(t, {"C:\\Data\\", "C:\\Data\\Sub\\", "C:\\Data2\\"}, {true, true, false}, true);
        QCOMPARE(t.FileTable.size(), 3); // Sub once, Data2 not inside Data
        f.scan(t, {"C:\\Data\\", "C:\\Data\\Sub\\", "C:\\Data2\\"}, {true, true, false}, false);
        QCOMPARE(t.FileTable.size(), 3); // each folder without its sub-folders
        QCOMPARE(t.FolderTable.size(), 4);
    }

    void endStates()
    {
        Fixture f;
        f.file("One/a.txt", "1");
        f.file("Two/a.txt", "1");
        f.file("Two/b.txt", "22");
        f.file("Five/1", "a");
        f.file("Five/2", "bb");
        f.file("Five/3", "ccc");
        f.file("Five/4", "dddd");
        f.file("Five/5", "eeeee");
        DuplicateTables t;
        QString status;
        QCOMPARE(f.scan(t, {"C:\\One\\"}, {}, true, &status), DuplicateScan::End::NothingToCompare);
        QCOMPARE(status, QString("Дублирующихся файлов не найдено"));
        QCOMPARE(t.FileTable.size(), 1);
        QCOMPARE(f.scan(t, {"C:\\Two\\"}, {false, false, true}, true, &status), DuplicateScan::End::Found);
        QCOMPARE(status, QString("Найдено 0"));
        QCOMPARE(t.FileTable.size(), 0);
        f.scan(t, {"C:\\Five\\"}, {false, false, false}, true, &status);
        QCOMPARE(status, QString("Найдено 5")); // no criterion: all in group 1
        for (const FileEntry &e : t.FileTable)
            QCOMPARE(e.Double, 1u);
    }

    void driveRoot()
    {
        Fixture f;
        f.file("a.txt", "1");
        f.file("Sub/a.txt", "1");
        DuplicateTables t;
        f.scan(t, {"C:\\"}, {true, true, true});
        QCOMPARE(t.FolderTable[1].Name, QString("C:"));
        QCOMPARE(t.filePath(0), QString("C:\\a.txt"));
        QCOMPARE(t.filePath(1), QString("C:\\Sub\\a.txt"));
    }

    void stopDuringGrouping()
    {
        Fixture f;
        for (int i = 0; i < 20; ++i)
            f.file(QString("Data/%1.txt").arg(i), "same");
        DuplicateTables t;
        DuplicateScan s(f.shell(), t);
        s.prepare({"C:\\Data\\"}, {false, true, true}, true);
        QString status;
        s.onOperation = [&](const QString &text) {
            status = text;
            if (text == "Сравнение файлов")
                s.StopRequested = true;
        };
        QCOMPARE(s.run(), DuplicateScan::End::Stopped);
        QCOMPARE(status, QString("Сканирование прервано"));
        QVERIFY(t.FileTable.isEmpty() && t.FolderTable.isEmpty());
    }

    // Neither a link nor a second name of the same file is ever a member of a group: either
    // would offer to delete the only copy.
    void linksAndHardLinks()
    {
        Fixture f;
        f.file("Data/only.bin", "precious");
        QVERIFY(QFile::link(f.host("Data/only.bin"), f.host("Data/link.bin")));
        QCOMPARE(::link(QFile::encodeName(f.host("Data/only.bin")).constData(),
                        QFile::encodeName(f.host("Data/hard.bin")).constData()),
                 0);
        f.file("Data/copy.bin", "precious");
        DuplicateTables t;
        QString status;
        f.scan(t, {"C:\\Data\\", "C:\\data\\"}, {false, true, true}, true, &status);
        QCOMPARE(status, QString("Найдено 2"));
        QStringList names;
        for (const FileEntry &e : t.FileTable)
            names << e.Name;
        names.sort();
        QVERIFY(names == QStringList({"copy.bin", "hard.bin"}) || names == QStringList({"copy.bin", "only.bin"}));
    }

    // A file that cannot be read to its size is equal to no other file; the scan still ends.
    void unreadableFileEqualsNone()
    {
        Fixture f;
        f.file("Data/a.bin", QByteArray(300000, 'a'));
        f.file("Data/b.bin", QByteArray(300000, 'a'));
        f.file("Data/c.bin", QByteArray(300000, 'a'));
        DuplicateTables t;
        DuplicateScan s(f.shell(), t);
        s.prepare({"C:\\Data\\"}, {false, true, true}, true);
        s.onOperation = [&](const QString &text) {
            if (text == "Сравнение файлов")
                QFile(f.host("Data/b.bin")).resize(10);
        };
        QCOMPARE(s.run(), DuplicateScan::End::Found);
        QStringList names;
        for (const FileEntry &e : t.FileTable)
            names << e.Name;
        names.sort();
        QCOMPARE(names, QStringList({"a.bin", "c.bin"}));
    }

    // Sizes past 4 GiB are compared whole: equal low 32 bits are not equal sizes.
    void sizesOf64Bits()
    {
        Fixture f;
        f.file("Data/small.bin", "12345");
        QFile big(f.host("Data/big.bin"));
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize((qint64(1) << 32) + 5)); // sparse: no room taken
        big.close();
        DuplicateTables t;
        QString status;
        f.scan(t, {"C:\\Data\\"}, {false, true, false}, true, &status);
        QCOMPARE(status, QString("Найдено 0"));
    }

    void sizeTexts_data()
    {
        QTest::addColumn<qint32>("size");
        QTest::addColumn<QString>("text");
        QTest::newRow("4000000") << 4000000 << "3,81 Мб";
        QTest::newRow("1572864") << 1572864 << "1,5 Мб";
        QTest::newRow("2097152") << 2097152 << "2 Мб";
        QTest::newRow("0") << 0 << "0 Мб";
        QTest::newRow("131072") << 131072 << "0,12 Мб";
        QTest::newRow("3145728") << 3145728 << "3 Мб";
        QTest::newRow("50") << 50 << "0 Мб";
        QTest::newRow("rounds up to a whole") << 1047552 << "1 Мб"; // 0.999...
    }
    void sizeTexts()
    {
        QFETCH(qint32, size);
        QFETCH(QString, text);
        QCOMPARE(sizeText(size), text);
    }

    void lsdBytes()
    {
        Fixture f;
        f.file("Music/a.mp3", "x");
        f.file("Music/b.mp3", "x");
        f.file("Music/c.mp3", "x");
        DuplicateTables t;
        f.scan(t, {"C:\\Music\\"}, {false, true, true});
        QCOMPARE(t.FolderTable.size(), 2);
        QCOMPARE(t.FileTable.size(), 3);
        const QByteArray bytes = LsdFile::write(t);
        QCOMPARE(bytes.size(), 731);
        QVERIFY(bytes.startsWith(QByteArray("\x15\xCD\x5B\x07\x00\x01\x01\x02\x00\x00\x00", 11)));
        DuplicateTables back;
        QString error;
        QVERIFY(LsdFile::read(bytes, back, &error));
        QCOMPARE(rowsOf(back), rowsOf(t));
        QCOMPARE(back.criteria, t.criteria);
        QCOMPARE(LsdFile::write(back), bytes);
        QCOMPARE(criteriaText(back.criteria), QString(" Размер Содержимое"));
    }

    // Names beyond 128 characters are whole in memory and cut only in the file; a name without
    // a Windows-1251 form goes as UTF-8, marked, and reads back.
    void lsdNames()
    {
        DuplicateTables t;
        t.FolderTable = {FolderEntry{}, FolderEntry{0, "C:\\Папка"}};
        const QString longName = QString(200, u'ж') + ".txt";
        t.FileTable = {FileEntry{1, 1, 0, 5, longName, 5, 0}, FileEntry{1, 1, 0, 5, "日本.txt", 5, 0}};
        DuplicateTables back;
        QVERIFY(LsdFile::read(LsdFile::write(t), back, nullptr));
        QCOMPARE(back.FileTable[0].Name, longName.left(128));
        QCOMPARE(back.FileTable[1].Name, QString("日本.txt"));
        QCOMPARE(back.FolderTable[1].Name, QString("C:\\Папка"));
    }

    void damagedLsdIsRefused_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QByteArray>("patch");
        QTest::addColumn<int>("cut");
        QTest::addColumn<QString>("error");
        // The file of lsdBytes: folders at 11 and 147, files from 287.
        QTest::newRow("wrong magic") << 0 << QByteArray("\x15\xCD\x5B\x08", 4) << 0 << "Неверный тип файла";
        QTest::newRow("truncated") << 0 << QByteArray() << 100 << "длина не совпадает";
        QTest::newRow("folder count too large") << 7 << QByteArray("\xff\xff\xff\x00", 4) << 0 << "меньше, чем объявлено";
        QTest::newRow("file count too large") << 283 << QByteArray("\x04\x00\x00\x00", 4) << 0 << "длина не совпадает";
        QTest::newRow("name length") << 151 << QByteArray("\x81", 1) << 0 << "длина имени папки 1";
        QTest::newRow("folder index") << 287 << QByteArray("\x02\x00\x00\x00", 4) << 0 << "ссылается на папку 2";
        QTest::newRow("negative folder") << 287 << QByteArray("\xff\xff\xff\xff", 4) << 0 << "ссылается на папку -1";
        QTest::newRow("parent after itself") << 147 << QByteArray("\x01\x00\x00\x00", 4) << 0 << "папка 1 ссылается";
    }
    void damagedLsdIsRefused()
    {
        QFETCH(int, offset);
        QFETCH(QByteArray, patch);
        QFETCH(int, cut);
        QFETCH(QString, error);
        Fixture f;
        f.file("Music/a.mp3", "x");
        f.file("Music/b.mp3", "x");
        f.file("Music/c.mp3", "x");
        DuplicateTables t;
        f.scan(t, {"C:\\Music\\"}, {false, true, true});
        QByteArray bytes = LsdFile::write(t);
        bytes.replace(offset, patch.size(), patch);
        bytes.chop(cut);
        DuplicateTables kept = t;
        QString why;
        QVERIFY(!LsdFile::read(bytes, kept, &why));
        QVERIFY2(why.contains(error), qPrintable(why));
        QCOMPARE(rowsOf(kept), rowsOf(t)); // unchanged
    }
};

QTEST_GUILESS_MAIN(TestDuplicates)
#include "tst_duplicates.moc"
