#include "support/EditorFixture.h"

using namespace sim;

namespace
{
    const juce::StringArray offsets { "-4", "-3", "-2", "-1", "0", "+1", "+2", "+3", "+4", "+5", "+6", "+7", "+8" };
}

struct ControlDetail : public EditorFixture
{
    NsDravel::MainComp& e() { return *editor; }

    juce::String captions()
    {
        return e().msgTypeCaption.getText() + " | " + e().channelCaption.getText() + " | "
             + e().messageCaption.getText() + " | " + e().fifthCaption.getText();
    }

    juce::String enabledStates()
    {
        juce::String states;

        for (auto* combo : { &e().msgTypeCombo, &e().channelCombo, &e().messageCombo, &e().fifthCombo })
            states << (combo->isEnabled() ? "on " : "off ");

        return states.trim();
    }
};

//==============================================================================
TEST_F (ControlDetail, TheKeysShowCurveChannelOctaveAndTransposition)
{
    click (controlButton (1));

    EXPECT_EQ (captions(), "Velocity Curve | Channel | Octave | Trans");
    EXPECT_EQ (enabledStates(), "on on on on");
    EXPECT_EQ (itemsOf (e().msgTypeCombo), juce::StringArray ({ "Curve 1", "Curve 2", "Curve 3", "Curve 4",
                                                                "Curve 5", "Curve 6", "Curve 7", "Custom Curve" }));
    EXPECT_EQ (itemsOf (e().messageCombo), offsets);
    EXPECT_EQ (itemsOf (e().fifthCombo), offsets);
    EXPECT_EQ (e().channelCombo.getNumItems(), 16);

    EXPECT_EQ (e().msgTypeCombo.getText(), "Curve 1");
    EXPECT_EQ (e().channelCombo.getText(), "1");
    EXPECT_EQ (e().messageCombo.getText(), "0");
    EXPECT_EQ (e().fifthCombo.getText(), "0");
}

TEST_F (ControlDetail, ShowingTheKeysRaisesAWriteThroughTheCurveNotification)
{
    // Only the change handler of the first combo shows "Curve View" and raises
    // the write; the click itself does neither.
    e().curveViewButton.setVisible (false);
    NsDravel::pendingSettingsWrite = false;

    click (controlButton (1));

    EXPECT_TRUE (NsDravel::pendingSettingsWrite);
    EXPECT_TRUE (e().curveViewButton.isVisible());
    EXPECT_EQ (NsDravel::deviceSettingsImage, NsDravel::factorySettingsImage);
}

TEST_F (ControlDetail, TheSustainPedalShowsItsControllerAndDirection)
{
    click (controlButton (2));

    EXPECT_EQ (captions(), "Msg Type | Channel | Message | Sustain");
    EXPECT_EQ (enabledStates(), "off on on on");
    EXPECT_EQ (itemsOf (e().msgTypeCombo), juce::StringArray ({ "1) Note", "2) CC", "3) Program", "4) Pitch Bend" }));
    EXPECT_EQ (e().msgTypeCombo.getText(), "2) CC");
    EXPECT_EQ (e().messageCombo.getNumItems(), 128);
    EXPECT_EQ (e().messageCombo.getText(), "64) Hold Pedal #1*(GM)");
    EXPECT_EQ (itemsOf (e().fifthCombo), juce::StringArray ({ "by pressing", "by releasing" }));
    EXPECT_EQ (e().fifthCombo.getText(), "by pressing");
}

TEST_F (ControlDetail, ThePitchWheelOnlyLetsItsChannelChange)
{
    click (controlButton (4));

    EXPECT_EQ (enabledStates(), "off on off off");
    EXPECT_EQ (e().msgTypeCombo.getText(), "4) Pitch Bend");
    EXPECT_EQ (e().messageCombo.getItemText (0), "0) ");
    EXPECT_EQ (e().fifthCombo.getSelectedItemIndex(), -1);
}

TEST_F (ControlDetail, AKnobShowsItsControllerAndNoFifthList)
{
    click (controlButton (6));

    EXPECT_EQ (captions(), "Msg Type | Channel | Message | Sustain");
    EXPECT_EQ (enabledStates(), "off on on off");
    EXPECT_EQ (e().msgTypeCombo.getText(), "2) CC");
    EXPECT_EQ (e().channelCombo.getText(), "1");
    EXPECT_EQ (e().messageCombo.getText(), "7) Volume*(GM)");
    EXPECT_EQ (e().fifthCombo.getNumItems(), 0);
}

//==============================================================================
TEST_F (ControlDetail, AChannelChoiceReachesTheImageTheMapAndTheKeyboard)
{
    SimulatedKeyboard keyboard (ports);
    tick();
    click (controlButton (2));
    NsDravel::pendingSettingsWrite = false;

    pick (e().channelCombo, "16");

    EXPECT_EQ (NsDravel::deviceSettingsImage.pedalAndWheel[0][1], 0xBF);
    EXPECT_EQ ((int) controlNode (2)["chan"], 16);
    EXPECT_TRUE (NsDravel::pendingSettingsWrite);

    keyboard.clearRecords();
    tick();
    ASSERT_EQ (keyboard.appliedImages().size(), 1u);
    EXPECT_EQ (keyboard.appliedImages()[0].bytes, imageBytes());
    EXPECT_EQ (keyboard.appliedImages()[0].bytes[5 + 1], 0xBF);   // the sustain record's status byte
}

TEST_F (ControlDetail, AMessageTypeChoiceRewritesTheRecordAndRefillsTheValues)
{
    click (controlButton (3));

    pick (e().msgTypeCombo, "1) Note");

    EXPECT_EQ (NsDravel::deviceSettingsImage.pedalAndWheel[1][0], 0x09);
    EXPECT_EQ (NsDravel::deviceSettingsImage.pedalAndWheel[1][1], 0x90);
    EXPECT_EQ (controlNode (3)["type"].toString(), "note");
    EXPECT_EQ (e().messageCombo.getItemText (60), "60)  C(4)");

    pick (e().msgTypeCombo, "2) CC");
    EXPECT_EQ (e().messageCombo.getItemText (7), "7) Volume*(GM)");
}

TEST_F (ControlDetail, ValueAndPolarityChoicesRewriteTheSustainRecord)
{
    click (controlButton (2));

    pick (e().messageCombo, "66) Sostenuto(Gs)");
    pick (e().fifthCombo, "by releasing");

    const auto& record = NsDravel::deviceSettingsImage.pedalAndWheel[0];
    EXPECT_EQ (record[2], 66);
    EXPECT_EQ (record[3], 0x7F);
    EXPECT_EQ (record[4], 0x00);
    EXPECT_EQ ((int) controlNode (2)["value"], 66);
    EXPECT_EQ ((int) controlNode (2)["sustain"], 1);
}

TEST_F (ControlDetail, OctaveTranspositionAndCurveOfTheKeysReachTheKeyboard)
{
    SimulatedKeyboard keyboard (ports);
    tick();
    click (controlButton (1));
    settle();

    pick (e().messageCombo, "+2");
    pick (e().fifthCombo, "-4");
    pick (e().msgTypeCombo, "Custom Curve");

    const auto& header = NsDravel::deviceSettingsImage.header;
    EXPECT_EQ (header[1], 10);
    EXPECT_EQ (header[2], 4);
    EXPECT_EQ (header[3], 7);
    EXPECT_EQ (NsDravel::currentCurveNumber, 8);
    EXPECT_EQ ((int) controlNode (1)["octave"], 10);
    EXPECT_EQ ((int) controlNode (1)["transposition"], 4);
    EXPECT_EQ ((int) controlNode (1)["curve"], 7);

    keyboard.clearRecords();
    tick();
    ASSERT_EQ (keyboard.appliedImages().size(), 1u);
    const auto sent = keyboard.appliedImages()[0].bytes;
    EXPECT_EQ (std::vector<juce::uint8> (sent.begin(), sent.begin() + 5),
               (std::vector<juce::uint8> { 0x90, 10, 4, 7, 0xF0 }));
}

TEST_F (ControlDetail, AChoiceWithNoControlSelectedOnlyRaisesTheWrite)
{
    click (controlButton (2));
    editor->untoggleAllButtons();
    NsDravel::pendingSettingsWrite = false;

    pick (e().channelCombo, "9");

    EXPECT_EQ (NsDravel::deviceSettingsImage, NsDravel::factorySettingsImage);
    EXPECT_EQ ((int) controlNode (2)["chan"], 1);
    EXPECT_TRUE (NsDravel::pendingSettingsWrite);
}
