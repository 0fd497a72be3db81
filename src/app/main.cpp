#include "machine/Machine.h"

#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QMessageBox>

using namespace tolvex;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tolvex"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tolvex"));

    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString folder = platform::Machine::chooseFolder(programFolder);
    if (!QDir(folder).exists()) {
        QMessageBox::critical(nullptr, QStringLiteral("Tolvex"),
                              QStringLiteral("Папка машины %1 не найдена. Укажите префикс Wine в WINEPREFIX.")
                                  .arg(folder));
        return 1;
    }
    std::unique_ptr<platform::Machine> machine = platform::Machine::open(folder, programFolder);

    QMainWindow window;
    window.setObjectName(QStringLiteral("TMainForm"));
    window.setWindowTitle(QStringLiteral("Tolvex beta v 0.4"));
    window.setFixedSize(627, 460);
    window.show();

    QStringList problems = machine->loadErrors();
    if (machine->readOnly())
        problems.append(machine->readOnlyNotice());
    if (!problems.isEmpty())
        QMessageBox::warning(&window, QStringLiteral("Tolvex"), problems.join(QStringLiteral("\n\n")));

    const int status = app.exec();
    const QStringList saveErrors = machine->saveRegistry();
    if (!saveErrors.isEmpty())
        QMessageBox::critical(nullptr, QStringLiteral("Tolvex"), saveErrors.join(u'\n'));
    return status;
}
