// Path parts, file masks and the Windows-1251 codec.
#include "text/MaskMatcher.h"
#include "text/PathParts.h"
#include "text/TextCodec.h"

#include <QTest>

using namespace tolvex::text;

class TestText : public QObject
{
    Q_OBJECT

private slots:
    void pathParts_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("ext");
        QTest::addColumn<bool>("drivePath");
        QTest::newRow("full path") << "C:\\windows\\notepad.exe" << "notepad.exe" << "C:\\windows\\" << ".exe" << true;
        QTest::newRow("drive only") << "C:" << "" << "C:" << "" << false;
        QTest::newRow("drive-relative") << "C:file.txt" << "file.txt" << "C:" << ".txt" << false;
        QTest::newRow("trailing backslash") << "C:\\Temp\\" << "" << "C:\\Temp\\" << "" << true;
        QTest::newRow("dot in a folder name") << "C:\\my.dir\\readme" << "readme" << "C:\\my.dir\\" << "" << true;
        QTest::newRow("last dot wins") << "a\\b.tar.gz" << "b.tar.gz" << "a\\" << ".gz" << false;
        QTest::newRow("no delimiter") << "name.ext" << "name.ext" << "" << ".ext" << false;
        QTest::newRow("dot file") << "C:\\x\\.hidden" << ".hidden" << "C:\\x\\" << ".hidden" << true;
        QTest::newRow("forward slash is not a delimiter") << "C:\\a/b.c" << "a/b.c" << "C:\\" << ".c" << true;
        QTest::newRow("cyrillic") << "C:\\Папка\\Файл.ТХТ" << "Файл.ТХТ" << "C:\\Папка\\" << ".ТХТ" << true;
        QTest::newRow("lower-case drive") << "d:\\x" << "x" << "d:\\" << "" << true;
        QTest::newRow("host path") << "/tmp/a.mp3" << "/tmp/a.mp3" << "" << ".mp3" << false;
        QTest::newRow("not a letter") << "1:\\x" << "x" << "1:\\" << "" << false;
        QTest::newRow("cyrillic letter") << "Д:\\x" << "x" << "Д:\\" << "" << false;
    }

    void pathParts()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(QString, folder);
        QFETCH(QString, ext);
        QFETCH(bool, drivePath);
        QCOMPARE(extractFileName(path), name);
        QCOMPARE(extractFilePath(path), folder);
        QCOMPARE(extractFileExt(path), ext);
        QCOMPARE(isDrivePath(path), drivePath);
    }

    void masks_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<bool>("matches");
        QTest::newRow("*.* takes a name without a dot") << "README" << "*.*" << true;
        QTest::newRow("* takes everything") << ".." << "*" << true;
        QTest::newRow("extension") << "a.tmp" << "*.tmp" << true;
        QTest::newRow("extension, case ignored") << "A.TMP" << "*.tmp" << true;
        QTest::newRow("extension must end the name") << "a.tmpx" << "*.tmp" << false;
        QTest::newRow("? is one character") << "ab.log" << "a?.log" << true;
        QTest::newRow("? is not zero characters") << "a.log" << "a?.log" << false;
        QTest::newRow("no wildcard: only that name") << "index.dat" << "INDEX.DAT" << true;
        QTest::newRow("no wildcard: not a part") << "index.dat.bak" << "index.dat" << false;
        QTest::newRow("star in the middle") << "thumbs.db" << "th*s.db" << true;
        QTest::newRow("several stars") << "a-b-c.txt" << "*-*-*.txt" << true;
        QTest::newRow("several stars, no match") << "a-b.txt" << "*-*-*.txt" << false;
        QTest::newRow("cyrillic case") << "ОТЧЁТ.doc" << "отчёт.*" << true;
        QTest::newRow("backtracking") << "aaaaaaaaaaaaaaaaaaaaaaaaaaaab" << "*a*a*a*a*a*a*a*c" << false;
        QTest::newRow("~ prefix") << "~$doc.tmp" << "~*.tmp" << true;
        QTest::newRow("trailing ? is exactly one") << "a" << "a?" << false;
        QTest::newRow("empty mask, a name") << "a" << "" << false;
    }

    void masks()
    {
        QFETCH(QString, name);
        QFETCH(QString, mask);
        QFETCH(bool, matches);
        QCOMPARE(matchesMask(name, mask), matches);
    }

    void fileFilters_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<bool>("matches");
        QTest::newRow("star backtracks over dots") << "a.b.txt" << "*.txt" << true;
        QTest::newRow("star backtracks over a repeated letter") << "ABXB" << "A*B" << true;
        QTest::newRow("star, then the last letter") << "BAA" << "*A" << true;
        QTest::newRow("Latin case ignored") << "a.tmp" << "*.TMP" << true;
        QTest::newRow("Latin case ignored, mask lower") << "A.TXT" << "*.txt" << true;
        QTest::newRow("extension must end the name") << "a.tmpx" << "*.TMP" << false;
        QTest::newRow("*.* takes a dotted name") << "a.b" << "*.*" << true;
        QTest::newRow("*.* needs a dot") << "README" << "*.*" << false;
        QTest::newRow("* takes a name") << "x" << "*" << true;
        QTest::newRow("* takes a dot name") << ".hidden" << "*" << true;
        QTest::newRow("? is one character inside") << "ABC" << "A?C" << true;
        QTest::newRow("? inside is not zero") << "AC" << "A?C" << false;
        QTest::newRow("? inside, name too short") << "A" << "A?C" << false;
        QTest::newRow("trailing ? takes one") << "AB" << "A?" << true;
        QTest::newRow("trailing ? takes none") << "A" << "A?" << true;
        QTest::newRow("trailing ? takes at most one") << "ABC" << "A?" << false;
        QTest::newRow("trailing ?? takes none") << "A" << "A??" << true;
        QTest::newRow("trailing ?? takes one") << "AB" << "A??" << true;
        QTest::newRow("trailing ?? takes two") << "ABC" << "A??" << true;
        QTest::newRow("trailing ?? takes no more than two") << "ABCD" << "A??" << false;
        QTest::newRow("only ? marks") << "ab" << "???" << true;
        QTest::newRow("star then trailing ?") << "xyzA" << "*A??" << true;
        QTest::newRow("star then trailing ?, two after") << "xAyz" << "*A??" << true;
        QTest::newRow("star then trailing ?, three after") << "xAyzw" << "*A??" << false;
        QTest::newRow("? before a star is exactly one") << "A" << "A?*" << false;
        QTest::newRow("several stars") << "a-b-c.txt" << "*-*-*.txt" << true;
        QTest::newRow("several stars, no match") << "a-b.txt" << "*-*-*.txt" << false;
        QTest::newRow("stars only") << "abc" << "***" << true;
        QTest::newRow("mask longer than name") << "a.t" << "a.txt" << false;
        QTest::newRow("name longer than plain mask") << "a.txt" << "a.t" << false;
        QTest::newRow("plain name") << "Index.DAT" << "index.dat" << true;
        QTest::newRow("Cyrillic compares exactly") << "Файл" << "ф*" << false;
        QTest::newRow("Cyrillic, same case") << "Файл.txt" << "Ф*.TXT" << true;
        QTest::newRow("other letters compare exactly") << "É.txt" << "é*" << false;
        QTest::newRow("empty mask selects nothing") << "a.txt" << "" << false;
        QTest::newRow("empty name") << "" << "*" << false;
        QTest::newRow("no exponential backtracking")
            << QString(2000, 'a') + "b" << QString("*a").repeated(30) + "*c" << false;
    }

    void fileFilters()
    {
        QFETCH(QString, name);
        QFETCH(QString, mask);
        QFETCH(bool, matches);
        QCOMPARE(FileMaskEquate(name, mask), matches);
    }

    void windows1251()
    {
        const QString russian = "Резервная копия №1";
        QVERIFY(fitsWindows1251(russian));
        const QByteArray bytes = encodeAnsiFile(russian);
        QCOMPARE(bytes, QByteArray("\xD0\xE5\xE7\xE5\xF0\xE2\xED\xE0\xFF \xEA\xEE\xEF\xE8\xFF \xB9" "1"));
        QCOMPARE(decodeAnsiFile(bytes), russian);

        const QString foreign = "Ελληνικά и русский";
        QVERIFY(!fitsWindows1251(foreign));
        const QByteArray utf8 = encodeAnsiFile(foreign);
        QVERIFY(utf8.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(decodeAnsiFile(utf8), foreign);
        QCOMPARE(toWindows1251("a€b日"), QByteArray("a\x88" "b?"));

        // Found by fuzzing: Windows-1251 "п»ї" is the UTF-8 byte-order mark.
        const QString lookalike = "п»ї[x]";
        QCOMPARE(decodeAnsiFile(encodeAnsiFile(lookalike)), lookalike);
        // Also found by fuzzing: a text that itself starts with a byte-order mark keeps it.
        const QString marked = QString(QChar(0xFEFF)) + "\r\n";
        QCOMPARE(decodeAnsiFile(encodeAnsiFile(marked)), marked);
    }
};

QTEST_GUILESS_MAIN(TestText)
#include "tst_text.moc"
