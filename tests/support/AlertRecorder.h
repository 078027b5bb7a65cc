#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace sim
{

/** While it lives, records the title and text of every message box the
    program shows (and still shows them); closes them when it goes. */
class AlertRecorder final : public juce::LookAndFeel_V4
{
public:
    AlertRecorder();
    ~AlertRecorder() override;

    juce::AlertWindow* createAlertWindow (const juce::String& title, const juce::String& message,
                                          const juce::String& button1, const juce::String& button2,
                                          const juce::String& button3, juce::MessageBoxIconType iconType,
                                          int numButtons, juce::Component* associatedComponent) override;

    juce::StringArray titles, messages;
};

} // namespace sim
