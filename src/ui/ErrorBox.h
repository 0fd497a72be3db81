#pragma once

#include <QString>

#include <exception>
#include <functional>

class QWidget;

namespace tolvex::ui {

// The application's box for an error that no handler caught: error icon, caption "Tolvex", the
// error's text, with "." added when its last character comes after "." in character order.
QString errorBoxText(const QString &error);
void showErrorBox(QWidget *parent, const QString &error);

// Runs a handler; an error escaping it is shown in the error box and the rest of the handler is
// skipped. Returns false when that happened.
bool guarded(QWidget *parent, const std::function<void()> &handler);

} // namespace tolvex::ui
