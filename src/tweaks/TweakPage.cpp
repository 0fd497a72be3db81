#include "TweakPage.h"

#include "Dialogs.h"
#include "ErrorBox.h"
#include "HintPanel.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>

namespace tolvex::tweaks {

TweakPage::TweakPage(const TweakPageDef &def, platform::ProgramContext &context, CapturedState &captured,
                     QWidget *parent)
    : QWidget(parent), m_def(def), m_context(context), m_captured(captured)
{
    setObjectName(QString::fromUtf8(def.component));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 0);
    outer->setSpacing(4);

    auto *group = new QGroupBox(QString::fromUtf8(def.group), this);
    auto *grid = new QGridLayout(group);
    grid->setVerticalSpacing(2);
    // Rows run down the first column, then the next.
    const int columns = std::max(1, def.columns);
    const int perColumn = int((def.rows.size() + size_t(columns) - 1) / size_t(columns));
    int maxLine = 0;
    for (size_t i = 0; i < def.rows.size(); ++i) {
        m_column = int(i) / std::max(1, perColumn);
        int line = int(i) % std::max(1, perColumn);
        buildRow(def.rows[i], grid, line);
        maxLine = std::max(maxLine, line);
    }
    grid->setRowStretch(maxLine, 1);
    outer->addWidget(group, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QString::fromUtf8(def.okButton));
    m_ok->setEnabled(false);
    m_undo = new QPushButton(QStringLiteral("&No"), this);
    m_undo->setObjectName(QString::fromUtf8(def.undoButton));
    m_undo->setEnabled(false);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_undo);
    outer->addLayout(buttons);
    connect(m_ok, &QPushButton::clicked, this, [this] { ui::guarded(this, [this] { okClick(); }); });
    if (def.okIsDefault) {
        // A main window has no default button of its own: Enter anywhere in it presses OK, but
        // only while this page is the one shown.
        m_ok->setDefault(true);
        for (const QKeySequence &key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
            auto *shortcut = new QShortcut(key, this);
            connect(shortcut, &QShortcut::activated, m_ok, [this] {
                if (m_ok->isEnabled())
                    m_ok->click();
            });
        }
    }
    connect(m_undo, &QPushButton::clicked, this, [this] { ui::guarded(this, [this] { undoClick(); }); });

    m_hint = new ui::HintPanel(def.hintWidths[0], def.hintWidths[1], this);
    m_hint->setObjectName(QString::fromUtf8(def.hintBar));
    outer->addWidget(m_hint);
}

void TweakPage::buildRow(const TweakEntry &row, QGridLayout *grid, int &line)
{
    QWidget *group = grid->parentWidget();
    const QString name = QString::fromUtf8(row.control);
    const QString tooltip = QString::fromUtf8(row.tooltip);
    auto addField = [&](const QString &fieldName, int column) {
        const bool number = row.holdsNumber();
        auto *field = new QLineEdit(number ? QStringLiteral("0") : QString(), group);
        field->setObjectName(fieldName);
        field->setMaximumWidth(number ? 80 : 200);
        field->installEventFilter(this);
        if (row.change == ChangeTrigger::Default || row.change == ChangeTrigger::Focus ||
            row.change == ChangeTrigger::ClickAndFocus)
            m_focusChange.insert(field);
        if (row.change == ChangeTrigger::Click)
            m_clickChange.insert(field);
        field->setVisible(!row.hidden);
        if (number) {
            m_upperCase.insert(field);
            // Letters typed into a number field are shown in upper case.
            connect(field, &QLineEdit::textEdited, field, [field](const QString &text) {
                const int cursor = field->cursorPosition();
                field->setText(text.toUpper());
                field->setCursorPosition(cursor);
            });
        }
        m_fields.insert(fieldName, field);
        auto *box = new QHBoxLayout;
        box->addWidget(field);
        if (*row.fieldUnit)
            box->addWidget(new QLabel(QString::fromUtf8(row.fieldUnit), group));
        box->addStretch(1);
        grid->addLayout(box, line, 2 * m_column + column);
        return field;
    };

    if (row.controlType == ControlType::Field) {
        auto *label = new QLabel(QString::fromUtf8(row.labelCaption), group);
        if (*row.label)
            label->setObjectName(QString::fromUtf8(row.label));
        label->setToolTip(tooltip);
        label->setVisible(!row.hidden);
        grid->addWidget(label, line, 2 * m_column);
        QLineEdit *field = addField(name, 1);
        field->setToolTip(tooltip);
        // The hint of a field shows over its label.
        if (row.hasHint) {
            label->setMouseTracking(true);
            label->installEventFilter(this);
            m_hintSources.insert(label, &row);
        }
        ++line;
        return;
    }

    auto *box = new QCheckBox(QString::fromUtf8(row.caption), group);
    box->setObjectName(name);
    box->setToolTip(tooltip);
    box->setMouseTracking(true);
    box->installEventFilter(this);
    m_boxes.insert(name, box);
    if (row.hasHint)
        m_hintSources.insert(box, &row);
    if (row.change == ChangeTrigger::Default || row.change == ChangeTrigger::Click ||
        row.change == ChangeTrigger::ClickAndFocus)
        connect(box, &QCheckBox::toggled, this, &TweakPage::changeClick);
    if (row.change == ChangeTrigger::ClickAndFocus)
        m_focusChange.insert(box);
    if (row.change == ChangeTrigger::Focus) {
        m_focusChange.insert(box);
        // A box that already holds the focus gets no focus event when clicked; the click is
        // the user's all the same (program changes do not emit clicked).
        connect(box, &QCheckBox::clicked, this, &TweakPage::changeClick);
    }
    box->setVisible(!row.hidden);
    if (*row.field) {
        grid->addWidget(box, line, 2 * m_column);
        QLineEdit *field = addField(QString::fromUtf8(row.field), 1);
        connect(box, &QCheckBox::toggled, field, &QLineEdit::setEnabled);
    } else {
        grid->addWidget(box, line, 2 * m_column, 1, 2);
    }
    ++line;
}

bool TweakPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
        if (const TweakEntry *row = m_hintSources.value(watched)) {
            const HintTexts texts = TweakEngine::hint(*row);
            m_hint->setHint(texts.tooltip, texts.branch, texts.key);
        }
    } else if (event->type() == QEvent::MouseButtonPress && m_clickChange.contains(watched)) {
        changeClick();
    } else if (event->type() == QEvent::FocusIn && m_focusChange.contains(watched) && !m_buttonsSwitching) {
        // The user putting the caret into a field, not a page switch handing focus around.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
            reason == Qt::ShortcutFocusReason)
            changeClick();
    }
    return QWidget::eventFilter(watched, event);
}

QWidget *TweakPage::control(const QString &name) const
{
    if (QCheckBox *box = m_boxes.value(name))
        return box;
    return m_fields.value(name);
}

bool TweakPage::has(const QString &name) const { return control(name) != nullptr; }

bool TweakPage::checked(const QString &name) const
{
    const QCheckBox *box = m_boxes.value(name);
    return box && box->isChecked();
}

void TweakPage::setChecked(const QString &name, bool on)
{
    if (QCheckBox *box = m_boxes.value(name))
        box->setChecked(on);
}

QString TweakPage::text(const QString &name) const
{
    const QLineEdit *field = m_fields.value(name);
    return field ? field->text() : QString();
}

void TweakPage::setText(const QString &name, const QString &text)
{
    if (QLineEdit *field = m_fields.value(name))
        field->setText(m_upperCase.contains(field) ? text.toUpper() : text);
}

bool TweakPage::enabled(const QString &name) const
{
    const QWidget *widget = control(name);
    return widget && widget->isEnabled();
}

void TweakPage::setEnabled(const QString &name, bool on)
{
    if (QWidget *widget = control(name))
        widget->setEnabled(on);
}

void TweakPage::changeClick() { m_ok->setEnabled(true); }

void TweakPage::okClick()
{
    registry::RegistryStore store(m_context.machine.registry());
    for (const TweakEntry &row : m_def.rows)
        for (const QString &error : TweakEngine::applyRow(row, store, *this))
            ui::Dialogs::message(this, ui::Dialogs::Icon::Error, QStringLiteral("Ошибка"), error);
    setButtons(false, true);
    const QStringList saveErrors = m_context.finishCommand();
    if (!saveErrors.isEmpty()) {
        // Nothing reached the files: OK stays, to try again once the cause is mended.
        m_ok->setEnabled(true);
        ui::showErrorBox(this, saveErrors.join(u'\n'));
    }
}

QList<const TweakEntry *> TweakPage::okClickCollecting()
{
    QList<const TweakEntry *> failed;
    registry::RegistryStore store(m_context.machine.registry());
    for (const TweakEntry &row : m_def.rows)
        if (!TweakEngine::applyRowCounting(row, store, *this))
            failed.append(&row);
    setButtons(false, true);
    return failed;
}

void TweakPage::undoClick()
{
    TweakEngine::restore(m_def, m_captured, *this);
    TweakEngine::capture(m_def, *this, m_captured);
    okClick();
    setButtons(false, false);
}

void TweakPage::setButtons(bool ok, bool undo)
{
    // A clicked button that turns itself off hands the focus on as if by Tab; that is not the
    // user entering a field.
    m_buttonsSwitching = true;
    m_ok->setEnabled(ok);
    m_undo->setEnabled(undo);
    m_buttonsSwitching = false;
}

} // namespace tolvex::tweaks
