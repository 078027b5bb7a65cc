#include <gtest/gtest.h>

#include "support/NamedPorts.h"
#include "support/StepWindow.h"
#include "support/UpgradeStepsFixture.h"

#include "firmware/UpgraderState.h"

using namespace halvik;
using sim::texts;

// The Enter step: the unit is asked to enter its firmware upgrade mode, and
// the step waits until it shows that it has.

namespace
{
    using EnterStep = sim::UpgradeStepsFixture;

    const juce::String toolUnitPort ("R7-X1 MIDI 1");
    const std::string wakeUp ("EF 7F 7F");
    const std::string enterR7X1 ("F0 1D 03 10 08 00 7F 7F F7");   // model code 2056, long form
    const std::string probe ("-u -- get-property 1");
    const std::string cannotEnter ("Device cannot enter Firmware Upgrade mode!");

    std::vector<std::string> waitingTexts (std::initializer_list<int> seconds)
    {
        std::vector<std::string> result;

        for (auto s : seconds)
            result.push_back ("Waiting to enter Firmware Upgrade mode..." + std::to_string (s));

        return result;
    }
}

TEST_F (EnterStep, ToolFamilyAsksThreeTimesAndProbesTheBootloaderBetweenUntilEscapeEndsTheProbing)
{
    struct Row { const char* unitAppearsAfter; bool probing, escape; int runs; std::vector<std::string> waiting; bool entered; };

    const Row rows[] {
        { "3",    false, false, 6,  waitingTexts ({ 1, 1, 2 }),                        true  },   // four probes, then one a pass
        { "1000", false, false, 15, sim::repeated (waitingTexts ({ 1, 1, 2, 2 }), 3), false },   // five probes a pass, in vain
        { "1000", true,  false, 15, sim::repeated (waitingTexts ({ 1, 1, 1, 2 }), 3), false },   // probed every 333 ms
        { "1000", false, true,  1,  waitingTexts ({ 1 }),                              false },   // the later passes still ask
    };

    for (auto& row : rows)
    {
        sim::FlashToolStandIn unit;
        unit.setSwitch ("present-after", row.unitAppearsAfter);
        sim::NamedPorts unitPorts ({ toolUnitPort }, { toolUnitPort });

        prompts.shown.clear();
        sim::StepWindow window (2056);
        autoAdvance = false;
        toolProbeMode = row.probing;
        toolModeEntered = false;
        abortRequested = true;   // left by an earlier run: it must not end this one
        window->deviceReplyText = toolUnitPort;

        if (row.escape)
            window.whenTitleContains ("Waiting to enter Firmware Upgrade mode...1", [&] { window.pressEscape(); });

        EXPECT_EQ (window->stepEnter (2), row.entered);
        EXPECT_EQ (texts (unitPorts.messagesTo (toolUnitPort)), sim::repeated ({ wakeUp, enterR7X1 }, 3));
        EXPECT_EQ (texts (unit.describeRuns()), std::vector<std::string> ((size_t) row.runs, probe));
        EXPECT_EQ (sim::nonEmpty (window.statusTexts()), row.waiting);
        EXPECT_EQ (toolModeEntered, row.entered);
        EXPECT_EQ (window->getStep(), row.entered ? 3 : 2);
        EXPECT_EQ (messages(), row.entered ? std::vector<std::string> {} : std::vector<std::string> { cannotEnter });
    }
}

TEST_F (EnterStep, ToolFamilyWithoutTheTargetPortSaysWhy)
{
    struct Row { bool listed; bool probing; const char* message; };

    for (auto row : { Row { true,  false, "Target device is occupied!" },
                      Row { false, false, "No target!" },
                      Row { false, true,  "The target device of \"R7-X1\" is not found!" } })
    {
        sim::FlashToolStandIn unit;
        unit.setSwitch ("fail-property");   // a bootloader that answers, but not with success
        sim::NamedPorts unitPorts (row.listed ? juce::StringArray (toolUnitPort) : juce::StringArray());
        unitPorts.getPorts().setRefusingOpens (toolUnitPort, true);

        prompts.shown.clear();
        sim::StepWindow window (2056);
        autoAdvance = false;
        toolProbeMode = row.probing;
        window->deviceReplyText = toolUnitPort;

        EXPECT_FALSE (window->stepEnter (2)) << row.message;
        EXPECT_EQ (messages(), std::vector<std::string> { row.message });
        EXPECT_EQ (unit.describeRuns().size(), row.probing ? 1 : 0) << "without a port only a full success counts";
    }
}

TEST_F (EnterStep, OtherMidiUnitsAreAskedUntilTheirUpgradePortShowsAndOneThatNeverShowsItFails)
{
    struct Row { const char* model; int productId; bool inUpgradeMode, neverBack, repeating; std::vector<std::string> requests; };

    const std::vector<std::string> mixoraRequests { wakeUp, "F0 1D 03 00 5E 00 7F 7F F7" };

    const Row rows[] {
        { "Mixora C4", 94,  false, false, false, mixoraRequests },
        { "Qenta 32",  26,  false, false, false, { wakeUp, "F0 1D 03 00 55 55 7F F7" } },                                      // the short form only
        { "Tonvik 3",  101, false, false, false, { wakeUp, "F0 1D 03 00 65 00 7F 7F F7", wakeUp, "F0 1D 03 00 65 55 7F F7" } }, // both forms
        { "Mixora C4", 94,  true,  false, false, {} },                                                                          // asked on its upgrade port
        { "Mixora C4", 94,  false, true,  false, mixoraRequests },
        { "Mixora C4", 94,  false, true,  true,  mixoraRequests },                                                              // no box while runs repeat
    };

    for (auto& row : rows)
    {
        auto& unit = addUnit (linuxUnit (row.model, row.productId, false, row.inUpgradeMode));
        unit.setNeverComesBack (row.neverBack);
        prompts.shown.clear();

        {
            sim::StepWindow window (row.productId);
            autoAdvance = false;
            repeatMode = row.repeating;
            abortRequested = true;   // left by an earlier run: it must not end this one
            window->deviceReplyText = row.inUpgradeMode ? juce::String ("Halvik firmware upgrade") : juce::String (row.model) + " MIDI 1";

            EXPECT_EQ (window->stepEnter (2), ! row.neverBack) << row.model;
            EXPECT_EQ (unit.isInUpgradeMode(), ! row.neverBack);
            EXPECT_EQ (window->getStep(), row.neverBack ? 2 : 3);

            juce::StringArray received;

            for (auto& message : unit.received())
                received.add (sim::SimulatedMidiPorts::hexOf (message));

            EXPECT_EQ (texts (received), row.requests) << row.model << ": one try, and the unit went";
            EXPECT_EQ (messages(), row.neverBack && ! row.repeating ? std::vector<std::string> { cannotEnter } : std::vector<std::string> {});
        }

        units.clear();
    }
}

TEST_F (EnterStep, AKeyboardWhosePortsWillNotOpenIsLookedForAgainOnlyOnce)
{
    addUnit (linuxUnit ("Dravel 49", 4130));
    ports.setRefusingOpens ("Dravel 49 MIDI 1", true);
    prompts.dialogAnswer = [] (juce::Component&, const juce::String&) { return 1; };

    sim::StepWindow window (4130);
    ASSERT_TRUE (autoAdvance) << "the keyboard family runs on by itself";

    window->stepEnter (2);

    EXPECT_EQ (dialogs().size(), 1u) << "the Start step ran once more, and only once";
    EXPECT_EQ (messages(), std::vector<std::string> { cannotEnter });
    EXPECT_EQ (window->getStep(), 2);
}
