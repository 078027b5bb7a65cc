#include <gtest/gtest.h>

#include "support/UpgraderFixture.h"

using namespace halvik;
using sim::texts;

// The upgrade window as the user drives it: its build box on F1, its five
// step buttons clicked in turn, and the Start step on a chosen port whose
// name tells no product: a unit that an interrupted upgrade left in upgrade
// mode, or a generic port while the flashing tool is probed.

namespace
{
    using Icon = juce::MessageBoxIconType;

    const std::vector<std::string> none;

    struct UpgraderByHand : sim::UpgradeStepsFixture
    {
        UpgraderByHand()  { prompts.dialogAnswer = sim::ChooserUser {}; }

        /** Clicks one of the window's step buttons as a user does, and returns
            once the step that the click started has ended. */
        void click (sim::StepWindow& window, int index)
        {
            auto& button = window->getStepButton (index);
            ASSERT_TRUE (button.isEnabled()) << button.getButtonText() << ": a disabled button takes no click";
            bool ended = false;

            // A button calls this after its listeners, the window among them.
            button.onClick = [&ended] { ended = true; };
            button.triggerClick();

            EXPECT_TRUE (testsupport::dispatchUntil ([&] { return ended; })) << button.getButtonText();
            button.onClick = nullptr;
        }

        /** The boxes shown, without the device chooser's own warning that it
            found no unit of the product to preselect. */
        std::vector<std::string> stepBoxes() const
        {
            auto shown = boxes();
            shown.erase (std::remove (shown.begin(), shown.end(),
                                      box (Icon::NoIcon, {}, "Warning: Cannot find target unit!")),
                         shown.end());
            return shown;
        }

        /** A box of the Start step. */
        static std::string startBox (Icon icon, const char* message)
        {
            return box (icon, "Firmware Upgrade", message);
        }
    };

    using UpgradeWindowByHand = UpgraderByHand;
    using StartOnAPortNamingNoProduct = UpgraderByHand;
    using ActivateOnASharedUpgradePort = UpgraderByHand;
}

TEST_F (UpgradeWindowByHand, F1ShowsTheBuildBoxWithTheUpgradersVersionBuildDateYearsAndMaker)
{
    sim::StepWindow window (94);

    window->keyPressed (juce::KeyPress (juce::KeyPress::F1Key));

    EXPECT_EQ (boxes(), std::vector<std::string> { box (Icon::NoIcon, "\n\nHalvik Firmware Upgrader\n\nV1.76",
                                                        "Build 29C, Jul 14 2025\n\n"
                                                        "Copyright (c) 2018-2025 Halvik Audio") });
}

TEST_F (UpgradeWindowByHand, EachStepButtonRunsItsOwnStepSoThatFiveClicksUpgradeAMidiUnit)
{
    auto& unit = addUnit (linuxUnit ("Mixora C4", 94));
    const juce::File image (makeImage ("mixora_c4_v2.10.bin", 3 * 512));
    prompts.fileAnswers = { image };
    sim::StepWindow window (94, false);   // step 4 loads a file

    click (window, 0);
    EXPECT_EQ (window->getStep(), 2) << "Start chose the unit";
    EXPECT_EQ (window.title().toStdString(), "Firmware Upgrade [M]: Mixora C4");
    EXPECT_TRUE (unit.received().empty());

    click (window, 1);
    EXPECT_EQ (window->getStep(), 3);
    EXPECT_TRUE (unit.isInUpgradeMode()) << "Enter asked it into its upgrade mode";

    click (window, 2);
    EXPECT_EQ (window->getStep(), 4);
    EXPECT_EQ (ports.openOutputsNow (unit.outputName()), 1) << "Activate opened its upgrade port";

    click (window, 3);
    EXPECT_EQ (window->getStep(), 5);
    EXPECT_EQ (texts (prompts.titlesOf ("file")), std::vector<std::string> { "Choose The Firmware File" });

    click (window, 4);
    const auto written = contentOf (image.getFullPathName());
    const auto* bytes = static_cast<const juce::uint8*> (written.getData());
    EXPECT_EQ (unit.storedImage(), std::vector<juce::uint8> (bytes, bytes + written.getSize()));
    EXPECT_EQ (boxes(), std::vector<std::string> { box (Icon::InfoIcon, "Firmware Upgrade Succeeded",
                                                        "Your firmware has been upgraded!") });
    EXPECT_EQ (window->getStep(), 1);
}

//==============================================================================
TEST_F (StartOnAPortNamingNoProduct, AUnitLeftInUpgradeModeIsOfferedAWayOutAndEachAnswerLeadsWhereItSays)
{
    enum Answer { no, yes };
    enum Stuck { leavesWhenReset, staysInUpgradeMode };
    struct Row { Answer answer; Stuck stuck; std::vector<std::string> boxes; };

    const auto stillThere = startBox (Icon::WarningIcon, "It looks like your device is still in firmware upgrade "
                                                         "mode. \nPlease turn off and turn on the device and try "
                                                         "again.");
    const auto question = startBox (Icon::InfoIcon, "It looks like some of your units are already in firmware upgrade "
                                                    "mode. \n Do you want to let them leave firmware upgrade mode?");

    for (auto& row : { Row { yes, leavesWhenReset, none }, Row { yes, staysInUpgradeMode, { stillThere } },
                       Row { no, leavesWhenReset, none } })
    {
        // Listed first, the unit in upgrade mode is what the chooser offers
        // when it finds no unit of the product; another unit in its normal
        // mode ends the search for a unit at once.
        auto stuck = linuxUnit ("Mixora S8", 79, false, true);
        stuck.leaveAfterMs = row.stuck == leavesWhenReset ? 10.0 : 10000.0;
        auto& stuckUnit = addUnit (stuck);
        addUnit (linuxUnit ("Mixora C4", 94));
        prompts.okCancelAnswers = { row.answer == yes };

        // While the tool is not probed the chooser's OK takes no upgrade
        // port: the port comes as the chooser preselected it.
        prompts.dialogAnswer = [] (juce::Component&, const juce::String&) { return 1; };

        {
            sim::StepWindow window (94);

            EXPECT_FALSE (window->stepStart (1));

            const auto asked = prompts.ofKind ("okCancel");
            ASSERT_EQ (asked.size(), 1u);
            EXPECT_EQ (box (asked[0].icon, asked[0].title, asked[0].message), question);
            EXPECT_EQ (texts (asked[0].buttons), (std::vector<std::string> { "Yes", "No" }));
            EXPECT_EQ (stuckUnit.log().contains ("reset"), row.answer == yes);
            EXPECT_EQ (stuckUnit.isInUpgradeMode(), row.answer == no || row.stuck == staysInUpgradeMode);
            EXPECT_EQ (stepBoxes(), row.boxes);
            EXPECT_EQ (window->getStep(), 1) << "the user starts again";
        }

        units.clear();
    }
}

TEST_F (StartOnAPortNamingNoProduct, WhileTheToolIsProbedSuchAPortIsTakenUnlessTwoUnitsOrThisHostForbidIt)
{
    enum Probing { notProbed, probed };
    struct Row { Probing probing; const char* cpu; juce::StringArray names; std::vector<std::string> boxes; };

    const auto amd = "AMD Ryzen 7 5800X 8-Core Processor", intel = "Intel(R) Core(TM) i5-8250U CPU";
    const std::vector<std::string> notFound { startBox (Icon::WarningIcon, "Target MIDI device not found!") };

    // A first-generation upgrade port is what such a host cannot upgrade.
    const Row rows[] {
        { probed,    intel, { "Halvik firmware upgrade V1.2" }, none },
        { probed,    amd,   { "Halvik firmware upgrade V2.0" }, none },
        { probed,    amd,   { "Halvik firmware upgrade V1.2" },
          { startBox (Icon::WarningIcon, "Cannot upgrade firmware!\n \nSince your system does not support to upgrade "
                                         "firmware for this product.") } },
        { probed,    intel, { "Halvik firmware upgrade", "Halvik firmware upgrade V2.0" },
          { startBox (Icon::InfoIcon, "Connect ONLY the device you want to update.") } },
        { probed,    intel, { "HALVIK Midi 1" }, none },
        { notProbed, intel, { "HALVIK Midi 1" }, notFound },
        { notProbed, intel, { "Sorra2 Go MIDI 1" }, notFound },   // a model that its port name does not tell
    };

    for (auto& row : rows)
    {
        SCOPED_TRACE (row.names.joinIntoString (", ") + " on " + row.cpu + (row.probing == probed ? ", probed" : ""));
        setHostCpuModelForTesting (row.cpu);
        sim::NamedPorts unitPorts (row.names, row.names);
        sim::StepWindow window (94);

        if (row.probing == probed)
            window->keyPressed (juce::KeyPress ('t'));

        const bool takesIt = row.boxes.empty();

        EXPECT_EQ (window->stepStart (1), takesIt);
        EXPECT_EQ (stepBoxes(), row.boxes);
        EXPECT_EQ (window->getStep(), takesIt ? 2 : 1);

        if (takesIt)
            EXPECT_EQ (window.title().toStdString(), "Firmware Upgrade.: Mixora C4")
                << "the product the upgrader was opened for";

        for (auto& name : row.names)
            EXPECT_TRUE (unitPorts.messagesTo (name).isEmpty()) << name;
    }
}

//==============================================================================
TEST_F (ActivateOnASharedUpgradePort, AUnitFoundInUpgradeModeLaterIsTakenAsTheModelItWasActivatedAs)
{
    enum Accept { anyProduct, onlyTheRequested };
    struct Row { Accept accept; std::string title; };

    for (auto row : { Row { anyProduct, "Firmware Upgrade.: Faderon Air RX" },
                      Row { onlyTheRequested, "Firmware Upgrade.: Faderon Air" } })
    {
        units.clear();
        auto options = linuxUnit ("Faderon Air RX", 2052);
        options.upgradePortName = "Halvik firmware upgrade V2.0";
        addUnit (options);

        // Opened for the Air, the upgrader finds the Air RX that is plugged in.
        sim::StepWindow window (186);
        ASSERT_TRUE (window->stepStart (1));
        ASSERT_TRUE (window->stepEnter (2));
        ASSERT_TRUE (window->stepActivate (1));

        // The run ends there with the unit in upgrade mode; the user starts
        // again with the tool probed (and, in one row, only the product the
        // upgrader was opened for accepted).
        window->keyPressed (juce::KeyPress ('t'));

        if (row.accept == onlyTheRequested)
            window->keyPressed (juce::KeyPress ('o'));

        EXPECT_TRUE (window->stepStart (1));
        EXPECT_EQ (window.title().toStdString(), row.title);
        EXPECT_EQ (window->getStep(), 2);
    }
}
