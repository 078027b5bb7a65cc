#include <gtest/gtest.h>

#include "support/UpgraderFixture.h"

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
    const char* cannotEnter ("Device cannot enter Firmware Upgrade mode!");
    const std::vector<std::string> none;

    std::vector<std::string> waitingTexts (std::initializer_list<int> seconds)
    {
        std::vector<std::string> result;

        for (auto s : seconds)
            result.push_back ("Waiting to enter Firmware Upgrade mode..." + std::to_string (s));

        return result;
    }
}

TEST_F (EnterStep, ToolFamilyAsksThreeTimesAndProbesTheBootloaderBetweenUntilEscapeEndsTheProbingOrSaysWhyItCannot)
{
    struct Row { const char* unitAppearsAfter; bool listed, opens, probing, escape; int runs; std::vector<std::string> waiting; const char* message; };

    const Row rows[] {
        { "3",     true,  true,  false, false, 6,  waitingTexts ({ 1, 1, 2 }),                        nullptr },       // four probes, then one a pass
        { "1000",  true,  true,  false, false, 15, waitingTexts ({ 1, 1, 2, 2, 1, 1, 2, 2, 1, 1, 2, 2 }), cannotEnter },   // five probes a pass, in vain
        { "1000",  true,  true,  true,  false, 15, waitingTexts ({ 1, 1, 1, 2, 1, 1, 1, 2, 1, 1, 1, 2 }), cannotEnter },   // probed every 333 ms
        { "1000",  true,  true,  false, true,  1,  waitingTexts ({ 1 }),                              cannotEnter },   // the later passes still ask
        // A bootloader that answers, but not with success; without a port only a full success counts.
        { nullptr, true,  false, false, false, 0,  {}, "Target device is occupied!" },
        { nullptr, false, false, false, false, 0,  {}, "No target!" },
        { nullptr, false, false, true,  false, 1,  {}, "The target device of \"R7-X1\" is not found!" },
    };

    for (auto& row : rows)
    {
        sim::FlashToolStandIn unit;
        unit.setSwitch (row.unitAppearsAfter != nullptr ? "present-after" : "fail-property", row.unitAppearsAfter);
        const auto names = row.listed ? juce::StringArray (toolUnitPort) : juce::StringArray();
        sim::NamedPorts unitPorts (names, names);
        unitPorts.getPorts().setRefusingOpens (toolUnitPort, ! row.opens);

        sim::StepWindow window (2056);
        toolProbeMode = row.probing;
        toolModeEntered = false;
        abortRequested = true;   // left by an earlier run: it must not end this one
        window->deviceReplyText = toolUnitPort;

        sim::MessageWatch escape ([&] { return row.escape && window.statusTexts().contains ("Waiting to enter Firmware Upgrade mode...1"); },
                                  [&] { window.pressEscape(); });

        EXPECT_EQ (window->stepEnter (2), row.message == nullptr) << row.message;
        const std::vector<std::string> askedThreeTimes { wakeUp, enterR7X1, wakeUp, enterR7X1, wakeUp, enterR7X1 };
        EXPECT_EQ (texts (unitPorts.messagesTo (toolUnitPort)), row.opens ? askedThreeTimes : none);
        EXPECT_EQ (texts (unit.describeRuns()), std::vector<std::string> ((size_t) row.runs, probe));
        EXPECT_EQ (sim::nonEmpty (window.statusTexts()), row.waiting);
        EXPECT_EQ (toolModeEntered, row.message == nullptr);
        EXPECT_EQ (window->getStep(), row.message == nullptr ? 3 : 2);
        EXPECT_EQ (messages(), row.message == nullptr ? none : std::vector<std::string> { row.message });
    }
}

TEST_F (EnterStep, MidiUnitsAreAskedUntilTheyComeBackInUpgradeModeAndOneThatNeverDoesFails)
{
    using Naming = sim::SimulatedUpgradeUnit::Naming;
    struct Row { const char* model; int productId; bool inUpgradeMode, neverBack, repeating; std::vector<std::string> requests; Naming naming = Naming::linux; };

    const std::vector<std::string> mixoraRequests { wakeUp, "F0 1D 03 00 5E 00 7F 7F F7" };
    const std::string keyboardVersionRequest ("F0 1D 03 20 22 00 01 00 F7"), keyboardEnter ("F0 1D 03 20 22 00 7F 7F F7");
    const std::vector<std::string> keyboardRequests { wakeUp, keyboardVersionRequest, wakeUp, keyboardEnter };
    auto keyboardBack = keyboardRequests;
    keyboardBack.insert (keyboardBack.end(), { wakeUp, keyboardVersionRequest });   // asked again under its returned ports

    const Row rows[] {
        { "Mixora C4", 94,   false, false, false, mixoraRequests },
        { "Qenta 32",  26,   false, false, false, { wakeUp, "F0 1D 03 00 55 55 7F F7" } },                                      // the short form only
        { "Tonvik 3",  101,  false, false, false, { wakeUp, "F0 1D 03 00 65 00 7F 7F F7", wakeUp, "F0 1D 03 00 65 55 7F F7" } }, // both forms
        { "Mixora C4", 94,   true,  false, false, {} },                                                                          // asked on its upgrade port
        { "Mixora C4", 94,   false, true,  false, mixoraRequests },
        { "Mixora C4", 94,   false, true,  true,  mixoraRequests },                                                              // no box while runs repeat
        { "Dravel 49", 4130, false, false, false, keyboardBack, Naming::windows },
        { "Dravel 49", 4130, false, false, false, keyboardBack },
        { "Dravel 49", 4130, false, true,  false, keyboardRequests },
    };

    for (auto& row : rows)
    {
        auto options = linuxUnit (row.model, row.productId, row.productId == 4130, row.inUpgradeMode);
        options.naming = row.naming;
        auto& unit = addUnit (options);
        unit.setNeverComesBack (row.neverBack);

        {
            sim::StepWindow window (row.productId);
            repeatMode = row.repeating;
            abortRequested = true;   // left by an earlier run: it must not end this one
            window->deviceReplyText = row.inUpgradeMode ? juce::String ("Halvik firmware upgrade") : juce::String (row.model) + " MIDI 1";

            EXPECT_EQ (window->stepEnter (2), ! row.neverBack) << row.model;
            EXPECT_EQ (unit.isInUpgradeMode(), ! row.neverBack);
            EXPECT_EQ (window->getStep(), row.neverBack ? 2 : 3);
            std::vector<std::string> received;

            for (auto& message : unit.received())
                received.push_back (sim::SimulatedMidiPorts::hexOf (message).toStdString());

            EXPECT_EQ (received, row.requests) << row.model << ": one try, and the unit went";
            EXPECT_EQ (messages(), row.neverBack && ! row.repeating ? std::vector<std::string> { cannotEnter } : none);
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
