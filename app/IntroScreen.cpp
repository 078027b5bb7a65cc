#include "IntroScreen.h"
#include "common/TextConstants.h"
#include "common/AssetLoader.h"
#include "common/ResourcesFolder.h"

#include <cmath>

namespace
{
    const juce::String makerWebDomain ("www.halvik.example");
}

const char* const IntroScreen::makerWebAddress = "https://www.halvik.example/";

IntroScreen::IntroScreen()
    : IntroScreen (getResourcesFolder())
{
}

IntroScreen::IntroScreen (const juce::File& resourcesFolder)
    : webLink (makerWebDomain, juce::URL (makerWebAddress))
{
    setOpaque (true);

    addAndMakeVisible (hintLabel);
    addAndMakeVisible (titleLabel);
    addAndMakeVisible (versionLabel);
    addAndMakeVisible (webLink);

    // A missing logo file gives a null image, and the page simply shows no picture.
    addAndMakeVisible (logo);
    logo.setImage (loadResourceImage ("Halvik Logo.png", true, resourcesFolder));

    addAndMakeVisible (wave);

    hintLabel.setText ("Hello! You could choose a view from the menu on your left-hand side for getting started.",
                       juce::dontSendNotification);
    titleLabel.setText (juce::String ("{name}").replace ("{name}", texts::applicationName), juce::dontSendNotification);
    versionLabel.setText (juce::String ("{version}  {build}, {date}")
                              .replace ("{version}", "V1.00")
                              .replace ("{build}", "Build 43")
                              .replace ("{date}", juce::String ("Jul 14 2025").replace ("  ", " ")),
                          juce::dontSendNotification);

    hintLabel.setColour (juce::Label::textColourId, juce::Colours::white);
    titleLabel.setColour (juce::Label::textColourId, juce::Colour::greyLevel (0.8f));
    titleLabel.setFont (juce::Font ("YaHei", 60.0f, juce::Font::bold));
    webLink.setColour (juce::HyperlinkButton::textColourId, juce::Colours::lightblue);
}

IntroScreen::~IntroScreen() = default;

void IntroScreen::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour::greyLevel (0.11f));
}

void IntroScreen::resized()
{
    // The page owns the window's size while it is shown. Resizing the window
    // lays the page out again from inside this call, so the size is read after it.
    getTopLevelComponent()->setSize (850, 600);

    const auto w = getWidth();
    const auto h = getHeight();

    hintLabel.setBounds (250, 50, 600, 32);
    titleLabel.setBounds ((w - 450) / 2, 200, 450, 64);

    auto area = getLocalBounds().reduced (10);
    auto bottom = area.removeFromBottom (24);

    versionLabel.setBounds (bottom);
    webLink.setBounds (bottom.removeFromRight (w / 4));

    wave.setBounds (area);
    logo.setBounds (50, (int) (h * 0.05), 120, 60);

    getTopLevelComponent()->setName (texts::applicationName);
}

//==============================================================================
IntroScreen::LogoDrawComponent::LogoDrawComponent()
{
    startTimerHz (30);
}

IntroScreen::LogoDrawComponent::~LogoDrawComponent() = default;

void IntroScreen::LogoDrawComponent::timerCallback()
{
    repaint();
    phase += 0.01f;
}

void IntroScreen::LogoDrawComponent::paint (juce::Graphics& g)
{
    const auto width = (float) getWidth();
    const auto height = (float) getHeight();
    const auto base = height * 0.7f;

    juce::Path wavePath;

    for (int i = 0; ; ++i)
    {
        const auto x = 5.0f + 10.0f * (float) i;

        if (x >= width)
            break;

        const auto y1 = base + height * 0.05f * std::sin (0.38f * (float) i + phase);
        const auto y2 = base + height * 0.1f * std::sin (2.0f * phase + 0.2f * (float) i);

        wavePath.addLineSegment ({ x, y1, x, y2 }, 2.0f);
        wavePath.addEllipse (x - 3.0f, y1 - 3.0f, 6.0f, 6.0f);
        wavePath.addEllipse (x - 3.0f, y2 - 3.0f, 6.0f, 6.0f);
    }

    g.setColour (juce::Colour::greyLevel (0.18f));
    g.fillPath (wavePath);
}

//==============================================================================
IntroScreen* createIntroScreen()
{
    return new IntroScreen();
}

bool isIntroScreen (juce::Component* component)
{
    return dynamic_cast<IntroScreen*> (component) != nullptr;
}
