#include "support/KeyboardLinkFixture.h"

#include "editor/model/DeviceSettingsImage.h"
#include "editor/EditorState.h"
#include "editor/device/Host.h"
#include "editor/device/HostImpl.h"

using namespace sim;

namespace
{
    NsDravel::Host::Impl& host()   { return *NsDravel::Host::getInstance()->impl; }

    std::vector<juce::uint8> factoryImageBytes()
    {
        const auto bytes = NsDravel::getImageBytesInSendOrder (NsDravel::factorySettingsImage);
        return { bytes.begin(), bytes.end() };
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

    // Each byte of the image as two nibbles of a note-on, a pause after every second one.
    const auto image = factoryImageBytes();

    for (size_t i = 0; i < image.size(); ++i)
    {
        expected.add ("9F 0" + juce::String::toHexString (image[i] >> 4) + " 0" + juce::String::toHexString (image[i] & 0x0F));

        if (i % 2 == 0)
            expected.add ("pause 1000");
    }

    expected.addArray ({ "EF 7F 7F", "9E 7F 7F", "pause 1000", "pause 1000", "EF 7F 7F", "pause 500",
                         "F0 1D 03 20 21 02 01 00 F7", "pause 1500" });
    EXPECT_EQ (ports.describeTimeline().joinIntoString ("\n").toUpperCase(), expected.joinIntoString ("\n").toUpperCase());

    auto images = keyboard.appliedImages();
    ASSERT_EQ (images.size(), 1u);
    EXPECT_EQ (images[0].bytes, image);
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
