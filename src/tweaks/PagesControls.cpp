#include "PagesControls.h"

#include "TweakPage.h"

namespace tolvex::tweaks {

TweakPage *PagesControls::page(const QString &control) const
{
    for (TweakPage *p : m_pages)
        if (p->has(control))
            return p;
    return nullptr;
}

bool PagesControls::checked(const QString &c) const { return page(c) && page(c)->checked(c); }

void PagesControls::setChecked(const QString &c, bool on)
{
    if (TweakPage *p = page(c))
        p->setChecked(c, on);
}

QString PagesControls::text(const QString &c) const { return page(c) ? page(c)->text(c) : QString(); }

void PagesControls::setText(const QString &c, const QString &t)
{
    if (TweakPage *p = page(c))
        p->setText(c, t);
}

bool PagesControls::enabled(const QString &c) const { return page(c) && page(c)->enabled(c); }

void PagesControls::setEnabled(const QString &c, bool on)
{
    if (TweakPage *p = page(c))
        p->setEnabled(c, on);
}

} // namespace tolvex::tweaks
