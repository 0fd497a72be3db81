#include "Application.h"

#include "Dialogs.h"
#include "ErrorBox.h"
#include "machine/Machine.h"

#include <exception>

namespace tolvex::app {

TolvexApplication::TolvexApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Tolvex"));
}

bool TolvexApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        ui::showErrorBox(activeWindow(), QString::fromUtf8(e.what()));
    } catch (...) {
        ui::showErrorBox(activeWindow(), QStringLiteral("Неизвестная ошибка"));
    }
    return false;
}

QString machineNotice(const platform::Machine &machine)
{
    QStringList parts = machine.loadErrors();
    const QString readOnly = machine.readOnlyNotice();
    if (!readOnly.isEmpty()) parts.append(readOnly);
    return parts.join(QStringLiteral("\n\n"));
}

void showMachineNotice(QWidget *window, const platform::Machine &machine)
{
    const QString notice = machineNotice(machine);
    if (!notice.isEmpty())
        ui::Dialogs::message(window, ui::Dialogs::Icon::Warning, QStringLiteral("Tolvex"), notice);
}

} // namespace tolvex::app
