#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include "editor/DeviceSettingsImage.h"
#include "editor/EditorState.h"
#include "editor/MappingModel.h"
#include "editor/ModeComboLookup.h"
#include "editor/ModelNames.h"
#include "editor/VelocityCurves.h"

using namespace NsDravel;

namespace
{
    struct MappingModelTest : public ::testing::Test
    {
        void SetUp() override   { resetProcessState(); }
    };

    juce::StringArray propertyNames (const juce::ValueTree& tree)
    {
        juce::StringArray names;

        for (int i = 0; i < tree.getNumProperties(); ++i)
            names.add (tree.getPropertyName (i).toString());

        return names;
    }
}

//==============================================================================
TEST_F (MappingModelTest, StartsWithFourMapsAndNuendoCurrent)
{
    MappingModel model;
    auto modes = model.getModes();

    ASSERT_EQ (modes.getNumChildren(), 4);
    const char* expected[][2] { { "Nuendo", "Nuendo (MCP)" }, { "Cubase", "Cubase (MCP)" },
                                { "Logic", "Logic Pro (MCP)" }, { "Samplitude", "Samplitude (MCP)" } };

    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ (modes.getChild (i)["mode"].toString(), expected[i][0]);
        EXPECT_EQ (modes.getChild (i)["name"].toString(), expected[i][1]);
        EXPECT_EQ (getControlAt (modes.getChild (i), 6)["id"], juce::var (7));
    }

    EXPECT_EQ (modes["current"].toString(), "Nuendo");
    EXPECT_EQ ((int) modes["pid"], 0x1020);
    EXPECT_EQ (model.getCurrentMap(), modes.getChild (0));
    EXPECT_EQ (model.getCurrentModeIndex(), 0);
    EXPECT_EQ (deviceSettingsImage, factorySettingsImage);
}

TEST_F (MappingModelTest, FreshControlsDescribeTheFactoryBytes)
{
    MappingModel model;
    auto map = model.getCurrentMap();

    struct Row { int id; const char* kind; const char* type; int chan; int value; };
    const Row rows[] { { 1, "piano", "note", 1, 0 },            { 2, "pedal-and-wheel", "cc", 1, 64 },
                       { 3, "pedal-and-wheel", "cc", 1, 11 },   { 4, "pedal-and-wheel", "pitch", 1, 1 },
                       { 5, "pedal-and-wheel", "cc", 1, 1 },    { 6, "jog-wheel", "cc", 1, 7 },
                       { 7, "jog-wheel", "cc", 1, 10 } };

    for (auto& row : rows)
    {
        auto control = getControlById (map, row.id);
        SCOPED_TRACE (row.id);
        EXPECT_EQ (control["kind"].toString(), row.kind);
        EXPECT_EQ (control["type"].toString(), row.type);
        EXPECT_EQ ((int) control["chan"], row.chan);
        EXPECT_EQ ((int) control["value"], row.value);
    }

    EXPECT_EQ (propertyNames (getControlById (map, 1)), juce::StringArray ({ "id", "kind", "type", "chan", "value", "octave" }));
    EXPECT_EQ ((int) getControlById (map, 1)["octave"], 8);
    EXPECT_EQ (propertyNames (getControlById (map, 2)), juce::StringArray ({ "id", "kind", "type", "chan", "value", "sustain" }));
    EXPECT_EQ ((int) getControlById (map, 2)["sustain"], 0);
    EXPECT_EQ (propertyNames (getControlById (map, 6)), juce::StringArray ({ "id", "kind", "type", "chan", "value" }));
    EXPECT_EQ (propertyNames (map), juce::StringArray ({ "mode", "name" }));
}

TEST_F (MappingModelTest, ModeSelectionAndProductIdFollowTheModesTree)
{
    MappingModel model;

    model.setCurrentMode (2);
    EXPECT_EQ (model.getCurrentMap(), model.getModes().getChild (2));
    EXPECT_EQ (model.getModes()["current"].toString(), "Logic");
    EXPECT_EQ (model.getCurrentModeIndex(), 2);

    // Writing through the current map changes the map held in "modes".
    model.getCurrentMap().setProperty ("name", "edited", nullptr);
    EXPECT_EQ (model.getModes().getChild (2)["name"].toString(), "edited");

    model.setCurrentMode (5);
    EXPECT_FALSE (model.getModeMap (5).isValid());
    EXPECT_FALSE (model.getCurrentMap().isValid());
    EXPECT_EQ (model.getModes()["current"].toString(), "Pro Tools");
    EXPECT_EQ (model.getCurrentModeIndex(), 1);

    model.setCurrentMode (3);
    model.setCurrentMode (-1);
    model.setCurrentMode (11);
    EXPECT_EQ (model.getModes()["current"].toString(), "Samplitude");
    EXPECT_EQ (model.getCurrentMap(), model.getModes().getChild (3));

    model.setProductId (0x1023);
    EXPECT_EQ ((int) model.getModes()["pid"], 0x1023);
}

TEST_F (MappingModelTest, ControlsAreFoundByIdAlsoWhenTheIdIsText)
{
    auto map = createMapTree (1);
    getControlAt (map, 2).setProperty ("id", "3", nullptr);   // as a file loads it
    EXPECT_EQ (getControlById (map, 3), getControlAt (map, 2));
    EXPECT_FALSE (getControlById (map, 8).isValid());
    EXPECT_FALSE (getControlAt (map, 7).isValid());
    EXPECT_FALSE (getControlAt (juce::ValueTree(), 0).isValid());
}

//==============================================================================
TEST_F (MappingModelTest, FactoryDefaultsRestoreImageAndModelTogether)
{
    MappingModel model;
    auto map = model.getCurrentMap();
    auto knob = getControlById (map, 6);
    knob.setProperty ("value", 99, nullptr);
    knob.setProperty ("clockwise", 0, nullptr);
    getControlById (map, 1).setProperty ("curve", 3, nullptr);
    deviceSettingsImage.knobs[0][2] = 99;
    deviceSettingsImage.header[0] = 0x95;

    resetMapToFactoryDefaults (map);

    EXPECT_EQ (deviceSettingsImage, factorySettingsImage);
    EXPECT_EQ ((int) knob["value"], 7);
    EXPECT_EQ ((int) getControlById (map, 1)["chan"], 1);
    // Properties that factory defaults do not own keep their values.
    EXPECT_EQ ((int) knob["clockwise"], 0);
    EXPECT_EQ ((int) getControlById (map, 1)["curve"], 3);
}

TEST_F (MappingModelTest, FactoryDefaultsInHuiModeKeepTheImageAndReadTheModelFromIt)
{
    auto map = createMapTree (1);
    map.setProperty ("mode", "Pro Tools", nullptr);
    deviceSettingsImage.pedalAndWheel[1] = { 0x0C, 0xC4, 0x21, 0x00, 0x7F, 0xF0 };
    const auto before = deviceSettingsImage;

    resetMapToFactoryDefaults (map);

    EXPECT_EQ (deviceSettingsImage, before);
    auto expression = getControlById (map, 3);
    EXPECT_EQ (expression["type"].toString(), "program");
    EXPECT_EQ ((int) expression["chan"], 5);
    EXPECT_EQ ((int) expression["value"], 0x21);
    EXPECT_EQ ((int) getControlById (map, 6)["chan"], 1);
}

//==============================================================================
TEST (ModelNames, DawModesHaveTheirDisplayAndShortNames)
{
    const char* table[][2] { { "Nuendo (MCP)", "Nuendo" }, { "Cubase (MCP)", "Cubase" }, { "Logic Pro (MCP)", "Logic" },
                             { "Samplitude (MCP)", "Samplitude" }, { "Ableton Live (MCP)", "Ableton Live" },
                             { "Pro Tools (HUI)", "Pro Tools" }, { "User Defined (MCP)", "User Defined" },
                             { "Reaper (MCP)", "Reaper" }, { "Studio One (MCP)", "Studio One" },
                             { "Reason (MCP)", "Reason" }, { "Bitwig (MCP)", "Bitwig" } };

    for (int mode = 0; mode < 11; ++mode)
    {
        EXPECT_EQ (getDawModeDisplayNames (mode), table[mode][0]);
        EXPECT_EQ (getDawModeNames (mode), table[mode][1]);
        EXPECT_EQ (parseDawMode (table[mode][1]), mode);
    }

    EXPECT_EQ (getDawModeNames (11), "");
    EXPECT_EQ (getDawModeDisplayNames (-1), "");
}

TEST (ModelNames, ModeNamesParseTrimmedAndCaseSensitive)
{
    EXPECT_EQ (parseDawMode ("  Reaper \t"), 7);
    EXPECT_EQ (parseDawMode ("nuendo"), 1);
    EXPECT_EQ (parseDawMode (""), 1);
    EXPECT_EQ (parseDawMode ("Bitwig"), 10);
    EXPECT_EQ (getModeIndexOfMap (juce::ValueTree ("map")), 1);
}

TEST (ModelNames, DawModeComboItemsStandForTheirModes)
{
    juce::ComboBox combo;
    EXPECT_EQ (getModeIndexOfComboId (combo), -1);

    for (int i = 0; i < 11; ++i)
        combo.addItem (getDawModeDisplayNames (i), i + 1);

    combo.setSelectedItemIndex (4, juce::dontSendNotification);
    EXPECT_EQ (getModeIndexOfComboId (combo), 4);
    combo.setSelectedItemIndex (10, juce::dontSendNotification);
    EXPECT_EQ (getModeIndexOfComboId (combo), 10);
}

TEST (ModelNames, KindsAndTypesParseWithTheirDefaults)
{
    const char* kinds[] { "piano", "pedal-and-wheel", "button", "jog-wheel", "fader" };
    const char* types[] { "note", "cc", "program", "pitch" };
    const int statuses[] { 0x9, 0xB, 0xC, 0xE };

    for (int i = 0; i < 5; ++i)
        EXPECT_EQ (parseControlKind (kinds[i]), i);

    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ (parseMessageType (types[i]), i);
        EXPECT_EQ (typeNameOfStatus (statuses[i]), types[i]);
        EXPECT_EQ (statusToTypeIndex (statuses[i]), i);
    }

    EXPECT_EQ (parseControlKind (""), 2);
    EXPECT_EQ (parseControlKind ("Piano"), 2);
    EXPECT_EQ (parseMessageType ("sysex"), 0);
    EXPECT_EQ (typeIndexOfStatus (0x8), -1);
    EXPECT_EQ (getMessageTypeNames (statusToTypeIndex (0x8)), "");
    EXPECT_EQ (typeNameOfStatus (0xB0), "");
    EXPECT_EQ (controlKindOf (21), 4);
    EXPECT_EQ (buttonIndexOf (20), 19);
    EXPECT_EQ (buttonIndexOf (8), -1);
}

//==============================================================================
TEST (ValueNames, NotesAreNamedWithPitchAndOctave)
{
    const std::pair<int, const char*> rows[] { { 0, " C(-1)" }, { 1, "C#(-1)" }, { 2, " D(-1)" }, { 11, " B(-1)" },
                                               { 12, " C(0)" }, { 60, " C(4)" }, { 70, "A#(4)" }, { 127, " G(9)" } };

    for (auto& [value, name] : rows)
        EXPECT_EQ (getValueName (0, buttonKind, value, 0x9), name);
}

TEST (ValueNames, ControllersAreNamedAndUnlistedOnesReadDashes)
{
    std::map<int, juce::String> listed {
        { 0, "Bank MSB*(GS)" }, { 1, "Modulation(GM)" }, { 2, "Breath" }, { 4, "Foot Pedal" }, { 5, "Portamento Time(GM)" },
        { 6, "Data Entry MSB(GM)" }, { 7, "Volume*(GM)" }, { 8, "Balance(GM)" }, { 10, "Pan(GM)" }, { 11, "Expression*(GM)" },
        { 38, "Data Entry LSB" }, { 64, "Hold Pedal #1*(GM)" }, { 65, "Portamento(Gs)" }, { 66, "Sostenuto(Gs)" },
        { 67, "Soft Pedal(Gs)" }, { 68, "Legato Pedal" }, { 69, "Hold Pedal #2" }, { 70, "Sound Variation" },
        { 71, "Sound Timbre" }, { 72, "Sound Release Time" }, { 73, "Sound Attack Time" }, { 74, "Sound Brightness" },
        { 84, "Portamento Control(GS)" }, { 91, "Reverb Level(GS)" }, { 92, "Tremolo Depth" }, { 93, "Chorus Level(GS)" },
        { 94, "Celeste Depth" }, { 95, "Phaser Depth" }, { 96, "Data Increment" }, { 97, "Data Decrement" },
        { 98, "Non-RPN*Param LSB(GS)" }, { 99, "Non-RPN*Param MSB(GS)" }, { 100, "RPN*Parameter LSB(GM)" },
        { 101, "RPN*Parameter MSB(GM)" }, { 120, "All Sound Off*(GS)" }, { 121, "Reset All Contorllers(GM)" },
        { 122, "Local On/Off" }, { 123, "All Notes Off*(GM)" }, { 124, "Omni Mode Off" }, { 125, "Omni Mode On" },
        { 126, "Mono Mode On" }, { 127, "Poly Mode On" } };

    for (int n = 1; n <= 8; ++n)
        listed[15 + n] = "Gp Control #" + juce::String (n);

    for (int n = 6; n <= 10; ++n)
        listed[69 + n] = "Sound Control #" + juce::String (n);

    for (int n = 5; n <= 8; ++n)
        listed[75 + n] = "GP Control #" + juce::String (n);

    for (int v = 0; v < 128; ++v)
    {
        auto it = listed.find (v);
        EXPECT_EQ (getValueName (0, jogWheelKind, v, 0xB), it != listed.end() ? it->second : juce::String ("--")) << v;
    }
}

TEST (ValueNames, NamesNeedAValueListKindAModeOtherThanHuiAndAKnownStatus)
{
    EXPECT_EQ (getValueName (5, buttonKind, 60, 0x9), "");
    EXPECT_EQ (getValueName (0, pedalAndWheelKind, 60, 0x9), "");
    EXPECT_EQ (getValueName (0, pianoKind, 60, 0x9), "");
    EXPECT_EQ (getValueName (0, faderKind, 60, 0x9), " C(4)");
    EXPECT_EQ (getValueName (0, buttonKind, 60, 0xC), "");
    EXPECT_EQ (getValueName (0, jogWheelKind, 127, 0xE), "");
    EXPECT_EQ (getValueName (0, buttonKind, 60, 0x8), "");
    EXPECT_EQ (getValueName (0, buttonKind, 128, 0x9), "");
    EXPECT_EQ (getValueName (0, buttonKind, -1, 0xB), "");
}

TEST (ValueNames, MackieButtonsAreNamedByNoteNumber)
{
    const std::pair<int, const char*> rows[] {
        { 0, "REC.1" }, { 15, "SOLO.8" }, { 16, "MUTE.1" }, { 31, "SEL.8" }, { 39, "Mon8" }, { 40, "Page<<" },
        { 53, "SMPTE/Beats" }, { 54, "F1" }, { 61, "F8" }, { 62, "" }, { 69, "" }, { 70, "Undo" }, { 73, "" },
        { 74, "Read" }, { 77, "" }, { 78, "Mixer" }, { 82, "" }, { 83, "Shift" }, { 95, "Record" }, { 103, "Usr A" },
        { 104, "Touch.1" }, { 112, "Touch.M" }, { 114, "Beats LED" }, { 115, "" }, { 127, "" }, { 128, "" }, { -1, "" } };

    for (auto& [value, name] : rows)
        EXPECT_EQ (getMcpButtonName (value), name) << value;

    EXPECT_EQ (getMcpFunctionText (0, buttonKind, 94), "Play");
    EXPECT_EQ (getMcpFunctionText (5, buttonKind, 94), "");
    EXPECT_EQ (getMcpFunctionText (0, pedalAndWheelKind, 94), "");
}

TEST (ValueNames, ValueListsDependOnKindAndHuiMode)
{
    EXPECT_EQ (indexOfValue (5, buttonKind, 60), -1);
    EXPECT_EQ (indexOfValue (5, buttonKind, 49), 49);
    EXPECT_EQ (indexOfValue (0, buttonKind, 60), 60);
    EXPECT_EQ (indexOfValue (5, pedalAndWheelKind, 0), -1);
    EXPECT_EQ (indexOfValue (0, jogWheelKind, 128), -1);
    EXPECT_EQ (indexOfValue (0, pedalAndWheelKind, 0), 0);
    EXPECT_EQ (indexOfValue (0, pedalAndWheelKind, 5), -1);
    EXPECT_EQ (valueCountForKind (5, jogWheelKind), 0);
    EXPECT_EQ (valueCountForKind (7, pianoKind), 128);
    EXPECT_EQ (getValueForIndex (0, faderKind, 17), 17);
    EXPECT_EQ (getValueForIndex (0, pianoKind, 17), 0);
}

//==============================================================================
TEST (EditorState, ResetPutsEveryVariableBackToItsStartValue)
{
    static char someObject;
    theHost = reinterpret_cast<Host*> (&someObject);
    theTimer = reinterpret_cast<MyTimer*> (&someObject);
    productId = selectedProductId = detectedProductId = 0x1024;
    midiReceivedFlag = true;
    autoConnectEnabled = false;
    deviceConnected = rescanRequested = versionRequestPending = midiSentFlag = true;
    pendingSettingsWrite = pendingCurveSend = pendingStoreCommand = upgradeLaunchGuard = testModeEnabled = true;
    knownOutputNames.add ("Dravel 49 MIDI 2");
    versionRetryCount = versionBackoff = currentCurveNumber = 8;
    deviceName = "Dravel 49";
    deviceSettingsImage = factorySettingsImage;
    velocityCurves[userCurveNumber - 1][0] ^= 0x7F;

    resetProcessState();

    EXPECT_TRUE (theHost == nullptr && theMainComp == nullptr && theTimer == nullptr);
    EXPECT_EQ (productId.load() + selectedProductId + detectedProductId.load(), 3 * 0x1020);
    EXPECT_TRUE (autoConnectEnabled);
    EXPECT_FALSE (midiReceivedFlag || deviceConnected || rescanRequested || versionRequestPending || midiSentFlag);
    EXPECT_FALSE (pendingSettingsWrite || pendingCurveSend || pendingStoreCommand || upgradeLaunchGuard || testModeEnabled);
    EXPECT_TRUE (knownOutputNames.isEmpty() && deviceName.isEmpty());
    EXPECT_EQ (versionRetryCount, 0);
    EXPECT_EQ (versionBackoff, 1);
    EXPECT_EQ (currentCurveNumber, 1);
    EXPECT_EQ (deviceSettingsImage, DeviceSettingsImage {});
    EXPECT_EQ (std::memcmp (getVelocityCurve (userCurveNumber), getVelocityCurve (1), velocityCurveLength), 0);
}
