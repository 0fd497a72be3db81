// Every tweak page of both generations on the sample machine: each box clicked, OK, undo. One
// table row per box, made from the catalogues, so a page that gains a row is tested with it.
#include "TestMachine.h"

#include "Dialogs.h"
#include "TweakCatalogue.h"
#include "TweakPage.h"
#include "TweakPages.h"
#include "machine/Machine.h"
#include "registry/RegistryStore.h"
#include "shell/MachineShellServices.h"
#include "vista/VistaLoader.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;
using namespace tolvex::tweaks;
using ui::Dialogs;

namespace {

// What the registry says of every row of a generation's pages, read afresh from the files.
QString registryState(const QString &folder, bool vista)
{
    auto machine = platform::Machine::open(folder, folder);
    registry::RegistryStore store(machine->registry());
    ControlStateMap controls;
    const auto pages = vista ? vistaPages() : xpPages();
    for (const TweakPageDef *page : pages)
        for (const TweakEntry &row : page->rows)
            controls.add(row);
    if (vista) {
        VistaSnapshot snapshot;
        VLoadRegedit(store, controls, snapshot);
    } else {
        loadPages(pages, xpLoadOrder(), store, controls);
    }
    QStringList lines;
    for (const TweakPageDef *page : pages)
        for (const TweakEntry &row : page->rows) {
            const QString c = row.control;
            lines << c + (row.controlType == ControlType::Field ? "=" + controls.text(c) : controls.checked(c) ? "+" : "-");
        }
    return lines.join(' ');
}

} // namespace

class TestSampleMachinePages : public QObject
{
    Q_OBJECT

private slots:
    void okAndUndo_data()
    {
        QTest::addColumn<bool>("vista");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("control");
        for (bool vista : {false, true})
            for (const TweakPageDef *page : vista ? vistaPages() : xpPages())
                for (const TweakEntry &row : page->rows)
                    if (row.controlType == ControlType::CheckBox && !row.hidden)
                        QTest::addRow("%s %s", page->component, row.control) << vista << page->component << row.control;
    }

    void okAndUndo()
    {
        QFETCH(bool, vista);
        QFETCH(QString, page);
        QFETCH(QString, control);
        QTemporaryDir dir;
        QVERIFY(QProcess::execute("cp", {"-a", qEnvironmentVariable("TOLVEX_SOURCE_DIR") + "/share/machine/.", dir.path()}) == 0);
        if (vista) {
            // The same image seen as the Vista generation.
            QByteArray system = test::readFile(dir.path() + "/system.reg");
            system.replace("\"CurrentBuildNumber\"=\"2600\"", "\"CurrentBuildNumber\"=\"6000\"");
            test::writeFile(dir.path() + "/system.reg", system);
        }
        auto machine = platform::Machine::open(dir.path(), dir.path());
        QCOMPARE(machine->vistaGeneration(), vista);
        platform::MachineShellServices shell(*machine);
        platform::ProgramContext context{*machine, shell};
        Dialogs::startRecording();
        TweakPages pages(context, nullptr);
        if (vista) {
            pages.VLoadRegedit();
        } else {
            QVERIFY(pages.CreateKeys().isEmpty());
            pages.LoadRegedit(0);
        }
        pages.SCancelSystemSett();
        QVERIFY(context.finishCommand().isEmpty());
        Dialogs::takeRecorded();
        const QString startUp = registryState(dir.path(), vista);

        auto *p = static_cast<TweakPage *>(pages.page(page));
        QVERIFY(p);
        p->show();
        QVERIFY(QTest::qWaitForWindowExposed(p));
        auto *box = p->findChild<QCheckBox *>(control);
        QVERIFY(box);
        if (!box->isEnabled())
            QSKIP("greyed on the sample machine: its value is absent or of another kind on purpose");
        const bool before = box->isChecked();
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        QCOMPARE(box->isChecked(), !before);
        const TweakEntry *row = findRow(vista ? vistaPages() : xpPages(), control);
        if (*row->field && box->isChecked()) {
            // A box with a number beside it is on only with a number other than 0.
            auto *field = p->findChild<QLineEdit *>(row->field);
            QVERIFY(field && field->isEnabled());
            field->selectAll();
            QTest::keyClicks(field, "4096");
        }
        QVERIFY(p->okButton()->isEnabled());
        QTest::mouseClick(p->okButton(), Qt::LeftButton);
        QCOMPARE(Dialogs::takeRecorded().size(), 0);
        QVERIFY(!p->okButton()->isEnabled());
        QVERIFY(p->undoButton()->isEnabled());

        // The registry now loads the box the other way, and only this row changed.
        const QString applied = registryState(dir.path(), vista);
        const QString mark = QString(" %1%2").arg(control, before ? "+" : "-");
        const QString flipped = QString(" %1%2").arg(control, before ? "-" : "+");
        QVERIFY2((" " + applied).contains(flipped), qPrintable(applied));
        QString expected = " " + startUp;
        expected.replace(mark, flipped);
        QCOMPARE(" " + applied, expected);

        QTest::mouseClick(p->undoButton(), Qt::LeftButton);
        QCOMPARE(Dialogs::takeRecorded().size(), 0);
        QVERIFY(!p->okButton()->isEnabled());
        QVERIFY(!p->undoButton()->isEnabled());
        // A control that is not captured keeps its state through undo, which writes it again.
        QCOMPARE(box->isChecked(), row->captured ? before : !before);
        QCOMPARE(registryState(dir.path(), vista), row->captured ? startUp : applied);
        Dialogs::stopRecording();
    }
};

QTEST_MAIN(TestSampleMachinePages)
#include "tst_sample_machine_pages.moc"
