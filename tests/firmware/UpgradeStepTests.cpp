#include <gtest/gtest.h>

#include "support/UpgraderFixture.h"

using namespace halvik;

// The Upgrade step writes the firmware that Select left ready, by the
// flashing tool or the MIDI bootloader, and reports how it went.

namespace
{
    using UpgradeStep = sim::UpgradeStepsFixture;
    using Phase = sim::SimulatedUpgradeUnit::Phase;
    using Answer = sim::SimulatedUpgradeUnit::Answer;
    using Icon = juce::MessageBoxIconType;

    constexpr juce::int64 firmwareAddress = 0x60010000;

    const juce::String upgraded ("Your firmware has been upgraded!");
    const juce::String powerOffHint ("Your firmware has been upgraded! Power off your unit and wait for 5 seconds, "
                                     "then turn back on for changes to take effect");
}

//==============================================================================
TEST_F (UpgradeStep, NothingIsWrittenUnlessActivateAndSelectHaveRunSinceTheLastReturnToStepOne)
{
    auto window = readyWindow (2056, "2.00", nullptr, makeImage ("r7_x_v2.01.bin", 3000));

    for (auto [activated, selected] : { std::pair { 0, 0 }, { 1, 0 }, { 0, 1 } })
    {
        activatedMarker = activated;
        selectedMarker = selected;
        EXPECT_FALSE (window->stepUpgrade (1)) << activated << selected;
    }

    EXPECT_TRUE (tool.runs().empty());
    activatedMarker = selectedMarker = 1;
    EXPECT_TRUE (window->stepUpgrade (1));

    // Back at step 1 the marks are gone: pressing Upgrade again does nothing.
    const auto runsOfTheUpgrade = tool.runs().size();
    EXPECT_FALSE (window->stepUpgrade (1));
    EXPECT_EQ (tool.runs().size(), runsOfTheUpgrade);
    EXPECT_EQ (messages(), std::vector<std::string> { upgraded.toStdString() });
}

TEST_F (UpgradeStep, TheToolFamilysFlashIsReportedAndOnlyADownloadedFileDeleted)
{
    const struct { const char* fault; bool downloaded; std::string box; bool imageInFlash; } rows[] {
        { "no-fault",   true,  box (Icon::InfoIcon,    "Firmware Upgrade Succeeded", upgraded),        true  },
        { "no-fault",   false, box (Icon::InfoIcon,    "Firmware Upgrade Succeeded", upgraded),        true  },
        { "fail-reset", true,  box (Icon::InfoIcon,    "Firmware Upgrade Succeeded", powerOffHint),    true  },
        { "fail-erase", true,  box (Icon::WarningIcon, "Firmware Upgrade Failed",    "Erase failed!"), false },
    };

    for (auto& row : rows)
    {
        SCOPED_TRACE (juce::String (row.fault) + (row.downloaded ? ", downloaded" : ", chosen by the user"));
        sim::FlashToolStandIn unit;
        unit.setSwitch (row.fault);
        prompts.shown.clear();

        auto image = juce::File (makeImage ("r7_x_v2.01.bin", 3000, 5));
        const auto imageBytes = contentOf (image.getFullPathName());

        if (row.downloaded)
        {
            image.copyFileTo (getUpgraderDataFolder().getChildFile (image.getFileName()));
            image = getUpgraderDataFolder().getChildFile (image.getFileName());
        }

        auto window = readyWindow (2056, "R7-X1 MIDI 1", nullptr, image.getFullPathName());
        window->firmwareFile = image;
        window->firmwareReady = row.downloaded;

        EXPECT_TRUE (window->stepUpgrade (1));

        EXPECT_EQ (boxes(), std::vector<std::string> { row.box });
        EXPECT_EQ (unit.flashBytes (firmwareAddress, 3000) == imageBytes, row.imageInFlash);
        EXPECT_EQ (image.existsAsFile(), ! row.downloaded);
        EXPECT_EQ (window->getStep(), 1);
        EXPECT_FALSE (upgraderBusy);
        EXPECT_TRUE (window->deviceReplyText.isEmpty());
    }
}

TEST_F (UpgradeStep, HowAMidiUnitComesBackAfterTheUploadOrWhetherItCanBeReachedDecidesTheReport)
{
    const auto unitGoneWithItsHandler = [this] (auto&, auto& window) { window.midiHandler.reset(); units.clear(); };
    const auto m2 = [] (auto&, auto&) { setHostCpuModelForTesting ("Apple m2 Max"); };
    const auto succeeded = box (Icon::InfoIcon, "Firmware Upgrade Succeeded", upgraded);
    const auto poweredOffHint = box (Icon::InfoIcon, "Firmware Upgrade Succeeded", powerOffHint);

    const struct
    {
        const char* what;
        int product;
        std::function<void (sim::SimulatedUpgradeUnit&, FirmwareUpgradeComponent&)> fault;
        std::string box;
        bool stored, nothingSent, closesPorts = false;
    } rows[] {
        { "a keyboard comes back with its new version", 4130, [] (auto&, auto&) {}, succeeded, true, false },
        { "a keyboard does not come back",    4130, [] (auto& unit, auto&) { unit.setNeverComesBack (true); }, poweredOffHint, true, false },
        { "a keyboard comes back without a version", 4130, [] (auto& unit, auto&) { unit.setVersionAfterReset (0, 0, 0, 0); },
          poweredOffHint, true, false },
        { "a keyboard refuses the reset",     4130, [] (auto& unit, auto&) { unit.setAnswer (Phase::reset, Answer::no, 0.2); },
          poweredOffHint, true, false },
        { "a keyboard never answers the connect", 4130, [] (auto& unit, auto&) { unit.setAnswer (Phase::connect, Answer::silence, 0.0); },
          box (Icon::WarningIcon, "Firmware Upgrade Failed", "Could not connect to hardware"), false, false },
        { "a keyboard gone, its handler dropped", 4130, unitGoneWithItsHandler,
          box (Icon::WarningIcon, "Firmware Upgrade Failed", "Warning: Connection failed!"), false, true },
        { "another MIDI unit, upgraded on the message thread", 94, [] (auto&, auto&) {}, succeeded, true, false, true },
        { "another MIDI unit on an M2 host", 94, m2,
          box (Icon::WarningIcon, "Firmware Upgrade Failed",
               "Warning: The current device cannot upgrade firmware correctly,\n on the M2 series macOS. \n\nPlease close the current upgrade window!"),
          false, true },
    };

    for (auto& row : rows)
    {
        SCOPED_TRACE (row.what);
        setHostCpuModelForTesting ("Intel(R) Core(TM) i7-9700 CPU @ 3.00GHz");
        units.clear();
        prompts.shown.clear();
        auto& unit = addUnit (linuxUnit (row.product == 4130 ? "Dravel 49" : "Mixora C4", row.product, true, true));
        const auto uploadPort = unit.outputName();
        auto window = readyWindow (row.product, {}, &unit, makeImage ("image.bin", 3 * 512));
        const auto image = window->midiHandler->getImage();
        row.fault (unit, *window);
        ports.clearTimeline();

        EXPECT_TRUE (window->stepUpgrade (1));

        EXPECT_EQ (boxes(), std::vector<std::string> { row.box });
        EXPECT_EQ (window->getStep(), 1);
        EXPECT_TRUE (! row.closesPorts || ports.openOutputsNow (uploadPort) == 0) << "its ports are closed after";

        if (row.stored)
            EXPECT_EQ (unit.storedImage(), image);

        const auto& timeline = ports.timeline();
        EXPECT_EQ (std::none_of (timeline.begin(), timeline.end(), [] (auto& event) { return ! event.isPause; }), row.nothingSent);
    }
}
