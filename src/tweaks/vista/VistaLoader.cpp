#include "vista/VistaLoader.h"

#include "TweakCatalogue.h"

namespace tolvex::tweaks {

namespace {

// Passes every change on and notes a failed read, which the engine reports by greying.
class LoadWatch final : public TweakControls
{
public:
    explicit LoadWatch(TweakControls &inner) : m_inner(inner) {}

    bool failed = false;

    bool has(const QString &c) const override { return m_inner.has(c); }
    bool checked(const QString &c) const override { return m_inner.checked(c); }
    void setChecked(const QString &c, bool on) override { m_inner.setChecked(c, on); }
    QString text(const QString &c) const override { return m_inner.text(c); }
    void setText(const QString &c, const QString &t) override { m_inner.setText(c, t); }
    bool enabled(const QString &c) const override { return m_inner.enabled(c); }
    void setEnabled(const QString &c, bool on) override
    {
        failed = failed || !on;
        m_inner.setEnabled(c, on);
    }

private:
    TweakControls &m_inner;
};

const VistaSnapshotState *snapshotState(const QString &control)
{
    for (const VistaSnapshotState &s : vistaSnapshotStates)
        if (control == QLatin1String(s.control))
            return &s;
    return nullptr;
}

} // namespace

void VLoadRegedit(registry::RegistryStore &store, TweakControls &controls, VistaSnapshot &snapshot)
{
    const std::vector<const TweakPageDef *> pages = vistaPages();
    for (const QString &control : vistaLoadOrder()) {
        const TweakEntry *row = findRow(pages, control);
        if (!row)
            continue;
        LoadWatch watch(controls);
        TweakEngine::loadRow(*row, store, watch);
        if (watch.failed)
            continue;
        if (const VistaSnapshotState *s = snapshotState(control))
            snapshot.*(s->state) = controls.checked(control) != s->inverted;
        else if (control == QLatin1String(vistaRecycleBinField))
            snapshot.recycleBinName = controls.text(control);
    }
}

} // namespace tolvex::tweaks
