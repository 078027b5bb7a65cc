#include <gtest/gtest.h>

#include "support/UpgraderFixture.h"

#include <regex>

using namespace halvik;

// The Activate step: for the tool family the two-stage check that this host
// writes the unit's flash correctly, with the check image shipped in the
// resources folder; for the MIDI families the unit's upgrade port.

namespace
{
    using ActivateStep = sim::UpgradeStepsFixture;

    /** The check region: twice the 4096-byte check image below 0x603FF000. */
    constexpr juce::int64 checkAddress = 1614794752;
    const std::string eraseCheckRegion ("-u -t 5000 -- flash-erase-region 1614794752 8192");

    /** One stage of the check as the tool saw it, file paths left out. */
    const std::vector<std::string> oneStage { eraseCheckRegion, "-u -- write-memory 1614794752 <file>", "-u -- get-property 1",
                                              "-u -- read-memory 1614794752 4096 <file>" };

    std::vector<std::string> withoutPaths (const juce::StringArray& runs)
    {
        std::vector<std::string> result;

        for (auto& run : runs)
            result.push_back (std::regex_replace (run.toStdString(), std::regex ("/[^ ]*"), "<file>"));

        return result;
    }
}

TEST_F (ActivateStep, TheCheckDecidesWhichLayoutThisHostWritesAndLeavesNothingBehind)
{
    struct Row
    {
        const char* fault;
        bool staleAbort, missingImage, succeeds;
        int resultAfter;
        std::vector<std::string> notices, runs, messages;
        bool escapeInStage1 = false;
    };

    const std::string stage1 ("Starting stage 1 of compatibility checking"), stage2 ("Starting stage 2 of compatibility checking");
    const auto plus = [] (std::vector<std::string> runs, std::vector<std::string> more)
    {
        runs.insert (runs.end(), more.begin(), more.end());
        return runs;
    };
    const auto twoStages = plus (oneStage, oneStage);

    juce::MemoryBlock erased (8192);
    erased.fillWith (0xFF);

    const Row rows[] {
        { "",                      false, false, true,  1, { stage1, "Good compatibility." },        plus (oneStage, { eraseCheckRegion }), {} },
        { "",                      true,  false, true,  1, { stage1, "Good compatibility." },        plus (oneStage, { eraseCheckRegion }), {} },
        { "skip-alternate-chunks", false, false, true,  2, { stage1, stage2, "Good compatibility" }, plus (twoStages, { eraseCheckRegion }), {} },
        { "corrupt-read",          false, false, false, 1, { stage1, stage2, "Bad compatibility!" },
          plus (twoStages, { eraseCheckRegion, "-u -- reset" }),
          { "WARNING\n\nYour system environment cannot be compatible with the Tavlo firmware upgrade process.\n"
            "Forbit upgrade firmware!\n\nPlease close the current upgrade window" } },
        { "",                      false, true,  false, 1, { "Bad compatibility!" },
          { "-u -t 5000 -- flash-erase-region 1614802944 0", "-u -- reset" }, { "Warning: Cannot find the check.bin!" } },
        // Stopped by the user: no verdict on the host, the unit stays in its bootloader for another try.
        { "corrupt-read",          false, false, false, 1, { stage1, "Compatibility check stopped." },
          plus (oneStage, { eraseCheckRegion }), { "Compatibility check stopped." }, true },
    };

    for (auto& row : rows)
    {
        SCOPED_TRACE (juce::String ("fault '") + row.fault + "'" + (row.staleAbort ? ", stale abort" : "")
                      + (row.missingImage ? ", image missing" : "") + (row.escapeInStage1 ? ", escape" : ""));

        sim::FlashToolStandIn unit;
        unit.putFlashBytes (checkAddress, juce::MemoryBlock (8192, true));   // zeros, as if something else was there

        if (*row.fault != 0)
            unit.setSwitch (row.fault);

        resetUpgraderState();   // the shipped check image

        if (row.missingImage)
            checkImagePath = dataHome.get().getChildFile ("missing/check.bin").getFullPathName();

        sim::StepWindow window (2056);
        abortRequested = row.staleAbort;   // as an earlier run's "up to date" answer leaves it

        sim::MessageWatch escape ([&] { return row.escapeInStage1 && window.statusTexts().contains (stage1); }, [&] { window.pressEscape(); });

        EXPECT_EQ (window->stepActivate (1), row.succeeds);
        EXPECT_EQ (compatibilityResult, row.resultAfter);
        EXPECT_EQ (activatedMarker, row.succeeds ? 1 : 0);
        EXPECT_EQ (window->getStep(), row.succeeds || row.escapeInStage1 ? 3 : 1);
        EXPECT_EQ (sim::nonEmpty (window.statusTexts()), row.notices);
        EXPECT_EQ (withoutPaths (unit.describeRuns()), row.runs);
        EXPECT_TRUE (row.missingImage || unit.flashBytes (checkAddress, 8192) == erased);
        EXPECT_EQ (messages(), row.messages);

        if (! row.messages.empty() && ! row.escapeInStage1)
            EXPECT_EQ (prompts.shown.back().title, "") << "a plain box";
    }
}

TEST_F (ActivateStep, WithoutAnExistingHomeTheCheckSaysThereIsNoFolderAndCreatesNone)
{
    struct Row { const char* home; const char* dataHome; };
    const auto missing = dataHome.get().getChildFile ("missing").getFullPathName();
    const Row rows[] { { "", nullptr }, { "missing/home", nullptr }, { "", "share" }, { "missing/home", "missing/share" } };
    const auto rootHadOne = juce::File ("/.local").exists();

    for (auto& row : rows)
    {
        ScopedEnvironment environment ("HOME", juce::String (row.home).replace ("missing", missing));

        if (row.dataHome == nullptr)
            environment.unset ("XDG_DATA_HOME");
        else
            environment.set ("XDG_DATA_HOME", juce::String (row.dataHome).replace ("missing", missing));

        sim::StepWindow window (2056);

        EXPECT_FALSE (window->stepActivate (1)) << row.home;
        EXPECT_EQ (messages(), std::vector<std::string> { "No folder for the upgrader's files: neither XDG_DATA_HOME nor HOME names an existing folder." }) << row.home;
        EXPECT_TRUE (tool.runs().empty()) << row.home;
        EXPECT_FALSE (juce::File (missing).exists()) << row.home;
        EXPECT_EQ (juce::File ("/.local").exists(), rootHadOne) << row.home;
    }
}

TEST_F (ActivateStep, AMidiUnitsUpgradePortIsOpenedAndTheStepMovesOnUnlessTheChooserIsCancelledOrOffersNoUpgradePortThatOpens)
{
    using Icon = juce::MessageBoxIconType;
    using Answer = std::function<int (juce::Component&, const juce::String&)>;
    const Answer okClicked = sim::ChooserUser {}, confirmedAsShown = [] (juce::Component&, const juce::String&) { return 1; };
    const auto noUnitInUpgradeMode = box (Icon::NoIcon, "", "Warning: Cannot find target unit!");   // the chooser's
    struct Row { int productId; const char* upgradePort; Answer chooser; bool opens; int productAfter; std::vector<std::string> boxes; };

    // One port serves two models, which its name tells apart by the digit before its first ".".
    // A unit still in its normal mode has no upgrade port.
    const Row rows[] {
        { 94,   "Halvik firmware upgrade",      okClicked, true, 94,   {} },
        { 2052, "Halvik firmware upgrade V1.2", okClicked, true, 186,  {} },
        { 2052, "Halvik firmware upgrade V2.0", okClicked, true, 2052, {} },
        { 186,  "Halvik firmware upgrade V2.0", okClicked, true, 2052, {} },
        { 94,   "", nullptr,          true, 0, { noUnitInUpgradeMode } },   // the chooser cancelled
        { 94,   "", confirmedAsShown, true, 0,
          { noUnitInUpgradeMode, box (Icon::WarningIcon, "Step 3", "Please select the unit \"Halvik firmware upgrade\"") } },
        { 94,   "Halvik firmware upgrade", okClicked, false, 0,
          { box (Icon::InfoIcon, "Midi Device", "Could not open the selected MIDI input device: Halvik firmware upgrade") } },
    };

    for (auto& row : rows)
    {
        SCOPED_TRACE (juce::String (row.productId) + " " + row.upgradePort + (row.opens ? "" : " that will not open"));
        auto options = linuxUnit ("Mixora C4", row.productId, false, *row.upgradePort != 0);
        options.upgradePortName = row.upgradePort;
        units.clear();
        addUnit (options);
        ports.setRefusingOpens ("Halvik firmware upgrade", ! row.opens);
        prompts.dialogAnswer = row.chooser;
        const bool movesOn = row.productAfter != 0;
        sim::StepWindow window (row.productId);

        EXPECT_EQ (window->stepActivate (1), movesOn);
        EXPECT_EQ (window->getStep(), movesOn ? 4 : 3);
        EXPECT_EQ (window->getStepButton (0).isEnabled(), ! movesOn);
        EXPECT_EQ (activatedMarker, movesOn ? 1 : 0);
        EXPECT_EQ (boxes(), row.boxes);

        if (movesOn)
        {
            EXPECT_EQ (window->upgradePortName, row.upgradePort);
            EXPECT_EQ (ports.openOutputsNow (row.upgradePort) + ports.openInputsNow (row.upgradePort), 2);
            EXPECT_EQ (window->currentProductId, row.productAfter);
        }
    }
}
