#pragma once

#include <QFrame>
#include <QHash>

class QPushButton;

namespace tolvex::advanced_cleaning {
class AdvancedCleaningPage;
}

namespace tolvex::app {

// "Очистка(Расширенные функции)": the six commands of advanced cleaning. They act on the page's
// notebook page shown, and show the enabled states the page keeps.
class TFrame5 : public QFrame
{
    Q_OBJECT

public:
    explicit TFrame5(advanced_cleaning::AdvancedCleaningPage &page, QWidget *parent = nullptr);

    QPushButton *button(const QString &name) const { return m_buttons.value(name); }

private:
    void showStates();

    advanced_cleaning::AdvancedCleaningPage &m_page;
    QHash<QString, QPushButton *> m_buttons;
};

} // namespace tolvex::app
