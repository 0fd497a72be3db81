// Rows to come with the page.
#include "TweakCatalogue.h"

namespace tolvex::tweaks {

const TweakPageSpec &explorerPage()
{
    static const TweakPageSpec page{.component = "sTabSheet6"};
    return page;
}

} // namespace tolvex::tweaks
