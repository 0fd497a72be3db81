#pragma once

#include <QObject>
#include <QString>

namespace tolvex::ui {

// A widget under its component name, which tests find it by.
template <typename T> T *named(T *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace tolvex::ui
