// INI files behave as the Windows profile functions do.
#include "TestMachine.h"

#include "ini/IniFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;
using ini::IniDocument;
using ini::IniFile;

class TestIni : public QObject
{
    Q_OBJECT

private slots:
    void profileRules()
    {
        QTemporaryDir dir;
        IniFile file(dir.path() + "/Config.ini");
        QCOMPARE(file.readString("Filters", "Count", "none"), QString("none")); // no file yet
        file.writeString("Filters", "Count", "2");
        file.writeString("Path", "C:\\", "1");
        file.writeString("Filters", "0", "*.tmp");
        file.writeInteger("filters", "COUNT", 3); // names ignore case: rewritten in place
        QCOMPARE(test::readFile(file.path()),
                 QByteArray("[Filters]\r\nCount=3\r\n0=*.tmp\r\n[Path]\r\nC:\\=1\r\n"));
        QCOMPARE(file.readInteger("FILTERS", "count", -1), 3);
        QCOMPARE(file.readString("Filters", "missing", "dflt"), QString("dflt"));
        QCOMPARE(file.readInteger("Filters", "0", 7), 7); // not a number: the default
        QCOMPARE(file.readSections(), QStringList({"Filters", "Path"}));
        QCOMPARE(file.readKeys("Filters"), QStringList({"Count", "0"}));
        file.eraseSection("filters");
        QCOMPARE(file.readSections(), QStringList({"Path"}));
    }

    void foreignFilesKeepTheirOtherLines()
    {
        const QByteArray text = "; written by hand\r\n[A]\r\n x = \"quoted\" \r\n; note\r\nnot a key\r\n\r\n[B]\r\ny=2\r\n";
        IniDocument doc = IniDocument::parse(text);
        QCOMPARE(doc.value("A", "x"), QString("quoted"));
        doc.setValue("A", "z", "new");
        QCOMPARE(doc.toBytes(), QByteArray("; written by hand\r\n[A]\r\nx=\"quoted\"\r\n; note\r\nnot a key\r\n"
                                           "z=new\r\n\r\n[B]\r\ny=2\r\n"));
        IniDocument lf = IniDocument::parse("[S]\nk=v\n");
        QCOMPARE(lf.value("s", "K"), QString("v"));
    }

    // A key written twice in a file reads as its first line, also after other keys are added and
    // one is removed; and a section of 100 000 keys (an oversized Count read row by row) is
    // looked up by name rather than line by line.
    void keyLookup()
    {
        IniDocument doc = IniDocument::parse("[S]\r\nKey=first\r\nx=1\r\nKEY=second\r\n\r\n");
        QCOMPARE(doc.value("s", "key"), QString("first"));
        doc.setValue("S", "y", "2");
        doc.setValue("S", "kEy", "changed");
        QCOMPARE(doc.toBytes(), QByteArray("[S]\r\nKey=changed\r\nx=1\r\nKEY=second\r\ny=2\r\n"));
        doc.removeKey("S", "x"); // the lines after it move up
        QCOMPARE(doc.value("S", "y"), QString("2"));
        doc.setValue("S", "y", "3");
        QCOMPARE(doc.toBytes(), QByteArray("[S]\r\nKey=changed\r\nKEY=second\r\ny=3\r\n"));
        doc.removeKey("S", "key"); // every line of the name
        QVERIFY(!doc.contains("S", "KEY"));
        QCOMPARE(doc.keys("S"), QStringList{"y"});

        QByteArray big = "[Filters]\r\nCount=100000\r\n";
        for (int i = 0; i < 100000; ++i)
            big += "F" + QByteArray::number(i) + "=*.x" + QByteArray::number(i) + "\r\n";
        IniDocument many = IniDocument::parse(big);
        for (int i = 0; i < 100000; ++i)
            QCOMPARE(many.value("filters", "f" + QString::number(i)), "*.x" + QString::number(i));
        for (int i = 0; i < 100000; ++i)
            many.setValue("Filters", "D" + QString::number(i), QString());
        QCOMPARE(many.keys("Filters").size(), 200001);
    }

    // A save cut short by a kill leaves "<file>.XXXXXX"; the next save in that folder removes
    // those of INI files that are a minute old, and nothing else.
    void leftSavesAreRemoved()
    {
        QTemporaryDir dir, outside;
        const QString d = dir.path();
        const QDateTime old = QDateTime::currentDateTime().addSecs(-120);
        auto make = [&](const QString &name, bool isOld) {
            test::writeFile(d + "/" + name, "x");
            if (isOld) {
                QFile file(d + "/" + name);
                QVERIFY(file.open(QIODevice::ReadWrite));
                QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
            }
        };
        const QStringList gone{"Config.ini.Ab12Cd", "Other.INI.zz99ZZ", "НРС#010-12-2026.ini.q1w2e3"};
        const QStringList kept{"Config.ini.Fresh1", "notes.txt.Ab12Cd", "Config.ini.Ab-2Cd", "Config.ini.bak",
                               "user.reg.Ab12Cd"};
        for (const QString &name : gone)
            make(name, true);
        for (const QString &name : kept)
            make(name, name != "Config.ini.Fresh1");
        test::writeFile(outside.path() + "/target", "kept");
        QVERIFY(QFile::link(outside.path() + "/target", d + "/Link.ini.LnK123"));

        IniFile(d + "/Config.ini").writeString("S", "k", "v");
        for (const QString &name : gone)
            QVERIFY2(!QFile::exists(d + "/" + name), qPrintable(name));
        for (const QString &name : kept)
            QVERIFY2(QFile::exists(d + "/" + name), qPrintable(name));
        QVERIFY(QFileInfo(d + "/Link.ini.LnK123").isSymLink());
        QCOMPARE(test::readFile(outside.path() + "/target"), QByteArray("kept"));
    }

    // Every value reads back as it was written, outer spaces and quotes of its own included.
    void valuesRoundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("plain") << "*.tmp" << QByteArray("k=*.tmp");
        QTest::newRow("leading space") << " *.tmp" << QByteArray("k=\" *.tmp\"");
        QTest::newRow("trailing space") << "a " << QByteArray("k=\"a \"");
        QTest::newRow("quoted") << "\"x\"" << QByteArray("k=\"\"x\"\"");
        QTest::newRow("single-quoted") << "'x'" << QByteArray("k=\"'x'\"");
        QTest::newRow("inner quotes") << "a \"b\" c" << QByteArray("k=a \"b\" c");
        QTest::newRow("one quote") << "\"" << QByteArray("k=\"");
        QTest::newRow("empty") << "" << QByteArray("k=");
    }
    void valuesRoundTrip()
    {
        QFETCH(QString, value);
        QFETCH(QByteArray, line);
        IniDocument doc;
        doc.setValue("S", "k", value);
        QCOMPARE(doc.toBytes(), "[S]\r\n" + line + "\r\n");
        QCOMPARE(IniDocument::parse(doc.toBytes()).value("S", "k"), value);
    }

    void encodings()
    {
        QTemporaryDir dir;
        IniFile file(dir.path() + "/b.ini");
        file.writeString("Рабочий стол", "Имя", "Корзина");
        const QByteArray cp1251 = test::readFile(file.path());
        QCOMPARE(cp1251, QByteArray("[\xD0\xE0\xE1\xEE\xF7\xE8\xE9 \xF1\xF2\xEE\xEB]\r\n\xC8\xEC\xFF=\xCA\xEE\xF0\xE7\xE8\xED\xE0\r\n"));
        file.writeString("Рабочий стол", "Greek", "Ωμέγα");
        const QByteArray utf8 = test::readFile(file.path());
        QVERIFY(utf8.startsWith("\xEF\xBB\xBF[Рабочий стол]\r\n"));
        QCOMPARE(file.readString("рабочий СТОЛ", "Имя"), QString("Корзина"));
        QCOMPARE(file.readString("Рабочий стол", "Greek"), QString("Ωμέγα"));
    }

    void failedWriteRaises()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + "/missing-folder/x.ini";
        IniFile file(path);
        try {
            file.writeString("S", "k", "v");
            QFAIL("no error");
        } catch (const ini::IniError &e) {
            QCOMPARE(QString::fromUtf8(e.what()), "Unable to write to " + path);
        }
        // A folder standing where the file should be cannot be replaced.
        QDir().mkpath(dir.path() + "/taken.ini");
        IniFile taken(dir.path() + "/taken.ini");
        QVERIFY_THROWS_EXCEPTION(ini::IniError, taken.writeString("S", "k", "v"));
        QVERIFY(QFileInfo(dir.path() + "/taken.ini").isDir());
    }
};

QTEST_GUILESS_MAIN(TestIni)
#include "tst_ini.moc"
