#pragma once

#include <QString>
#include <QWidget>

namespace tolvex::test {

// A page's control by its component name; a missing one ends the test run, since every later
// step would only fail less clearly.
template <typename T> T *find(QWidget *page, const QString &name)
{
    T *widget = page->findChild<T *>(name);
    if (!widget)
        qFatal("no %s on the page", qPrintable(name));
    return widget;
}

} // namespace tolvex::test
