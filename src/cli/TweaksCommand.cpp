// "tweaks": the tweak pages of the machine's generation as they would load, reading only.
#include "CliContext.h"

#include "TweakCatalogue.h"
#include "vista/VistaLoader.h"

namespace tolvex::cli {

using namespace tweaks;

int runTweaksCommand(CliContext &context)
{
    if (!context.args.isEmpty())
        return badCall(context.err, extraArgument(context.args.first()), "tolvex-cli tweaks\n");
    const bool vista = context.machine->vistaGeneration();
    const std::vector<const TweakPageDef *> pages = vista ? vistaPages() : xpPages();
    const QStringList order = vista ? vistaLoadOrder() : xpLoadOrder();

    ControlStateMap controls;
    for (const TweakPageDef *page : pages)
        for (const TweakEntry &row : page->rows)
            controls.add(row);
    registry::RegistryStore store(context.machine->registry());
    if (vista) {
        VistaSnapshot snapshot;
        VLoadRegedit(store, controls, snapshot);
    } else {
        for (const QString &message : loadPages(pages, order, store, controls))
            context.err << message << '\n';
    }

    auto print = [&](const QString &control, bool isField) {
        context.out << control << '\t'
                    << (isField ? QStringLiteral("text:") + controls.text(control)
                                : QString::fromLatin1(controls.checked(control) ? "checked" : "unchecked"))
                    << '\t' << (controls.enabled(control) ? "enabled" : "greyed") << '\n';
    };
    for (const QString &control : order) {
        const TweakEntry *row = findRow(pages, control);
        if (!row)
            continue;
        print(control, row->controlType == ControlType::Field);
        if (*row->field)
            print(QString::fromUtf8(row->field), true);
    }
    return 0;
}

} // namespace tolvex::cli
