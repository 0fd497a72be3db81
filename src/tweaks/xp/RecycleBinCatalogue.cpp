// Rows to come with the page.
#include "TweakCatalogue.h"

namespace tolvex::tweaks {

const TweakPageSpec &recycleBinPage()
{
    static const TweakPageSpec page{.component = "sTabSheet4"};
    return page;
}

} // namespace tolvex::tweaks
