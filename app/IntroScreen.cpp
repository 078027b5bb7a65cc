#include "IntroScreen.h"

// For now the welcome page is a plain dark page; its texts, logo and wave come later.

IntroScreen::IntroScreen()
{
    setOpaque (true);
}

void IntroScreen::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour::greyLevel (0.11f));
}

juce::Component* createIntroScreen()
{
    return new IntroScreen();
}

bool isIntroScreen (juce::Component* component)
{
    return dynamic_cast<IntroScreen*> (component) != nullptr;
}
