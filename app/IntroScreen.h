#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The welcome page of the content area: greeting, product name, maker logo,
    version line, a link to the maker's web site and a slowly moving wave of
    dots. Laying it out sizes the main window to 850 x 600 and retitles it. */
class IntroScreen  : public juce::Component
{
public:
    /** Builds the page with the logo from the given resources folder. */
    explicit IntroScreen (const juce::File& resourcesFolder);

    /** Builds the page with the logo from the program's resources folder. */
    IntroScreen();
    ~IntroScreen() override;

    void paint (juce::Graphics&) override;
    void resized() override;

    /** The wave of dots along the page's lower part, moved on at 30 Hz. */
    class LogoDrawComponent  : public juce::Component,
                               private juce::Timer
    {
    public:
        LogoDrawComponent();
        ~LogoDrawComponent() override;

        void paint (juce::Graphics&) override;

    private:
        void timerCallback() override;

        float phase = 0.0f;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LogoDrawComponent)
    };

    /** The address behind the page's web-site link. */
    static const char* const makerWebAddress;

private:
    juce::Label hintLabel;
    juce::Label titleLabel;
    juce::Label versionLabel;
    juce::HyperlinkButton webLink;
    LogoDrawComponent wave;
    juce::ImageComponent logo;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (IntroScreen)
};

/** A new intro page, owned by the caller. Message thread. */
IntroScreen* createIntroScreen();

/** True when the component is an intro page. */
bool isIntroScreen (juce::Component* component);
