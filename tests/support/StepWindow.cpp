#include "support/StepWindow.h"

namespace sim
{

StepWindow::StepWindow (int productId, bool useServerList)
    : window (productId, useServerList)
{
    dialog.setContentNonOwned (&window, true);
    dialog.addComponentListener (this);
}

StepWindow::~StepWindow()
{
    dialog.removeComponentListener (this);
    dialog.clearContentComponent();
}

juce::StringArray StepWindow::statusTexts() const
{
    juce::StringArray texts;

    for (auto& shown : shownTitles)
        texts.add (shown.fromFirstOccurrenceOf (": ", false, false));

    return texts;
}

void StepWindow::whenTitleContains (const juce::String& text, std::function<void()> action)
{
    titleActions.push_back ({ text, std::move (action) });
}

void StepWindow::pressEscape()
{
    window.keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
}

juce::String StepWindow::title() const
{
    return shownTitles.isEmpty() ? dialog.getName() : shownTitles[shownTitles.size() - 1];
}

void StepWindow::componentNameChanged (juce::Component& component)
{
    if (forgettingTitle)
        return;

    const auto shown = component.getName();
    shownTitles.add (shown);

    // Forgotten at once, so that the same title shown again is seen again.
    {
        const juce::ScopedValueSetter<bool> forgetting (forgettingTitle, true);
        dialog.setName ("(recorded)");
    }

    for (auto it = titleActions.begin(); it != titleActions.end(); ++it)
    {
        if (shown.contains (it->text))
        {
            auto action = std::move (it->action);
            titleActions.erase (it);
            action();
            return;
        }
    }
}

} // namespace sim
