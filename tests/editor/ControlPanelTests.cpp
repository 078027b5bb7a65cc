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

TEST_F (ControlPanel, AClickOnTheKeyboardPictureSelectsTheKeysAndTheSmallButtonsNeverTakeOne)
{
    auto& panel = editor->mixerSection;

    // The keys button is drawn over the picture, so it takes the clicks on it.
    EXPECT_EQ (panel.getComponentAt (panel.getKeyboardPicture().getBounds().getCentre()), &controlButton (1));

    for (int i = 0; i < 4; ++i)
    {
        auto* small = panel.getSmallButton (i);
        EXPECT_FALSE (small->isEnabled());
        EXPECT_EQ (panel.getComponentAt (small->getBounds().getCentre()), &panel);
        EXPECT_EQ (small->getControlNumber(), 0);
    }
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

