#include <gtest/gtest.h>

#include "support/DeviceChooserAnswers.h"
#include "support/StepWindow.h"
#include "support/UpgradeStepsFixture.h"

#include "firmware/UpgraderState.h"

using namespace halvik;

// The Activate step: for the tool family the two-stage check that this host
// writes the unit's flash correctly, with the check image shipped in the
// resources folder; for the MIDI families the unit's upgrade port.

namespace
{
    using ActivateStep = sim::UpgradeStepsFixture;

    /** The check region: twice the 4096-byte check image below 0x603FF000. */
    constexpr juce::int64 checkAddress = 1614794752;
    const juce::String checkRegionErase ("-u -t 5000 -- flash-erase-region 1614794752 8192");

    juce::StringArray nonEmpty (juce::StringArray texts)
    {
        texts.removeEmptyStrings();
        return texts;
    }

    bool isErased (const juce::MemoryBlock& bytes)
    {
        for (size_t i = 0; i < bytes.getSize(); ++i)
            if ((juce::uint8) bytes[i] != 0xFF)
                return false;

        return true;
    }
}

TEST_F (ActivateStep, TheCheckDecidesWhichLayoutThisHostWritesAndLeavesTheRegionErased)
{
    struct Row
    {
        const char* fault;
        bool staleAbort;
        bool succeeds;
        int resultAfter;
        juce::StringArray notices;
        juce::StringArray lastRuns;
        juce::StringArray messages;
    };

    const juce::String stage1 ("Starting stage 1 of compatibility checking");
    const juce::String stage2 ("Starting stage 2 of compatibility checking");
    const juce::String warning ("WARNING\n\nYour system environment cannot be compatible with the Tavlo firmware "
                                "upgrade process.\nForbit upgrade firmware!\n\nPlease close the current upgrade window");

    const Row rows[] {
        { "",                      false, true,  1, { stage1, "Good compatibility." },        { checkRegionErase },                { } },
        { "",                      true,  true,  1, { stage1, "Good compatibility." },        { checkRegionErase },                { } },
        { "skip-alternate-chunks", false, true,  2, { stage1, stage2, "Good compatibility" }, { checkRegionErase },                { } },
        { "corrupt-read",          false, false, 1, { stage1, stage2, "Bad compatibility!" }, { checkRegionErase, "-u -- reset" }, { warning } },
    };

    for (auto& row : rows)
    {
        const auto described = juce::String ("fault '") + row.fault + "', stale abort " + juce::String ((int) row.staleAbort);

        sim::FlashToolStandIn unit;
        unit.putFlashBytes (checkAddress, juce::MemoryBlock (8192, true));   // zeros, as if something else was there

        if (*row.fault != 0)
            unit.setSwitch (row.fault);

        prompts.shown.clear();
        sim::StepWindow window (2056);
        autoAdvance = false;
        abortRequested = row.staleAbort;   // as an earlier run's "up to date" answer leaves it
        compatibilityResult = 1;

        EXPECT_EQ (window->stepActivate (1), row.succeeds) << described;
        EXPECT_EQ (compatibilityResult, row.resultAfter) << described;
        EXPECT_EQ (activatedMarker, row.succeeds ? 1 : 0) << described;
        EXPECT_EQ (window->getStep(), row.succeeds ? 3 : 1) << described;
        EXPECT_EQ (sim::texts (nonEmpty (window.statusTexts())), sim::texts (row.notices)) << described;

        const auto runs = unit.describeRuns();
        ASSERT_GE (runs.size(), 3) << described;
        EXPECT_EQ (runs[0], checkRegionErase) << described;
        EXPECT_TRUE (runs[1].startsWith ("-u -- write-memory 1614794752 /")) << described << ": " << runs[1];
        EXPECT_EQ (juce::StringArray (runs.begin() + runs.size() - row.lastRuns.size(), row.lastRuns.size()), row.lastRuns) << described;
        EXPECT_TRUE (isErased (unit.flashBytes (checkAddress, 8192))) << described << ": the check leaves nothing behind";

        EXPECT_EQ (sim::texts (prompts.messages()), sim::texts (row.messages)) << described;

        if (! row.messages.isEmpty())
        {
            EXPECT_EQ (prompts.shown.back().icon, juce::MessageBoxIconType::NoIcon);
            EXPECT_EQ (prompts.shown.back().title, "");
        }
    }
}

TEST_F (ActivateStep, WithoutTheCheckImageTheUnitIsOnlyResetAndTheUserIsSentBack)
{
    checkImagePath = dataHome.get().getChildFile ("missing/check.bin").getFullPathName();

    sim::StepWindow window (2056);
    autoAdvance = false;

    EXPECT_FALSE (window->stepActivate (1));
    EXPECT_EQ (sim::texts (tool.describeRuns()), sim::texts (juce::StringArray ({ "-u -t 5000 -- flash-erase-region 1614802944 0", "-u -- reset" })));
    EXPECT_EQ (sim::texts (prompts.messages()), sim::texts (juce::StringArray ("Warning: Cannot find the check.bin!")));
    EXPECT_EQ (window->getStep(), 1);
    EXPECT_EQ (compatibilityResult, 1);
}

//==============================================================================
namespace
{
    sim::SimulatedUpgradeUnit::Options unitInUpgradeMode (int productId, const juce::String& portName = {})
    {
        sim::SimulatedUpgradeUnit::Options options;
        options.productId = productId;
        options.naming = sim::SimulatedUpgradeUnit::Naming::linux;
        options.startsInUpgradeMode = true;
        options.upgradePortName = portName;
        return options;
    }
}

TEST_F (ActivateStep, AMidiUnitsUpgradePortIsOpenedAndTheStepMovesOnToTheFirmware)
{
    struct Row { int productId; const char* portName; int productAfter; };

    for (auto row : { Row { 94,   "",                             94 },
                      Row { 2052, "Halvik firmware upgrade V1.2", 186 },
                      Row { 2052, "Halvik firmware upgrade V2.0", 2052 } })
    {
        addUnit (unitInUpgradeMode (row.productId, row.portName));
        prompts.dialogAnswer = sim::clickOkInDeviceChooser();
        const juce::String port (*row.portName != 0 ? row.portName : "Halvik firmware upgrade");

        {
            sim::StepWindow window (row.productId);
            autoAdvance = false;

            EXPECT_TRUE (window->stepActivate (1)) << port;
            EXPECT_EQ (window->upgradePortName, port);
            EXPECT_EQ (ports.openOutputsNow (port), 1) << port;
            EXPECT_EQ (ports.openInputsNow (port), 1) << port;
            EXPECT_EQ (window->getStep(), 4);
            EXPECT_FALSE (window->getStepButton (0).isEnabled());
            EXPECT_EQ (activatedMarker, 1);
            EXPECT_EQ (window->currentProductId, row.productAfter) << port;
            EXPECT_EQ (window->targetProductId, row.productAfter) << port;
        }

        units.clear();
    }
}

TEST_F (ActivateStep, AMidiUnitStaysAtTheStepWhenTheChooserIsCancelledOrThePortIsNotTheUpgradePort)
{
    auto options = unitInUpgradeMode (94);
    options.startsInUpgradeMode = false;
    options.model = "Mixora C4";
    options.hasSecondPort = false;
    addUnit (options);

    sim::StepWindow window (94);
    autoAdvance = false;

    prompts.dialogAnswer = nullptr;
    EXPECT_FALSE (window->stepActivate (1));
    EXPECT_EQ (window->getStep(), 3);
    EXPECT_TRUE (window->getStepButton (0).isEnabled());
    EXPECT_EQ (activatedMarker, 0);

    // Confirmed on a port that is not an upgrade port.
    prompts.dialogAnswer = [] (juce::Component&, const juce::String&) { return 1; };
    EXPECT_FALSE (window->stepActivate (1));
    EXPECT_EQ (window->getStep(), 3);
    EXPECT_EQ (prompts.shown.back().title, "Step 3");
    EXPECT_EQ (prompts.shown.back().message, "Please select the unit \"Halvik firmware upgrade\"");
}
