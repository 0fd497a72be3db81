#pragma once

#include "TweakEngine.h"

#include "ProgramContext.h"

#include <QHash>
#include <QSet>
#include <QWidget>

#include <functional>

class QAbstractButton;
class QGridLayout;
class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tolvex::ui {
class HintPanel;
}

namespace tolvex::tweaks {

// A tweak page made from its catalogue rows: the controls, OK and undo, the hint bar. What the
// rows mean is TweakEngine's; this is only the view over it.
class TweakPage : public QWidget, public TweakControls
{
    Q_OBJECT

public:
    TweakPage(const TweakPageDef &def, platform::ProgramContext &context, CapturedState &captured,
              QWidget *parent = nullptr);

    const TweakPageDef &definition() const { return m_def; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *undoButton() const { return m_undo; }
    ui::HintPanel *hintPanel() const { return m_hint; }

    bool has(const QString &control) const override;
    bool checked(const QString &control) const override;
    void setChecked(const QString &control, bool on) override;
    QString text(const QString &control) const override;
    void setText(const QString &control, const QString &text) override;
    bool enabled(const QString &control) const override;
    void setEnabled(const QString &control, bool on) override;

    // The page's handlers: OK writes every row, undo returns to the start-up state.
    void okClick();
    // OK as a backup restore runs it: the rows whose write failed are handed back instead of
    // shown one box each, and the registry files are left for the caller to save.
    QList<const TweakEntry *> okClickCollecting();
    void undoClick();
    // Enables OK; every change of a box, and a field taking the focus, runs it.
    void changeClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildRow(const TweakEntry &row, QGridLayout *grid, int &line);
    QWidget *control(const QString &name) const;
    void setButtons(bool ok, bool undo);

    const TweakPageDef &m_def;
    platform::ProgramContext &m_context;
    CapturedState &m_captured;
    QHash<QString, QCheckBox *> m_boxes;
    QHash<QString, QLineEdit *> m_fields;
    QHash<QObject *, const TweakEntry *> m_hintSources;
    QSet<QObject *> m_focusChange; // controls whose focus, not their change, enables OK
    QSet<QObject *> m_clickChange; // fields a click on which enables OK
    QSet<QObject *> m_upperCase;   // number fields
    int m_column = 0;
    bool m_buttonsSwitching = false;
    QPushButton *m_ok = nullptr;
    QPushButton *m_undo = nullptr;
    ui::HintPanel *m_hint = nullptr;
};

} // namespace tolvex::tweaks
