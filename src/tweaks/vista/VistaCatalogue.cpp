// The Vista pages' catalogues and loader order: to come with the pages.
#include "TweakCatalogue.h"

namespace tolvex::tweaks {

std::vector<const TweakPageSpec *> vistaPages() { return {}; }

QStringList vistaLoadOrder() { return {}; }

} // namespace tolvex::tweaks
