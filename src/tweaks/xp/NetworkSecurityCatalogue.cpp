// The network security page: administrative shares and anonymous access.
#include "SystemPagesRows.h"
#include "TweakCatalogue.h"

namespace tolvex::tweaks {

const TweakPageDef &networkSecurityPage()
{
    static const TweakPageDef page{
        .component = "sTabSheet7",
        .group = "Сетевая безопасность",
        .okButton = "SBOk",
        .undoButton = "SbNo",
        .hintBar = "sStatusBar8",
        .rows = {
            {.control = "FullDisNetRes",
             .caption = "Полностью отключить сетевые ресурсы (Admin$, С$ ит.)",
             .root = Root::LocalMachine,
             .keyPath = "SYSTEM\\CurrentControlSet\\Services\\LanmanServer\\Parameters",
             .value = "AutoShareWks",
             .value2 = "AutoShareServer",
             .checked = 1u,
             .unchecked = 0u,
             .rule = LoadRule::Custom,
             .customLoad = xp::loadPair,
             .customApply = xp::applyPair},
            {.control = "CloseAnUserSeeRes",
             .caption = "Запретить анонимным пользователям просматривать ресурсы",
             .root = Root::LocalMachine,
             .keyPath = "SYSTEM\\CurrentControlSet\\Control\\Lsa",
             .value = "RestrictAnonymous",
             .checked = 1u,
             .unchecked = 0u},
        }};
    return page;
}

} // namespace tolvex::tweaks
