#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class MainComponent;

/** The side panel's title bar: a "Home" button, a "Settings" button (kept hidden)
    and the panel's title. */
class SidePanelHeader : public juce::Component
{
public:
    explicit SidePanelHeader (MainComponent& owner);

    void lookAndFeelChanged() override;
    void paint (juce::Graphics&) override;
    void resized() override;

private:
    MainComponent& owner;
    juce::Label titleLabel;
    juce::ShapeButton homeButton     { "Home",     juce::Colours::transparentBlack, juce::Colours::transparentBlack, juce::Colours::transparentBlack };
    juce::ShapeButton settingsButton { "Settings", juce::Colours::transparentBlack, juce::Colours::transparentBlack, juce::Colours::transparentBlack };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SidePanelHeader)
};
