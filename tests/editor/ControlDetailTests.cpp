#include "support/EditorFixture.h"

using namespace sim;
using NsDravel::MainComp;

struct ControlDetail : public EditorFixture
{
    /** What one row of the four combos shows, left to right, joined by " | ". */
    juce::String row (std::function<juce::String (NsDravel::MapComboBox&)> describe)
    {
        return describe (editor->msgTypeCombo) + " | " + describe (editor->channelCombo)
             + " | " + describe (editor->messageCombo) + " | " + describe (editor->fifthCombo);
    }
};

TEST_F (ControlDetail, AClickedControlAloneIsSelectedAndTheRowShowsItsKindsStatesAndSettings)
{
    // The keys button lies over the keyboard picture, so it takes the clicks on it.
    auto& panel = editor->mixerSection;
    EXPECT_EQ (panel.getComponentAt (panel.getKeyboardPicture().getBounds().getCentre()), &controlButton (1));

    const struct { int control; const char* enabled; const char* shown; } cases[] =
    {
        { 1, "on | on | on | on",    "Curve 1 | 1 | 0 | 0" },
        { 2, "off | on | on | on",   "2) CC | 1 | 64) Hold Pedal #1*(GM) | by pressing" },
        { 4, "off | on | off | off", "4) Pitch Bend | 1 | 1)  | " },
        { 6, "off | on | on | off",  "2) CC | 1 | 7) Volume*(GM) | " },
    };

    // Only the change handler of the keys' first combo shows "Curve View" and
    // raises a write; a click by itself does neither.
    editor->curveViewButton.setVisible (false);
    NsDravel::pendingSettingsWrite = false;

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.control);
        click (controlButton (c.control));

        if (c.control == 1)
            EXPECT_TRUE (NsDravel::pendingSettingsWrite && editor->curveViewButton.isVisible());

        EXPECT_EQ (editor->getSelectedButton(), &controlButton (c.control));
        EXPECT_EQ (row ([] (auto& combo) { return juce::String (combo.isEnabled() ? "on" : "off"); }), c.enabled);
        EXPECT_EQ (row ([] (auto& combo) { return combo.getText(); }), c.shown);
    }

    EXPECT_EQ (NsDravel::deviceSettingsImage, NsDravel::factorySettingsImage);
}

//==============================================================================
TEST_F (ControlDetail, ChoicesReachTheImageAndTheMapAndOnTheNextTickTheKeyboard)
{
    SimulatedKeyboard keyboard (ports);
    tick();

    const struct { int control; NsDravel::MapComboBox MainComp::* combo; const char* item;
                   const char* property; juce::var stored; } choices[]
    {
        { 2, &MainComp::channelCombo, "16",                "chan",          16 },
        { 2, &MainComp::messageCombo, "66) Sostenuto(Gs)", "value",         66 },
        { 2, &MainComp::fifthCombo,   "by releasing",      "sustain",       1 },
        { 3, &MainComp::msgTypeCombo, "1) Note",           "type",          "note" },
        { 1, &MainComp::messageCombo, "+2",                "octave",        10 },
        { 1, &MainComp::fifthCombo,   "-4",                "transposition", 4 },
        { 1, &MainComp::msgTypeCombo, "Custom Curve",      "curve",         7 },
    };

    for (auto& c : choices)
    {
        SCOPED_TRACE (c.item);
        click (controlButton (c.control));
        NsDravel::pendingSettingsWrite = false;

        pick ((*editor).*c.combo, c.item);

        EXPECT_EQ (controlNode (c.control)[c.property], c.stored);
        EXPECT_TRUE (NsDravel::pendingSettingsWrite);
    }

    const auto& image = NsDravel::deviceSettingsImage;
    EXPECT_EQ (image.header, (std::array<juce::uint8, 5> { 0x90, 10, 4, 7, 0xF0 }));     // octave, transposition, curve
    // The sustain pedal acts on release.
    EXPECT_EQ (image.pedalAndWheel[0], (std::array<juce::uint8, 6> { 0x0B, 0xBF, 66, 0x7F, 0x00, 0xF0 }));
    EXPECT_EQ (image.pedalAndWheel[1][0], 0x09);
    EXPECT_EQ (image.pedalAndWheel[1][1], 0x90);
    EXPECT_EQ (NsDravel::currentCurveNumber, 8);

    click (controlButton (3));
    EXPECT_EQ (editor->messageCombo.getItemText (60), "60)  C(4)") << "the values follow the type";

    keyboard.clearRecords();
    tick();
    ASSERT_EQ (keyboard.appliedImages().size(), 1u);
    EXPECT_EQ (keyboard.appliedImages()[0], imageBytes());
}

TEST_F (ControlDetail, InTheHuiModeThePedalsAndWheelsStillShowWhatTheySendAndTheKnobsNothing)
{
    // As a loaded file of the HUI mode leaves the model. The keyboard keeps its
    // own settings in that mode, and its knobs count as on channel 1 there.
    NsDravel::deviceSettingsImage.knobs[0][1] = 0xB2;
    auto* host = NsDravel::Host::getInstance();
    host->impl->getModes().appendChild (NsDravel::createMapTree (5), nullptr);
    host->setCurrentMode (5);
    editor->refreshFromModel();
    EXPECT_EQ (NsDravel::deviceSettingsImage.knobs[0][1], 0xB2);
    EXPECT_EQ ((int) controlNode (6)["chan"], 1);

    click (controlButton (3));
    EXPECT_EQ (row ([] (auto& combo) { return combo.getText(); }), "2) CC | 1 | 11) Expression*(GM) | ");
    click (controlButton (6));
    EXPECT_EQ (row ([] (auto& combo) { return combo.getText(); }), " |  |  | ");
}

TEST_F (ControlDetail, AChoiceWithNoControlSelectedOnlyRaisesTheWrite)
{
    click (controlButton (2));
    editor->untoggleAllButtons();
    NsDravel::pendingSettingsWrite = false;

    pick (editor->channelCombo, "9");

    EXPECT_EQ (NsDravel::deviceSettingsImage, NsDravel::factorySettingsImage);
    EXPECT_EQ ((int) controlNode (2)["chan"], 1);
    EXPECT_TRUE (NsDravel::pendingSettingsWrite);
}
