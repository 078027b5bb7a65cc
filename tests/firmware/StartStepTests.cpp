#include <gtest/gtest.h>

#include "support/UpgraderFixture.h"

using namespace halvik;
using sim::texts;

// The Start step: it finds the unit, lets the user confirm it in the device
// chooser (its "OK" clicked as a user would), refuses what cannot be upgraded
// and moves on to step 2.

namespace
{
    struct StartStep : sim::UpgradeStepsFixture
    {
        StartStep()  { prompts.dialogAnswer = sim::ChooserUser {}; }

        static int pausesOf (const sim::SimulatedMidiPorts& on, double microseconds)
        {
            const auto& timeline = on.timeline();
            return (int) std::count_if (timeline.begin(), timeline.end(), [=] (auto& e) { return e.isPause && e.microseconds == microseconds; });
        }
    };

    const std::string keep ("-u -- get-property 1"), reset ("-u -- reset");
    const std::vector<std::string> notFound { "Target device not found!" }, none;
}

TEST_F (StartStep, WithNoUnitItPollsOnceASecondThenReportsTheTargetNotFound)
{
    struct Row { bool autoAdvancing; bool staleAbort; int escapeAt; int polls; };

    // The loopback port ALSA lists on every Linux desktop is no unit.
    sim::NamedPorts loopback (ports, { "Midi Through Port-0" }, { "Midi Through Port-0" });

    // Escape pressed once "(3)" shows ends the run after the look under way.
    for (auto row : { Row { false, false, 0, 12 }, Row { true, false, 0, 16 },
                      Row { false, true, 0, 12 }, Row { false, false, 3, 4 } })
    {
        ports.clearTimeline();
        sim::StepWindow window (94);
        autoAdvance = row.autoAdvancing;
        abortRequested = row.staleAbort;   // an earlier run's Escape does not end this one

        sim::MessageWatch escape ([&] { return row.escapeAt > 0 && window.statusTexts().contains ("(" + juce::String (row.escapeAt) + ")"); },
                                  [&] { window.pressEscape(); });

        EXPECT_FALSE (window->stepStart (1));

        std::vector<std::string> expected;

        for (int poll = 1; poll <= row.polls; ++poll)
            expected.push_back ("(" + std::to_string (poll) + ")");

        expected.push_back ("");
        EXPECT_EQ (texts (window.statusTexts()), expected);
        EXPECT_EQ (pausesOf (ports, 1.0e6), row.polls);
        EXPECT_EQ (messages(), notFound);
        EXPECT_EQ (window->getStep(), 1);
        EXPECT_FALSE (upgraderBusy);
    }
}

TEST_F (StartStep, TwoUnitsOfTheProductOrAHostThatCannotUpgradeItAreRefusedBeforeAnythingIsSent)
{
    struct Row { const char* cpu; int productId; juce::StringArray names; const char* refusal; };

    const char* twoUnits = "Connect ONLY the device you want to update.";
    const char* notThisHost = "Cannot upgrade firmware!\n \nSince your system does not support to upgrade firmware for this product.";
    const juce::StringArray faderon ("Faderon VM MIDI 1");

    const Row rows[] {
        { "",      94,   { "Mixora C4 MIDI 1", "2- Mixora C4 MIDI 1" }, twoUnits },
        { "",      4130, { "Dravel 49 MIDI 1", "Dravel 49 MIDI 2", "2- Dravel 49 MIDI 1", "2- Dravel 49 MIDI 2" }, twoUnits },
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
            EXPECT_TRUE (window.title().endsWith (row.productId == 157 ? ": Faderon VM" : ": Strima 2")) << window.title();
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
            EXPECT_EQ (texts (unit.describeRuns()), std::vector<std::string> (4, keep)) << "three probes to find it, one to enter";
            EXPECT_TRUE (toolModeEntered);
            EXPECT_EQ (window->getStep(), 3) << "the Enter step ran at once";
            waiting.pop_back();   // the model's name, from the choice of the target
        }
        else
        {
            EXPECT_EQ (texts (unit.describeRuns()), std::vector<std::string> (13, keep)) << "twelve probes and the fall-back's";
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
    struct Row { bool escape; bool comesBack; int looks; bool found; };

    for (auto row : { Row { false, false, 26, false }, Row { true, false, 1, false }, Row { false, true, 1, true } })
    {
        sim::FlashToolStandIn unit;
        sim::SimulatedMidiPorts rowPorts;
        sim::StepWindow window (2056);
        toolModeEntered = true;

        // While the tool runs: the user presses Escape, or the restarted unit's port shows.
        std::unique_ptr<sim::NamedPorts> unitPorts;
        sim::MessageWatch duringTheTool ([&] { return unit.describeRuns().size() >= (row.comesBack ? 2 : 1); }, [&]
        {
            if (row.escape)
                window.pressEscape();

            if (row.comesBack)
                unitPorts = std::make_unique<sim::NamedPorts> (rowPorts, juce::StringArray ("R7-X1 MIDI 1"),
                                                               juce::StringArray ("R7-X1 MIDI 1"));
        });

        EXPECT_EQ (window->stepStart (1), row.found);

        std::vector<std::string> expected { "Waiting for the target MIDI device...1", "Waiting for the target MIDI device...2",
                                            "Waiting for the target MIDI device...3", "Waiting for the target MIDI device...4" };

        if (row.found)
            expected.push_back ("R7-X1");   // the chosen target's name

        EXPECT_EQ (sim::nonEmpty (window.statusTexts()), expected);
        EXPECT_EQ (texts (unit.describeRuns()), (std::vector<std::string> { keep, reset }));
        // Pauses of 235 ms: the look's, besides the tool's own after each of its two runs.
        EXPECT_EQ (pausesOf (rowPorts, 235000.0) - 2, row.looks) << "escape " << row.escape << ", comes back " << row.comesBack;
        EXPECT_EQ (window->getStep(), row.found ? 2 : 1);
        EXPECT_EQ (toolModeEntered, ! row.found) << "a unit that came back has left its bootloader";
        EXPECT_EQ (messages(), row.found ? none : notFound);
    }
}

TEST_F (StartStep, UnitsLeftInUpgradeModeAreOfferedAWayOut)
{
    struct Row { bool answerYes; bool unitLeaves; bool hint; };

    for (auto row : { Row { true, true, false }, Row { true, false, true }, Row { false, true, false } })
    {
        addUnit (linuxUnit ("Mixora C4", 94));
        auto stuck = linuxUnit ("Mixora S8", 79, false, true);
        stuck.leaveAfterMs = row.unitLeaves ? 10.0 : 10000.0;
        auto& stuckUnit = addUnit (stuck);

        {
            sim::StepWindow window (94);
            prompts.okCancelAnswers = { row.answerYes };

            EXPECT_FALSE (window->stepStart (1));
            EXPECT_EQ (texts (prompts.messages ("okCancel")),
                       std::vector<std::string> { "It looks like some of your units are already in firmware upgrade mode. \n"
                                                  " Do you want to let them leave firmware upgrade mode?" });
            EXPECT_EQ (stuckUnit.log().contains ("reset"), row.answerYes);

            auto shown = prompts.messages();
            shown.removeString ("Warning: Cannot find target unit!");   // the chooser's, with a unit in upgrade mode about
            EXPECT_EQ (texts (shown), row.hint ? std::vector<std::string> { "It looks like your device is still in firmware "
                                                                            "upgrade mode. \nPlease turn off and turn on the "
                                                                            "device and try again." }
                                               : none);
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
                                  std::pair { notExecutable, "The flashing tool cannot be run (it is not executable):\n" } })
    {
        sim::StepWindow window (2056);
        flashToolPath = path;

        EXPECT_FALSE (window->stepStart (1));
        EXPECT_EQ (messages(), std::vector<std::string> { (problem + path + where).toStdString() });
        EXPECT_EQ (window->getStep(), 1);
    }
}
