// Rows to come with the page.
#include "TweakCatalogue.h"

namespace tolvex::tweaks {

const TweakPageSpec &desktopPage()
{
    static const TweakPageSpec page{.component = "sTabSheet5"};
    return page;
}

} // namespace tolvex::tweaks
