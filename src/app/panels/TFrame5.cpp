#include "TFrame5.h"

#include "AdvancedCleaningPage.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace tolvex::app {

using advanced_cleaning::AdvancedCleaningPage;

TFrame5::TFrame5(AdvancedCleaningPage &page, QWidget *parent) : QFrame(parent), m_page(page)
{
    setObjectName(QStringLiteral("TFrame5"));
    setFrameShape(QFrame::StyledPanel);
    auto *layout = new QVBoxLayout(this);
    const QList<std::pair<const char *, QString>> buttons = {
        {"SpeedButton7", QStringLiteral("Добавить")},      {"SpeedButton8", QStringLiteral("Редактировать")},
        {"SpeedButton5", QStringLiteral("Удалить")},       {"SpeedButton6", QStringLiteral("Удалить все")},
        {"SpeedButton3", QStringLiteral("Исключить все")}, {"SpeedButton4", QStringLiteral("Выбрать все")}};
    const QList<void (AdvancedCleaningPage::*)()> handlers = {
        &AdvancedCleaningPage::SpeedButton7Click, &AdvancedCleaningPage::SpeedButton8Click,
        &AdvancedCleaningPage::SpeedButton5Click, &AdvancedCleaningPage::SpeedButton6Click,
        &AdvancedCleaningPage::SpeedButton3Click, &AdvancedCleaningPage::SpeedButton4Click};
    for (int i = 0; i < buttons.size(); ++i) {
        auto *button = new QPushButton(buttons[i].second, this);
        button->setObjectName(QString::fromLatin1(buttons[i].first));
        connect(button, &QPushButton::clicked, &m_page, handlers[i]);
        layout->addWidget(button);
        m_buttons.insert(button->objectName(), button);
    }
    layout->addStretch(1);
    connect(&m_page, &AdvancedCleaningPage::buttonsChanged, this, &TFrame5::showStates);
    showStates();
}

void TFrame5::showStates()
{
    for (auto it = m_buttons.cbegin(); it != m_buttons.cend(); ++it)
        it.value()->setEnabled(m_page.buttonEnabled(it.key()));
}

} // namespace tolvex::app
