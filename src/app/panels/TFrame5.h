#pragma once

#include <QFrame>

namespace tolvex::app {

// "Очистка(Расширенные функции)": the command panel of advanced cleaning.
class TFrame5 : public QFrame
{
    Q_OBJECT

public:
    explicit TFrame5(QWidget *parent = nullptr);
};

} // namespace tolvex::app
