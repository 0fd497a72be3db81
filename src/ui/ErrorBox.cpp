#include "ErrorBox.h"

#include "Dialogs.h"

#include <stdexcept>

namespace tolvex::ui {

QString errorBoxText(const QString &error)
{
    if (!error.isEmpty() && error.back() > u'.')
        return error + u'.';
    return error;
}

void showErrorBox(QWidget *parent, const QString &error)
{
    Dialogs::message(parent, Dialogs::Icon::Error, QStringLiteral("Tolvex"), errorBoxText(error));
}

bool guarded(QWidget *parent, const std::function<void()> &handler)
{
    try {
        handler();
        return true;
    } catch (const std::exception &e) {
        showErrorBox(parent, QString::fromUtf8(e.what()));
    }
    return false;
}

} // namespace tolvex::ui
