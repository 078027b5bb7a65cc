#include <gtest/gtest.h>

#include "support/DispatchUntil.h"
#include "support/NamedPorts.h"
#include "support/ScriptedPrompts.h"

#include "firmware/UpgraderState.h"
#include "firmware/tool/FlashTool.h"
#include "firmware/window/FirmwareUpgradeComponent.h"
#include "firmware/window/UpgraderDialogWindow.h"

#include <thread>

using namespace halvik;

namespace
{
    struct UpgradeWindow : ::testing::Test
    {
        UpgradeWindow()
        {
            resetUpgraderState();
            ports.setRealPauses (false);
        }

        ~UpgradeWindow() override
        {
            resetUpgraderState();
        }

        /** Which of the five step buttons are enabled, as "11100". */
        static juce::String enabledButtons (FirmwareUpgradeComponent& window)
        {
            juce::String pattern;

            for (int i = 0; i < stepCount; ++i)
                pattern << (window.getStepButton (i).isEnabled() ? "1" : "0");

            return pattern;
        }

        /** The window inside its dialog on the desktop, not modal. */
        struct OnScreen
        {
            explicit OnScreen (int productId)
                : window (productId, true),
                  dialog ("Firmware Upgrade", window, false, nullptr, false)
            {
                dialog.setVisible (true);
            }

            FirmwareUpgradeComponent window;
            UpgraderDialogWindow dialog;
        };

        sim::SimulatedMidiPorts ports;
        sim::ScriptedPrompts prompts;
    };

    juce::KeyPress keyWithCode (int code, juce::ModifierKeys modifiers = {})
    {
        return juce::KeyPress (code, modifiers, 0);
    }
}

//==============================================================================
TEST_F (UpgradeWindow, TheStepDecidesWhichButtonsAreEnabledAndHowFarTheBarIs)
{
    FirmwareUpgradeComponent window (94, true);
    EXPECT_EQ (enabledButtons (window), "10000") << "before any step";
    EXPECT_EQ (window.getProgress(), 0.0);

    struct Row { int step; const char* buttons; double progress; };

    const Row rows[] { { 3, "11100", 0.4 }, { 6, "11111", 1.0 }, { 7, "00000", 1.2 },
                       { 2, "11000", 0.2 }, { 1, "10000", 0.0 }, { -1, "10000", 0.0 } };

    for (auto& row : rows)
    {
        window.setStep (row.step);
        EXPECT_EQ (enabledButtons (window), row.buttons) << "step " << row.step;
        EXPECT_DOUBLE_EQ (window.getProgress(), row.progress) << "step " << row.step;
        EXPECT_DOUBLE_EQ (window.getShownProgress(), row.progress) << "step " << row.step;
    }

    EXPECT_EQ (window.getStep(), 1) << "a step below 1 is step 1";
}

TEST_F (UpgradeWindow, BackToStepOneForgetsTheChosenFirmwareAndTheActivation)
{
    FirmwareUpgradeComponent window (94, true);
    window.setStep (5);
    selectedMarker = 1;
    activatedMarker = 1;

    window.setStep (1);
    EXPECT_EQ (selectedMarker, 0);
    EXPECT_EQ (activatedMarker, 0);
}

TEST_F (UpgradeWindow, ABusyStepDisablesEveryButtonAndItsEndEnablesThemAll)
{
    FirmwareUpgradeComponent window (94, true);
    window.setStep (3);

    window.setBusy (true);
    EXPECT_TRUE (upgraderBusy);
    EXPECT_EQ (enabledButtons (window), "00000");

    window.setBusy (false);
    EXPECT_FALSE (upgraderBusy);
    EXPECT_EQ (enabledButtons (window), "11111");
}

TEST_F (UpgradeWindow, FinishedRunsAreCountedOnlyWhileAutoAdvancing)
{
    FirmwareUpgradeComponent window (94, true);

    window.setStep (6);
    EXPECT_EQ (repeatRunCount, 0);

    autoAdvance = true;
    window.setStep (6);
    window.setStep (6);
    window.setStep (5);
    EXPECT_EQ (repeatRunCount, 2);
}

TEST_F (UpgradeWindow, ProgressAndStatusFromTheUploadThreadReachTheBarAndTheLabel)
{
    FirmwareUpgradeComponent window (94, true);

    std::thread upload ([&]
    {
        for (int i = 1; i <= 50; ++i)
            window.setProgress (i / 100.0);

        window.setStatusLabelText ("Uploading firmware");
    });
    upload.join();

    EXPECT_DOUBLE_EQ (window.getProgress(), 0.5);
    EXPECT_TRUE (testsupport::dispatchUntil ([&] { return window.getShownProgress() == 0.5; }));
    EXPECT_TRUE (testsupport::dispatchUntil ([&] { return window.getStatusLabel().getText() == "Uploading firmware"; }));

    window.setProgress (1.7);
    EXPECT_EQ (window.getShownProgress(), 1.0) << "out-of-range values are clamped";
}

TEST_F (UpgradeWindow, AHandOverArrivingAfterTheWindowHasGoneIsDropped)
{
    auto window = std::make_unique<FirmwareUpgradeComponent> (94, true);

    std::thread upload ([&] { window->setProgress (0.3); window->setStatusLabelText ("late"); });
    upload.join();
    window.reset();

    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
    SUCCEED();
}

//==============================================================================
TEST_F (UpgradeWindow, TheTitleShowsTheHiddenModes)
{
    struct Row { bool probing; bool serverList; bool repeating; int runs; const char* title; };

    const Row rows[] {
        { false, true,  false, 0, "Firmware Upgrade" },
        { true,  true,  false, 0, "Firmware Upgrade." },
        { false, false, false, 0, "Firmware Upgrade [M]" },
        { false, true,  true,  3, "Firmware Upgrade[3/20]" },
        { false, false, true,  3, "Firmware Upgrade [M][3/20]" },
        { true,  false, true,  0, "Firmware Upgrade. [M][0/20]" },
    };

    FirmwareUpgradeComponent window (94, true);

    for (auto& row : rows)
    {
        toolProbeMode = row.probing;
        serverListEnabled = row.serverList;
        repeatMode = row.repeating;
        repeatRunCount = row.runs;
        EXPECT_EQ (window.getWindowTitle(), row.title);
    }
}

TEST_F (UpgradeWindow, StatusTextsAppearInTheDialogsTitle)
{
    OnScreen screen (94);

    screen.window.setStatusText ("Waiting for the target MIDI device...1", false);
    EXPECT_EQ (screen.dialog.getName(), "Firmware Upgrade: Waiting for the target MIDI device...1");

    screen.window.setStatusText ("ignored", true);
    EXPECT_EQ (screen.dialog.getName(), "Firmware Upgrade: Waiting for the target MIDI device...1");

    screen.window.setStatusText ({}, false);
    EXPECT_EQ (screen.dialog.getName(), "Firmware Upgrade");
}

//==============================================================================
TEST_F (UpgradeWindow, EveryHiddenLetterTogglesItsModeInEitherCaseAndWithAnyModifier)
{
    struct Row { char letter; bool* flag; };

    const Row rows[] { { 'A', &autoAdvance }, { 'M', &serverListEnabled }, { 'O', &acceptAnyProduct },
                       { 'S', &repeatMode }, { 'T', &toolProbeMode } };

    FirmwareUpgradeComponent window (94, true);

    for (auto& row : rows)
    {
        for (auto code : { (int) row.letter, (int) row.letter - 'A' + 'a' })
        {
            for (auto modifiers : { juce::ModifierKeys(), juce::ModifierKeys (juce::ModifierKeys::shiftModifier),
                                    juce::ModifierKeys (juce::ModifierKeys::ctrlModifier) })
            {
                const bool before = *row.flag;
                EXPECT_FALSE (window.keyPressed (keyWithCode (code, modifiers))) << "the key goes on to the dialog";
                EXPECT_NE (*row.flag, before) << (char) code << " with modifiers " << modifiers.getRawFlags();
            }
        }
    }

    EXPECT_FALSE (window.keyPressed (keyWithCode ('B')));
}

TEST_F (UpgradeWindow, EscapeAbortsAndEndsRepeatingWhileSResumes)
{
    FirmwareUpgradeComponent window (94, true);
    repeatMode = true;

    window.keyPressed (keyWithCode (juce::KeyPress::escapeKey));
    EXPECT_TRUE (abortRequested);
    EXPECT_FALSE (repeatMode);

    window.keyPressed (keyWithCode ('s'));
    EXPECT_FALSE (abortRequested);
    EXPECT_TRUE (repeatMode);
}

TEST_F (UpgradeWindow, MAndTRetitleTheDialogAndTDecidesWhichProductsAreAccepted)
{
    OnScreen screen (2056);
    auto& window = screen.window;
    window.targetProductId = 2067;

    window.keyPressed (keyWithCode ('m'));
    EXPECT_FALSE (window.useServerList);
    EXPECT_EQ (screen.dialog.getName(), "Firmware Upgrade [M]");
    EXPECT_EQ (window.getStepButton (3).getButtonText(), "Select Version") << "the step keeps its texts";

    acceptAnyProduct = false;
    window.keyPressed (keyWithCode ('t'));
    EXPECT_TRUE (toolProbeMode);
    EXPECT_TRUE (acceptAnyProduct);
    EXPECT_EQ (window.targetProductId, 2056);
    EXPECT_EQ (screen.dialog.getName(), "Firmware Upgrade. [M]");

    window.keyPressed (keyWithCode ('t'));
    EXPECT_FALSE (acceptAnyProduct) << "the tool family accepts only its own product";
    EXPECT_EQ (screen.dialog.getName(), "Firmware Upgrade [M]");
}

TEST_F (UpgradeWindow, F1ShowsTheBuildBox)
{
    FirmwareUpgradeComponent window (94, true);
    window.keyPressed (keyWithCode (juce::KeyPress::F1Key));

    ASSERT_EQ (prompts.ofKind ("message").size(), 1u);
    const auto box = prompts.ofKind ("message")[0];
    EXPECT_EQ (box.title, "\n\nHalvik Firmware Upgrader\n\nV1.76");

    for (auto* part : { "29C", "Jul 14 2025", "2018-2025", "Halvik Audio" })
        EXPECT_TRUE (box.message.contains (part)) << part << " in " << box.message;
}

//==============================================================================
TEST_F (UpgradeWindow, TheProductDecidesTheFamilyAndWhetherTheStepsRunOnByThemselves)
{
    struct Row { int productId; bool autoBefore; bool autoAfter; bool toolFamily; int method; };

    const Row rows[] { { 4130, false, true,  false, 4 }, { 2070, false, true,  true,  3 },
                       { 94,   false, false, false, 2 }, { 94,   true,  true,  false, 2 } };

    for (auto& row : rows)
    {
        resetUpgraderState();
        autoAdvance = row.autoBefore;
        FirmwareUpgradeComponent window (row.productId, true);

        EXPECT_EQ (autoAdvance, row.autoAfter) << row.productId;
        EXPECT_EQ (toolFamilyActive, row.toolFamily) << row.productId;
        EXPECT_EQ (window.flashMethod, row.method) << row.productId;
        EXPECT_EQ (window.notKeyboardFamily, row.method != 4) << row.productId;
        EXPECT_TRUE (acceptAnyProduct);
    }

    FirmwareUpgradeComponent alternate (2052, false);
    EXPECT_EQ (alternateModelNames, 1);
    EXPECT_EQ (flashToolPath, locateFlashTool().getFullPathName());
}

TEST_F (UpgradeWindow, WithoutTheServerListStepFourLoadsAFileFromTheMakersSite)
{
    FirmwareUpgradeComponent window (94, false);
    EXPECT_EQ (window.getStepButton (3).getButtonText(), "Load File");
    EXPECT_TRUE (window.getStepInstructionLabel (3).getText().startsWith ("Download the latest firmware on \"https://www.halvik.example/\""));
    EXPECT_FALSE (serverListEnabled);
    EXPECT_FALSE (window.firmwareList.isValid());

    EXPECT_EQ (getStepName (7, true), "Invalid Step");
    EXPECT_EQ (getStepInstructions (7, true), "");
}

//==============================================================================
TEST_F (UpgradeWindow, TheCloseButtonIsRefusedOnlyWhileAStepIsBusy)
{
    struct Row { bool busy; bool autoAdvancing; bool closes; };

    for (auto row : { Row { true, false, false }, Row { true, true, false },
                      Row { false, true, true }, Row { false, false, true } })
    {
        OnScreen screen (4130);
        upgraderBusy = row.busy;
        autoAdvance = row.autoAdvancing;

        screen.dialog.closeButtonPressed();
        EXPECT_EQ (! screen.dialog.isVisible(), row.closes) << "busy " << row.busy << " auto " << row.autoAdvancing;
    }
}

TEST_F (UpgradeWindow, TheWindowAsksToCloseThroughItsDialogAndIsRefusedWhileBusy)
{
    OnScreen screen (94);

    upgraderBusy = true;
    screen.window.userTriedToCloseWindow();
    EXPECT_TRUE (screen.dialog.isVisible());

    upgraderBusy = false;
    screen.window.userTriedToCloseWindow();
    EXPECT_FALSE (screen.dialog.isVisible());
}

TEST_F (UpgradeWindow, TheModalDialogEndsWhenClosedOnceTheBusyStepIsOverAndEscapeDoesNotCloseIt)
{
    FirmwareUpgradeComponent window (4130, true);
    bool openWhileBusy = false, openAfterEscape = false;

    upgraderBusy = true;

    juce::MessageManager::callAsync ([&]
    {
        auto* dialog = window.findParentComponentOfClass<UpgraderDialogWindow>();
        ASSERT_NE (dialog, nullptr);

        dialog->closeButtonPressed();
        openWhileBusy = dialog->isCurrentlyModal();

        upgraderBusy = false;
        static_cast<juce::Component*> (dialog)->keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
        openAfterEscape = dialog->isCurrentlyModal();

        dialog->closeButtonPressed();
    });

    EXPECT_EQ (UpgraderDialogWindow::runModal (window, "Firmware Upgrade", nullptr, false), 0);
    EXPECT_TRUE (openWhileBusy);
    EXPECT_TRUE (openAfterEscape);
    EXPECT_EQ (window.getParentComponent(), nullptr) << "the dialog let go of the window";
}

TEST_F (UpgradeWindow, TheDialogStaysWhileAWindowOpenedFromItRunsInFront)
{
    OnScreen screen (94);
    screen.dialog.enterModalState (false);

    juce::Component inFront;
    inFront.setSize (10, 10);
    inFront.addToDesktop (0);
    inFront.enterModalState (false);

    screen.dialog.closeButtonPressed();
    EXPECT_TRUE (screen.dialog.isVisible());

    inFront.exitModalState (0);
    juce::MessageManager::getInstance()->runDispatchLoopUntil (10);
    screen.dialog.closeButtonPressed();
    EXPECT_FALSE (screen.dialog.isVisible());
}

//==============================================================================
TEST_F (UpgradeWindow, ClosingResetsEveryUnitLeftInUpgradeModeHoweverManyThereAre)
{
    juce::StringArray upgradePorts;

    for (int i = 1; i <= 12; ++i)
        upgradePorts.add ("Halvik firmware upgrade MIDI " + juce::String (i));

    sim::NamedPorts plugged (ports, upgradePorts);
    sim::NamedPorts others (ports, { "Dravel 49 MIDI 1", "Sorra2 MIDI 1" });

    std::make_unique<FirmwareUpgradeComponent> (94, true).reset();

    for (auto& name : upgradePorts)
    {
        const auto received = plugged.messagesTo (name);
        ASSERT_EQ (received.size(), 18) << name << ": the wake-up and the 17 bytes of the reset packet";
        EXPECT_EQ (received[0], "EF 7F 7F");
    }

    EXPECT_TRUE (others.messagesTo ("Dravel 49 MIDI 1").isEmpty());
    EXPECT_TRUE (others.messagesTo ("Sorra2 MIDI 1").isEmpty());
}

TEST_F (UpgradeWindow, ClosingAKeyboardsWindowResetsOnlyTheFirstPortOfEachKeyboard)
{
    sim::NamedPorts plugged (ports, { "Dravel 49", "MIDIOUT2 (Dravel 49)", "Dravel 61X MIDI 1", "Dravel 61X MIDI 2",
                                      "Halvik firmware upgrade", "Sorra2 MIDI 1" });

    std::make_unique<FirmwareUpgradeComponent> (4130, true).reset();

    for (auto* name : { "Dravel 49", "Dravel 61X MIDI 1" })
        EXPECT_EQ (plugged.messagesTo (name).size(), 18) << name;

    for (auto* name : { "MIDIOUT2 (Dravel 49)", "Dravel 61X MIDI 2", "Halvik firmware upgrade", "Sorra2 MIDI 1" })
        EXPECT_TRUE (plugged.messagesTo (name).isEmpty()) << name;
}

TEST_F (UpgradeWindow, ClosingAToolFamilyWindowSendsNoMidi)
{
    sim::NamedPorts plugged (ports, { "R7-X1 MIDI 1", "Halvik firmware upgrade" });

    toolModeEntered = true;
    std::make_unique<FirmwareUpgradeComponent> (2056, true).reset();

    EXPECT_FALSE (ports.describeTimeline().joinIntoString (" ").contains ("EF 7F 7F"));
    EXPECT_TRUE (plugged.messagesTo ("Halvik firmware upgrade").isEmpty());
}
