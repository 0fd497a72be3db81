#include "TweakPages.h"

#include "TweakCatalogue.h"
#include "Dialogs.h"
#include "PagesControls.h"
#include "TweakPage.h"
#include "vista/VistaLoader.h"

namespace tolvex::tweaks {


struct TweakPages::Generation
{
    std::vector<const TweakPageDef *> defs;
    QList<TweakPage *> pages;
};

TweakPages::TweakPages(platform::ProgramContext &context, QWidget *parent) : m_context(context)
{
    auto make = [&](const std::vector<const TweakPageDef *> &defs, Generation &generation) {
        generation.defs = defs;
        for (const TweakPageDef *def : defs) {
            auto *page = new TweakPage(*def, context, m_captured, parent);
            generation.pages.append(page);
            m_made.append(page);
            m_pages.insert(page->objectName(), page);
        }
    };
    m_xp = std::make_unique<Generation>();
    m_vista = std::make_unique<Generation>();
    make(xpPages(), *m_xp);
    make(vistaPages(), *m_vista);
}

// Pages made without a parent (tests, tolvex-cli) are this object's to free; a page control frees
// its own.
TweakPages::~TweakPages()
{
    for (const QPointer<TweakPage> &page : std::as_const(m_made))
        if (page && !page->parent())
            delete page.data();
}

QWidget *TweakPages::page(const QString &component) const { return m_pages.value(component); }

QList<TweakPage *> TweakPages::pages() const { return m_xp->pages + m_vista->pages; }

QStringList TweakPages::CreateKeys()
{
    registry::RegistryStore store(m_context.machine.registry());
    return tweaks::CreateKeys(store);
}

void TweakPages::LoadRegedit(int mode)
{
    if (mode != 0)
        return; // the backup snapshot is read by the backups
    registry::RegistryStore store(m_context.machine.registry());
    PagesControls controls(m_xp->pages);
    QWidget *window = m_xp->pages.isEmpty() ? nullptr : m_xp->pages.first()->window();
    // One box per message, as the load meets its row; the load goes on after each.
    loadPages(m_xp->defs, xpLoadOrder(), store, controls, [window](const QString &message) {
        ui::Dialogs::message(window, ui::Dialogs::Icon::Error, QStringLiteral("Ошибка"), message);
    });
}

void TweakPages::VLoadRegedit()
{
    registry::RegistryStore store(m_context.machine.registry());
    PagesControls controls(m_vista->pages);
    tweaks::VLoadRegedit(store, controls, m_vistaSnapshot);
}

void TweakPages::SCancelSystemSett()
{
    for (TweakPage *page : pages())
        TweakEngine::capture(page->definition(), *page, m_captured);
}

} // namespace tolvex::tweaks
