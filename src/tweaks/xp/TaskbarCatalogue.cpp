// Rows to come with the page.
#include "TweakCatalogue.h"

namespace tolvex::tweaks {

const TweakPageSpec &taskbarPage()
{
    static const TweakPageSpec page{.component = "sTabSheet8"};
    return page;
}

} // namespace tolvex::tweaks
