#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace sim
{

/** While it lives, records the title and text of every message box the
    program shows (and still shows them); closes them when it goes. */
class AlertRecorder final : public juce::LookAndFeel_V4
{
public:
    AlertRecorder()     { juce::LookAndFeel::setDefaultLookAndFeel (this); }

    ~AlertRecorder() override
    {
        juce::ModalComponentManager::getInstance()->cancelAllModalComponents();
        juce::MessageManager::getInstance()->runDispatchLoopUntil (10);
        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
    }

    juce::AlertWindow* createAlertWindow (const juce::String& title, const juce::String& message,
                                          const juce::String& button1, const juce::String& button2,
                                          const juce::String& button3, juce::MessageBoxIconType iconType,
                                          int numButtons, juce::Component* associatedComponent) override
    {
        titles.add (title);
        messages.add (message);
        return LookAndFeel_V4::createAlertWindow (title, message, button1, button2, button3,
                                                  iconType, numButtons, associatedComponent);
    }

    juce::StringArray titles, messages;
};

} // namespace sim
