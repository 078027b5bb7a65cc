#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The welcome page that the side panel's "Home" button shows in the content area. */
class IntroScreen : public juce::Component
{
public:
    IntroScreen();

    void paint (juce::Graphics&) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (IntroScreen)
};

/** A new welcome page; the caller owns it. */
juce::Component* createIntroScreen();

/** True when the component is a welcome page. */
bool isIntroScreen (juce::Component* component);
