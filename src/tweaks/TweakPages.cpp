#include "TweakPages.h"

#include <QWidget>

namespace tolvex::tweaks {

TweakPages::TweakPages(platform::ProgramContext &context, QWidget *parent) : m_context(context)
{
    Q_UNUSED(parent);
}

TweakPages::~TweakPages() = default;

QWidget *TweakPages::page(const QString &) const { return nullptr; }

QList<TweakPage *> TweakPages::pages() const { return m_pages.values(); }

QStringList TweakPages::CreateKeys() { return {}; }

void TweakPages::LoadRegedit(int) {}

void TweakPages::VLoadRegedit() {}

void TweakPages::SCancelSystemSett() {}

} // namespace tolvex::tweaks
