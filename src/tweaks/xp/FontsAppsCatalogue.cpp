// Rows to come with the page.
#include "TweakCatalogue.h"

namespace tolvex::tweaks {

const TweakPageSpec &fontsAppsPage()
{
    static const TweakPageSpec page{.component = "sTabSheet10"};
    return page;
}

} // namespace tolvex::tweaks
