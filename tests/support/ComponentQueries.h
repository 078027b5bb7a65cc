#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace testsupport
{
    /** The text button among the component's children that shows this text, or nullptr. */
    inline juce::TextButton* findButton (juce::Component& parent, const juce::String& text)
    {
        for (auto* child : parent.getChildren())
            if (auto* button = dynamic_cast<juce::TextButton*> (child); button != nullptr && button->getButtonText() == text)
                return button;

        return nullptr;
    }

    /** The top-level windows (dialogs and message boxes too) with exactly this title. */
    inline juce::Array<juce::TopLevelWindow*> findWindowsTitled (const juce::String& title)
    {
        juce::Array<juce::TopLevelWindow*> found;

        for (int i = 0; i < juce::TopLevelWindow::getNumTopLevelWindows(); ++i)
            if (auto* window = juce::TopLevelWindow::getTopLevelWindow (i); window->getName() == title)
                found.add (window);

        return found;
    }

    /** A mouse event at a position in the component's own coordinates, as the
        main mouse makes it now with these buttons and keys held. */
    inline juce::MouseEvent mouseEventAt (juce::Component& target, juce::Point<float> position, juce::ModifierKeys modifiers = {})
    {
        const auto now = juce::Time::getCurrentTime();
        return { juce::Desktop::getInstance().getMainMouseSource(), position, modifiers, juce::MouseInputSource::defaultPressure,
                 0.0f, 0.0f, 0.0f, 0.0f, &target, &target, now, position, now, 1, false };
    }
}
