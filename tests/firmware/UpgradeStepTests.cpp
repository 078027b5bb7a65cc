#include <gtest/gtest.h>

#include "support/NamedPorts.h"
#include "support/UpgradeStepsFixture.h"

#include "firmware/UpgraderPaths.h"
#include "firmware/UpgraderState.h"
#include "firmware/host/HostProcessor.h"
#include "firmware/midi/UpgraderMidiHandler.h"

using namespace halvik;

// The Upgrade step writes the firmware that Select left ready, by the
// flashing tool or the MIDI bootloader, and reports how it went.

namespace
{
    using Phase = sim::SimulatedUpgradeUnit::Phase;
    using Answer = sim::SimulatedUpgradeUnit::Answer;
    using Icon = juce::MessageBoxIconType;

    constexpr juce::int64 firmwareAddress = 0x60010000;

    const juce::String upgraded ("Your firmware has been upgraded!");
    const juce::String powerOffHint ("Your firmware has been upgraded! Power off your unit and wait for 5 seconds, "
                                     "then turn back on for changes to take effect");

    struct UpgradeStep : sim::UpgradeStepsFixture
    {
        /** A tool-family window (an R7 X) as Activate and Select leave it. */
        std::unique_ptr<FirmwareUpgradeComponent> makeToolWindow (const juce::String& imagePath)
        {
            auto window = std::make_unique<FirmwareUpgradeComponent> (2056, true);
            window->setStep (5);
            activatedMarker = selectedMarker = 1;
            toolModeEntered = true;
            firmwareFilePath = imagePath;
            return window;
        }

        /** A MIDI window whose handler is connected to the unit's upgrade port
            and holds an image of that many bytes. */
        std::unique_ptr<FirmwareUpgradeComponent> makeMidiWindow (sim::SimulatedUpgradeUnit& unit, int product, int imageSize)
        {
            auto window = std::make_unique<FirmwareUpgradeComponent> (product, true);
            window->openTargetMidiDevices (unit.outputName(), 0);
            window->midiHandler->loadFirmwareImage (juce::File (makeImage ("image.bin", imageSize)));
            activatedMarker = selectedMarker = 1;
            autoAdvance = false;
            return window;
        }

        /** The one box shown, as "icon|title|message". */
        juce::String theBox() const
        {
            const auto boxes = prompts.ofKind ("message");
            return boxes.size() != 1 ? juce::String ("boxes: ") + juce::String ((int) boxes.size())
                                     : juce::String ((int) boxes[0].icon) + "|" + boxes[0].title + "|" + boxes[0].message;
        }

        static juce::String box (Icon icon, const juce::String& title, const juce::String& message)
        {
            return juce::String ((int) icon) + "|" + title + "|" + message;
        }
    };

    sim::SimulatedUpgradeUnit::Options unitInUpgradeMode (int product)
    {
        sim::SimulatedUpgradeUnit::Options options;
        options.startsInUpgradeMode = true;

        if (product != 4130)
        {
            options.model = "Mixora C4";
            options.productId = product;
        }

        return options;
    }
}

//==============================================================================
TEST_F (UpgradeStep, NothingIsWrittenUnlessActivateAndSelectHaveRunSinceTheLastReturnToStepOne)
{
    auto window = makeToolWindow (makeImage ("r7_x_v2.01.bin", 3000));

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
    EXPECT_EQ (prompts.messages(), juce::StringArray (upgraded));
}

TEST_F (UpgradeStep, TheToolFamilysFlashIsReportedAndOnlyADownloadedFileDeleted)
{
    const struct { const char* fault; bool downloaded; juce::String box; bool imageInFlash; } rows[] {
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

        auto window = makeToolWindow (image.getFullPathName());
        window->firmwareFile = image;
        window->firmwareReady = row.downloaded;
        window->deviceReplyText = "R7-X1 MIDI 1";

        EXPECT_TRUE (window->stepUpgrade (1));

        EXPECT_EQ (theBox(), row.box);
        EXPECT_EQ (unit.flashBytes (firmwareAddress, 3000) == imageBytes, row.imageInFlash);
        EXPECT_EQ (image.existsAsFile(), ! row.downloaded);
        EXPECT_EQ (window->getStep(), 1);
        EXPECT_FALSE (upgraderBusy);
        EXPECT_TRUE (window->deviceReplyText.isEmpty());
    }
}

TEST_F (UpgradeStep, HowAKeyboardComesBackAfterTheUploadDecidesTheReport)
{
    const struct { const char* what; std::function<void (sim::SimulatedUpgradeUnit&)> fault; juce::String box; } rows[] {
        { "comes back with its new version", [] (auto&) {},
          box (Icon::InfoIcon, "Firmware Upgrade Succeeded", upgraded) },
        { "does not come back",              [] (auto& unit) { unit.setNeverComesBack (true); },
          box (Icon::InfoIcon, "Firmware Upgrade Succeeded", powerOffHint) },
        { "comes back without a version",    [] (auto& unit) { unit.setVersionAfterReset (0, 0, 0, 0); },
          box (Icon::InfoIcon, "Firmware Upgrade Succeeded", powerOffHint) },
        { "refuses the reset",               [] (auto& unit) { unit.setAnswer (Phase::reset, Answer::no, 0.2); },
          box (Icon::InfoIcon, "Firmware Upgrade Succeeded", powerOffHint) },
        { "never answers the connect",       [] (auto& unit) { unit.setAnswer (Phase::connect, Answer::silence, 0.0); },
          box (Icon::WarningIcon, "Firmware Upgrade Failed", "Could not connect to hardware") },
    };

    for (auto& row : rows)
    {
        SCOPED_TRACE (row.what);
        units.clear();
        prompts.shown.clear();
        auto& unit = addUnit (unitInUpgradeMode (4130));
        row.fault (unit);

        auto window = makeMidiWindow (unit, 4130, 3 * 512);
        const auto image = window->midiHandler->getImage();

        EXPECT_TRUE (window->stepUpgrade (1));

        EXPECT_EQ (theBox(), row.box);

        if (row.box.contains ("Succeeded"))
            EXPECT_EQ (unit.storedImage(), image);

        EXPECT_EQ (window->getStep(), 1);
    }
}

TEST_F (UpgradeStep, AnotherMidiUnitIsUpgradedOnTheMessageThreadUnlessTheHostIsAnM2)
{
    for (auto* cpu : { "Intel(R) Core(TM) i7-9700 CPU @ 3.00GHz", "Apple m2 Max" })
    {
        SCOPED_TRACE (cpu);
        units.clear();
        prompts.shown.clear();
        setHostCpuModelForTesting (cpu);
        auto& unit = addUnit (unitInUpgradeMode (94));
        const auto port = unit.outputName();

        auto window = makeMidiWindow (unit, 94, 2 * 512);
        const auto image = window->midiHandler->getImage();
        unit.clearRecords();

        EXPECT_TRUE (window->stepUpgrade (1));

        if (juce::String (cpu).contains ("m2"))
        {
            EXPECT_EQ (theBox(), box (Icon::WarningIcon, "Firmware Upgrade Failed",
                                      "Warning: The current device cannot upgrade firmware correctly,\n on the M2 series macOS. \n\nPlease close the current upgrade window!"));
            EXPECT_TRUE (unit.received().empty()) << "nothing is sent";
        }
        else
        {
            EXPECT_EQ (theBox(), box (Icon::InfoIcon, "Firmware Upgrade Succeeded", upgraded));
            EXPECT_EQ (unit.storedImage(), image);
            EXPECT_EQ (ports.openOutputsNow (port), 0) << "its ports are closed after";
        }
    }
}
