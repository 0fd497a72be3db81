// Rows to come with the page.
#include "TweakCatalogue.h"

namespace tolvex::tweaks {

const TweakPageSpec &startMenuPage()
{
    static const TweakPageSpec page{.component = "sTabSheet9"};
    return page;
}

} // namespace tolvex::tweaks
