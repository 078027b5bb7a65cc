#include "support/KeyboardLinkFixture.h"

#include "editor/DeviceSettingsImage.h"
#include "editor/EditorState.h"
#include "editor/Host.h"
#include "editor/HostImpl.h"

using namespace sim;

namespace
{
    NsDravel::Host::Impl& host()   { return *NsDravel::Host::getInstance()->impl; }

    const juce::StringArray factoryImage { "90", "08", "08", "00", "F0",
                                           "0B", "B0", "40", "00", "7F", "F0",
                                           "0B", "B0", "0B", "00", "7F", "F0",
                                           "0E", "E0", "01", "00", "00",
                                           "0B", "B0", "01", "00", "00",
                                           "0B", "B0", "07", "40", "00",
                                           "0B", "B0", "0A", "40", "00" };

    juce::StringArray hexOf (const std::vector<juce::uint8>& bytes)
    {
        juce::StringArray text;

        for (auto b : bytes)
            text.add (juce::String::toHexString (b).paddedLeft ('0', 2).toUpperCase());

        return text;
    }
}

using SettingsTransfer = KeyboardLinkFixture;

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

    juce::StringArray expected { "EF 7F 7F", "pause 1000", "F0 1D 03 20 23 00 04 7F F7", "pause 2000", "EF 7F 7F" };

    for (int i = 0; i < factoryImage.size(); ++i)
    {
        auto byte = factoryImage[i].getHexValue32();
        expected.add ("9F " + juce::String::toHexString (byte >> 4).paddedLeft ('0', 2)
                          + " " + juce::String::toHexString (byte & 0x0F).paddedLeft ('0', 2));

        if (i % 2 == 0)
            expected.add ("pause 1000");
    }

    expected.addArray ({ "EF 7F 7F", "9E 7F 7F", "pause 1000", "pause 1000", "EF 7F 7F", "pause 500",
                         "F0 1D 03 20 21 02 01 00 F7", "pause 1500" });
    EXPECT_EQ (ports.describeTimeline().joinIntoString ("\n").toUpperCase(), expected.joinIntoString ("\n").toUpperCase());

    const auto received = keyboard.received();
    int bytes = 0;

    for (auto& r : received)
        bytes += r.message.getRawDataSize();

    EXPECT_EQ (received.size(), 44u);
    EXPECT_EQ (bytes, 144);
    EXPECT_DOUBLE_EQ (ports.totalPauseMicroseconds(), 26000.0);

    auto images = keyboard.appliedImages();
    ASSERT_EQ (images.size(), 1u);
    EXPECT_EQ (hexOf (images[0].bytes), factoryImage);
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
    keyboard.setReplies (SimulatedKeyboard::Replies::silent);
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
