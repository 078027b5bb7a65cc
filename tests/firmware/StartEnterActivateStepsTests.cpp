#include <gtest/gtest.h>

#include "support/UpgraderFixture.h"

#include <regex>

using namespace halvik;
using sim::texts;

// The steps that find the unit and make it ready for the upload: Start,
// Enter and Activate.

namespace
{
    struct StartStep : sim::UpgradeStepsFixture
    {
        StartStep()  { prompts.dialogAnswer = sim::ChooserUser {}; }

        static int pausesOf (const sim::SimulatedMidiPorts& on, double microseconds)
        {
            const auto& timeline = on.timeline();
            return (int) std::count_if (timeline.begin(), timeline.end(), [=] (auto& e)
            {
                return e.isPause && e.microseconds == microseconds;
            });
        }
    };

    const std::string probe ("-u -- get-property 1"), reset ("-u -- reset");

    /** How Activate begins the box of a failure of this computer; the reason follows. */
    const juce::String notFinishedLead ("Compatibility check not finished. This computer failed before the check image "
                                        "reached the device.\n\n");
    const std::vector<std::string> notFound { "Target device not found!" }, none;
    const std::vector<std::string> stopped { "Upgrade stopped: no firmware was written to the device." };

    using EnterStep = sim::UpgradeStepsFixture;
    using ActivateStep = sim::UpgradeStepsFixture;

    const juce::String toolUnitPort ("R7-X1 MIDI 1");
    const std::string wakeUp ("EF 7F 7F");
    const std::string enterR7X1 ("F0 1D 03 10 08 00 7F 7F F7");   // model code 2056, long form
    const char* cannotEnter ("Device cannot enter Firmware Upgrade mode!");

    std::vector<std::string> waitingTexts (std::initializer_list<int> seconds)
    {
        std::vector<std::string> result;

        for (auto s : seconds)
            result.push_back ("Waiting to enter Firmware Upgrade mode..." + std::to_string (s));

        return result;
    }

    /** The check region: twice the 4096-byte check image below 0x603FF000. */
    constexpr juce::int64 checkAddress = 1614794752;
    const std::string eraseCheckRegion ("-u -t 5000 -- flash-erase-region 1614794752 8192");

    /** One stage of the check as the tool saw it, file paths left out. */
    const std::vector<std::string> oneStage { eraseCheckRegion, "-u -- write-memory 1614794752 <file>", probe,
                                              "-u -- read-memory 1614794752 4096 <file>" };

    std::vector<std::string> plus (std::vector<std::string> runs, const std::vector<std::string>& more)
    {
        runs.insert (runs.end(), more.begin(), more.end());
        return runs;
    }

    /** The tool's runs with their file paths left out. */
    std::vector<std::string> withoutPaths (const juce::StringArray& runs)
    {
        std::vector<std::string> result;

        for (auto& run : runs)
            result.push_back (std::regex_replace (run.toStdString(), std::regex ("/[^ ]*"), "<file>"));

        return result;
    }
}

// Start finds the unit, lets the user confirm it in the device chooser (its
// "OK" clicked as a user would), refuses what cannot be upgraded and moves on
// to step 2.
TEST_F (StartStep, WithNoUnitItPollsOnceASecondThenReportsTheTargetNotFound)
{
    enum Advance { stepByStep, runningOn };
    enum EarlierRun { leftNothing, leftAnAbort };
    struct Row { Advance advance; EarlierRun earlierRun; int escapeAt; int polls; };

    // The loopback port ALSA lists on every Linux desktop is no unit.
    sim::NamedPorts loopback (ports, { "Midi Through Port-0" }, { "Midi Through Port-0" });

    // Escape pressed once "(3)" shows ends the run after the look under way, and says so.
    for (auto row : { Row { stepByStep, leftNothing, 0, 12 }, Row { runningOn, leftNothing, 0, 16 },
                      Row { stepByStep, leftAnAbort, 0, 12 }, Row { stepByStep, leftNothing, 3, 4 } })
    {
        ports.clearTimeline();
        sim::StepWindow window (94);
        autoAdvance = row.advance == runningOn;
        abortRequested = row.earlierRun == leftAnAbort;   // an earlier run's Escape does not end this one

        const auto escapeShown = "(" + juce::String (row.escapeAt) + ")";
        sim::MessageWatch escape ([&] { return row.escapeAt > 0 && window.statusTexts().contains (escapeShown); },
                                  [&] { window.pressEscape(); });

        EXPECT_FALSE (window->stepStart (1));

        std::vector<std::string> expected;

        for (int poll = 1; poll <= row.polls; ++poll)
            expected.push_back ("(" + std::to_string (poll) + ")");

        expected.push_back ("");
        EXPECT_EQ (texts (window.statusTexts()), expected);
        EXPECT_EQ (pausesOf (ports, 1.0e6), row.polls);
        EXPECT_EQ (messages(), row.escapeAt > 0 ? stopped : notFound);
        EXPECT_EQ (window->getStep(), 1);
        EXPECT_FALSE (upgraderBusy);
    }
}

TEST_F (StartStep, TwoUnitsOfTheProductOrAHostThatCannotUpgradeItAreRefusedBeforeAnythingIsSent)
{
    struct Row { const char* cpu; int productId; juce::StringArray names; const char* refusal; };

    const char* twoUnits = "Connect ONLY the device you want to update.";
    const char* notThisHost = "Cannot upgrade firmware!\n \n"
                              "Since your system does not support to upgrade firmware for this product.";
    const juce::StringArray faderon ("Faderon VM MIDI 1");

    const Row rows[] {
        { "",      94,   { "Mixora C4 MIDI 1", "2- Mixora C4 MIDI 1" }, twoUnits },
        { "",      4130, { "Dravel 49 MIDI 1", "Dravel 49 MIDI 2", "2- Dravel 49 MIDI 1", "2- Dravel 49 MIDI 2" },
          twoUnits },
        // Twins on Linux: the same names under different port identifiers.
        { "",      4130, { "Dravel 49 MIDI 1", "Dravel 49 MIDI 2", "Dravel 49 MIDI 1", "Dravel 49 MIDI 2" }, twoUnits },
        { "AMD Ryzen 7 5800X 8-Core Processor",   157,  faderon, notThisHost },
        { "Apple M2 Max",                         157,  faderon, notThisHost },
        { "Intel(R) Core(TM) m3-8100Y Processor", 157,  faderon, notThisHost },   // "m3" and the "Pro" of "Processor"
        { "Intel(R) Core(TM) i5-8250U CPU",       157,  faderon, nullptr },
        { "amd ryzen 7",                          157,  faderon, nullptr },       // the maker's name keeps its case
        { "AMD Ryzen 7 5800X 8-Core Processor",   2048, { "Strima 2 MIDI 1" }, nullptr },
    };

    for (auto& row : rows)
    {
        if (*row.cpu != 0)
            setHostCpuModelForTesting (row.cpu);

        sim::NamedPorts units (row.names, row.names);
        sim::StepWindow window (row.productId);

        EXPECT_EQ (window->stepStart (1), row.refusal == nullptr) << row.cpu << " " << row.productId;
        EXPECT_EQ (window->getStep(), row.refusal == nullptr ? 2 : 1);
        EXPECT_EQ (messages(), row.refusal == nullptr ? none : std::vector<std::string> { row.refusal });

        if (row.refusal != nullptr)
            for (auto& name : row.names)
                EXPECT_TRUE (units.messagesTo (name).isEmpty()) << name;
        else
            EXPECT_TRUE (window.title().endsWith (row.productId == 157 ? ": Faderon VM" : ": Strima 2"))
                << window.title();
    }
}

TEST_F (StartStep, ProbingTheToolTakesABootloaderWithoutAPortOrGivesUpAfterTwelveProbes)
{
    for (bool answers : { false, true })
    {
        sim::FlashToolStandIn unit;
        unit.setSwitch ("present-after", answers ? "2" : "1000");
        sim::StepWindow window (2056);
        toolProbeMode = true;

        EXPECT_EQ (window->stepStart (1), answers);
        auto waiting = sim::nonEmpty (window.statusTexts());

        if (answers)
        {
            EXPECT_EQ (texts (unit.describeRuns()), std::vector<std::string> (4, probe))
                << "three probes to find it, one to enter";
            EXPECT_TRUE (toolModeEntered);
            EXPECT_EQ (window->getStep(), 3) << "the Enter step ran at once";
            waiting.pop_back();   // the model's name, from the choice of the target
        }
        else
        {
            EXPECT_EQ (texts (unit.describeRuns()), std::vector<std::string> (13, probe))
                << "twelve probes and the fall-back's";
            EXPECT_EQ (messages(), notFound);
        }

        std::vector<std::string> expected;

        for (int seconds : answers ? std::vector<int> { 0, 1 } : std::vector<int> { 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5 })
            expected.push_back ("Waiting for the target device..." + std::to_string (seconds));

        EXPECT_EQ (waiting, expected) << "a probe each half second, counted in whole seconds";
    }
}

TEST_F (StartStep, AUnitInItsBootloaderIsRestartedAndItsPortLookedForAboutSixSecondsAtMost)
{
    enum Escape { noEscape, escapeWhileTheToolRuns };
    enum Unit { staysAway, comesBack };
    struct Row { Escape escape; Unit unit; int looks; };

    // Escape while the tool asks the bootloader ends the run there: no reset, no look.
    for (auto row : { Row { noEscape, staysAway, 26 }, Row { escapeWhileTheToolRuns, staysAway, 0 },
                      Row { noEscape, comesBack, 1 } })
    {
        const bool found = row.unit == comesBack;
        sim::FlashToolStandIn unit;
        sim::SimulatedMidiPorts rowPorts;
        sim::StepWindow window (2056);
        toolModeEntered = true;

        // While the tool runs: the user presses Escape, or the restarted unit's port shows.
        std::unique_ptr<sim::NamedPorts> unitPorts;
        sim::MessageWatch duringTheTool ([&] { return unit.describeRuns().size() >= (found ? 2 : 1); }, [&]
        {
            if (row.escape == escapeWhileTheToolRuns)
                window.pressEscape();

            if (found)
                unitPorts = std::make_unique<sim::NamedPorts> (rowPorts, juce::StringArray ("R7-X1 MIDI 1"),
                                                               juce::StringArray ("R7-X1 MIDI 1"));
        });

        EXPECT_EQ (window->stepStart (1), found);

        const std::string looking ("Waiting for the target MIDI device...");
        std::vector<std::string> expected { looking + "1", looking + "2", looking + "3", looking + "4" };

        if (found)
            expected.push_back ("R7-X1");   // the chosen target's name

        EXPECT_EQ (sim::nonEmpty (window.statusTexts()), expected);
        const auto runs = row.escape == noEscape ? std::vector<std::string> { probe, reset }
                                                 : std::vector<std::string> { probe };
        EXPECT_EQ (texts (unit.describeRuns()), runs);
        // Pauses of 235 ms: the look's, besides the tool's own after each of its runs.
        EXPECT_EQ (pausesOf (rowPorts, 235000.0) - (int) runs.size(), row.looks)
            << "escape " << row.escape << ", found " << found;
        EXPECT_EQ (window->getStep(), found ? 2 : 1);
        EXPECT_EQ (toolModeEntered, ! found) << "a unit that came back has left its bootloader";
        EXPECT_EQ (messages(), found ? none : (row.escape == noEscape ? notFound : stopped));
    }
}

TEST_F (StartStep, UnitsLeftInUpgradeModeAreOfferedAWayOut)
{
    enum Answer { no, yes };
    enum Stuck { leavesWhenReset, staysInUpgradeMode };
    enum Hint { noHint, hintToPowerOff };
    struct Row { Answer answer; Stuck stuck; Hint hint; };

    for (auto row : { Row { yes, leavesWhenReset, noHint }, Row { yes, staysInUpgradeMode, hintToPowerOff },
                      Row { no, leavesWhenReset, noHint } })
    {
        addUnit (linuxUnit ("Mixora C4", 94));
        auto stuck = linuxUnit ("Mixora S8", 79, false, true);
        stuck.leaveAfterMs = row.stuck == leavesWhenReset ? 10.0 : 10000.0;
        auto& stuckUnit = addUnit (stuck);

        {
            sim::StepWindow window (94);
            prompts.okCancelAnswers = { row.answer == yes };

            EXPECT_FALSE (window->stepStart (1));
            EXPECT_EQ (texts (prompts.messages ("okCancel")),
                       std::vector<std::string> { "It looks like some of your units are already in firmware upgrade "
                                                  "mode. \n Do you want to let them leave firmware upgrade mode?" });
            EXPECT_EQ (stuckUnit.log().contains ("reset"), row.answer == yes);

            // The chooser's, with a unit in upgrade mode about.
            auto shown = prompts.messages();
            shown.removeString ("Warning: Cannot find target unit!");
            const std::vector<std::string> hint { "It looks like your device is still in firmware upgrade mode. \n"
                                                  "Please turn off and turn on the device and try again." };
            EXPECT_EQ (texts (shown), row.hint == hintToPowerOff ? hint : none);
        }

        units.clear();
    }
}

TEST_F (StartStep, AMissingOrUnrunnableFlashingToolIsToldApartFromAMissingUnitWithWhereItGoes)
{
    const juce::String where ("\n\nIt goes at resources/Assets/tools/linux/blhost next to Tavlo, executable, "
                              "or where the environment variable TAVLO_FLASH_TOOL names.");
    const auto missing = dataHome.get().getChildFile ("nowhere/blhost").getFullPathName();
    const auto notExecutable = makeImage ("blhost", 100);

    for (auto [path, problem] : { std::pair { missing, "The flashing tool is missing:\n" },
                                  std::pair { notExecutable,
                                              "The flashing tool cannot be run (it is not executable):\n" } })
    {
        sim::StepWindow window (2056);
        flashToolPath = path;

        EXPECT_FALSE (window->stepStart (1));
        EXPECT_EQ (messages(), std::vector<std::string> { (problem + path + where).toStdString() });
        EXPECT_EQ (window->getStep(), 1);
    }
}

//==============================================================================
// Enter asks the unit to enter its firmware upgrade mode, and waits until it
// shows that it has.
TEST_F (EnterStep, ToolFamilyAsksThreeTimesAndProbesTheBootloaderBetweenUntilEscapeEndsTheProbingOrSaysWhyItCannot)
{
    enum Port { noPort, portTaken, portFree };
    enum Probing { every500ms, every333ms };
    enum Escape { noEscape, escapeAtTheFirstWait };

    // The bootloader answers after unitAppearsAfter runs; without it, it answers at once but without success.
    struct Row { const char* unitAppearsAfter; Port port; Probing probing; Escape escape; int runs;
                 std::vector<std::string> waiting; const char* message; };

    const auto oneTwo = waitingTexts ({ 1, 1, 2, 2 }), oneThree = waitingTexts ({ 1, 1, 1, 2 });
    const auto threePasses = [] (std::vector<std::string> pass) { return plus (plus (pass, pass), pass); };

    const Row rows[] {
        // Four probes, then one a pass; five probes a pass, in vain; with Escape, no later pass asks.
        { "3",     portFree,  every500ms, noEscape,             6,  waitingTexts ({ 1, 1, 2 }), nullptr },
        { "1000",  portFree,  every500ms, noEscape,             15, threePasses (oneTwo),       cannotEnter },
        { "1000",  portFree,  every333ms, noEscape,             15, threePasses (oneThree),     cannotEnter },
        { "1000",  portFree,  every500ms, escapeAtTheFirstWait, 1,  waitingTexts ({ 1 }),       stopped[0].c_str() },
        // A bootloader that answers, but not with success, is there; without a port only a full success counts.
        { nullptr, portFree,  every500ms, noEscape,             3,  {}, nullptr },
        { nullptr, portTaken, every500ms, noEscape,             0,  {}, "Target device is occupied!" },
        { nullptr, noPort,    every500ms, noEscape,             0,  {}, "No target!" },
        { nullptr, noPort,    every333ms, noEscape,             1,  {},
          "The target device of \"R7-X1\" is not found!" },
    };

    for (auto& row : rows)
    {
        sim::FlashToolStandIn unit;
        unit.setSwitch (row.unitAppearsAfter != nullptr ? "present-after" : "fail-property", row.unitAppearsAfter);
        const auto names = row.port != noPort ? juce::StringArray (toolUnitPort) : juce::StringArray();
        sim::NamedPorts unitPorts (names, names);
        unitPorts.getPorts().setRefusingOpens (toolUnitPort, row.port == portTaken);

        sim::StepWindow window (2056);
        toolProbeMode = row.probing == every333ms;
        toolModeEntered = false;
        abortRequested = true;   // left by an earlier run: it must not end this one
        window->deviceReplyText = toolUnitPort;

        const juce::String firstWait ("Waiting to enter Firmware Upgrade mode...1");
        sim::MessageWatch escape ([&]
                                  {
                                      return row.escape == escapeAtTheFirstWait
                                             && window.statusTexts().contains (firstWait);
                                  },
                                  [&] { window.pressEscape(); });

        EXPECT_EQ (window->stepEnter (2), row.message == nullptr) << row.message;
        const std::vector<std::string> askedThreeTimes { wakeUp, enterR7X1, wakeUp, enterR7X1, wakeUp, enterR7X1 };
        const std::vector<std::string> askedOnce { wakeUp, enterR7X1 };
        EXPECT_EQ (texts (unitPorts.messagesTo (toolUnitPort)),
                   row.port != portFree ? none : row.escape == noEscape ? askedThreeTimes : askedOnce);
        EXPECT_EQ (texts (unit.describeRuns()), std::vector<std::string> ((size_t) row.runs, probe));
        EXPECT_EQ (sim::nonEmpty (window.statusTexts()), row.waiting);
        EXPECT_EQ (toolModeEntered, row.message == nullptr);
        EXPECT_EQ (window->getStep(), row.message == nullptr ? 3 : 2);
        EXPECT_EQ (messages(), row.message == nullptr ? none : std::vector<std::string> { row.message });
    }
}

TEST_F (EnterStep, MidiUnitsAreAskedUntilTheyComeBackInUpgradeModeAndOneThatNeverDoesFails)
{
    enum Unit { comesBack, alreadyInUpgradeMode, neverComesBack, neverComesBackWhileRunsRepeat };
    struct Row { const char* model; int productId; Unit unit; std::vector<std::string> requests; };

    const std::vector<std::string> mixoraRequests { wakeUp, "F0 1D 03 00 5E 00 7F 7F F7" };
    const std::string keyboardVersionRequest ("F0 1D 03 20 22 00 01 00 F7");
    const std::string keyboardEnter ("F0 1D 03 20 22 00 7F 7F F7");
    const std::vector<std::string> keyboardRequests { wakeUp, keyboardVersionRequest, wakeUp, keyboardEnter };
    auto keyboardBack = keyboardRequests;
    // Asked again under its returned ports.
    keyboardBack.insert (keyboardBack.end(), { wakeUp, keyboardVersionRequest });

    const Row rows[] {
        { "Mixora C4", 94,   comesBack, mixoraRequests },
        // The short form only, or both forms.
        { "Qenta 32",  26,   comesBack, { wakeUp, "F0 1D 03 00 55 55 7F F7" } },
        { "Padrix 16", 81,   comesBack, { wakeUp, "F0 1D 03 00 55 55 7F F7" } },
        { "Tonvik 3",  101,  comesBack, { wakeUp, "F0 1D 03 00 65 00 7F 7F F7", wakeUp, "F0 1D 03 00 65 55 7F F7" } },
        { "Tonvik 6",  104,  comesBack, { wakeUp, "F0 1D 03 00 68 00 7F 7F F7", wakeUp, "F0 1D 03 00 68 55 7F F7" } },
        { "Mixora C4", 94,   alreadyInUpgradeMode, {} },                 // asked on its upgrade port
        { "Mixora C4", 94,   neverComesBack, mixoraRequests },
        { "Mixora C4", 94,   neverComesBackWhileRunsRepeat, mixoraRequests },   // no box while runs repeat
        { "Dravel 49", 4130, comesBack, keyboardBack },
        { "Dravel 49", 4130, neverComesBack, keyboardRequests },
    };

    for (auto& row : rows)
    {
        const bool inUpgradeMode = row.unit == alreadyInUpgradeMode;
        const bool neverBack = row.unit == neverComesBack || row.unit == neverComesBackWhileRunsRepeat;
        auto& unit = addUnit (linuxUnit (row.model, row.productId, row.productId == 4130, inUpgradeMode));
        unit.setNeverComesBack (neverBack);

        {
            sim::StepWindow window (row.productId);
            repeatMode = row.unit == neverComesBackWhileRunsRepeat;
            abortRequested = true;   // left by an earlier run: it must not end this one
            window->deviceReplyText = inUpgradeMode ? juce::String ("Halvik firmware upgrade")
                                                    : juce::String (row.model) + " MIDI 1";

            EXPECT_EQ (window->stepEnter (2), ! neverBack) << row.model;
            EXPECT_EQ (unit.isInUpgradeMode(), ! neverBack);
            EXPECT_EQ (window->getStep(), neverBack ? 2 : 3);
            std::vector<std::string> received;

            for (auto& message : unit.received())
                received.push_back (sim::SimulatedMidiPorts::hexOf (message).toStdString());

            EXPECT_EQ (received, row.requests) << row.model << ": one try, and the unit went";
            EXPECT_EQ (messages(), row.unit == neverComesBack ? std::vector<std::string> { cannotEnter } : none);
        }

        units.clear();
    }
}

TEST_F (EnterStep, AKeyboardWhosePortsWillNotOpenIsLookedForAgainOnlyOnce)
{
    addUnit (linuxUnit ("Dravel 49", 4130));
    ports.setRefusingOpens ("Dravel 49 MIDI 1", true);
    prompts.dialogAnswer = [] (juce::Component&, const juce::String&) { return 1; };

    FirmwareUpgradeComponent window (4130, true);
    ASSERT_TRUE (autoAdvance) << "the keyboard family runs on by itself";

    window.stepEnter (2);

    EXPECT_EQ (dialogs().size(), 1u) << "the Start step ran once more, and only once";
    EXPECT_EQ (messages(), std::vector<std::string> { cannotEnter });
    EXPECT_EQ (window.getStep(), 2);
}

//==============================================================================
// Activate: for the tool family the two-stage check that this host writes the
// unit's flash correctly, with the check image shipped in the resources
// folder; for the MIDI families the unit's upgrade port.
TEST_F (ActivateStep, TheCheckDecidesWhichLayoutThisHostWritesAndLeavesNothingBehind)
{
    enum EarlierRun { leftNothing, leftAnAbort };

    struct Row { const char* fault; EarlierRun earlierRun; int resultAfter;
                 std::vector<std::string> notices, runs, messages; };

    const std::string stage1 ("Starting stage 1 of compatibility checking");
    const std::string stage2 ("Starting stage 2 of compatibility checking");
    const auto twoStages = plus (oneStage, oneStage);

    juce::MemoryBlock erased (8192);
    erased.fillWith (0xFF);

    // A check that passes shows no box.
    const Row rows[] {
        { "",                      leftNothing, 1, { stage1, "Good compatibility." },
          plus (oneStage, { eraseCheckRegion }), {} },
        { "",                      leftAnAbort, 1, { stage1, "Good compatibility." },
          plus (oneStage, { eraseCheckRegion }), {} },
        { "skip-alternate-chunks", leftNothing, 2, { stage1, stage2, "Good compatibility" },
          plus (twoStages, { eraseCheckRegion }), {} },
        { "corrupt-read",          leftNothing, 1, { stage1, stage2, "Bad compatibility!" },
          plus (twoStages, { eraseCheckRegion, reset }),
          { "WARNING\n\nYour system environment cannot be compatible with the Tavlo firmware upgrade process.\n"
            "Forbit upgrade firmware!\n\nPlease close the current upgrade window" } },
    };

    for (auto& row : rows)
    {
        SCOPED_TRACE (juce::String ("fault '") + row.fault + "'"
                      + (row.earlierRun == leftAnAbort ? ", stale abort" : ""));
        const bool succeeds = row.messages.empty();

        sim::FlashToolStandIn unit;
        unit.putFlashBytes (checkAddress, juce::MemoryBlock (8192, true));   // zeros, as if something else was there

        if (*row.fault != 0)
            unit.setSwitch (row.fault);

        resetUpgraderState();   // the shipped check image
        sim::StepWindow window (2056);
        abortRequested = row.earlierRun == leftAnAbort;   // as an earlier run's "up to date" answer leaves it

        EXPECT_EQ (window->stepActivate (1), succeeds);
        EXPECT_EQ (compatibilityResult, row.resultAfter);
        EXPECT_EQ (activatedMarker, succeeds ? 1 : 0);
        EXPECT_EQ (window->getStep(), succeeds ? 3 : 1);
        EXPECT_EQ (sim::nonEmpty (window.statusTexts()), row.notices);
        EXPECT_EQ (withoutPaths (unit.describeRuns()), row.runs);
        EXPECT_TRUE (unit.flashBytes (checkAddress, 8192) == erased);
        EXPECT_EQ (messages(), row.messages);

        if (! succeeds)
            EXPECT_EQ (prompts.shown.back().title, "") << "a plain box";
    }
}

TEST_F (ActivateStep, AFailureOfThisComputerIsShownWithItsFolderAndReasonAndGivesNoVerdictSoActivateCanRunAgain)
{
    enum Fault { dataFolderReadOnly, dataFolderFull, dataHomeReadOnly, checkImageMissing, checkImageEmpty,
                 checkImageUnreadable };
    struct Row { Fault fault; const char* box; };

    const juce::String checkImageLead ("Warning: ");

    // The upgrader's own folder, which a read-only data home cannot take, is told as the others are. A check image
    // that is there is not called missing: what is wrong with it is said instead.
    const Row rows[] {
        { dataFolderReadOnly, "Cannot create firmware file!\n\nCannot create file in <local>: Permission denied" },
        { dataFolderFull,     "Cannot create firmware file!\n\nCannot create file in <local>: File too large" },
        { dataHomeReadOnly,   "No folder for the upgrader's files: cannot create <home>/Tavlo: Permission denied" },
        { checkImageMissing,    "Warning: Cannot find the check.bin!\n\n<check.bin>" },
        { checkImageEmpty,      "Warning: The check.bin is empty!\n\n<check.bin>" },
        { checkImageUnreadable, "Warning: Cannot read the check.bin!\n\n<check.bin>" },
    };

    for (auto& row : rows)
    {
        SCOPED_TRACE ((int) row.fault);
        sim::FlashToolStandIn unit;
        resetUpgraderState();
        stagingFolder().createDirectory();
        const auto shipped = juce::File (checkImagePath);
        const auto copy = images.get().getChildFile (row.fault == checkImageMissing ? "missing.bin" : "check.bin");
        copy.deleteFile();

        if (row.fault == checkImageEmpty)
            copy.create();
        else if (row.fault != checkImageMissing)
            ASSERT_TRUE (shipped.copyFileTo (copy));

        checkImagePath = copy.getFullPathName();
        compatibilityResult = 2;   // found by an earlier check
        sim::StepWindow window (2056);

        {
            std::optional<ScopedUnwritableFolder> readOnly;
            std::optional<ScopedFileSizeLimit> full;
            std::optional<ScopedUnreadableFile> unreadable;

            if (row.fault == dataFolderReadOnly)
                readOnly.emplace (stagingFolder());

            if (row.fault == dataHomeReadOnly)
            {
                ASSERT_TRUE (getUpgraderDataFolder().deleteRecursively());
                readOnly.emplace (dataHome.get());
            }

            if (row.fault == dataFolderFull)
                full.emplace (1024);

            if (row.fault == checkImageUnreadable)
                unreadable.emplace (copy);

            EXPECT_FALSE (window->stepActivate (1));
        }

        const auto reason = juce::String (row.box).replace ("<local>", stagingFolder().getFullPathName())
                                                  .replace ("<home>", dataHome.get().getFullPathName())
                                                  .replace ("<check.bin>", checkImagePath);
        const auto lead = reason.startsWith (checkImageLead) ? juce::String() : notFinishedLead;
        const auto shown = box (juce::MessageBoxIconType::WarningIcon, {}, lead + reason);
        EXPECT_EQ (boxes(), std::vector<std::string> { shown });
        EXPECT_TRUE (unit.describeRuns().isEmpty()) << "nothing reached the unit";
        EXPECT_EQ (window->getStep(), 3);
        EXPECT_EQ (window.enabledButtons(), "11100");
        EXPECT_EQ (compatibilityResult, 2) << "no verdict";
        EXPECT_EQ (activatedMarker, 0);

        // With the disk fixed, or the check image back, the check runs.
        ASSERT_TRUE (shipped.copyFileTo (copy));
        EXPECT_TRUE (window->stepActivate (1));
        EXPECT_EQ (compatibilityResult, 1);
        EXPECT_EQ (withoutPaths (unit.describeRuns()), plus (oneStage, { eraseCheckRegion }));
    }
}

TEST_F (ActivateStep, WithoutAnExistingHomeTheCheckSaysThereIsNoFolderAndCreatesNone)
{
    struct Row { const char* home; const char* dataHome; };
    const auto missing = dataHome.get().getChildFile ("missing").getFullPathName();
    const Row rows[] { { "", nullptr }, { "missing/home", nullptr }, { "", "share" },
                       { "missing/home", "missing/share" } };
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
        EXPECT_EQ (messages(), std::vector<std::string> { (notFinishedLead + noUpgraderFolderText).toStdString() })
            << row.home;
        EXPECT_TRUE (tool.runs().empty()) << row.home;
        EXPECT_FALSE (juce::File (missing).exists()) << row.home;
        EXPECT_EQ (juce::File ("/.local").exists(), rootHadOne) << row.home;
    }
}

TEST_F (ActivateStep,
        AMidiUnitsUpgradePortIsOpenedAndTheStepMovesOnUnlessTheChooserIsCancelledOrOffersNoUpgradePortThatOpens)
{
    using Icon = juce::MessageBoxIconType;
    using Answer = std::function<int (juce::Component&, const juce::String&)>;
    const Answer okClicked = sim::ChooserUser {};
    const Answer confirmedAsShown = [] (juce::Component&, const juce::String&) { return 1; };
    const auto noUnitInUpgradeMode = box (Icon::NoIcon, "", "Warning: Cannot find target unit!");   // the chooser's
    enum Port { opens, refusesToOpen };
    struct Row { int productId; const char* upgradePort; Answer chooser; Port port; int productAfter;
                 std::vector<std::string> boxes; };

    // One port serves two models, which its name tells apart by the digit before its first ".".
    // A unit still in its normal mode has no upgrade port.
    const Row rows[] {
        { 94,   "Halvik firmware upgrade",      okClicked, opens, 94,   {} },
        { 2052, "Halvik firmware upgrade V1.2", okClicked, opens, 186,  {} },
        { 2052, "Halvik firmware upgrade V2.0", okClicked, opens, 2052, {} },
        { 186,  "Halvik firmware upgrade V2.0", okClicked, opens, 2052, {} },
        { 94,   "", nullptr,          opens, 0, { noUnitInUpgradeMode } },   // the chooser cancelled
        { 94,   "", confirmedAsShown, opens, 0,
          { noUnitInUpgradeMode,
            box (Icon::WarningIcon, "Step 3", "Please select the unit \"Halvik firmware upgrade\"") } },
        { 94,   "Halvik firmware upgrade", okClicked, refusesToOpen, 0,
          { box (Icon::InfoIcon, "Midi Device",
                 "Could not open the selected MIDI input device: Halvik firmware upgrade") } },
    };

    for (auto& row : rows)
    {
        SCOPED_TRACE (juce::String (row.productId) + " " + row.upgradePort
                      + (row.port == opens ? "" : " that will not open"));
        auto options = linuxUnit ("Mixora C4", row.productId, false, *row.upgradePort != 0);
        options.upgradePortName = row.upgradePort;
        units.clear();
        addUnit (options);
        ports.setRefusingOpens ("Halvik firmware upgrade", row.port == refusesToOpen);
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
