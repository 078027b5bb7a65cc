#include <gtest/gtest.h>

#include "support/DeviceChooserAnswers.h"
#include "support/FirmwareChooserUser.h"
#include "support/LocalFirmwareServer.h"
#include "support/NamedPorts.h"
#include "support/StepWindow.h"
#include "support/UpgradeStepsFixture.h"

#include "firmware/UpgraderState.h"

using namespace halvik;

// A whole upgrade as the user runs it: Start is pressed and, with the steps
// running on by themselves, the unit is found, put into its upgrade mode and
// checked, the newest firmware is fetched from the (local) firmware server,
// and written by the MIDI bootloader or the flashing tool. The user only
// confirms the choosers.

namespace
{
    constexpr juce::int64 firmwareAddress = 0x60010000;

    juce::MemoryBlock randomBytes (size_t size, int seed)
    {
        juce::MemoryBlock image (size);
        juce::Random random (seed);
        random.fillBitsRandomly (image.getData(), image.getSize());
        return image;
    }

    struct WholeUpgrade : sim::UpgradeStepsFixture
    {
        WholeUpgrade()
        {
            prompts.dialogAnswer = [this, deviceChooser = sim::clickOkInDeviceChooser()] (juce::Component& content, const juce::String& title)
            {
                return title == "Firmware Version" ? firmwareChooser (content, title) : deviceChooser (content, title);
            };
        }

        /** Every request the server saw for this path. */
        int requestsFor (const juce::String& path) const
        {
            return firmware.server.countRequests (path);
        }

        sim::LocalFirmwareServer firmware;
        sim::FirmwareChooserUser firmwareChooser;
    };
}

TEST_F (WholeUpgrade, AKeyboardIsUpgradedFromStartToUpgradeWithTheServedImage)
{
    const auto image = randomBytes (6 * 512, 1);
    firmware.serveList ({ { 4130, "Dravel 49", "1.07", "fw/dravel_49_v1.07.bin" },
                          { 4099, "Other", "9.99", "fw/other_v9.99.bin" } });
    firmware.serveImage ("fw/dravel_49_v1.07.bin", image);

    auto& keyboard = addUnit (linuxUnit ("Dravel 49", 4130, true));
    sim::StepWindow window (4130);
    ASSERT_TRUE (autoAdvance) << "the keyboard family runs on by itself";

    EXPECT_TRUE (window->stepStart (1));

    const auto stored = keyboard.storedImage();
    EXPECT_EQ (juce::MemoryBlock (stored.data(), stored.size()), image);
    EXPECT_EQ (messages(), std::vector<std::string> { "Your firmware has been upgraded!" });
    EXPECT_TRUE (keyboard.log().contains ("back in normal mode"));
    EXPECT_EQ (requestsFor ("fw/dravel_49_v1.07.bin"), 1);
    EXPECT_EQ (requestsFor ("fw/other_v9.99.bin"), 0);
    EXPECT_EQ (window->getStep(), 1);
    EXPECT_TRUE (firmware.filesInDataHome().isEmpty());
}

TEST_F (WholeUpgrade, AToolFamilyUnitGetsTheImageAtItsFirmwareAddressAndTheDownloadIsRemoved)
{
    const auto image = randomBytes (7000, 2);
    firmware.serveList ({ { 2056, "R7 X", "2.01", "fw/r7_x_v2.01.bin" } });
    firmware.serveImage ("fw/r7_x_v2.01.bin", image);

    sim::NamedPorts unitPorts (ports, { "R7-X1 MIDI 1" }, { "R7-X1 MIDI 1" });
    sim::StepWindow window (2056);
    ASSERT_TRUE (autoAdvance);

    EXPECT_TRUE (window->stepStart (1));

    EXPECT_EQ (tool.flashBytes (firmwareAddress, image.getSize()), image);
    EXPECT_EQ (messages(), std::vector<std::string> { "Your firmware has been upgraded!" });
    EXPECT_EQ (requestsFor ("fw/r7_x_v2.01.bin"), 1);
    EXPECT_TRUE (firmware.filesInDataHome().isEmpty()) << "the download, staged copies and read-backs are all gone";
    EXPECT_EQ (window->getStep(), 1);
    EXPECT_FALSE (toolModeEntered) << "the unit was reset after the flash";
}

TEST_F (WholeUpgrade, TheRepeatModeUpgradesUnitAfterUnitUntilTwentyRunsAreCounted)
{
    const auto image = randomBytes (3000, 3);
    firmware.serveList ({ { 2056, "R7 X", "2.01", "fw/r7_x_v2.01.bin" } });
    firmware.serveImage ("fw/r7_x_v2.01.bin", image);

    sim::NamedPorts unitPorts (ports, { "R7-X1 MIDI 1" }, { "R7-X1 MIDI 1" });
    sim::StepWindow window (2056);
    repeatMode = true;
    repeatRunCount = 18;

    EXPECT_TRUE (window->stepStart (1));

    EXPECT_EQ (requestsFor ("fw/r7_x_v2.01.bin"), 2) << "runs 19 and 20, then the repetition ends";
    EXPECT_EQ (repeatRunCount, 0);
    EXPECT_EQ (tool.flashBytes (firmwareAddress, image.getSize()), image);
    EXPECT_EQ (messages(), std::vector<std::string> {}) << "no box stops an automatic repetition";
    EXPECT_EQ (window->getStep(), 1);
}
