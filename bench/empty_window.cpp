// The floor for the start-up benchmark: a Qt program that shows one empty window of the main
// window's size and quits as tolvex does under TOLVEX_EXIT_WHEN_SHOWN=1.
#include "ExitWhenShown.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("empty"));
    window.setFixedSize(627, 460);
    window.show();
    tolvex::app::ExitWhenShown::install(&window);
    return QApplication::exec();
}
