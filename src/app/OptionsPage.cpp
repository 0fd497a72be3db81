#include "OptionsPage.h"

#include "TrackBar.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvex::app {

OptionsPage::OptionsPage(QWidget *parent) : QWidget(parent), m_colours(QApplication::palette())
{
    setObjectName(QStringLiteral("sTabSheet12"));
    auto *layout = new QVBoxLayout(this);

    auto *heading = new QLabel(QStringLiteral("Опции \"Общие\""), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);

    auto *skins = new QGroupBox(QStringLiteral("Скины"), this);
    auto *skinsLayout = new QVBoxLayout(skins);
    ComboSkin = new QComboBox(skins);
    ComboSkin->setObjectName(QStringLiteral("ComboSkin"));
    ComboSkin->setPlaceholderText(QStringLiteral("[Скин]"));
    skinsLayout->addWidget(ComboSkin);
    skinsLayout->addStretch(1);

    auto *colour = new QGroupBox(QStringLiteral("Цвет скина"), this);
    auto *colourLayout = new QFormLayout(colour);
    sTrackBar1 = new TrackBar("sTrackBar1", -100, 100, m_colours.hue(), colour);
    sTrackBar2 = new TrackBar("sTrackBar2", 0, 100, m_colours.saturation(), colour);
    colourLayout->addRow(QStringLiteral("Цвет"), sTrackBar1);
    colourLayout->addRow(QStringLiteral("Насыщенность"), sTrackBar2);
    connect(sTrackBar1, &TrackBar::mouseUp, this, &OptionsPage::sTrackBar1MouseUp);
    connect(sTrackBar2, &TrackBar::mouseUp, this, &OptionsPage::sTrackBar2MouseUp);

    auto *top = new QHBoxLayout;
    top->addWidget(skins, 1);
    top->addWidget(colour, 2);
    layout->addLayout(top);

    sComboBox1 = new QComboBox(this);
    sComboBox1->setObjectName(QStringLiteral("sComboBox1"));
    sComboBox1->addItem(QStringLiteral("Русский"));
    auto *language = new QHBoxLayout;
    language->addWidget(sComboBox1);
    language->addStretch(1);
    layout->addLayout(language);

    auto *updates = new QGroupBox(QStringLiteral("Обновления"), this);
    auto *updatesLayout = new QVBoxLayout(updates);
    auto *download = new QPushButton(QStringLiteral("Скачать сейчас"), updates);
    download->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    updatesLayout->addWidget(download);
    updatesLayout->addWidget(new QCheckBox(QStringLiteral("Автоматически проверять обновления"), updates));
    updatesLayout->addWidget(
        new QCheckBox(QStringLiteral("Проверить наличие новых версий программы"), updates));
    layout->addWidget(updates);

    auto *autostart = new QGroupBox(QStringLiteral("Автозапуск"), this);
    auto *autostartLayout = new QVBoxLayout(autostart);
    autostartLayout->addWidget(new QCheckBox(QStringLiteral("Добавить программу в автозапуск"), autostart));
    autostartLayout->addWidget(
        new QCheckBox(QStringLiteral("Очищать \"Корзину\", и времнную папку"), autostart));
    layout->addWidget(autostart);
    layout->addStretch(1);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(new QPushButton(QStringLiteral("По умолчанию"), this));
    buttons->addStretch(1);
    auto *apply = new QPushButton(QStringLiteral("Применить"), this);
    apply->setEnabled(false);
    auto *cancel = new QPushButton(QStringLiteral("Отмена"), this);
    cancel->setEnabled(false);
    buttons->addWidget(apply);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
}

void OptionsPage::sTrackBar1MouseUp()
{
    m_colours.setHue(sTrackBar1->value());
    QApplication::setPalette(m_colours.palette());
}

void OptionsPage::sTrackBar2MouseUp()
{
    m_colours.setSaturation(sTrackBar2->value());
    QApplication::setPalette(m_colours.palette());
}

} // namespace tolvex::app
