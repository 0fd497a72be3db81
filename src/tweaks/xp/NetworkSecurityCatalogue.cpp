// Rows to come with the page.
#include "TweakCatalogue.h"

namespace tolvex::tweaks {

const TweakPageSpec &networkSecurityPage()
{
    static const TweakPageSpec page{.component = "sTabSheet7"};
    return page;
}

} // namespace tolvex::tweaks
