#include <gtest/gtest.h>

#include "support/UpgraderFixture.h"

#include "firmware/window/UpgraderDialogWindow.h"

#include <thread>

using namespace halvik;

namespace
{
    using UpgradeWindow = sim::UpgraderFixture;
    using sim::enabledButtons;

    /** The window inside its dialog on the desktop, not modal. */
    struct OnScreen
    {
        explicit OnScreen (int productId) : window (productId, true), dialog ("Firmware Upgrade", window, nullptr, false)
        {
            dialog.setVisible (true);
        }

        FirmwareUpgradeComponent window;
        UpgraderDialogWindow dialog;
    };
}

TEST_F (UpgradeWindow, TheStepDecidesWhichButtonsAreEnabledAndHowFarTheBarIs)
{
    FirmwareUpgradeComponent window (94, true);
    EXPECT_EQ (enabledButtons (window), "10000") << "before any step";
    selectedMarker = activatedMarker = 1;

    struct Row { int step; const char* buttons; double progress; };

    for (auto row : { Row { 3, "11100", 0.4 }, Row { 6, "11111", 1.0 }, Row { 7, "00000", 1.2 },
                      Row { 2, "11000", 0.2 }, Row { -1, "10000", 0.0 } })
    {
        window.setStep (row.step);
        EXPECT_EQ (enabledButtons (window), row.buttons) << "step " << row.step;
        EXPECT_DOUBLE_EQ (window.getProgress(), row.progress) << "step " << row.step;
        EXPECT_DOUBLE_EQ (window.getShownProgress(), row.progress) << "step " << row.step;
    }

    EXPECT_EQ (window.getStep(), 1);
    EXPECT_EQ (selectedMarker + activatedMarker, 0) << "back at step 1 the marks are gone";

    window.setStep (3);
    window.setBusy (true);
    EXPECT_EQ (enabledButtons (window), "00000");
    window.setBusy (false);
    EXPECT_EQ (enabledButtons (window), "11111") << "the step sets its buttons again after its work";
}

TEST_F (UpgradeWindow, ProgressAndStatusFromTheUploadThreadReachTheBarAndTheLabel)
{
    FirmwareUpgradeComponent window (94, true);

    std::thread ([&] { window.setProgress (1.7); window.setStatusLabelText ("Uploading firmware"); }).join();

    EXPECT_TRUE (testsupport::dispatchUntil ([&] { return window.getShownProgress() == 1.0; })) << "clamped to the bar's end";
    EXPECT_TRUE (testsupport::dispatchUntil ([&] { return window.getStatusLabel().getText() == "Uploading firmware"; }));
}

TEST_F (UpgradeWindow, EveryHiddenLetterTogglesItsModeInEitherCaseAndWithAnyModifierAndTheTitleShowsTheModes)
{
    struct Row { char letter; bool* flag; };

    OnScreen screen (2056);
    auto& window = screen.window;

    for (auto row : { Row { 'A', &autoAdvance }, Row { 'M', &serverListEnabled }, Row { 'O', &acceptAnyProduct },
                      Row { 'S', &repeatMode }, Row { 'T', &toolProbeMode } })
    {
        for (auto code : { (int) row.letter, (int) row.letter - 'A' + 'a' })
        {
            for (int modifier : { 0, (int) juce::ModifierKeys::shiftModifier, (int) juce::ModifierKeys::ctrlModifier })
            {
                const bool before = *row.flag;
                EXPECT_FALSE (window.keyPressed (juce::KeyPress (code, juce::ModifierKeys (modifier), 0))) << "the key goes on to the dialog";
                EXPECT_NE (*row.flag, before) << (char) code << " with modifiers " << modifier;
            }
        }
    }

    // M and T retitle the dialog at once; on a tool-family unit T also
    // decides whether another member of its group is accepted.
    window.targetProductId = 2067;
    acceptAnyProduct = false;
    window.keyPressed (juce::KeyPress ('m'));
    window.keyPressed (juce::KeyPress ('t'));
    EXPECT_FALSE (window.useServerList);
    EXPECT_TRUE (acceptAnyProduct);
    EXPECT_EQ (window.targetProductId, 2056);
    EXPECT_EQ (screen.dialog.getName(), "Firmware Upgrade. [M]");

    window.keyPressed (juce::KeyPress ('t'));
    EXPECT_FALSE (acceptAnyProduct) << "the tool family accepts only its own product";

    // Escape asks the step to stop and ends repeated runs; S clears the request.
    repeatMode = true;
    window.keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
    EXPECT_FALSE (repeatMode);

    window.keyPressed (juce::KeyPress ('s'));
    EXPECT_FALSE (abortRequested);
    EXPECT_TRUE (repeatMode);

    // The status follows the modes and the count of repeated runs.
    repeatRunCount = 3;
    window.setStatusText ("Waiting...1", false);
    window.setStatusText ("not shown", true);
    EXPECT_EQ (screen.dialog.getName(), "Firmware Upgrade [M][3/20]: Waiting...1");
}

TEST_F (UpgradeWindow,
        TheCloseButtonIsRefusedOnlyWhileAStepIsBusyOrAWindowOpenedFromTheDialogRunsInFrontAndEscapeNeverCloses)
{
    enum Step { idle, busy };
    enum Advance { stepByStep, runningOn };
    enum InFront { nothing, aWindowOfTheDialog };
    enum Close { refused, closes };
    struct Row { Step step; Advance advance; InFront inFront; Close close; };
    enum How { closeButton, byTheWindow, escape };

    for (auto row : { Row { busy, stepByStep, nothing, refused }, Row { busy, runningOn, nothing, refused },
                      Row { idle, runningOn, nothing, closes }, Row { idle, stepByStep, nothing, closes },
                      Row { idle, stepByStep, aWindowOfTheDialog, refused } })
    {
        for (auto how : { closeButton, byTheWindow, escape })
        {
            OnScreen screen (4130);
            upgraderBusy = row.step == busy;
            autoAdvance = row.advance == runningOn;

            juce::Component inFront;

            if (row.inFront == aWindowOfTheDialog)
            {
                inFront.setSize (10, 10);
                inFront.addToDesktop (0);
                inFront.enterModalState (false);
            }

            if (how == byTheWindow)
                screen.window.userTriedToCloseWindow();
            else if (how == closeButton)
                screen.dialog.closeButtonPressed();
            else
                static_cast<juce::Component&> (screen.dialog).keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));

            EXPECT_EQ (! screen.dialog.isVisible(), row.close == closes && how != escape)
                << "step " << row.step << " advance " << row.advance << " in front " << row.inFront << " by " << how;
        }
    }
}

using UpgradeWindowClosing = sim::ToolFamilyFixture;

TEST_F (UpgradeWindowClosing, ResetsEveryUnitThatMayStillSitInItsBootloaderAndNoOther)
{
    juce::StringArray upgradePorts;

    for (int i = 1; i <= 12; ++i)
        upgradePorts.add ("Halvik firmware upgrade MIDI " + juce::String (i));

    auto allPorts = upgradePorts;
    allPorts.addArray ({ "Dravel 49", "MIDIOUT2 (Dravel 49)", "Dravel 61X MIDI 1", "Dravel 61X MIDI 2", "Sorra2 MIDI 1", "R7-X1 MIDI 1" });

    // A tool-family unit is restarted through the tool, once, with no MIDI.
    struct Row { int productId; bool toolModeEntered; juce::StringArray reset; int toolResets; };

    for (auto& row : { Row { 94,   false, upgradePorts, 0 },
                       Row { 4130, false, { "Dravel 49", "Dravel 61X MIDI 1" }, 0 },
                       Row { 2056, true,  {}, 1 },
                       Row { 2056, false, {}, 0 } })
    {
        sim::FlashToolStandIn unit;
        sim::NamedPorts plugged (allPorts);
        toolModeEntered = row.toolModeEntered;

        std::make_unique<FirmwareUpgradeComponent> (row.productId, true).reset();

        for (auto& name : allPorts)
        {
            const auto received = plugged.messagesTo (name);
            const auto expected = row.reset.contains (name) ? 18 : 0;   // the wake-up and the 17 bytes of the reset packet
            EXPECT_EQ (received.size(), expected) << row.productId << ": " << name;

            if (expected > 0 && received.size() > 0)
                EXPECT_EQ (received[0], "EF 7F 7F");
        }

        EXPECT_EQ (sim::texts (unit.describeRuns()), std::vector<std::string> ((size_t) row.toolResets, "-u -- reset")) << row.productId;
        EXPECT_EQ (toolModeEntered, row.toolModeEntered) << "the mark stays as it was";
    }
}

using UpgradeWindowGoingMidStep = sim::UpgradeStepsFixture;

TEST_F (UpgradeWindowGoingMidStep, LeavesNoStepBusySoTheNextWindowCanBeClosed)
{
    std::unique_ptr<FirmwareUpgradeComponent> window;

    struct Row
    {
        const char* how;
        std::function<void()> run;
    };

    const Row rows[] {
        { "the Activate step's device chooser takes the window away", [&]
          {
              window = std::make_unique<FirmwareUpgradeComponent> (94, true);
              prompts.dialogAnswer = [&] (juce::Component&, const juce::String&) { window.reset(); return 0; };
              EXPECT_FALSE (window->stepActivate (1));
          } },
        { "the window goes while the Upgrade step flashes", [&]
          {
              window = readyWindow (2056, "2.00", nullptr, makeImage ("r7_x_v2.01.bin", 3000));
              juce::MessageManager::callAsync ([&] { window.reset(); });
              EXPECT_TRUE (window->stepUpgrade (1));
          } },
        { "the window goes while a keyboard's upload runs on its worker", [&]
          {
              // In real time, pauses only recorded: the worker sends flat out
              // while the message loop watches the unit. Ports closed under
              // its sends would be used after now and then: thirty goings
              // often show it, a sanitizer build every time.
              ports.setClock (nullptr);
              sim::RealTimeScheduler realTime;
              sim::SimulatedUpgradeUnit::Options inUpgradeMode;
              inUpgradeMode.startsInUpgradeMode = true;

              for (int attempt = 0; attempt < 30; ++attempt)
              {
                  sim::SimulatedUpgradeUnit unit (ports, realTime, inUpgradeMode);
                  unit.setDataPacketAnswer (2, sim::SimulatedUpgradeUnit::Answer::yes, 10000.0);   // the upload cannot end first
                  const auto uploadPort = unit.outputName();
                  window = readyWindow (4130, {}, &unit, makeImage ("image.bin", 4 * 512));

                  // Half way through the second packet.
                  sim::MessageWatch goes ([&] { return unit.received().size() > 36 + 530 + 265; }, [&] { window.reset(); });
                  EXPECT_TRUE (window->stepUpgrade (1));

                  // The upload stopped, then its ports closed; the keyboard's
                  // first port was opened for the window's reset.
                  EXPECT_EQ (ports.openOutputsNow (uploadPort) + ports.openInputsNow (uploadPort.replace ("OUT", "IN")), 0);
                  EXPECT_EQ (ports.outputOpenCount ("Dravel 49"), attempt + 1);
              }

              ports.setClock (&clock);
          } },
    };

    for (auto& row : rows)
    {
        SCOPED_TRACE (row.how);
        resetUpgraderState();
        flashToolPath = sim::FlashToolStandIn::toolFile().getFullPathName();
        prompts.dialogAnswer = nullptr;

        row.run();

        EXPECT_EQ (window, nullptr) << "the window went during the step";
        EXPECT_FALSE (upgraderBusy);
        EXPECT_TRUE (juce::Desktop::isScreenSaverEnabled());

        OnScreen next (94);
        next.dialog.closeButtonPressed();
        EXPECT_FALSE (next.dialog.isVisible()) << "the next window closes";
    }
}
