#include "SidePanelHeader.h"
#include "MainComponent.h"

namespace
{
    juce::Path makeHomeShape()
    {
        juce::Path house;
        house.startNewSubPath (12.0f, 1.0f);      // roof ridge
        house.lineTo (23.0f, 11.0f);
        house.lineTo (20.0f, 11.0f);
        house.lineTo (20.0f, 23.0f);
        house.lineTo (14.5f, 23.0f);
        house.lineTo (14.5f, 16.0f);              // door
        house.lineTo (9.5f, 16.0f);
        house.lineTo (9.5f, 23.0f);
        house.lineTo (4.0f, 23.0f);
        house.lineTo (4.0f, 11.0f);
        house.lineTo (1.0f, 11.0f);
        house.closeSubPath();
        return house;
    }

    juce::Path makeSettingsShape()
    {
        constexpr int teeth = 8;
        const juce::Point<float> centre (12.0f, 12.0f);

        juce::Path gear;

        for (int i = 0; i < teeth * 2; ++i)
        {
            const auto radius = (i % 2 == 0) ? 11.5f : 8.5f;
            const auto startAngle = juce::MathConstants<float>::twoPi * (float) i / (float) (teeth * 2);
            const auto endAngle = juce::MathConstants<float>::twoPi * (float) (i + 1) / (float) (teeth * 2);

            const auto a = centre.getPointOnCircumference (radius, startAngle);
            const auto b = centre.getPointOnCircumference (radius, endAngle);

            if (i == 0)
                gear.startNewSubPath (a);
            else
                gear.lineTo (a);

            gear.lineTo (b);
        }

        gear.closeSubPath();
        gear.addEllipse (8.0f, 8.0f, 8.0f, 8.0f);  // the hole
        gear.setUsingNonZeroWinding (false);
        return gear;
    }
}

SidePanelHeader::SidePanelHeader (MainComponent& ownerToUse)
    : owner (ownerToUse)
{
    setOpaque (true);

    homeButton.setShape (makeHomeShape(), true, true, false);
    settingsButton.setShape (makeSettingsShape(), true, true, false);

    titleLabel.setText (owner.getSidePanel().getTitleText(), juce::dontSendNotification);

    addAndMakeVisible (titleLabel);
    addAndMakeVisible (homeButton);
    homeButton.onClick = [this] { owner.goHome(); };
    addAndMakeVisible (settingsButton);
    settingsButton.onClick = [this] { owner.showSettingsTab(); };
    settingsButton.setVisible (false);

    lookAndFeelChanged();
}

void SidePanelHeader::lookAndFeelChanged()
{
    auto& sidePanel = owner.getSidePanel();
    auto& lf = sidePanel.getLookAndFeel();

    titleLabel.setFont (lf.getSidePanelTitleFont (sidePanel));
    titleLabel.setJustificationType (lf.getSidePanelTitleJustification (sidePanel));
    titleLabel.setColour (juce::Label::textColourId, owner.findColour (juce::SidePanel::titleTextColour));

    for (auto* button : { &homeButton, &settingsButton })
        button->setColours (sidePanel.findColour (juce::SidePanel::dismissButtonNormalColour),
                            sidePanel.findColour (juce::SidePanel::dismissButtonOverColour),
                            sidePanel.findColour (juce::SidePanel::dismissButtonDownColour));
}

void SidePanelHeader::paint (juce::Graphics& g)
{
    g.fillAll (owner.getSidePanel().findColour (juce::SidePanel::backgroundColour));
}

void SidePanelHeader::resized()
{
    const auto cell = owner.getSidePanel().getTitleBarHeight();
    auto area = getLocalBounds();

    area.removeFromLeft (10);
    homeButton.setBounds (area.removeFromLeft (juce::jmin (cell, area.getWidth())).reduced (7));
    settingsButton.setBounds (area.removeFromLeft (juce::jmin (cell, area.getWidth())).reduced (7));
    area.removeFromLeft (10);
    area.removeFromRight (10);
    titleLabel.setBounds (area);
}
