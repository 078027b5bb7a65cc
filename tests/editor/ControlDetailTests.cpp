#include "support/EditorFixture.h"

using namespace sim;

struct ControlDetail : public EditorFixture
{
    NsDravel::MainComp& e() { return *editor; }

    /** What one row of the four combos shows, left to right, joined by " | ". */
    juce::String row (std::function<juce::String (juce::Label&, NsDravel::MapComboBox&)> describe)
    {
        return describe (e().msgTypeCaption, e().msgTypeCombo) + " | " + describe (e().channelCaption, e().channelCombo) + " | "
             + describe (e().messageCaption, e().messageCombo) + " | " + describe (e().fifthCaption, e().fifthCombo);
    }
};

//==============================================================================
TEST_F (ControlDetail, EachKindOfControlShowsItsCaptionsStatesAndStoredSettings)
{
    const struct { int control; const char* captions; const char* enabled; const char* itemCounts; const char* shown; } cases[] =
    {
        { 1, "Velocity Curve | Channel | Octave | Trans", "on | on | on | on",    "8 | 16 | 13 | 13", "Curve 1 | 1 | 0 | 0" },
        { 2, "Msg Type | Channel | Message | Sustain",    "off | on | on | on",   "4 | 16 | 128 | 2", "2) CC | 1 | 64) Hold Pedal #1*(GM) | by pressing" },
        { 4, "Msg Type | Channel | Message | Sustain",    "off | on | off | off", "4 | 16 | 128 | 2", "4) Pitch Bend | 1 | 1)  | " },
        { 6, "Msg Type | Channel | Message | Sustain",    "off | on | on | off",  "4 | 16 | 128 | 0", "2) CC | 1 | 7) Volume*(GM) | " },
    };

    for (auto& c : cases)
    {
        click (controlButton (c.control));

        // The clicked control alone is selected.
        EXPECT_EQ (e().getSelectedButton(), &controlButton (c.control));

        EXPECT_EQ (row ([] (auto& caption, auto&) { return caption.getText(); }), c.captions) << "control " << c.control;
        EXPECT_EQ (row ([] (auto&, auto& combo) { return juce::String (combo.isEnabled() ? "on" : "off"); }), c.enabled) << "control " << c.control;
        EXPECT_EQ (row ([] (auto&, auto& combo) { return juce::String (combo.getNumItems()); }), c.itemCounts) << "control " << c.control;
        EXPECT_EQ (row ([] (auto&, auto& combo) { return combo.getText(); }), c.shown) << "control " << c.control;
    }
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

TEST_F (ControlDetail, TypeValueAndPolarityChoicesRewriteThePedalsRecordAndNode)
{
    click (controlButton (3));
    pick (e().msgTypeCombo, "1) Note");

    EXPECT_EQ (NsDravel::deviceSettingsImage.pedalAndWheel[1][0], 0x09);
    EXPECT_EQ (NsDravel::deviceSettingsImage.pedalAndWheel[1][1], 0x90);
    EXPECT_EQ (controlNode (3)["type"].toString(), "note");
    EXPECT_EQ (e().messageCombo.getItemText (60), "60)  C(4)") << "the values follow the type";

    click (controlButton (2));
    pick (e().messageCombo, "66) Sostenuto(Gs)");
    pick (e().fifthCombo, "by releasing");

    const auto& sustain = NsDravel::deviceSettingsImage.pedalAndWheel[0];
    EXPECT_EQ (sustain[2], 66);
    EXPECT_EQ (sustain[3], 0x7F);
    EXPECT_EQ (sustain[4], 0x00);
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
