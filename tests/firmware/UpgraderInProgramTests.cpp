#include <gtest/gtest.h>
#include <juce_graphics/juce_graphics.h>

#include "editor/device/Host.h"
#include "editor/files/MappingFile.h"
#include "editor/model/MappingModel.h"
#include "editor/window/MainComp.h"
#include "firmware/window/FirmwareUpgradeComponent.h"
#include "firmware/window/UpgraderEntry.h"
#include "support/FlashToolStandIn.h"
#include "support/LocalFirmwareServer.h"
#include "support/MessageLoop.h"
#include "support/RealProgramFixture.h"
#include "support/RunningApplication.h"
#include "support/ShownBoxes.h"

#include <atomic>
#include <thread>
#include <unistd.h>

// The real program on a display of its own, driven with the mouse and real
// key presses: the editor's "Firmware Upgrade" button leads through the notice
// to the upgrade dialog, or back to the editor.

using UpgraderInProgram = RealProgramFixture;

TEST_F (UpgraderInProgram, TheNoticeLeadsBackOrToTheDialogOverTheEditorWhereEscapeEndsALongStep)
{
    TestProcess tavlo;
    ASSERT_TRUE (start (tavlo));
    ASSERT_TRUE (showsOneWindow (tavlo));

    const juce::String noticeTitle ("Firmware Upgrader about to start"), dialogTitle ("Firmware Upgrade");
    const auto editorWindow = windowsOf (tavlo)[0];
    const auto titleOf = [&] (const juce::String& window) { return display.titleOf (window); };

    // Escape on the notice: back to the editor as it was, and the button works again.
    // The title settles at the first timer tick; compare with the settled one.
    ASSERT_TRUE (eventually ([&] { return titleOf (editorWindow).contains ("[disconnected]"); }))
        << titleOf (editorWindow);
    const auto titleBefore = titleOf (editorWindow);
    auto notice = openTheUpgradersNotice (tavlo);
    ASSERT_TRUE (notice.isNotEmpty());

    ASSERT_TRUE (display.typeUntil (notice, "Escape", [&] { return windowsOf (tavlo, noticeTitle).isEmpty(); }));
    EXPECT_TRUE (windowsOf (tavlo, dialogTitle).isEmpty());
    EXPECT_EQ (titleOf (editorWindow), titleBefore);

    // Return on it: the dialog, centred over the editor.
    notice = openTheUpgradersNotice (tavlo);
    ASSERT_TRUE (notice.isNotEmpty());
    ASSERT_TRUE (display.typeUntil (notice, "Return", [&] { return windowsOf (tavlo, dialogTitle).size() == 1; }));
    EXPECT_TRUE (windowsOf (tavlo, noticeTitle).isEmpty());

    const auto dialog = windowsOf (tavlo, dialogTitle)[0];
    const auto bounds = display.boundsOf (dialog);
    EXPECT_EQ (bounds.getWidth(), 514);
    EXPECT_EQ (bounds.getHeight(), 450);
    EXPECT_LE (bounds.getCentre().getDistanceFrom (display.boundsOf (editorWindow).getCentre()), 2);

    // No unit is plugged in here: the Start step's search counts its polls in
    // the title, one a second, sixteen for a keyboard, unless Escape ends it.
    int highestPoll = 0;

    const auto pollShown = [&]
    {
        const auto poll = titleOf (dialog).fromFirstOccurrenceOf ("Firmware Upgrade: (", false, false).getIntValue();
        return highestPoll = juce::jmax (highestPoll, poll);
    };

    // The middle of the "Start" button; clicks while the step runs meet a disabled button.
    const auto clickStart = [&] { display.clickAt (dialog, 62, 102); };

    ASSERT_TRUE (eventually ([&] { clickStart(); return pollShown() >= 1; }, 50, 200)) << titleOf (dialog);

    // The search ends with its box, titled like the dialog, which is back to its plain title.
    ASSERT_TRUE (display.typeUntil (dialog, "Escape", [&]
    {
        pollShown();
        return windowsOf (tavlo, dialogTitle).size() == 2;
    }));
    EXPECT_LT (highestPoll, 16) << "the search went on to its end";

    // The box goes with Return; the Start button works again.
    const auto windows = windowsOf (tavlo, dialogTitle);
    const auto box = windows[0] == dialog ? windows[1] : windows[0];
    ASSERT_TRUE (display.typeUntil (box, "Return", [&] { return windowsOf (tavlo, dialogTitle).size() == 1; }));

    highestPoll = 0;
    EXPECT_TRUE (eventually ([&] { clickStart(); return pollShown() >= 1; }, 50, 200)) << titleOf (dialog);
    EXPECT_TRUE (tavlo.isRunning());
}

// The file choosers over the whole program (inside the test's process), chosen
// from as a user would. JUCE's own chooser, shown where no system chooser is
// installed, is typed into; the system's (a stand-in) answers after the window
// beneath it was brought to the front, as a click on it does. Over the upgrade
// dialog the chosen firmware file reaches the Select step's name check, over
// the editor the chosen mapping loads, and the program lives on.

namespace
{
    struct ChooserCase
    {
        const char* name;
        const char* builtInChooserTitle;     // null: the system's chooser runs instead
        const char* fileName;
        std::function<void (NsDravel::MainComp&)> open;    // message thread; may return only once its dialog has ended
        std::function<bool()> outcomeShown;
    };

    void PrintTo (const ChooserCase& c, std::ostream* os)  { *os << c.name; }

    void openTheUpgraderOnATooledUnit (NsDravel::MainComp& editor)
    {
        // No firmware server answers: from Start the steps run on to the file chooser by themselves.
        juce::MessageManager::callAsync ([]
        {
            if (auto* dialog = dynamic_cast<juce::DialogWindow*> (juce::Component::getCurrentlyModalComponent()))
                if (auto* upgrader = dynamic_cast<halvik::FirmwareUpgradeComponent*> (dialog->getContentComponent()))
                    upgrader->getStepButton (0).triggerClick();
        });
        halvik::openFirmwareUpgrader (2054, &editor, false, true, 0);
    }

    bool showsTheFirmwareRefusal()
    {
        auto* box = dynamic_cast<juce::AlertWindow*> (juce::Component::getCurrentlyModalComponent());
        return box != nullptr && box->getDescription().endsWith ("Not the matching firmware!");
    }

    const ChooserCase builtInOverTheUpgrader { "BuiltInOverTheUpgradeDialog", "Choose The Firmware File", "wrong.bin",
                                               openTheUpgraderOnATooledUnit, showsTheFirmwareRefusal };
    const ChooserCase systemsOverTheUpgrader { "SystemsOverTheUpgradeDialog", nullptr, "wrong.bin",
                                               openTheUpgraderOnATooledUnit, showsTheFirmwareRefusal };
    const ChooserCase builtInOverTheEditor { "BuiltInOverTheEditor", "Load Mapping", "logic.tavlo",
                                             [] (auto& editor) { editor.loadFileButton.triggerClick(); },
                                             [] { return NsDravel::Host::getInstance()->getCurrentModeIndex() == 2; } };

    struct FileChooserInTheProgram : ::testing::TestWithParam<ChooserCase>
    {
        /** Another thread. JUCE's chooser: clicks its file name box, types the
            file's path and presses Return twice (the first goes to the file's
            folder, the second opens it), until the chooser has gone. The
            system's: brings the window beneath to the front, then answers. */
        bool chooseAsAUser (const juce::File& file)
        {
            if (GetParam().builtInChooserTitle == nullptr)
            {
                // A click on a window first brings it to the front; the window
                // beneath the chooser is the modal one under the chooser's blocker.
                const auto running = eventually ([this] { return systemChooser.isRunning(); });

                if (running)
                    juce::MessageManager::callAsync ([this]
                    {
                        if (auto* beneath = juce::Component::getCurrentlyModalComponent (1))
                            beneath->toFront (true);

                        clickDone = true;
                    });

                const auto clicked = running && eventually ([this] { return clickDone.load(); });
                systemChooser.answerWith (file);
                return clicked;
            }

            const auto choosers = [this]
            {
                return display.findVisibleWindows ((int) getpid(), GetParam().builtInChooserTitle);
            };

            juce::StringArray chooser;

            const auto oneChooserShows = [&]
            {
                chooser = choosers();
                return chooser.size() == 1;
            };

            return eventually (oneChooserShows)
                && eventually ([&]
                   {
                       display.run ({ "xdotool", "windowfocus", "--sync", chooser[0],
                                      "mousemove", "--window", chooser[0], "300", "440",
                                      "click", "1", "key", "ctrl+a", "type", file.getFullPathName() });
                       display.run ({ "xdotool", "key", "Return", "Return" });
                       return eventually ([&] { return choosers().isEmpty(); }, 10);
                   }, 5, 0);
        }

        /** The test's own display. It outlives the program's connection to it,
            which stays open until the last test has run. */
        static const PrivateDisplay& ownDisplay()  { static PrivateDisplay d; return d; }

        const PrivateDisplay& display = ownDisplay();
        TempFolder folder, chooserFolder;
        SystemFileChooserStandIn systemChooser { chooserFolder.get() };
        std::atomic<bool> clickDone { false };
        ScopedEnvironment environment;
        sim::FlashToolStandIn tool;
    };
}

TEST_P (FileChooserInTheProgram, TakesTheChosenFileAndTheProgramLivesOn)
{
    ASSERT_TRUE (display.getName().isNotEmpty());
    environment.set ("DISPLAY", display.getName());
    // JUCE looks the system's choosers up with "which"; without it, it finds none.
    const auto systemsPath = chooserFolder.get().getFullPathName() + ":/usr/bin:/bin";
    environment.set ("PATH", GetParam().builtInChooserTitle != nullptr ? folder.get().getFullPathName() : systemsPath);
    environment.set ("XDG_DATA_HOME", folder.get().getFullPathName());
    environment.set ("TAVLO_FIRMWARE_SERVER", "http://127.0.0.1:1/");      // nothing listens there

    // A mapping; the firmware check looks at the name only.
    const auto file = folder.get().getChildFile (GetParam().fileName);
    ASSERT_TRUE (NsDravel::saveMappingToFile (NsDravel::createMapTree (2), file).wasOk());

    sim::RunningApplication running;
    running.ports.publishPort ("R7-Nano MIDI 1");
    running.start();
    ASSERT_NE (NsDravel::theMainComp, nullptr);

    const auto deadline = juce::Time::getMillisecondCounter() + 60000;
    bool outcomeShown = false;
    const auto shownOrTooLate = [&]
    {
        return GetParam().outcomeShown() || juce::Time::getMillisecondCounter() > deadline;
    };

    const auto closeEveryDialog = []
    {
        while (auto* modal = juce::Component::getCurrentlyModalComponent())
            modal->exitModalState (0);
    };

    testsupport::WhileADialogRuns whenShown (shownOrTooLate,
                                             [&] { outcomeShown = GetParam().outcomeShown(); },
                                             closeEveryDialog);
    bool chosen = false;
    std::thread user ([&] { chosen = chooseAsAUser (file); });
    GetParam().open (*NsDravel::theMainComp);
    EXPECT_TRUE (testsupport::dispatchUntil ([&] { return whenShown.ended; }, 70000));
    user.join();

    EXPECT_TRUE (chosen);
    EXPECT_TRUE (outcomeShown);
    EXPECT_TRUE (running.window().isVisible());
}

INSTANTIATE_TEST_SUITE_P (OverTheUpgraderAndTheEditor, FileChooserInTheProgram,
                          ::testing::Values (builtInOverTheUpgrader, systemsOverTheUpgrader, builtInOverTheEditor),
                          [] (const auto& info) { return std::string (info.param.name); });

// The upgrade dialog over the whole program (inside the test's process) on a
// display of its own, with the flashing tool's stand-in and the test's own
// firmware server, its waits as long as they really are. The user clicks a
// step button and types Escape, three runs one after the other: each run ends
// where Escape was typed, with its box, and the unit keeps its firmware.

TEST (UpgradeDialogInTheProgram, EscapeTypedDuringStartActivateOrTheUpgradeNoticeEndsThatRunAndTheUnitKeepsItsFirmware)
{
    // It outlives the program's connection to it, which stays open until the process ends.
    static const PrivateDisplay display;
    ASSERT_TRUE (display.getName().isNotEmpty());
    ScopedEnvironment environment;
    environment.set ("DISPLAY", display.getName());

    sim::LocalFirmwareServer firmware;
    sim::FlashToolStandIn unit;
    juce::MemoryBlock image (3000);
    juce::Random (5).fillBitsRandomly (image.getData(), image.getSize());
    firmware.serveList ({ { 2054, "R7 Nano", "2.01", "fw/r7_nano_v2.01.bin" } });
    firmware.serveImage ("fw/r7_nano_v2.01.bin", image);
    const juce::MemoryBlock oldFirmware (image.getSize(), true);
    unit.putFlashBytes (0x60010000, oldFirmware);

    sim::RunningApplication running;
    running.ports.setRealPauses (true);
    running.start();
    ASSERT_NE (NsDravel::theMainComp, nullptr);

    // Start with no unit yet; Start again, with the unit, on into Activate; Activate again, on into the
    // Upgrade step's notice. Escape is typed once the dialog's title shows the text.
    struct Run { int button; const char* titleShows; };
    const Run runs[] { { 0, "Waiting for the target MIDI device...1" },
                       { 0, "Starting stage 1 of compatibility checking" },
                       { 2, "Ready to erase the old firmware..." } };

    std::atomic<int> runsStopped { 0 };
    std::atomic<bool> userDone { false };

    // The user, on another thread: everything seen through the display.
    std::thread user ([&]
    {
        const auto upgraderWindows = [&] { return display.findVisibleWindows ((int) getpid(), "Firmware Upgrade.*"); };
        juce::StringArray shown;

        if (eventually ([&] { return (shown = upgraderWindows()).size() == 1; }))
        {
            const auto dialog = shown[0];
            const auto title = [&] { return display.titleOf (dialog); };

            for (auto& run : runs)
            {
                if (&run == &runs[1])
                    running.ports.publishPort ("R7-Nano MIDI 1");

                // The middle of the step button, until the step shows it runs; then its text, up to a minute.
                const bool typed = eventually ([&]
                                   {
                                       display.clickAt (dialog, 17 + 96 * run.button + 45, 102);
                                       return eventually ([&] { return title() != "Firmware Upgrade"; }, 20, 50);
                                   }, 5, 0)
                                && eventually ([&] { return title().contains (run.titleShows); }, 3000, 20)
                                && display.typeUntil (dialog, "Escape", [&] { return upgraderWindows().size() == 2; });

                if (! typed)
                    break;

                // The box goes with Return.
                shown = upgraderWindows();
                const auto box = shown[0] == dialog ? shown[1] : shown[0];

                if (! display.typeUntil (box, "Return", [&] { return upgraderWindows().size() == 1; }))
                    break;

                ++runsStopped;
            }
        }

        userDone = true;
    });

    testsupport::ShownBoxes boxes;
    testsupport::WhileADialogRuns whenDone ([&] { return userDone.load(); }, [] {}, []
    {
        while (auto* modal = juce::Component::getCurrentlyModalComponent())
            modal->exitModalState (0);
    });

    halvik::openFirmwareUpgrader (2054, NsDravel::theMainComp, false, true, 0);
    user.join();

    const juce::String stopped ("Firmware Upgrade. Upgrade stopped: no firmware was written to the device.");
    EXPECT_EQ (runsStopped.load(), 3);
    EXPECT_EQ (boxes.texts.joinIntoString ("\n"), juce::StringArray (stopped, stopped, stopped).joinIntoString ("\n"));
    EXPECT_TRUE (unit.flashBytes (0x60010000, image.getSize()) == oldFirmware) << "the unit was flashed";
    EXPECT_EQ (firmware.server.countRequests ("fw/r7_nano_v2.01.bin"), 1)
        << "the third run got as far as the Upgrade step";
    EXPECT_TRUE (firmware.filesInDataHome().isEmpty()) << "the download went with the stop";
}
