#include <gtest/gtest.h>

#include "support/DeviceChooserAnswers.h"
#include "support/MessageWatch.h"
#include "support/NamedPorts.h"
#include "support/StepWindow.h"
#include "support/UpgradeStepsFixture.h"

#include "firmware/UpgraderState.h"

using namespace halvik;

// The Start step: it finds the unit, lets the user confirm it in the device
// chooser, refuses what cannot be upgraded and moves on to step 2.

namespace
{
    struct StartStep : sim::UpgradeStepsFixture
    {
        StartStep()
        {
            prompts.dialogAnswer = sim::clickOkInDeviceChooser();
        }

        /** The ports of one unit, under the names ALSA gives them: each port
            is an output and an input of the same name. */
        sim::NamedPorts plugIn (const juce::StringArray& names)
        {
            return sim::NamedPorts (ports, names, names);
        }

        juce::StringArray dialogsShown() const
        {
            juce::StringArray titles;

            for (auto& shown : prompts.ofKind ("dialog"))
                titles.add (shown.title);

            return titles;
        }
    };

    const juce::String keep ("-u -- get-property 1");
    const juce::String reset ("-u -- reset");

    juce::StringArray numberedTexts (const juce::String& prefix, int first, int last, const juce::String& suffix = {})
    {
        juce::StringArray texts;

        for (int i = first; i <= last; ++i)
            texts.add (prefix + juce::String (i) + suffix);

        return texts;
    }
}

//==============================================================================
TEST_F (StartStep, WithNoUnitTheWaitCountsTheSecondsThenTheTargetIsNotFound)
{
    struct Row { bool autoAdvancing; int polls; };

    for (auto row : { Row { false, 12 }, Row { true, 16 } })
    {
        ports.clearTimeline();
        prompts.shown.clear();
        sim::StepWindow window (94);
        autoAdvance = row.autoAdvancing;

        EXPECT_FALSE (window->stepStart (1));

        auto expected = numberedTexts ("(", 1, row.polls, ")");
        expected.add ({});
        EXPECT_EQ (sim::texts (window.statusTexts()), sim::texts (expected)) << "auto-advance " << row.autoAdvancing;
        EXPECT_EQ (pausesOf (1000.0), row.polls);

        ASSERT_EQ (prompts.shown.size(), 1u);
        EXPECT_EQ (prompts.shown[0].message, "Target device not found!");
        EXPECT_EQ (prompts.shown[0].title, "Firmware Upgrade");
        EXPECT_EQ (prompts.shown[0].icon, juce::MessageBoxIconType::InfoIcon);
        EXPECT_EQ (window->getStep(), 1);
        EXPECT_FALSE (upgraderBusy);
    }
}

TEST_F (StartStep, EscapeEndsTheWaitAtTheNextPoll)
{
    sim::StepWindow window (94);
    autoAdvance = false;
    window.whenTitleContains ("(3)", [&] { window.pressEscape(); });

    EXPECT_FALSE (window->stepStart (1));
    EXPECT_EQ (sim::texts (window.statusTexts()), sim::texts (juce::StringArray ("(1)", "(2)", "(3)", "")));
    EXPECT_EQ (sim::texts (prompts.messages()), sim::texts (juce::StringArray ("Target device not found!")));
    EXPECT_EQ (window->getStep(), 1);
    EXPECT_FALSE (upgraderBusy);
}

TEST_F (StartStep, AnEscapeLeftFromAnEarlierRunDoesNotEndTheSearch)
{
    auto unit = plugIn ({ "Mixora C4 MIDI 1" });

    sim::StepWindow window (94);
    autoAdvance = false;
    abortRequested = true;

    EXPECT_TRUE (window->stepStart (1));
    EXPECT_EQ (window->getStep(), 2);
}

TEST_F (StartStep, TwoUnitsOfTheChosenProductAreRefused)
{
    struct Row { int productId; juce::StringArray ports; };

    const Row rows[] {
        { 94,   { "Mixora C4 MIDI 1", "2- Mixora C4 MIDI 1" } },
        { 4130, { "Dravel 49 MIDI 1", "Dravel 49 MIDI 2", "2- Dravel 49 MIDI 1", "2- Dravel 49 MIDI 2" } },
    };

    for (auto& row : rows)
    {
        sim::SimulatedMidiPorts rowPorts;
        rowPorts.setRealPauses (false);
        sim::NamedPorts units (rowPorts, row.ports, row.ports);

        prompts.shown.clear();
        sim::StepWindow window (row.productId);
        autoAdvance = false;

        EXPECT_FALSE (window->stepStart (1)) << row.productId;
        EXPECT_EQ (sim::texts (prompts.messages()), sim::texts (juce::StringArray ("Connect ONLY the device you want to update."))) << row.productId;
        EXPECT_EQ (window->getStep(), 1);
        EXPECT_TRUE (rowPorts.timeline().empty() || rowPorts.describeTimeline().joinIntoString (" ").startsWith ("pause"))
            << "nothing is sent to either unit";
    }
}

TEST_F (StartStep, SomeHostsCannotUpgradeTheOlderProducts)
{
    struct Row { const char* cpu; int productId; const char* port; bool refused; };

    const Row rows[] {
        { "AMD Ryzen 7 5800X 8-Core Processor", 157,  "Faderon VM MIDI 1", true  },
        { "Apple M2 Max",                       157,  "Faderon VM MIDI 1", true  },
        { "Intel(R) Core(TM) i5-8250U CPU",     157,  "Faderon VM MIDI 1", false },
        { "AMD Ryzen 7 5800X 8-Core Processor", 2048, "Strima 2 MIDI 1",   false },
    };

    for (auto& row : rows)
    {
        const auto described = juce::String (row.cpu) + ", product " + juce::String (row.productId);
        setHostCpuModelForTesting (row.cpu);

        sim::SimulatedMidiPorts rowPorts;
        rowPorts.setRealPauses (false);
        sim::NamedPorts unit (rowPorts, { row.port }, { row.port });

        prompts.shown.clear();
        sim::StepWindow window (row.productId);
        autoAdvance = false;

        EXPECT_EQ (window->stepStart (1), ! row.refused) << described;
        EXPECT_EQ (window->getStep(), row.refused ? 1 : 2) << described;

        if (row.refused)
        {
            EXPECT_EQ (prompts.messages(), juce::StringArray ("Cannot upgrade firmware!\n \nSince your system does not "
                                                              "support to upgrade firmware for this product."))
                << described;
            EXPECT_EQ (prompts.shown.back().icon, juce::MessageBoxIconType::WarningIcon);
        }
        else
        {
            EXPECT_TRUE (prompts.messages().isEmpty()) << described;
            EXPECT_TRUE (window.title().endsWith (": " + juce::String (row.productId == 157 ? "Faderon VM" : "Strima 2")))
                << window.title();
        }
    }
}

TEST_F (StartStep, ACancelledChooserLeavesTheStepAtTheStart)
{
    auto unit = plugIn ({ "Mixora C4 MIDI 1" });
    prompts.dialogAnswer = nullptr;

    sim::StepWindow window (94);
    autoAdvance = false;

    EXPECT_FALSE (window->stepStart (1));
    EXPECT_EQ (sim::texts (dialogsShown()), sim::texts (juce::StringArray ("Choose Your Halvik Device")));
    EXPECT_EQ (window->getStep(), 1);
    EXPECT_TRUE (prompts.messages().isEmpty());
}

//==============================================================================
TEST_F (StartStep, ToolFamilyWithoutTheToolFindsNothing)
{
    auto unit = plugIn ({ "R7-X1 MIDI 1" });

    sim::StepWindow window (2056);
    flashToolPath = dataHome.get().getChildFile ("no-tool/blhost").getFullPathName();

    EXPECT_FALSE (window->stepStart (1));
    EXPECT_EQ (sim::texts (prompts.messages()), sim::texts (juce::StringArray ("Target device not found!")));
    EXPECT_TRUE (tool.describeRuns().isEmpty());
}

TEST_F (StartStep, ToolFamilyWithOneUnitSkipsTheChooserAndEntersAtOnce)
{
    auto unit = plugIn ({ "R7-X1 MIDI 1", "R7-X1 MIDI 2" });
    tool.setSwitch ("no-device");   // the Enter step then fails, which ends the run here

    sim::StepWindow window (2056);
    ASSERT_TRUE (autoAdvance);

    EXPECT_TRUE (window->stepStart (1)) << "the unit was found";
    EXPECT_TRUE (dialogsShown().isEmpty());
    EXPECT_EQ (window->deviceReplyText, "R7-X1 MIDI 2") << "its highest-numbered port";
    EXPECT_EQ (unit.messagesTo ("R7-X1 MIDI 2").size(), 6) << "the Enter step asked the unit three times";
    EXPECT_EQ (sim::texts (prompts.messages()), sim::texts (juce::StringArray ("Device cannot enter Firmware Upgrade mode!")));
    EXPECT_EQ (window->getStep(), 2);
}

TEST_F (StartStep, ProbingTheToolCountsInHalfSecondsAndGivesUpAfterTwelveProbes)
{
    tool.setSwitch ("no-device");

    sim::StepWindow window (2056);
    autoAdvance = false;
    toolProbeMode = true;

    EXPECT_FALSE (window->stepStart (1));

    juce::StringArray expected;

    for (int probe = 1; probe <= 11; ++probe)
        expected.add ("Waiting for the target device..." + juce::String (probe / 2));

    expected.addArray ({ "", "" });   // emptied when the search ends, and again when the step reports
    EXPECT_EQ (sim::texts (window.statusTexts()), sim::texts (expected));
    EXPECT_EQ (tool.describeRuns().size(), 12 + 1) << "twelve probes, then the one of the fall-back";
    EXPECT_EQ (sim::texts (prompts.messages()), sim::texts (juce::StringArray ("Target device not found!")));
}

TEST_F (StartStep, ProbingTakesABootloaderWithoutAMidiPortAndEntersIt)
{
    tool.setSwitch ("present-after", "2");

    sim::StepWindow window (2056);
    autoAdvance = false;
    toolProbeMode = true;

    EXPECT_TRUE (window->stepStart (1));
    EXPECT_TRUE (toolModeEntered);
    EXPECT_EQ (sim::texts (tool.describeRuns()), sim::texts (juce::StringArray (keep, keep, keep, keep))) << "three probes to find it, one to enter";
    EXPECT_EQ (window->getStep(), 3);
    EXPECT_TRUE (window.title().endsWith (": R7-X1")) << window.title();
}

TEST_F (StartStep, AUnitInItsBootloaderIsRestartedAndLookedForAboutSixSeconds)
{
    sim::StepWindow window (2056);
    autoAdvance = false;

    EXPECT_FALSE (window->stepStart (1));

    auto expected = numberedTexts ("Waiting for the target MIDI device...", 1, 4);
    expected.addArray ({ "", "" });
    EXPECT_EQ (sim::texts (window.statusTexts()), sim::texts (expected));
    EXPECT_EQ (sim::texts (tool.describeRuns()), sim::texts (juce::StringArray (keep, reset)));

    // Besides the tool's own pause after each of its two commands.
    const auto looks = pausesOf (235.0) - 2;
    EXPECT_EQ (looks, 26) << "a bounded look, not an endless one";
    EXPECT_EQ (sim::texts (prompts.messages()), sim::texts (juce::StringArray ("Target device not found!")));
    EXPECT_EQ (window->getStep(), 1);
}

TEST_F (StartStep, EscapeEndsTheLookForARestartedUnit)
{
    sim::StepWindow window (2056);
    autoAdvance = false;

    // Pressed while the tool restarts the unit, after the wait for its port.
    sim::MessageWatch escape ([&] { return tool.describeRuns().size() >= 1; }, [&] { window.pressEscape(); });

    EXPECT_FALSE (window->stepStart (1));
    EXPECT_TRUE (escape.hasFired());
    EXPECT_EQ (sim::texts (tool.describeRuns()), sim::texts (juce::StringArray (keep, reset)));
    EXPECT_EQ (pausesOf (235.0) - 2, 1) << "one look, then the Escape ends it";
    EXPECT_EQ (sim::texts (prompts.messages()), sim::texts (juce::StringArray ("Target device not found!")));
    EXPECT_EQ (window->getStep(), 1);
}

TEST_F (StartStep, ARestartedUnitIsFoundWhenItsPortComesBack)
{
    sim::StepWindow window (2056);
    autoAdvance = false;
    toolModeEntered = true;

    std::unique_ptr<sim::NamedPorts> unit;
    sim::MessageWatch comesBack ([&] { return tool.describeRuns().contains (reset); },
                                 [&] { unit = std::make_unique<sim::NamedPorts> (ports, juce::StringArray ("R7-X1 MIDI 1"),
                                                                                  juce::StringArray ("R7-X1 MIDI 1")); });

    EXPECT_TRUE (window->stepStart (1));
    EXPECT_EQ (sim::texts (dialogsShown()), sim::texts (juce::StringArray ("Choose Your Halvik Device")));
    EXPECT_EQ (window->deviceReplyText, "R7-X1 MIDI 1");
    EXPECT_FALSE (toolModeEntered) << "the unit left its bootloader";
    EXPECT_EQ (targetPortCount, 1);
    EXPECT_EQ (window->getStep(), 2);
}

//==============================================================================
namespace
{
    sim::SimulatedUpgradeUnit::Options linuxKeyboard (bool inUpgradeMode = false)
    {
        sim::SimulatedUpgradeUnit::Options options;
        options.model = "Dravel 49";
        options.productId = 4130;
        options.naming = sim::SimulatedUpgradeUnit::Naming::linux;
        options.startsInUpgradeMode = inUpgradeMode;
        return options;
    }
}

TEST_F (StartStep, AKeyboardWithLinuxPortNamesGoesFromStartThroughEnterToActivate)
{
    auto& keyboard = addUnit (linuxKeyboard());

    sim::StepWindow window (4130);
    autoAdvance = false;   // one step at a time

    EXPECT_TRUE (window->stepStart (1));
    EXPECT_EQ (window->deviceReplyText, "Dravel 49 MIDI 1") << "the keyboard's first port, confirmed in the chooser";
    EXPECT_FLOAT_EQ (window->startVersion, 1.06f) << "the version the keyboard reported";
    EXPECT_TRUE (window.title().endsWith (": Dravel 49")) << window.title();
    EXPECT_EQ (window->getStep(), 2);

    EXPECT_TRUE (window->stepEnter (2));
    EXPECT_TRUE (keyboard.isInUpgradeMode());
    EXPECT_EQ (window->getStep(), 3);

    EXPECT_TRUE (window->stepActivate (1));
    EXPECT_EQ (window->getStep(), 4);
    EXPECT_EQ (activatedMarker, 1);
    EXPECT_FALSE (window->getStepButton (0).isEnabled());
    EXPECT_FALSE (window->getStepButton (1).isEnabled());
    EXPECT_TRUE (window->getStepButton (2).isEnabled());
    EXPECT_EQ (ports.openOutputsNow ("Dravel 49 MIDI 1"), 1) << "the chosen port stays open for the upload";

    EXPECT_EQ (sim::texts (dialogsShown()), sim::texts (juce::StringArray ("Choose Your Halvik Device", "Choose Your Halvik Device")));
    EXPECT_TRUE (prompts.messages().isEmpty()) << prompts.messages().joinIntoString (" | ");
}

TEST_F (StartStep, AKeyboardLeftInUpgradeModeIsRestartedAndItsNewVersionKept)
{
    auto& keyboard = addUnit (linuxKeyboard (true));

    sim::StepWindow window (4130);
    autoAdvance = false;

    EXPECT_TRUE (window->stepStart (1));
    EXPECT_FALSE (keyboard.isInUpgradeMode());
    EXPECT_TRUE (keyboard.log().contains ("reset"));
    EXPECT_FLOAT_EQ (window->startVersion, 1.07f);
    EXPECT_EQ (window->getStep(), 2);
}

TEST_F (StartStep, UnitsLeftInUpgradeModeAreOfferedAWayOut)
{
    struct Row { bool answerYes; bool unitLeaves; bool resetSent; juce::StringArray hint; };

    const juce::String question ("It looks like some of your units are already in firmware upgrade mode. \n"
                                 " Do you want to let them leave firmware upgrade mode?");
    const juce::String hint ("It looks like your device is still in firmware upgrade mode. \n"
                             "Please turn off and turn on the device and try again.");

    for (auto row : { Row { true, true, true, {} }, Row { true, false, true, { hint } }, Row { false, true, false, {} } })
    {
        const auto described = juce::String ("yes ") + juce::String ((int) row.answerYes) + ", leaves " + juce::String ((int) row.unitLeaves);

        sim::SimulatedUpgradeUnit::Options mixer;
        mixer.model = "Mixora C4";
        mixer.productId = 94;
        mixer.naming = sim::SimulatedUpgradeUnit::Naming::linux;
        mixer.hasSecondPort = false;
        addUnit (mixer);

        sim::SimulatedUpgradeUnit::Options stuck;
        stuck.productId = 79;
        stuck.startsInUpgradeMode = true;
        stuck.leaveAfterMs = row.unitLeaves ? 10.0 : 10000.0;
        auto& stuckUnit = addUnit (stuck);

        prompts.shown.clear();
        prompts.okCancelAnswers = { row.answerYes };

        {
            sim::StepWindow window (94);
            autoAdvance = false;

            EXPECT_FALSE (window->stepStart (1)) << described;

            const auto questions = prompts.ofKind ("okCancel");
            ASSERT_EQ (questions.size(), 1u) << described;
            EXPECT_EQ (questions[0].message, question);
            EXPECT_EQ (sim::texts (questions[0].buttons), sim::texts (juce::StringArray ("Yes", "No")));
            EXPECT_EQ (stuckUnit.log().contains ("reset"), row.resetSent) << described;

            auto messages = prompts.messages();
            messages.removeString ("Warning: Cannot find target unit!");   // the chooser's, with a unit in upgrade mode about
            EXPECT_EQ (sim::texts (messages), sim::texts (row.hint)) << described;
        }

        units.clear();
    }
}
