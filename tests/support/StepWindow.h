#pragma once

#include "support/ScriptedPrompts.h"

#include "firmware/UpgraderState.h"
#include "firmware/window/FirmwareUpgradeComponent.h"

namespace sim
{

/** A fresh upgrade window for one test or row, inside a dialog that never
    reaches the screen, so that its steps run headless, with every title the
    dialog shows recorded: the steps show their status texts there, and the
    flashing tool its notices. Each step waits to be pressed (no
    auto-advance). What the scripted prompts showed before it is forgotten.
    Message thread. */
class StepWindow final : private juce::ComponentListener
{
public:
    explicit StepWindow (int productId, bool useServerList = true)
        : window (productId, useServerList)
    {
        halvik::autoAdvance = false;

        if (auto* scripted = dynamic_cast<ScriptedPrompts*> (&halvik::UpgraderPrompts::getCurrent()))
            scripted->shown.clear();

        dialog.setContentNonOwned (&window, true);
        dialog.addComponentListener (this);
    }

    ~StepWindow() override
    {
        dialog.removeComponentListener (this);
        dialog.clearContentComponent();
    }

    halvik::FirmwareUpgradeComponent* operator->() noexcept  { return &window; }

    /** The title the dialog showed last. */
    juce::String title() const  { return shownTitles.isEmpty() ? dialog.getName() : shownTitles[shownTitles.size() - 1]; }

    /** The text after the window title (and its ": ") of every title shown,
        in order, the same title shown again too; a title without a status
        gives an empty text. */
    juce::StringArray statusTexts() const
    {
        juce::StringArray texts;

        for (auto& shown : shownTitles)
            texts.add (shown.fromFirstOccurrenceOf (": ", false, false));

        return texts;
    }

    /** Escape typed into the window, as the user would. */
    void pressEscape()  { window.keyPressed (juce::KeyPress (juce::KeyPress::escapeKey)); }

private:
    void componentNameChanged (juce::Component&) override
    {
        if (forgettingTitle)
            return;

        shownTitles.add (dialog.getName());

        // Forgotten at once, so that the same title shown again is seen again.
        const juce::ScopedValueSetter<bool> forgetting (forgettingTitle, true);
        dialog.setName ("(recorded)");
    }

    halvik::FirmwareUpgradeComponent window;
    juce::DialogWindow dialog { "Firmware Upgrade", juce::Colours::lightgrey, false, false };
    juce::StringArray shownTitles;
    bool forgettingTitle = false;

    JUCE_DECLARE_NON_COPYABLE (StepWindow)
};

} // namespace sim
