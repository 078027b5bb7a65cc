#include <gtest/gtest.h>

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
