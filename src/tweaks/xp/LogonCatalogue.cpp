// Rows to come with the page.
#include "TweakCatalogue.h"

namespace tolvex::tweaks {

const TweakPageSpec &logonPage()
{
    static const TweakPageSpec page{.component = "sTabSheet11"};
    return page;
}

} // namespace tolvex::tweaks
