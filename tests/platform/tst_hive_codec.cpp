// Hive files: exact round trips, and bad files refused with their line, never written.
#include "TestMachine.h"

#include "registry/HiveCodec.h"
#include "registry/HiveRegistry.h"
#include "registry/RegistryStore.h"
#include "registry/Unicode.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;
using registry::Hive;
using registry::HiveCodec;

namespace {

QByteArray header() { return test::hiveText("Machine", {}); }

} // namespace

class TestHiveCodec : public QObject
{
    Q_OBJECT

private slots:
    void escapesRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("line");       // as Wine writes it
        QTest::addColumn<QString>("expectedText");  // the value's text
        QTest::newRow("cyrillic, 4-digit escape before a hex digit")
            << QByteArray("\"a\"=\"\\x042fa1\"") << QString("Яa1");
        QTest::newRow("cyrillic word") << QByteArray("\"a\"=\"\\x418\\x43c\\x44f\"") << QString("Имя");
        QTest::newRow("quotes and backslashes") << QByteArray("\"a\"=\"say \\\"hi\\\" C:\\\\dir\\\\\"")
                                                << QString("say \"hi\" C:\\dir\\");
        QTest::newRow("control escapes") << QByteArray("\"a\"=\"t\\tn\\nr\\re\\e\"") << QString("t\tn\nr\re\x1b");
        QTest::newRow("octal before a digit") << QByteArray("\"a\"=\"\\0011\"") << QString(QChar(1)) + "1";
        QTest::newRow("empty") << QByteArray("\"a\"=\"\"") << QString();
    }

    void escapesRoundTrip()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, expectedText);
        const QByteArray text = header() + "\n[Key] 1167609600\n#time=1c72d37c7b00000\n" + line + "\n";
        Hive hive;
        HiveCodec codec;
        QVERIFY2(codec.read(text.toStdString(), hive), codec.errorString().c_str());
        const registry::HiveValue *v = hive.root->child(u"Key")->value(u"a");
        QVERIFY(v);
        QCOMPARE(QString::fromStdString(registry::unicode::textOf(v->value.data)), expectedText);
        // Rewriting the key from its contents gives Wine's text again.
        hive.root->child(u"Key")->touch();
        hive.root->child(u"Key")->modified = 0x1c72d37c7b00000ULL; // 1167609600 s
        QCOMPARE(QByteArray::fromStdString(HiveCodec::write(hive)), text);
    }

    void badFilesNameTheirLine_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("line");
        const QByteArray h = header(); // 4 lines
        QTest::newRow("no header") << QByteArray("REGEDIT4\n") << 1;
        QTest::newRow("empty file") << QByteArray() << 1;
        QTest::newRow("unterminated key") << h + "\n[Software\\\\Open\n" << 6;
        QTest::newRow("unterminated string") << h + "\n[K]\n\"a\"=\"open\n" << 7;
        QTest::newRow("bad escape") << h + "\n[K]\n\"a\"=\"\\q\"\n" << 7;
        QTest::newRow("\\x without digits") << h + "\n[K]\n\"a\"=\"\\xg\"\n" << 7;
        QTest::newRow("backslash at end") << h + "\n[K]\n\"a\"=\"x\\" << 7;
        QTest::newRow("value outside a key") << h + "\n\"a\"=\"x\"\n" << 6;
        QTest::newRow("garbage line") << h + "\n[K]\nhello\n" << 7;
        QTest::newRow("bad dword") << h + "\n[K]\n\"a\"=dword:12345678z\n" << 7;
        QTest::newRow("too long dword") << h + "\n[K]\n\"a\"=dword:123456789\n" << 7;
        QTest::newRow("odd hex") << h + "\n[K]\n\"a\"=hex:0\n" << 7;
        QTest::newRow("hex continues past the end") << h + "\n[K]\n\"a\"=hex:00,\\\n" << 7;
        QTest::newRow("hex continuation with garbage") << h + "\n[K]\n\"a\"=hex:00,\\\n  zz\n" << 8;
        QTest::newRow("unknown type") << h + "\n[K]\n\"a\"=float:1.0\n" << 7;
        QTest::newRow("bad time") << h + "\n[K] 12x\n" << 6;
        QTest::newRow("empty name in path") << h + "\n[A\\\\\\\\B]\n" << 6;
        QTest::newRow("invalid utf-8") << h + "\n[K]\n\"a\"=\"\xff\xfe\"\n" << 7;
        QByteArray deep = h + "\n[";
        for (int i = 0; i < 600; ++i)
            deep += "k\\\\";
        deep += "end]\n";
        QTest::newRow("nesting deeper than Windows allows") << deep << 6;
    }

    void badFilesNameTheirLine()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, line);
        Hive hive;
        HiveCodec codec;
        QVERIFY(!codec.read(text.toStdString(), hive));
        QCOMPARE(codec.errorLine(), line);
        QVERIFY(!codec.errorString().empty());

        // Through the machine: the error names file and line, the file is never rewritten.
        QTemporaryDir dir;
        test::writeMachine(dir.path(), {});
        test::writeFile(dir.path() + "/system.reg", text);
        registry::HiveRegistry hives;
        hives.load(dir.path().toStdString());
        QCOMPARE(hives.loadErrors().size(), size_t(1));
        const QString error = QString::fromStdString(hives.loadErrors().front());
        QVERIFY2(error.contains("system.reg") && error.contains(QStringLiteral("строка %1").arg(line)),
                 qPrintable(error));
        registry::RegistryStore store(hives);
        store.SelectRoot(registry::Root::LocalMachine);
        QVERIFY(!store.OpenPath("Software\\New", true));
        QVERIFY(hives.flush().empty());
        QCOMPARE(test::readFile(dir.path() + "/system.reg"), text);
    }

    void hostileButValidFilesLoadQuickly()
    {
        // A long hex run over many continuation lines, and a key with many values.
        QByteArray text = header() + "\n[Big]\n\"blob\"=hex:";
        for (int i = 0; i < 200000; ++i)
            text += i + 1 < 200000 ? "ab,\\\n  " : "ab\n";
        text += "\n[Many]\n";
        for (int i = 0; i < 50000; ++i)
            text += "\"v" + QByteArray::number(i) + "\"=dword:00000001\n";
        text += "\n[Many]\n\"v7\"=dword:00000002\n"; // a repeated key merges, later values win
        QElapsedTimer timer;
        timer.start();
        Hive hive;
        HiveCodec codec;
        QVERIFY2(codec.read(text.toStdString(), hive), codec.errorString().c_str());
        QVERIFY(timer.elapsed() < 5000);
        QCOMPARE(hive.root->child(u"Big")->value(u"blob")->value.data.size(), size_t(200000));
        QCOMPARE(hive.root->child(u"Many")->values().size(), size_t(50000));
        QCOMPARE(int(hive.root->child(u"Many")->value(u"v7")->value.data[0]), 2);
    }

    void linkLoopsEnd()
    {
        auto link = [](const char *target) {
            QByteArray hex;
            for (char c : QByteArray(target))
                hex += QByteArray::number(uchar(c), 16).rightJustified(2, '0') + ",00,";
            hex.chop(1);
            return "#link\n\"SymbolicLinkValue\"=hex(6):" + hex + "\n";
        };
        const QByteArray body = "\n[A]\n" + link("\\Registry\\Machine\\B") + "\n[B]\n" +
                                link("\\Registry\\Machine\\A") + "\n[C]\n" + link("\\Registry\\Machine\\C") +
                                "\n[D]\n" + link("\\Elsewhere\\X") + "\n[E]\n" + link("\\Registry\\Machine\\F") +
                                "\n[F\\\\G]\n\"v\"=\"reached\"\n";
        QTemporaryDir dir;
        test::writeMachine(dir.path(), body);
        registry::HiveRegistry hives;
        hives.load(dir.path().toStdString());
        QVERIFY(hives.loadErrors().empty());
        registry::RegistryStore store(hives);
        store.SelectRoot(registry::Root::LocalMachine);
        QVERIFY(!store.OpenPath("A\\x", false));
        QVERIFY(!store.OpenPath("C", true));
        QVERIFY(!store.OpenPath("D", false));
        QVERIFY(store.OpenPath("E\\G", false));
        QCOMPARE(store.GetText("v"), std::string("reached"));
        store.ClosePath();
        QVERIFY(store.IsLink("A"));
        QVERIFY(store.OpenPath("\\", false));
        QCOMPARE(store.SubkeyNames().size(), size_t(6));
    }

    void noTrailingNewlineAndCrLfKeepBytes_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("no final newline") << QByteArray("\n[K]\n\"a\"=\"b\"");
        QTest::newRow("CR LF lines") << QByteArray("\r\n[K]\r\n\"a\"=\"b\"\r\n");
        QTest::newRow("blank lines at the end") << QByteArray("\n[K]\n\"a\"=\"b\"\n\n\n");
        QTest::newRow("comments") << QByteArray("\n;; note\n[K]\n; inside\n\"a\"=\"b\"\n");
        QTest::newRow("no keys") << QByteArray("\n");
    }

    void noTrailingNewlineAndCrLfKeepBytes()
    {
        QFETCH(QByteArray, body);
        const QByteArray text = header() + body;
        Hive hive;
        HiveCodec codec;
        QVERIFY2(codec.read(text.toStdString(), hive), codec.errorString().c_str());
        QCOMPARE(QByteArray::fromStdString(HiveCodec::write(hive)), text);
    }
};

QTEST_GUILESS_MAIN(TestHiveCodec)
#include "tst_hive_codec.moc"
