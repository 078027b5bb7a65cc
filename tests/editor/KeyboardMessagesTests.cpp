#include "support/EditorFixture.h"

#include "editor/curves/VelocityCurves.h"
#include "editor/device/PortNames.h"
#include "editor/messages/KeyboardMessages.h"

using namespace NsDravel;
using sim::SimulatedKeyboard;

// The keyboard's messages as built and read, and as the settings transfer
// sends them to a simulated keyboard.

namespace
{
    const auto hex = sim::SimulatedMidiPorts::hexOf;

    juce::MidiMessage messageOf (std::vector<juce::uint8> bytes)
    {
        return juce::MidiMessage (bytes.data(), (int) bytes.size());
    }

    Host::Impl& host()   { return *Host::getInstance()->impl; }
}

TEST (KeyboardMessages, SysexCarriesTheProductIdModeIndexPlusOneAndParameterWrites)
{
    // The settings transfer's test checks the mode select and the closing write in place.
    EXPECT_EQ (hex (makeModeSelectSysex (0x1022, 10)), "F0 1D 03 20 22 00 0B 7F F7");
    EXPECT_EQ (hex (makeParameterSysex (0x1021, saveDeviceSettingsParameter, 1)), "F0 1D 03 20 21 01 35 01 F7");
    EXPECT_EQ (hex (makeParameterSysex (0x1020, 0x0135, 0xF0)), "F0 1D 03 20 20 01 35 7F F7");

    // An id past fourteen bits still puts no status byte into the header.
    EXPECT_EQ (hex (makeVersionRequestSysex (0x5022)), "F0 1D 03 20 22 00 01 00 F7");
    EXPECT_EQ (hex (makeCurveDumpSysex (0x5022, 8)).substring (0, 26), "F0 1D 03 20 22 02 02 08 00");
}

TEST (KeyboardMessages, OnlyATwelveByteReplyOfTheProductIsAVersionReply)
{
    const auto withVersion = messageOf ({ 0xF0, 0x1D, 0x03, 0x20, 0x22, 0x00, 0x01, 1, 0, 6, 3, 0xF7 });
    const auto withoutVersion = messageOf ({ 0xF0, 0x1D, 0x03, 0x20, 0x22, 0x00, 0x01, 0, 0, 0, 0, 0xF7 });
    EXPECT_EQ (decodeVersionReply (withVersion, 0x1022), juce::String ("V1.06-3"));
    EXPECT_EQ (decodeVersionReply (withoutVersion, 0x1022), juce::String());

    const std::vector<juce::uint8> rejected[] =
    {
        { 0xF0, 0x1D, 0x03, 0x20, 0x22, 0x00, 0x01, 1, 0, 6, 0xF7 },           // 11 bytes
        { 0xF0, 0x1D, 0x03, 0x20, 0x22, 0x00, 0x01, 1, 0, 6, 0, 0, 0xF7 },     // 13 bytes
        { 0xF0, 0x1D, 0x03, 0x20, 0x23, 0x00, 0x01, 1, 0, 6, 0, 0xF7 },        // another keyboard
        { 0xF0, 0x1D, 0x03, 0x20, 0x22, 0x00, 0x02, 1, 0, 6, 0, 0xF7 },        // not 00 01
        { 0xF0, 0x1D, 0x03, 0x20, 0x22, 0x01, 0x01, 1, 0, 6, 0, 0xF7 },        // not 00 01 either
        { 0xF0, 0x1E, 0x03, 0x20, 0x22, 0x00, 0x01, 1, 0, 6, 0, 0xF7 },        // another maker
        { 0xEF, 0x7F, 0x7F },                                                   // too short to read
    };

    for (auto& bytes : rejected)
        EXPECT_FALSE (decodeVersionReply (messageOf (bytes), 0x1022).has_value()) << bytes.size();
}

//==============================================================================
using CurrentDevice = sim::FreshEditorState;

TEST_F (CurrentDevice, TheCurveDumpAndTheProductFilterTakeTheDetectedIdAndEverythingElseTheLinkId)
{
    productId = 0x1022;
    detectedProductId = 0x1027;

    const auto headerOf = [] (const juce::MidiMessage& m) { return hex (m).substring (0, 14); };
    EXPECT_EQ (headerOf (makeParameterSysex (saveDeviceSettingsParameter, 1)), "F0 1D 03 20 22");
    EXPECT_EQ (headerOf (makeVersionRequestSysex()), "F0 1D 03 20 22");
    EXPECT_EQ (headerOf (makeCurveDumpSysex (8)), "F0 1D 03 20 27");

    auto versionReply = [] (juce::uint8 low)
    {
        return messageOf ({ 0xF0, 0x1D, 0x03, 0x20, low, 0x00, 0x01, 2, 13, 4, 0, 0xF7 });
    };

    EXPECT_EQ (decodeVersionReply (versionReply (0x22)), juce::String ("V2.34"));
    EXPECT_FALSE (decodeVersionReply (versionReply (0x27)).has_value());

    EXPECT_TRUE (dravelProductFilter (0x1027));
    EXPECT_FALSE (isDravelModelRange (0x1027));

    detectedProductId = 0x1020;
    EXPECT_TRUE (dravelProductFilter (0x1024));
    EXPECT_FALSE (dravelProductFilter (0x1027) || dravelProductFilter (2000));
}

TEST_F (CurrentDevice, TheCurveDumpCarriesTheUserCurveInTableOrderAsDataBytesOnly)
{
    // Whatever the user curve holds, no byte of the dump may read as a status byte.
    velocityCurves[userCurveNumber - 1][0] = 0xC8;
    velocityCurves[userCurveNumber - 1][255] = 0x80;

    const auto dump = makeCurveDumpSysex (8);
    ASSERT_EQ (dump.getRawDataSize(), curveDumpLength);

    const std::vector<juce::uint8> bytes (dump.getRawData(), dump.getRawData() + curveDumpLength);
    EXPECT_EQ (hex (dump).substring (0, 26), "F0 1D 03 20 20 02 02 08 00");
    EXPECT_EQ (bytes[9], 0x7F);
    EXPECT_EQ (std::vector<juce::uint8> (bytes.begin() + 10, bytes.end() - 2),
               std::vector<juce::uint8> (getVelocityCurve (8) + 1, getVelocityCurve (8) + 255));
    EXPECT_EQ (bytes[264], 0x7F);
    EXPECT_EQ (bytes[265], 0xF7);
}

//==============================================================================
using SettingsTransfer = sim::EditorFixture;

TEST_F (SettingsTransfer, SendsTheFactoryImageWithItsFramingAndPausesInOrder)
{
    // The mode select carries the host's product id and the DAW mode of the
    // current map; the closing parameter write carries the link's product id.
    SimulatedKeyboard keyboard (ports, { "Dravel 37", 0x1021 });
    host().outputName = keyboard.secondOutputName();
    NsDravel::productId = 0x1021;
    host().setProductId (0x1023);
    host().setCurrentMode (3);

    ASSERT_TRUE (host().writeSettingsToDevice().wasOk());

    // The image's 37 bytes, each a note-on 9F hi lo, with a pause after the first of every two.
    auto lines = ports.describeTimeline();

    for (auto& line : lines)
        line = line.startsWith ("9F 0") ? "byte" : line;

    const auto expected = "EF 7F 7F, pause 1000, F0 1D 03 20 23 00 04 7F F7, pause 2000, EF 7F 7F, "
                        + juce::String::repeatedString ("byte, pause 1000, byte, ", 18) + "byte, pause 1000, "
                        + "EF 7F 7F, 9E 7F 7F, pause 1000, pause 1000, "
                        + "EF 7F 7F, pause 500, F0 1D 03 20 21 02 01 00 F7, pause 1500";
    EXPECT_EQ (lines.joinIntoString (", "), expected);
    EXPECT_EQ (keyboard.appliedImages(), std::vector<std::vector<juce::uint8>> { imageBytes (factorySettingsImage) });
}

TEST_F (SettingsTransfer, FailsWithoutSendingAndNamesTheOutputItCouldNotReach)
{
    SimulatedKeyboard keyboard (ports);

    EXPECT_EQ (host().writeSettingsToDevice().getErrorMessage(), "No device selected");
    EXPECT_EQ (host().sendMidiBuffer ({}).getErrorMessage(), "No device selected!");

    host().outputName = keyboard.secondOutputName();
    keyboard.setRefusingOpens (true);
    EXPECT_EQ (host().writeSettingsToDevice().getErrorMessage(), "MIDIOUT2 (Dravel 49): could not open device");
    EXPECT_EQ (host().sendMidiBuffer ({}).getErrorMessage(), "Could not open \"MIDIOUT2 (Dravel 49)\"!");

    keyboard.unplug();
    EXPECT_EQ (host().writeSettingsToDevice().getErrorMessage(), "MIDIOUT2 (Dravel 49): device does not exist");
    EXPECT_EQ (host().sendMidiBuffer ({}).getErrorMessage(), "\"MIDIOUT2 (Dravel 49)\" does not exist!");

    EXPECT_TRUE (keyboard.received().empty());
}

TEST_F (SettingsTransfer, WhileConnectedGoesThroughTheConnectionsOwnOutput)
{
    SimulatedKeyboard other (ports, { "Dravel 25", 0x1020, SimulatedKeyboard::Naming::windows, false });
    SimulatedKeyboard keyboard (ports);
    keyboard.setSilent (true);
    host().outputName = other.firstOutputName();
    tick();
    auto opensBefore = ports.outputOpenCount (keyboard.secondOutputName());

    juce::MidiBuffer buffer;
    buffer.addEvent (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 1), 0);
    EXPECT_TRUE (host().sendMidiBuffer (buffer).wasOk());
    EXPECT_TRUE (host().writeSettingsToDevice().wasOk());

    EXPECT_EQ (host().outputName, keyboard.secondOutputName());
    EXPECT_EQ (keyboard.appliedImages().size(), 1u);
    EXPECT_TRUE (other.received().empty());
    EXPECT_EQ (ports.outputOpenCount (keyboard.secondOutputName()), opensBefore);
}
