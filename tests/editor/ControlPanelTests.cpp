#include "support/EditorFixture.h"

#include "editor/CtModeComboBox.h"
#include "editor/DeviceTimer.h"
#include "editor/HostImpl.h"

using namespace sim;

using ControlPanel = EditorFixture;

TEST_F (ControlPanel, BuildingItStartsTheDeviceTimer)
{
    editor.reset();
    NsDravel::MixerSection panel;

    ASSERT_NE (NsDravel::theTimer, nullptr);
    EXPECT_TRUE (NsDravel::theTimer->isTimerRunning());
}

TEST_F (ControlPanel, EachControlButtonLiesOverItsControlWithItsCaptionBelow)
{
    auto& panel = editor->mixerSection;

    EXPECT_EQ (panel.getKeyboardPicture().getBounds(), juce::Rectangle<int> (247, 54, 675, 174));
    EXPECT_EQ (controlButton (1).getBounds(), juce::Rectangle<int> (247, 54, 675, 174));
    EXPECT_EQ (controlButton (2).getBounds(), juce::Rectangle<int> (724, 245, 30, 28));
    EXPECT_EQ (controlButton (3).getBounds(), juce::Rectangle<int> (838, 245, 30, 28));
    EXPECT_EQ (controlButton (4).getBounds(), juce::Rectangle<int> (82, 222, 19, 49));
    EXPECT_EQ (controlButton (5).getBounds(), juce::Rectangle<int> (147, 222, 19, 49));
    EXPECT_EQ (controlButton (6).getBounds(), juce::Rectangle<int> (84, 24, 76, 39));
    EXPECT_EQ (controlButton (7).getBounds(), juce::Rectangle<int> (84, 62, 76, 37));

    // The keys button is drawn over the picture, so it takes the clicks on it.
    EXPECT_GT (panel.getIndexOfChildComponent (&controlButton (1)),
               panel.getIndexOfChildComponent (&panel.getKeyboardPicture()));

    juce::StringArray captions;

    for (auto* child : panel.getChildren())
        if (auto* label = dynamic_cast<juce::Label*> (child))
            captions.add (label->getText() + " " + label->getBounds().toString());

    EXPECT_EQ (captions, juce::StringArray ({ "Sus 719 272 40 13", "Expr 833 272 40 13",
                                              "Pitch 71 270 40 13", "Mod 136 270 40 13",
                                              "Tran- 71 147 40 13", "Tran+ 135 147 40 13",
                                              "Octa- 71 187 40 13", "Octa+ 135 187 40 13" }));
}

TEST_F (ControlPanel, TheFourSmallButtonsAndTheSpareOneCanNeverBeSelected)
{
    auto& panel = editor->mixerSection;

    for (int i = 0; i < 4; ++i)
    {
        auto* small = panel.getSmallButton (i);
        EXPECT_FALSE (small->isEnabled());
        EXPECT_EQ (panel.getComponentAt (small->getBounds().getCentre()), &panel);
        EXPECT_EQ (small->getControlNumber(), 0);
    }

    int buttons = 0, placed = 0;

    for (auto* child : panel.getChildren())
        if (auto* button = dynamic_cast<NsDravel::MappableButton*> (child))
            ++buttons, placed += button->getBounds().isEmpty() ? 0 : 1;

    EXPECT_EQ (buttons, 12);
    EXPECT_EQ (placed, 11);
}

TEST_F (ControlPanel, AfterAnotherDawModeIsChosenTheButtonsEditThatModesMap)
{
    NsDravel::Host::getInstance()->setCurrentMode (2);
    editor->refreshFromModel();
    click (controlButton (3));
    pick (editor->channelCombo, "5");

    EXPECT_EQ ((int) NsDravel::Host::getInstance()->getCurrentMap().getChildWithName ("controls")
                        .getChild (2)["chan"], 5);
    EXPECT_EQ ((int) NsDravel::Host::getInstance()->impl->getModes().getChild (0)
                        .getChildWithName ("controls").getChild (2)["chan"], 1);
}

TEST_F (ControlPanel, TheDawModeComboListsTheFourBuiltModesWithTheCurrentOneSelected)
{
    NsDravel::Host::getInstance()->setCurrentMode (1);
    NsDravel::CtModeComboBox combo;

    EXPECT_EQ (itemsOf (combo), juce::StringArray ({ "1) Nuendo (MCP)", "2) Cubase (MCP)",
                                                     "3) Logic Pro (MCP)", "4) Samplitude (MCP)" }));
    EXPECT_EQ (combo.getSelectedItemIndex(), 1);
}

