#include "support/AlertRecorder.h"

namespace sim
{

AlertRecorder::AlertRecorder()
{
    juce::LookAndFeel::setDefaultLookAndFeel (this);
}

AlertRecorder::~AlertRecorder()
{
    juce::ModalComponentManager::getInstance()->cancelAllModalComponents();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (10);
    juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
}

juce::AlertWindow* AlertRecorder::createAlertWindow (const juce::String& title, const juce::String& message,
                                                     const juce::String& button1, const juce::String& button2,
                                                     const juce::String& button3, juce::MessageBoxIconType iconType,
                                                     int numButtons, juce::Component* associatedComponent)
{
    titles.add (title);
    messages.add (message);
    return LookAndFeel_V4::createAlertWindow (title, message, button1, button2, button3,
                                              iconType, numButtons, associatedComponent);
}

} // namespace sim
