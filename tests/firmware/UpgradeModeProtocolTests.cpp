#include "support/NamedPorts.h"
#include "support/UpgraderMidiFixture.h"

#include "firmware/midi/UpgradeModeProtocol.h"

using Options = sim::SimulatedUpgradeUnit::Options;

namespace
{
    Options keyboard (juce::String model = "Dravel 49", int productId = 0x1022)
    {
        Options options;
        options.model = model;
        options.productId = productId;
        return options;
    }

    int count (const juce::StringArray& lines, const juce::String& line)
    {
        int n = 0;

        for (auto& l : lines)
            n += l == line ? 1 : 0;

        return n;
    }
}

class UpgradeModeProtocol : public UpgraderMidiFixture {};

TEST_F (UpgradeModeProtocol, VersionRequestTellsNormalModeFromUpgradeModeFromSilence)
{
    auto upgradeSilent = keyboard();
    upgradeSilent.startsInUpgradeMode = true;
    upgradeSilent.answersVersionInUpgradeMode = false;
    auto upgrade = keyboard();
    upgrade.startsInUpgradeMode = true;

    const struct { Options unit; int result; float version; int requests; } cases[] =
        { { keyboard(), 1, 1.06f, 1 }, { upgrade, 0, 0.0f, 2 }, { upgradeSilent, -1, -1.0f, 2 } };

    for (auto& c : cases)
    {
        window.reset();
        units.clear();
        auto& unit = addUnit (c.unit);
        auto& w = makeWindow (0x1022);

        EXPECT_EQ (w.requestUnitVersion (2, 400, 1200, -1), c.result);
        EXPECT_EQ (w.unitVersion.load(), c.version);
        EXPECT_EQ (count (unit.log(), "version request"), c.requests);
    }

    // No try at all asks nothing.
    ports.clearTimeline();
    EXPECT_EQ (window->requestUnitVersion (0, 400, 1200, -1), -1);
    EXPECT_EQ (window->unitVersion.load(), -1.0f);
    EXPECT_TRUE (messagesSent().isEmpty());
}

TEST_F (UpgradeModeProtocol, KeyboardGoesIntoUpgradeModeAndComesBackUnderItsOwnPorts)
{
    for (auto naming : { sim::SimulatedUpgradeUnit::Naming::windows, sim::SimulatedUpgradeUnit::Naming::linux })
    {
        window.reset();
        units.clear();
        auto options = keyboard();
        options.naming = naming;
        auto& unit = addUnit (options);
        auto& w = makeWindow (0x1022);
        ASSERT_TRUE (w.openTargetMidiDevices ({}, 0x1022));

        ports.clearTimeline();
        EXPECT_TRUE (w.enterUpgradeModeSequence (w.midiHandler->getOutput()));
        EXPECT_TRUE (unit.isInUpgradeMode());

        EXPECT_EQ (messagesSent(), juce::StringArray ({ "EF 7F 7F", "F0 1D 03 20 22 00 01 00 F7",       // version request
                                                        "EF 7F 7F", "F0 1D 03 20 22 00 7F 7F F7",       // enter upgrade mode
                                                        "EF 7F 7F", "F0 1D 03 20 22 00 01 00 F7" }));
        EXPECT_EQ (unit.log(), juce::StringArray ({ "version request", "enter", "left", "back in upgrade mode",
                                                    "version request" }));

        // The fresh connection is on the unit's second port.
        EXPECT_EQ (ports.openOutputsNow (unit.outputName()), 1);
    }
}

TEST_F (UpgradeModeProtocol, KeyboardThatNeverComesBackIsNotInUpgradeMode)
{
    auto& unit = addUnit (keyboard());
    unit.setNeverComesBack (true);
    auto& w = makeWindow (0x1022);
    ASSERT_TRUE (w.openTargetMidiDevices ({}, 0x1022));

    const auto start = clock.now();
    EXPECT_FALSE (w.enterUpgradeModeSequence (w.midiHandler->getOutput()));

    // The port went, then 20 polls of 100 ms waited for it in vain.
    EXPECT_GE (clock.now() - start, 2.0e6);
    EXPECT_TRUE (unit.log().contains ("left"));
}

TEST_F (UpgradeModeProtocol, LeavingUpgradeModeResetsOnlyAUnitThatIsInIt)
{
    auto inUpgrade = keyboard();
    inUpgrade.startsInUpgradeMode = true;

    const struct { Options unit; int result; bool reset; } cases[] =
        { { keyboard(), 1, false }, { inUpgrade, 1, true } };

    for (auto& c : cases)
    {
        window.reset();
        units.clear();
        auto& unit = addUnit (c.unit);
        auto& w = makeWindow (0x1022);

        EXPECT_EQ (w.leaveUpgradeMode (0x1022), c.result);
        EXPECT_EQ (unit.log().contains ("reset"), c.reset);
        EXPECT_FALSE (unit.isInUpgradeMode());
        EXPECT_EQ (w.unitVersion.load(), c.reset ? 1.07f : 1.06f);
    }

    units.clear();
    EXPECT_EQ (makeWindow (0x1022).leaveUpgradeMode (0x1022), -1);
}

TEST_F (UpgradeModeProtocol, EveryUpgradePortIsResetHoweverManyThereAre)
{
    for (int i = 1; i <= 14; ++i)
    {
        auto options = keyboard ("Mixora C4", 94);
        options.startsInUpgradeMode = true;
        options.upgradePortName = "Halvik firmware upgrade " + juce::String (i);
        options.leaveAfterMs = 20.0;
        addUnit (options);
    }

    EXPECT_TRUE (halvik::resetAllUpgradePorts());

    for (auto& unit : units)
        EXPECT_EQ (unit->log(), juce::StringArray ({ "reset", "left" }));

    // A unit that refuses the reset keeps its port, and says so.
    units.clear();
    auto stubborn = keyboard ("Mixora C4", 94);
    stubborn.startsInUpgradeMode = true;
    addUnit (stubborn).setAnswer (sim::SimulatedUpgradeUnit::Phase::reset, sim::SimulatedUpgradeUnit::Answer::no, 0.2);

    EXPECT_FALSE (halvik::resetAllUpgradePorts());
}

TEST_F (UpgradeModeProtocol, TargetPortsAreTheProductsHighestWithTheirCompanionInput)
{
    const struct { sim::SimulatedUpgradeUnit::Naming naming; bool secondPort; const char* output; const char* input; } cases[] =
    {
        { sim::SimulatedUpgradeUnit::Naming::windows, true,  "MIDIOUT2 (Dravel 49)", "MIDIIN2 (Dravel 49)" },
        { sim::SimulatedUpgradeUnit::Naming::windows, false, "Dravel 49",            "Dravel 49" },
        { sim::SimulatedUpgradeUnit::Naming::linux,   true,  "Dravel 49 MIDI 2",     "Dravel 49 MIDI 2" },
    };

    for (auto& c : cases)
    {
        window.reset();
        units.clear();
        auto options = keyboard();
        options.naming = c.naming;
        options.hasSecondPort = c.secondPort;
        addUnit (options);

        EXPECT_TRUE (makeWindow (0x1022).openTargetMidiDevices ({}, 0x1022)) << c.output;
        EXPECT_EQ (ports.openOutputsNow (c.output), 1) << c.output;
        EXPECT_EQ (ports.openInputsNow (c.input), 1) << c.output;
    }

    EXPECT_FALSE (window->openTargetMidiDevices ({}, 0x1023));
}

TEST_F (UpgradeModeProtocol, CompanionInputIsFoundWhateverItsLetterCase)
{
    sim::NamedPorts plugged (ports, { "MIDIOUT2 (Dravel 49)" }, { "midiin2 (DRAVEL 49)" });

    auto& w = makeWindow (0x1022);
    EXPECT_TRUE (w.openTargetMidiDevices ("MIDIOUT2 (Dravel 49)", 0x1022));

    // Replies from the unit now set the flags; a new connection starts with none.
    EXPECT_TRUE (ports.sendToProgram ("midiin2 (DRAVEL 49)", juce::MidiMessage (0x9F, 0x01, 0x01)));
    EXPECT_TRUE (halvik::dataAckReceived);

    w.midiHandler = std::make_unique<halvik::FirmwareUpgradeComponent::MidiInputHandler> (w);
    EXPECT_FALSE (halvik::dataAckReceived);
}
