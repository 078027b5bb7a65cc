#include <gtest/gtest.h>

#include "support/LocalFirmwareServer.h"
#include "support/UpgraderFixture.h"

#include "firmware/window/UpgraderEntry.h"

using namespace halvik;

// A whole upgrade as the user runs it: the upgrader is opened, its notice
// confirmed (and the unit picked from its group) and Start pressed; with the
// steps running on by themselves, the unit is found, put into its upgrade
// mode and checked, the newest firmware is fetched from the (local) firmware
// server, and written by the MIDI bootloader or the flashing tool. The user
// only confirms the choosers.

using WholeUpgrade = sim::UpgradeStepsFixture;

TEST_F (WholeUpgrade, TheServedImageReachesTheUnitFromTheUpgradersEntryThroughEveryStep)
{
    constexpr juce::int64 firmwareAddress = 0x60010000;
    struct Row { const char* what; int product; bool inUpgradeMode, repeating; const char* version; const char* fw;
                 int size, downloads; std::vector<std::string> messages; };
    const std::vector<std::string> upgraded { "Your firmware has been upgraded!" };

    const Row rows[] {
        { "a keyboard (version 1.06)", 4130, false, false, "1.07", "fw/dravel_49_v1.07.bin", 6 * 512, 1, upgraded },
        // Restarted, it tells its real version: the one served.
        { "a keyboard left in upgrade mode", 4130, true, false, "1.07", "fw/dravel_49_v1.07.bin", 6 * 512, 0, { "Your unit is up-to-date!" } },
        { "a tool-family unit", 2056, false, false, "2.01", "fw/r7_x_v2.01.bin", 7000, 1, upgraded },
        // Runs 19 and 20, then the repetition ends; no box stops an automatic repetition.
        { "tool-family units in the repeat mode", 2056, false, true, "2.01", "fw/r7_x_v2.01.bin", 3000, 2, {} },
    };

    // The tool family's unit, beside the keyboard another device; and the loopback port ALSA lists first.
    const juce::StringArray plugged { "Midi Through Port-0", "R7-X1 MIDI 1", "R7-X1 MIDI 2" };
    sim::NamedPorts otherPorts (ports, plugged, plugged);

    for (auto& row : rows)
    {
        SCOPED_TRACE (row.what);
        sim::LocalFirmwareServer firmware;
        const auto image = randomBytes ((size_t) row.size, row.size);
        firmware.serveList ({ { row.product, "Unit", row.version, row.fw }, { 4099, "Other", "9.99", "fw/other_v9.99.bin" } });
        firmware.serveImage (row.fw, image);

        units.clear();
        auto* keyboard = row.product == 4130 ? &addUnit (linuxUnit ("Dravel 49", 4130, true, row.inUpgradeMode)) : nullptr;

        prompts.shown.clear();
        prompts.choiceAnswers = { 1 };   // of its group, the R7-X1
        int stepAfter = 0;
        prompts.dialogAnswer = [&, chooser = sim::ChooserUser {}] (juce::Component& content, const juce::String& title) mutable
        {
            auto* window = dynamic_cast<FirmwareUpgradeComponent*> (&content);

            if (window == nullptr)
                return chooser (content, title);

            EXPECT_TRUE (autoAdvance) << "the family runs on by itself";
            repeatMode = row.repeating;
            repeatRunCount = row.repeating ? 18 : 0;
            EXPECT_TRUE (window->stepStart (1));
            stepAfter = window->getStep();
            return 0;
        };

        openFirmwareUpgrader (row.product, nullptr, true, true, 0);

        if (keyboard != nullptr)
        {
            const auto* served = static_cast<const juce::uint8*> (image.getData());
            EXPECT_EQ (keyboard->storedImage(), row.downloads > 0 ? std::vector<juce::uint8> (served, served + image.getSize())
                                                                   : std::vector<juce::uint8>());
            EXPECT_TRUE (keyboard->log().contains ("back in normal mode"));
        }
        else
        {
            EXPECT_EQ (tool.flashBytes (firmwareAddress, image.getSize()), image);
            EXPECT_FALSE (toolModeEntered) << "the unit was reset after the flash";
            EXPECT_TRUE (otherPorts.messagesTo ("R7-X1 MIDI 1").isEmpty()) << "asked on its highest-numbered port";
        }

        EXPECT_EQ (prompts.titlesOf ("dialog").contains ("Choose Your Halvik Device"), keyboard != nullptr) << "one tool-family unit needs no choice";
        EXPECT_EQ (messages(), row.messages);
        EXPECT_EQ (firmware.server.countRequests (row.fw), row.downloads);
        EXPECT_EQ (firmware.server.countRequests ("fw/other_v9.99.bin"), 0);
        EXPECT_TRUE (! row.repeating || repeatRunCount == 0) << repeatRunCount;
        EXPECT_EQ (stepAfter, 1);
        EXPECT_TRUE (firmware.filesInDataHome().isEmpty()) << "the download, staged copies and read-backs are all gone";
    }
}
