#include <gtest/gtest.h>

#include "support/NamedPorts.h"
#include "support/StepWindow.h"
#include "support/UpgradeStepsFixture.h"

#include "firmware/UpgraderState.h"

using namespace halvik;

// The Enter step: the unit is asked to enter its firmware upgrade mode, and
// the step waits until it shows that it has.

namespace
{
    using EnterStep = sim::UpgradeStepsFixture;

    const juce::String toolUnitPort ("R7-X1 MIDI 1");
    const juce::String wakeUp ("EF 7F 7F");
    const juce::String enterR7X1 ("F0 1D 03 10 08 00 7F 7F F7");   // model code 2056, long form
    const juce::String probe ("-u -- get-property 1");
    const juce::String waiting ("Waiting to enter Firmware Upgrade mode...");

    juce::StringArray repeated (const juce::StringArray& texts, int times)
    {
        juce::StringArray all;

        for (int i = 0; i < times; ++i)
            all.addArray (texts);

        return all;
    }

    juce::StringArray nonEmpty (juce::StringArray texts)
    {
        texts.removeEmptyStrings();
        return texts;
    }
}

TEST_F (EnterStep, ToolFamilyAsksThreeTimesAndSucceedsOnceTheBootloaderAnswersTheProbe)
{
    sim::NamedPorts unit (ports, { toolUnitPort }, { toolUnitPort });
    tool.setSwitch ("present-after", "3");   // the bootloader comes up after three probes

    sim::StepWindow window (2056);
    autoAdvance = false;
    window->deviceReplyText = toolUnitPort;

    EXPECT_TRUE (window->stepEnter (2));
    EXPECT_EQ (window->getStep(), 3);
    EXPECT_TRUE (toolModeEntered);
    EXPECT_EQ (targetPortCount, 1);

    EXPECT_EQ (sim::texts (unit.messagesTo (toolUnitPort)), sim::texts (repeated ({ wakeUp, enterR7X1 }, 3))) << "every pass asks again";
    EXPECT_EQ (sim::texts (tool.describeRuns()), sim::texts (repeated ({ probe }, 6))) << "four probes, then one for each later pass";
    EXPECT_EQ (sim::texts (nonEmpty (window.statusTexts())), sim::texts (juce::StringArray (waiting + "1", waiting + "1", waiting + "2")));
    EXPECT_TRUE (prompts.shown.empty());
}

TEST_F (EnterStep, ABootloaderThatNeverAnswersFailsAfterFiveProbesAPassWithTheWaitShownInSeconds)
{
    struct Row { bool probing; juce::StringArray secondsShown; };

    for (auto& row : { Row { false, { "1", "1", "2", "2" } }, Row { true, { "1", "1", "1", "2" } } })
    {
        sim::FlashToolStandIn silentTool;
        silentTool.setSwitch ("no-device");
        sim::SimulatedMidiPorts rowPorts;
        rowPorts.setRealPauses (false);
        sim::NamedPorts unit (rowPorts, { toolUnitPort }, { toolUnitPort });

        prompts.shown.clear();
        sim::StepWindow window (2056);
        autoAdvance = false;
        toolProbeMode = row.probing;
        window->deviceReplyText = toolUnitPort;

        juce::StringArray onePass;

        for (auto& seconds : row.secondsShown)
            onePass.add (waiting + seconds);

        EXPECT_FALSE (window->stepEnter (2)) << "probing " << row.probing;
        EXPECT_EQ (window->getStep(), 2);
        EXPECT_FALSE (toolModeEntered);
        EXPECT_EQ (sim::texts (silentTool.describeRuns()), sim::texts (repeated ({ probe }, 15)));
        EXPECT_EQ (sim::texts (nonEmpty (window.statusTexts())), sim::texts (repeated (onePass, 3))) << "probing " << row.probing;
        EXPECT_EQ (sim::texts (prompts.messages()), sim::texts (juce::StringArray ("Device cannot enter Firmware Upgrade mode!")));
        EXPECT_EQ (prompts.shown.back().title, "Firmware Upgrade");
    }
}

TEST_F (EnterStep, EscapeEndsThePassItCameInButTheLaterPassesStillAsk)
{
    tool.setSwitch ("no-device");
    sim::NamedPorts unit (ports, { toolUnitPort }, { toolUnitPort });

    sim::StepWindow window (2056);
    autoAdvance = false;
    window->deviceReplyText = toolUnitPort;
    window.whenTitleContains (waiting + "1", [&] { window.pressEscape(); });

    EXPECT_FALSE (window->stepEnter (2));
    EXPECT_EQ (sim::texts (unit.messagesTo (toolUnitPort)), sim::texts (repeated ({ wakeUp, enterR7X1 }, 3)));
    EXPECT_EQ (sim::texts (tool.describeRuns()), sim::texts (juce::StringArray (probe))) << "no probe after the Escape";
    EXPECT_EQ (sim::texts (prompts.messages()), sim::texts (juce::StringArray ("Device cannot enter Firmware Upgrade mode!")));
}

TEST_F (EnterStep, ToolFamilyWithoutTheTargetPortSaysWhy)
{
    struct Row { const char* listed; bool refusing; bool probing; bool succeeds; const char* message; };

    for (auto row : { Row { "R7-X1 MIDI 1", true,  false, false, "Target device is occupied!" },
                      Row { "",             false, false, false, "No target!" },
                      Row { "",             false, true,  false, "The target device of \"R7-X1\" is not found!" } })
    {
        sim::FlashToolStandIn silentTool;
        silentTool.setSwitch ("present-after", "1");   // only a second probe would be answered
        sim::SimulatedMidiPorts rowPorts;
        rowPorts.setRealPauses (false);
        juce::StringArray listed;

        if (*row.listed != 0)
            listed.add (row.listed);

        sim::NamedPorts unit (rowPorts, listed, listed);
        rowPorts.setRefusingOpens (toolUnitPort, row.refusing);

        prompts.shown.clear();
        sim::StepWindow window (2056);
        autoAdvance = false;
        toolProbeMode = row.probing;
        window->deviceReplyText = toolUnitPort;

        EXPECT_EQ (window->stepEnter (2), row.succeeds) << row.message;
        EXPECT_EQ (sim::texts (prompts.messages()), sim::texts (juce::StringArray (row.message)));
        EXPECT_EQ (silentTool.describeRuns().size(), row.probing ? 1 : 0) << row.message;
    }
}

TEST_F (EnterStep, InProbingModeABootloaderWithoutAPortCountsOnlyWithAFullSuccess)
{
    for (const char* fault : { "", "fail-property" })
    {
        sim::FlashToolStandIn bootloader;

        if (*fault != 0)
            bootloader.setSwitch (fault);

        prompts.shown.clear();
        sim::StepWindow window (2056);
        autoAdvance = false;
        toolProbeMode = true;
        toolModeEntered = false;

        const bool succeeds = *fault == 0;
        EXPECT_EQ (window->stepEnter (2), succeeds) << fault;
        EXPECT_EQ (toolModeEntered, succeeds) << fault;
        EXPECT_EQ (window->getStep(), succeeds ? 3 : 2) << fault;
    }
}

//==============================================================================
namespace
{
    sim::SimulatedUpgradeUnit::Options linuxUnit (const juce::String& model, int productId)
    {
        sim::SimulatedUpgradeUnit::Options options;
        options.model = model;
        options.productId = productId;
        options.naming = sim::SimulatedUpgradeUnit::Naming::linux;
        options.hasSecondPort = false;
        return options;
    }
}

TEST_F (EnterStep, OtherMidiUnitsAreAskedUntilTheirUpgradePortShows)
{
    struct Row { const char* model; int productId; juce::StringArray requests; };

    const Row rows[] {
        { "Mixora C4", 94, { wakeUp, "F0 1D 03 00 5E 00 7F 7F F7" } },
        { "Qenta 32",  26, { wakeUp, "F0 1D 03 00 55 55 7F F7" } },                                      // the short form only
        { "Tonvik 3",  101, { wakeUp, "F0 1D 03 00 65 00 7F 7F F7", wakeUp, "F0 1D 03 00 65 55 7F F7" } }, // both forms
    };

    for (auto& row : rows)
    {
        auto& unit = addUnit (linuxUnit (row.model, row.productId));
        const auto port = juce::String (row.model) + " MIDI 1";
        ports.clearTimeline();
        prompts.shown.clear();

        {
            sim::StepWindow window (row.productId);
            autoAdvance = false;
            window->deviceReplyText = port;
            abortRequested = true;   // left by an earlier run: it must not end this one

            EXPECT_TRUE (window->stepEnter (2)) << row.model;
            EXPECT_TRUE (unit.isInUpgradeMode()) << row.model;
            EXPECT_EQ (window->getStep(), 3);

            juce::StringArray sent;

            for (auto& message : unit.received())
                sent.add (sim::SimulatedMidiPorts::hexOf (message));

            EXPECT_EQ (sim::texts (sent), sim::texts (row.requests)) << row.model << ": one try, the unit went";
            EXPECT_TRUE (prompts.shown.empty());
        }

        units.clear();
    }
}

TEST_F (EnterStep, AUnitAlreadyOnItsUpgradePortIsTakenWithoutAsking)
{
    auto options = linuxUnit ("Mixora C4", 94);
    options.startsInUpgradeMode = true;
    auto& unit = addUnit (options);

    sim::StepWindow window (94);
    autoAdvance = false;
    window->deviceReplyText = "Halvik firmware upgrade";

    EXPECT_TRUE (window->stepEnter (2));
    EXPECT_TRUE (unit.received().empty());
    EXPECT_EQ (window->getStep(), 3);
}

TEST_F (EnterStep, AUnitThatNeverShowsItsUpgradePortFailsAfterThreeTries)
{
    auto options = linuxUnit ("Mixora C4", 94);
    auto& unit = addUnit (options);
    unit.setNeverComesBack (true);

    sim::StepWindow window (94);
    autoAdvance = false;
    window->deviceReplyText = "Mixora C4 MIDI 1";

    EXPECT_FALSE (window->stepEnter (2));
    EXPECT_EQ (window->getStep(), 2);
    EXPECT_EQ (sim::texts (prompts.messages()), sim::texts (juce::StringArray ("Device cannot enter Firmware Upgrade mode!")));

    repeatMode = true;
    prompts.shown.clear();
    EXPECT_FALSE (window->stepEnter (2));
    EXPECT_TRUE (prompts.shown.empty()) << "repeated runs show no box";
}

TEST_F (EnterStep, AKeyboardWhosePortsWillNotOpenIsLookedForAgainOnlyOnce)
{
    addUnit (linuxUnit ("Dravel 49", 4130));
    ports.setRefusingOpens ("Dravel 49 MIDI 1", true);

    prompts.dialogAnswer = [] (juce::Component&, const juce::String&) { return 1; };
    sim::StepWindow window (4130);
    ASSERT_TRUE (autoAdvance) << "the keyboard family runs on by itself";

    window->stepEnter (2);

    EXPECT_EQ (prompts.ofKind ("dialog").size(), 1u) << "the Start step ran once more, and only once";
    EXPECT_EQ (sim::texts (prompts.messages()), sim::texts (juce::StringArray ("Device cannot enter Firmware Upgrade mode!")));
    EXPECT_EQ (window->getStep(), 2);
}
