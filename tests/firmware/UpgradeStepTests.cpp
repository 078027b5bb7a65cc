#include <gtest/gtest.h>

#include "support/NamedPorts.h"
#include "support/ScriptedPrompts.h"
#include "support/ToolFamilyFixture.h"
#include "support/UpgraderMidiFixture.h"

#include "firmware/UpgraderPaths.h"
#include "firmware/UpgraderState.h"
#include "firmware/host/HostProcessor.h"
#include "firmware/window/FirmwareUpgradeComponent.h"

using namespace halvik;

namespace
{
    constexpr juce::int64 firmwareAddress = 0x60010000;

    const juce::String powerOffHint ("Your firmware has been upgraded! Power off your unit and wait for 5 seconds, "
                                     "then turn back on for changes to take effect");

    /** The Upgrade step of a tool-family unit (an R7 X, product 2056) with the
        window as Activate and Select leave it: the unit answering the tool and
        a firmware file chosen. */
    struct ToolFamilyUpgradeStep : sim::ToolFamilyFixture
    {
        std::unique_ptr<FirmwareUpgradeComponent> makeReadyWindow (const juce::String& imagePath)
        {
            auto window = std::make_unique<FirmwareUpgradeComponent> (2056, true);
            window->deviceReplyText = "2.00";
            window->activateText = "Good compatibility.";
            window->setStep (5);
            activatedMarker = 1;
            selectedMarker = 1;
            toolModeEntered = true;
            firmwareFilePath = imagePath;
            window->firmwareFile = juce::File (imagePath);
            return window;
        }

        static juce::String enabledButtons (FirmwareUpgradeComponent& window)
        {
            juce::String pattern;

            for (int i = 0; i < stepCount; ++i)
                pattern << (window.getStepButton (i).isEnabled() ? "1" : "0");

            return pattern;
        }

        sim::ScriptedPrompts prompts;
    };
}

//==============================================================================
TEST_F (ToolFamilyUpgradeStep, NothingIsWrittenUnlessActivateAndSelectHaveRunSinceTheLastReturnToStepOne)
{
    const auto image = makeImage ("r7_x_v2.01.bin", 3000);

    for (auto [activated, selected] : { std::pair { 0, 0 }, { 1, 0 }, { 0, 1 } })
    {
        auto window = makeReadyWindow (image);
        activatedMarker = activated;
        selectedMarker = selected;

        EXPECT_FALSE (window->stepUpgrade (1)) << activated << selected;
        EXPECT_EQ (window->getStep(), 5);
    }

    // A finished run returns to step 1, and pressing Upgrade again does nothing.
    auto window = makeReadyWindow (image);
    EXPECT_TRUE (window->stepUpgrade (1));
    const auto runsOfTheUpgrade = tool.runs().size();

    EXPECT_FALSE (window->stepUpgrade (1));
    EXPECT_FALSE (window->stepUpgrade (0));
    EXPECT_EQ (tool.runs().size(), runsOfTheUpgrade);
    EXPECT_EQ (prompts.messages(), juce::StringArray ("Your firmware has been upgraded!"));
}

TEST_F (ToolFamilyUpgradeStep, TheOutcomeOfTheFlashIsReportedAndTheWindowGoesBackToStepOne)
{
    struct Case
    {
        const char* fault;
        int compatibility;
        juce::MessageBoxIconType icon;
        const char* title;
        juce::String message;
        bool imageInFlash;
        const char* stagedName;
    };

    const Case cases[] =
    {
        { "no-fault",   1, juce::MessageBoxIconType::InfoIcon,    "Firmware Upgrade Succeeded", "Your firmware has been upgraded!", true,  "r7_x_v2.01_.bin" },
        // A host that drops every other transfer writes the padded layout whole.
        { "skip-alternate-chunks", 2, juce::MessageBoxIconType::InfoIcon, "Firmware Upgrade Succeeded", "Your firmware has been upgraded!", true, "r7_x_v2.01_M1.bin" },
        { "fail-reset", 1, juce::MessageBoxIconType::InfoIcon,    "Firmware Upgrade Succeeded", powerOffHint,                       true,  "r7_x_v2.01_.bin" },
        { "fail-erase", 1, juce::MessageBoxIconType::WarningIcon, "Firmware Upgrade Failed",    "Erase failed!",                    false, nullptr },
        { "fail-read",  1, juce::MessageBoxIconType::WarningIcon, "Firmware Upgrade Failed",    "Read failed!",                     false, "r7_x_v2.01_.bin" },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.fault) + " at compatibility " + juce::String (c.compatibility));
        sim::FlashToolStandIn unit;
        unit.setSwitch (c.fault);
        prompts.shown.clear();

        const auto image = makeImage ("r7_x_v2.01.bin", 3000, 5);
        auto window = makeReadyWindow (image);
        compatibilityResult = c.compatibility;

        EXPECT_TRUE (window->stepUpgrade (1));

        ASSERT_EQ (prompts.ofKind ("message").size(), 1u);
        const auto box = prompts.ofKind ("message")[0];
        EXPECT_EQ (box.icon, c.icon);
        EXPECT_EQ (box.title, c.title);
        EXPECT_EQ (box.message, c.message);

        EXPECT_EQ (unit.flashBytes (firmwareAddress, 3000) == contentOf (image), c.imageInFlash);

        if (c.stagedName != nullptr)
            EXPECT_TRUE (unit.describeRuns().joinIntoString ("\n").contains ("write-memory 0x60010000 " + stagingFolder().getFullPathName() + "/" + c.stagedName));

        EXPECT_EQ (window->getStep(), 1);
        EXPECT_EQ (enabledButtons (*window), "10000");
        EXPECT_FALSE (upgraderBusy);
        EXPECT_EQ (window->getStatusLabel().getText(), "Firmware Upgrade");
        EXPECT_TRUE (window->deviceReplyText.isEmpty());
        EXPECT_TRUE (window->activateText.isEmpty());
    }
}

TEST_F (ToolFamilyUpgradeStep, OnlyAFileDownloadedIntoTheDataFolderIsDeletedAfterTheFlash)
{
    struct Case
    {
        const char* what;
        bool downloaded;
        bool inDataFolder;
        bool deleted;
    };

    const Case cases[] =
    {
        { "downloaded",                      true,  true,  true  },
        { "chosen by the user",              false, false, false },
        { "chosen by the user, data folder", false, true,  false },
        { "said downloaded, but elsewhere",  true,  false, false },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        auto path = makeImage ("r7_x_v2.01.bin", 3000);

        if (c.inDataFolder)
        {
            const auto inDataFolder = getUpgraderDataFolder().getChildFile ("r7_x_v2.01.bin");
            juce::File (path).copyFileTo (inDataFolder);
            path = inDataFolder.getFullPathName();
        }

        auto window = makeReadyWindow (path);
        window->firmwareReady = c.downloaded;

        EXPECT_TRUE (window->stepUpgrade (1));

        EXPECT_EQ (prompts.messages().strings.getLast(), "Your firmware has been upgraded!");
        EXPECT_EQ (juce::File (path).existsAsFile(), ! c.deleted);
        EXPECT_EQ (window->firmwareReady, c.downloaded && ! c.deleted);
    }
}

//==============================================================================
struct MidiProductUpgradeStep : ::testing::Test
{
    MidiProductUpgradeStep()
    {
        resetUpgraderState();
        ports.setRealPauses (false);
    }

    ~MidiProductUpgradeStep() override
    {
        setHostCpuModelForTesting ({});
        resetUpgraderState();
    }

    sim::SimulatedMidiPorts ports;
    sim::ScriptedPrompts prompts;
};

TEST_F (MidiProductUpgradeStep, OnAnM2HostAProductOutsideTheKeyboardFamilyIsNotUpgradedAndTheUserIsWarned)
{
    sim::NamedPorts unit (ports, { "Halvik firmware upgrade" }, { "Halvik firmware upgrade" });
    setHostCpuModelForTesting ("Apple m2 Max");

    FirmwareUpgradeComponent window (94, true);
    activatedMarker = selectedMarker = 1;

    EXPECT_TRUE (window.stepUpgrade (1));

    ASSERT_EQ (prompts.ofKind ("message").size(), 1u);
    EXPECT_EQ (prompts.ofKind ("message")[0].icon, juce::MessageBoxIconType::WarningIcon);
    EXPECT_EQ (prompts.ofKind ("message")[0].title, "Firmware Upgrade Failed");
    EXPECT_EQ (prompts.ofKind ("message")[0].message,
               "Warning: The current device cannot upgrade firmware correctly,\n on the M2 series macOS. \n\nPlease close the current upgrade window!");
    EXPECT_TRUE (unit.messagesTo ("Halvik firmware upgrade").isEmpty());
    EXPECT_EQ (window.getStep(), 1);
}

//==============================================================================
namespace
{
    using Phase = sim::SimulatedUpgradeUnit::Phase;
    using Answer = sim::SimulatedUpgradeUnit::Answer;

    /** The Upgrade step of a MIDI unit in its upgrade mode, with the window as
        Activate and Select leave it: the handler connected to the unit's
        upgrade port and holding the image. */
    struct MidiUnitUpgradeStep : UpgraderMidiFixture
    {
        ~MidiUnitUpgradeStep() override
        {
            resetUpgraderState();
        }

        sim::SimulatedUpgradeUnit& plugUnit (int product)
        {
            sim::SimulatedUpgradeUnit::Options options;
            options.startsInUpgradeMode = true;

            if (product != 4130)
            {
                options.model = "Mixora C4";
                options.productId = product;
            }

            return addUnit (options);
        }

        /** Makes the window, connects it to the unit and loads an image of that size. */
        std::vector<juce::uint8> prepare (sim::SimulatedUpgradeUnit& unit, int product, int imageSize)
        {
            makeWindow (product);
            window->openTargetMidiDevices (unit.outputName(), 0);
            window->midiHandler->loadFirmwareImage (writeImage (imageSize));
            activatedMarker = selectedMarker = 1;
            autoAdvance = false;
            return window->midiHandler->getImage();
        }

        sim::ScriptedPrompts prompts;
    };
}

TEST_F (MidiUnitUpgradeStep, AKeyboardTakesTheImageFromTheWorkerAndHowItComesBackDecidesTheReport)
{
    struct Case
    {
        const char* what;
        std::function<void (sim::SimulatedUpgradeUnit&)> fault;
        juce::MessageBoxIconType icon;
        const char* title;
        juce::String message;
    };

    const Case cases[] =
    {
        { "comes back with its new version", [] (auto&) {},
          juce::MessageBoxIconType::InfoIcon, "Firmware Upgrade Succeeded", "Your firmware has been upgraded!" },
        { "does not come back",              [] (auto& unit) { unit.setNeverComesBack (true); },
          juce::MessageBoxIconType::InfoIcon, "Firmware Upgrade Succeeded", powerOffHint },
        { "comes back without a version",    [] (auto& unit) { unit.setVersionAfterReset (0, 0, 0, 0); },
          juce::MessageBoxIconType::InfoIcon, "Firmware Upgrade Succeeded", powerOffHint },
        { "refuses the reset",               [] (auto& unit) { unit.setAnswer (Phase::reset, Answer::no, 0.2); },
          juce::MessageBoxIconType::InfoIcon, "Firmware Upgrade Succeeded", powerOffHint },
        { "never answers the connect",       [] (auto& unit) { unit.setAnswer (Phase::connect, Answer::silence, 0.0); },
          juce::MessageBoxIconType::WarningIcon, "Firmware Upgrade Failed", "Could not connect to hardware" },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        units.clear();
        prompts.shown.clear();

        auto& unit = plugUnit (4130);
        c.fault (unit);
        const auto image = prepare (unit, 4130, 3 * 512);

        EXPECT_TRUE (window->stepUpgrade (1));

        ASSERT_EQ (prompts.ofKind ("message").size(), 1u);
        EXPECT_EQ (prompts.ofKind ("message")[0].icon, c.icon);
        EXPECT_EQ (prompts.ofKind ("message")[0].title, c.title);
        EXPECT_EQ (prompts.ofKind ("message")[0].message, c.message);

        if (c.icon == juce::MessageBoxIconType::InfoIcon)
            EXPECT_EQ (unit.storedImage(), image);

        EXPECT_EQ (window->getStep(), 1);
        EXPECT_FALSE (upgraderBusy);
        window.reset();
    }
}

TEST_F (MidiUnitUpgradeStep, AnotherMidiUnitIsUpgradedOnTheMessageThreadAndItsPortsClosedAfter)
{
    auto& unit = plugUnit (94);
    const auto image = prepare (unit, 94, 2 * 512);
    const auto port = unit.outputName();

    EXPECT_TRUE (window->stepUpgrade (1));

    EXPECT_EQ (prompts.messages(), juce::StringArray ("Your firmware has been upgraded!"));
    EXPECT_EQ (unit.storedImage(), image);
    EXPECT_TRUE (unit.log().contains ("reset"));
    EXPECT_EQ (ports.openOutputsNow (port), 0);
    EXPECT_EQ (ports.openInputsNow (port), 0);
}

TEST_F (MidiUnitUpgradeStep, AKeyboardThatCannotBeReachedIsReportedAsAFailedConnection)
{
    makeWindow (4130);
    activatedMarker = selectedMarker = 1;

    EXPECT_TRUE (window->stepUpgrade (1));

    ASSERT_EQ (prompts.ofKind ("message").size(), 1u);
    EXPECT_EQ (prompts.ofKind ("message")[0].title, "Firmware Upgrade Failed");
    EXPECT_EQ (prompts.ofKind ("message")[0].message, "Warning: Connection failed!");
    EXPECT_TRUE (messagesSent().isEmpty());
}
