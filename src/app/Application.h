#pragma once

#include <QApplication>

namespace tolvex::platform {
class Machine;
}

namespace tolvex::app {

// The application object: an error that escapes an event handler is shown in the error box
// instead of ending the program, and the rest of that handler is skipped.
class TolvexApplication : public QApplication
{
    Q_OBJECT

public:
    TolvexApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};

// What the main window says once about the machine: hives that could not be read, and a
// registry that is open only for reading. Empty when there is nothing to say.
QString machineNotice(const platform::Machine &machine);
void showMachineNotice(QWidget *window, const platform::Machine &machine);

} // namespace tolvex::app
