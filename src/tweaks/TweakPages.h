#pragma once

#include "ProgramContext.h"

#include <QHash>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "TweakEngine.h"
#include "vista/VistaSnapshot.h"

#include <memory>

class QWidget;

namespace tolvex::tweaks {

class TweakPage;

// All tweak pages of both generations, made from their catalogues, and the start-up steps that
// work on them. The main window puts each page into its page control by component name.
class TweakPages
{
public:
    TweakPages(platform::ProgramContext &context, QWidget *parent);
    ~TweakPages();

    // The page widget whose objectName is `component` ("SystemSettings", "sTabSheet5", ...), or
    // nullptr when that page is not a tweak page.
    QWidget *page(const QString &component) const;
    QList<TweakPage *> pages() const;

    // XP start-up: makes sure the values the XP pages read exist. Returns the texts of writes that
    // failed, for the caller to show once; the start-up goes on.
    QStringList CreateKeys();
    // Mode 0 sets the XP pages' controls from the registry (mode 1, the backup snapshot, belongs
    // to the backups).
    void LoadRegedit(int mode);
    void VLoadRegedit();
    // Records the start-up state of every tweak page of both generations.
    void SCancelSystemSett();

    const CapturedState &captured() const { return m_captured; }
    const VistaSnapshot &vistaSnapshot() const { return m_vistaSnapshot; }

private:
    struct Generation;
    platform::ProgramContext &m_context;
    QHash<QString, TweakPage *> m_pages;
    std::unique_ptr<Generation> m_xp, m_vista;
    CapturedState m_captured;
    QList<QPointer<TweakPage>> m_made; // what is still ours to free, if nothing else took it
    VistaSnapshot m_vistaSnapshot; // refreshed by every Vista load
};

} // namespace tolvex::tweaks
