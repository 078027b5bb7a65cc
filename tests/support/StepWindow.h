#pragma once

#include "firmware/window/FirmwareUpgradeComponent.h"

#include <functional>
#include <vector>

namespace sim
{

/** An upgrade window inside a dialog that never reaches the screen, so that
    its steps run headless, with every title the dialog shows recorded: the
    steps show their status texts there, and the flashing tool its notices.
    Message thread. */
class StepWindow final : private juce::ComponentListener
{
public:
    explicit StepWindow (int productId, bool useServerList = true);
    ~StepWindow() override;

    halvik::FirmwareUpgradeComponent& get() noexcept  { return window; }
    halvik::FirmwareUpgradeComponent* operator->() noexcept  { return &window; }

    /** The title the dialog showed last. */
    juce::String title() const;

    /** Every title the dialog was given, in order, also when it was given
        the same title again. */
    const juce::StringArray& titles() const noexcept  { return shownTitles; }

    /** The text after the window title (and its ": ") of every title shown,
        in order; a title without a status gives an empty text. */
    juce::StringArray statusTexts() const;

    /** Runs the action once, the first time a title that contains the text
        is shown, while the step that showed it is still running. */
    void whenTitleContains (const juce::String& text, std::function<void()> action);

    /** Escape typed into the window, as the user would. */
    void pressEscape();

private:
    void componentNameChanged (juce::Component& component) override;

    struct TitleAction
    {
        juce::String text;
        std::function<void()> action;
    };

    halvik::FirmwareUpgradeComponent window;
    juce::DialogWindow dialog { "Firmware Upgrade", juce::Colours::lightgrey, false, false };
    juce::StringArray shownTitles;
    bool forgettingTitle = false;
    std::vector<TitleAction> titleActions;

    JUCE_DECLARE_NON_COPYABLE (StepWindow)
};

} // namespace sim
