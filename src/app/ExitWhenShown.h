#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace tolvex::app {

// TOLVEX_EXIT_WHEN_SHOWN=1: the program quits once its window is on screen and the event loop
// is idle, so that a benchmark can time a start-up to the end. Header-only, so that the
// benchmark's empty window behaves the same without linking the program.
class ExitWhenShown : public QObject
{
public:
    static void install(QWidget *shownWindow)
    {
        if (qEnvironmentVariable("TOLVEX_EXIT_WHEN_SHOWN") != QLatin1String("1")) return;
        QWindow *window = shownWindow->windowHandle();
        if (!window || window->isExposed()) {
            quitWhenIdle();
            return;
        }
        window->installEventFilter(new ExitWhenShown(window));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            quitWhenIdle();
        }
        return false;
    }

private:
    explicit ExitWhenShown(QObject *parent) : QObject(parent) {}
    static void quitWhenIdle()
    {
        QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
    }
};

} // namespace tolvex::app
