#pragma once

#include <functional>

namespace tolvex::app {

// What a side-bar panel may ask of the main window: its links only change the page, and the
// options panel needs the generation.
class PanelHost
{
public:
    virtual ~PanelHost() = default;

    virtual void showPage(int index) = 0;
    virtual bool vistaGeneration() const = 0;
    virtual void BuildApplicationTree() = 0;
    // Runs a handler that may touch the registry: its error goes to the error box, and the
    // changed hives are saved afterwards.
    virtual void runCommand(const std::function<void()> &handler) = 0;
};

} // namespace tolvex::app
