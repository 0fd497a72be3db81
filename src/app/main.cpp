#include "Application.h"
#include "Dialogs.h"
#include "ErrorBox.h"
#include "ExitWhenShown.h"
#include "MainForm.h"
#include "ProgramContext.h"
#include "machine/Machine.h"
#include "shell/MachineShellServices.h"

#include <QDir>
#include <QTimer>

using namespace tolvex;

int main(int argc, char **argv)
{
    // Counted before Qt takes its own options (-platform, -style, ...) out of argv: the startup
    // manager lists the load rows when the program had any argument at all.
    const int argumentCount = argc - 1;
    app::TolvexApplication application(argc, argv);

    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString folder = platform::Machine::chooseFolder(programFolder);
    if (!QDir(folder).exists()) {
        ui::Dialogs::message(
            nullptr, ui::Dialogs::Icon::Error, QStringLiteral("Tolvex"),
            QStringLiteral("Папка машины %1 не найдена. Укажите префикс Wine в WINEPREFIX.").arg(folder));
        return 1;
    }
    std::unique_ptr<platform::Machine> machine = platform::Machine::open(folder, programFolder);
    platform::MachineShellServices shell(*machine, argumentCount);
    platform::ProgramContext context{*machine, shell};

    app::TMainForm form(context);
    form.show();
    // From inside the event loop, so that a quit asked for meanwhile ends the program.
    QTimer::singleShot(0, &form, [&] { app::showMachineNotice(&form, *machine); });
    app::ExitWhenShown::install(&form);

    const int status = QApplication::exec();
    const QStringList saveErrors = machine->saveRegistry();
    if (!saveErrors.isEmpty()) ui::showErrorBox(nullptr, saveErrors.join(u'\n'));
    return status;
}
