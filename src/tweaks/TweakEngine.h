#pragma once

#include "TweakEntry.h"

#include "registry/RegistryStore.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace tolvex::tweaks {

// The controls of tweak pages as the mechanism sees them: the widgets of a page, or a plain map
// for tolvex-cli. Setting a check box through here is the program changing it, which pages treat
// like a click.
class TweakControls
{
public:
    virtual ~TweakControls() = default;
    virtual bool has(const QString &control) const = 0;
    virtual bool checked(const QString &control) const = 0;
    virtual void setChecked(const QString &control, bool on) = 0;
    virtual QString text(const QString &control) const = 0;
    virtual void setText(const QString &control, const QString &text) = 0;
    virtual bool enabled(const QString &control) const = 0;
    virtual void setEnabled(const QString &control, bool on) = 0;
};

// Controls held in memory: check boxes start unchecked, fields start with "0", all enabled.
class ControlStateMap final : public TweakControls
{
public:
    struct State
    {
        bool checked = false;
        QString text = QStringLiteral("0");
        bool enabled = true;
    };
    void add(const TweakEntry &entry);
    bool has(const QString &control) const override { return m_states.contains(control); }
    bool checked(const QString &control) const override { return m_states.value(control).checked; }
    void setChecked(const QString &control, bool on) override { m_states[control].checked = on; }
    QString text(const QString &control) const override { return m_states.value(control).text; }
    void setText(const QString &control, const QString &text) override { m_states[control].text = text; }
    bool enabled(const QString &control) const override { return m_states.value(control).enabled; }
    void setEnabled(const QString &control, bool on) override { m_states[control].enabled = on; }

private:
    QHash<QString, State> m_states;
};

// The start-up state of the captured controls of every page, recorded once.
struct CapturedState
{
    struct Control
    {
        bool checked = false;
        QString text;
    };
    QHash<QString, Control> controls;
};

// The texts of a page's hint bar for one control.
struct HintTexts
{
    QString tooltip;
    QString branch; // panel 0
    QString key;    // panel 1
};

// Load and write rules of every tweak row, one mechanism for all pages.
class TweakEngine
{
public:
    // Reads the row's value(s) and sets its controls by the row's load rule. A failed read
    // leaves the control as it was and greys it, or, for a row with a load-failure message,
    // returns that message for the caller to show; reading never writes.
    static QString loadRow(const TweakEntry &row, registry::RegistryStore &store, TweakControls &controls);
    // Writes the row's data for its controls' state, creating missing keys. Returns the
    // access-error texts of what failed (empty when all was written).
    static QStringList applyRow(const TweakEntry &row, registry::RegistryStore &store, const TweakControls &controls);
    // applyRow as a backup restore counts it: false when anything failed, a row that lets the
    // store's error escape (the recycle-bin rows) included.
    static bool applyRowCounting(const TweakEntry &row, registry::RegistryStore &store,
                                 const TweakControls &controls);

    static HintTexts hint(const TweakEntry &row);

    static void capture(const TweakPageDef &page, const TweakControls &controls, CapturedState &state);
    static void restore(const TweakPageDef &page, const CapturedState &state, TweakControls &controls);
};

} // namespace tolvex::tweaks
