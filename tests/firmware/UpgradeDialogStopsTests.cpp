#include <gtest/gtest.h>

#include "editor/window/MainComp.h"
#include "firmware/UpgraderState.h"
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

// The upgrade dialog over the whole program (inside the test's process) as a
// user meets it: under openbox, with real key presses and clicks, the
// protocol's pauses as long as they really are, and a firmware server that
// is slow to answer. Escape stops the run under way wherever it is typed, and
// a click made while the window is held starts nothing.

namespace
{
    /** The upgrade dialog's content while the dialog is up. Message thread. */
    halvik::FirmwareUpgradeComponent* findUpgrader()
    {
        for (int i = 0; i < juce::TopLevelWindow::getNumTopLevelWindows(); ++i)
            if (auto* dialog = dynamic_cast<juce::DialogWindow*> (juce::TopLevelWindow::getTopLevelWindow (i)))
                if (auto* upgrader = dynamic_cast<halvik::FirmwareUpgradeComponent*> (dialog->getContentComponent()))
                    return upgrader;

        return nullptr;
    }

    /** The titles the upgrade dialog takes, in order, each time it takes one.
        Message thread; it looks every few milliseconds. */
    class DialogTitles final : private juce::Timer
    {
    public:
        DialogTitles()  { startTimer (5); }

        int count (const juce::String& text) const
        {
            return (int) std::count_if (titles.begin(), titles.end(), [&] (auto& t) { return t.contains (text); });
        }

        juce::StringArray titles;

    private:
        void timerCallback() override
        {
            if (auto* upgrader = findUpgrader())
                if (auto* dialog = upgrader->findParentComponentOfClass<juce::DialogWindow>();
                    dialog != nullptr && dialog->getName() != titles[titles.size() - 1])
                    titles.add (dialog->getName());
        }
    };

    /** The user at the display, on another thread: everything is seen
        through the display and done with real clicks and key presses. */
    class User
    {
    public:
        explicit User (const PrivateDisplay& displayToUse) : display (displayToUse) {}

        /** Waits for the upgrade dialog to show, alone. */
        bool findTheDialog()
        {
            juce::StringArray shown;
            const auto found = eventually ([&] { return (shown = upgraderWindows()).size() == 1; });
            dialog = shown[0];
            return found;
        }

        juce::String title() const      { return display.titleOf (dialog); }

        /** Clicks the middle of a step button. */
        void clickStep (int index) const    { clickAt (17 + 96 * index + 45, 102); }

        void clickAt (int x, int y) const   { display.clickAt (dialog, x, y); }

        /** Clicks a step button until the run shows that it began. A click
            that came before the window took input is clicked again, but only
            once the last one has surely had no effect. */
        bool begin (int index, std::function<bool()> began) const
        {
            return eventually ([&]
            {
                clickStep (index);
                return eventually (began, 60, 50);
            }, 5, 0);
        }

        /** Types a key (xdotool's syntax) once, into the dialog. */
        void type (const juce::String& key) const
        {
            display.run ({ "xdotool", "windowfocus", "--sync", dialog });
            display.run ({ "xdotool", "key", key });
        }

    private:
        juce::StringArray upgraderWindows() const
        {
            return display.findVisibleWindows ((int) getpid(), "Firmware Upgrade.*");
        }

        const PrivateDisplay& display;
        juce::String dialog;
    };

    /** What the dialog shows once the user is done. */
    struct DialogState
    {
        int step = 0;
        juce::String title;
        juce::StringArray enabledButtons;
    };

    /** The server's answer, held for four seconds once it is asked for;
        the flag says that it was. */
    sim::LocalHttpServer::Answer heldFourSeconds (sim::LocalHttpServer::Answer answer, std::atomic<bool>& asked)
    {
        answer.whenAsked = [&asked]
        {
            asked = true;
            juce::Thread::sleep (4000);
        };

        return answer;
    }

    /** A list whose download is held four seconds. The program first only
        looks whether the server is there, which is answered at once. */
    std::vector<sim::LocalHttpServer::Answer> listHeldFourSeconds (const sim::LocalHttpServer::Answer& list,
                                                                   std::atomic<bool>& asked)
    {
        return { list, heldFourSeconds (list, asked), list };
    }

    /** Waits until the flag is set, then one second more. */
    bool oneSecondAfter (const std::atomic<bool>& flag)
    {
        const auto set = eventually ([&] { return flag.load(); }, 600, 50);
        juce::Thread::sleep (1000);
        return set;
    }

    const juce::String stoppedBox ("Firmware Upgrade. Upgrade stopped: no firmware was written to the device.");

    /** A Dravel 49 as Linux names its ports ("Dravel 49 MIDI 1", "Dravel 49 MIDI 2"). */
    sim::SimulatedKeyboard::Options dravel49OnLinux()
    {
        sim::SimulatedKeyboard::Options options;
        options.naming = sim::SimulatedKeyboard::Naming::linux;
        return options;
    }

    /** The program under openbox on a display of its own, with the test's
        firmware server, its pauses as long as they really are, and a Dravel
        49 plugged in. */
    class UpgradeDialogUnderOpenbox : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            ASSERT_TRUE (display.getName().isNotEmpty());
            ASSERT_TRUE (windowManager.isManaging());
            environment.set ("DISPLAY", display.getName());
            // No system file chooser: one the run should never open shows as JUCE's own.
            environment.set ("PATH", noPrograms.get().getFullPathName());

            running.ports.setRealPauses (true);
            running.start();
            ASSERT_NE (NsDravel::theMainComp, nullptr);
        }

        /** Opens the upgrader for the product over the editor and runs it
            while the user acts on another thread. When the user is done,
            whenDone runs on the message thread and what the dialog shows is
            kept; then the dialog closes. */
        void runTheDialog (int productId, std::function<void (User&)> act, std::function<void()> whenDone = [] {})
        {
            std::atomic<bool> userDone { false };

            std::thread userThread ([&]
            {
                User user (display);

                if (user.findTheDialog())
                    act (user);

                userDone = true;
            });

            const auto keepWhatShows = [&]
            {
                whenDone();

                if (auto* upgrader = findUpgrader())
                {
                    end.step = upgrader->getStep();
                    end.title = upgrader->findParentComponentOfClass<juce::DialogWindow>()->getName();

                    for (int i = 0; i < halvik::stepCount; ++i)
                        if (upgrader->getStepButton (i).isEnabled())
                            end.enabledButtons.add (upgrader->getStepButton (i).getButtonText());
                }
            };

            testsupport::WhileADialogRuns whenUserDone ([&] { return userDone.load(); }, keepWhatShows, []
            {
                while (auto* modal = juce::Component::getCurrentlyModalComponent())
                    modal->exitModalState (0);
            });

            halvik::openFirmwareUpgrader (productId, NsDravel::theMainComp, false, true, 0);
            userThread.join();
        }

        /** After the key: waits for the run's first box, then a little more,
            for anything the run would still do. */
        void waitForTheBox() const
        {
            eventually ([this] { return boxes.count > 0; }, 400, 50);
            juce::Thread::sleep (1500);
        }

        // It outlives the program's connection to it, which stays open until the process ends.
        static const PrivateDisplay& ownDisplay()  { static PrivateDisplay d; return d; }

        const PrivateDisplay& display = ownDisplay();
        Openbox windowManager { display };
        TempFolder noPrograms;
        ScopedEnvironment environment;
        sim::LocalFirmwareServer firmware;
        sim::RunningApplication running { dravel49OnLinux() };
        testsupport::ShownBoxes boxes;
        DialogTitles titles;
        DialogState end;
    };
}

//==============================================================================
// The keyboard family (a Dravel 49 in real time): Escape during the Enter
// step's exchange with the unit, or during either download of the Select step,
// ends the run there, before anything more reaches the unit.

namespace
{
    enum class KeyboardMoment { enterWaitsForTheUnit, listDownload, imageDownload };

    struct KeyboardStop
    {
        const char* name;
        KeyboardMoment moment;
        int stepThatSawIt;
        juce::StringArray enabledButtons;
    };

    void PrintTo (const KeyboardStop& row, std::ostream* os)  { *os << row.name; }

    class KeyboardFamilyStop : public UpgradeDialogUnderOpenbox,
                               public ::testing::WithParamInterface<KeyboardStop> {};
}

TEST_P (KeyboardFamilyStop, EscapeEndsTheRunWhereItWasTypedAndNothingMoreReachesTheUnit)
{
    auto& unit = running.keyboard;
    juce::MemoryBlock image (1500);
    juce::Random (7).fillBitsRandomly (image.getData(), image.getSize());
    std::atomic<bool> listAsked { false }, imageAsked { false };
    const auto list = sim::LocalHttpServer::text (firmware.listText ({ { 4130, "Dravel 49", "1.10",
                                                                         "fw/dravel_49_v1.10.bin" } }));
    const auto imageAnswer = sim::LocalHttpServer::bytes (image);

    if (GetParam().moment == KeyboardMoment::listDownload)
        firmware.server.setAnswers ("firmware.xml", listHeldFourSeconds (list, listAsked));
    else
        firmware.server.setAnswer ("firmware.xml", list);

    firmware.server.setAnswer ("fw/dravel_49_v1.10.bin", GetParam().moment == KeyboardMoment::imageDownload
                                                             ? heldFourSeconds (imageAnswer, imageAsked)
                                                             : imageAnswer);
    std::atomic<size_t> receivedBeforeTheKey { 0 };
    juce::StringArray receivedAfterTheKey;

    runTheDialog (4130, [&] (User& user)
    {
        // The run has begun once the dialog names the unit it found.
        if (! user.begin (0, [&] { return user.title().contains ("Dravel 49"); }))
            return;

        const auto momentCame = GetParam().moment == KeyboardMoment::listDownload  ? oneSecondAfter (listAsked)
                              : GetParam().moment == KeyboardMoment::imageDownload ? oneSecondAfter (imageAsked)
                              : eventually ([&] { return unit.log().contains ("left"); }, 300, 20);

        if (! momentCame)
            return;

        receivedBeforeTheKey = unit.received().size();
        user.type ("Escape");
        waitForTheBox();
    },
    [&]
    {
        const auto received = unit.received();

        for (auto i = receivedBeforeTheKey.load(); i < received.size(); ++i)
            receivedAfterTheKey.add (sim::SimulatedMidiPorts::hexOf (received[i]));
    });

    SCOPED_TRACE ("what the unit did: " + unit.log().joinIntoString (", "));
    EXPECT_EQ (boxes.texts.joinIntoString ("\n"), stoppedBox);
    EXPECT_TRUE (unit.storedImage().empty()) << "the unit was flashed";
    EXPECT_EQ (receivedAfterTheKey.size(), 0) << "after the key: " << receivedAfterTheKey.joinIntoString (", ");
    EXPECT_EQ (end.step, GetParam().stepThatSawIt);
    EXPECT_EQ (end.enabledButtons.joinIntoString (", "), GetParam().enabledButtons.joinIntoString (", "));
    EXPECT_TRUE (firmware.filesInDataHome().isEmpty());
}

INSTANTIATE_TEST_SUITE_P (DuringEnterAndTheDownloads, KeyboardFamilyStop, ::testing::Values (
    KeyboardStop { "DuringEnter",         KeyboardMoment::enterWaitsForTheUnit, 2, { "Start", "Enter" } },
    KeyboardStop { "DuringListDownload",  KeyboardMoment::listDownload,  4, { "Activate", "Select Version" } },
    KeyboardStop { "DuringImageDownload", KeyboardMoment::imageDownload, 4, { "Activate", "Select Version" } }),
    [] (const auto& info) { return std::string (info.param.name); });

//==============================================================================
// The tool family (an R7 Nano on the flashing tool's stand-in).

namespace
{
    class ToolFamilyUnderOpenbox : public UpgradeDialogUnderOpenbox
    {
    protected:
        ToolFamilyUnderOpenbox()
        {
            juce::Random (5).fillBitsRandomly (image.getData(), image.getSize());
            unit.putFlashBytes (bootAddress, oldFirmware);
            running.ports.publishPort (unitPort);
        }

        /** Clicks Start: the run has begun once the dialog names the unit's
            port ("R7-Nano"), or the tool has run. */
        bool start (User& user) const
        {
            return user.begin (0, [&] { return user.title().contains ("R7") || ! unit.runs().empty(); });
        }

        /** Whether a run of the tool's stand-in is under way (one that has
            ended, even if not yet reaped, is not): the program's children. */
        static bool toolIsRunning()
        {
            const auto tool = sim::FlashToolStandIn::toolFile().getFullPathName();
            juce::StringArray children;

            for (auto& task : juce::File ("/proc/self/task").findChildFiles (juce::File::findDirectories, false))
                children.addTokens (task.getChildFile ("children").loadFileAsString(), " ", {});

            for (auto& child : children)
                if (child.isNotEmpty()
                    && juce::File ("/proc/" + child + "/exe").getLinkedTarget().getFullPathName() == tool)
                    return true;

            return false;
        }

        bool unitHoldsTheNewImage() const       { return flashedImage() == image; }
        bool unitHoldsItsOldFirmware() const    { return flashedImage() == oldFirmware; }
        juce::MemoryBlock flashedImage() const  { return unit.flashBytes (bootAddress, image.getSize()); }

        /** The writes the tool made, by address: "check" below the boot region, "boot" into it. */
        juce::StringArray writes() const
        {
            juce::StringArray found;

            for (auto& run : unit.runs())
                if (run.contains ("write-memory"))
                    found.add (run[run.indexOf ("write-memory") + 1] == "0x60010000" ? "boot" : "check");

            return found;
        }

        static constexpr juce::int64 bootAddress = 0x60010000;
        const juce::String unitPort { "R7-Nano MIDI 1" }, imagePath { "fw/r7_nano_v2.01.bin" };
        sim::FlashToolStandIn unit;
        juce::MemoryBlock image { 3000 };
        const juce::MemoryBlock oldFirmware { 3000, true };
        const sim::LocalHttpServer::Answer list = sim::LocalHttpServer::text (
            firmware.listText ({ { 2054, "R7 Nano", "2.01", imagePath } }));
    };
}

TEST_F (ToolFamilyUnderOpenbox, EscapeDuringTheImageDownloadEndsTheRunAtSelectBeforeTheToolRunsAgain)
{
    std::atomic<bool> imageAsked { false };
    firmware.server.setAnswer ("firmware.xml", list);
    firmware.server.setAnswer (imagePath, heldFourSeconds (sim::LocalHttpServer::bytes (image), imageAsked));
    std::atomic<size_t> runsBeforeTheKey { 0 };
    size_t runsAtTheEnd = 0;
    juce::Array<juce::File> leftInDataHome;

    runTheDialog (2054, [&] (User& user)
    {
        if (! start (user) || ! oneSecondAfter (imageAsked))
            return;

        runsBeforeTheKey = unit.runs().size();
        user.type ("Escape");
        waitForTheBox();
    },
    [&]
    {
        runsAtTheEnd = unit.runs().size();
        leftInDataHome = firmware.filesInDataHome();
    });

    EXPECT_EQ (boxes.texts.joinIntoString ("\n"), stoppedBox);
    EXPECT_EQ (end.step, 4) << "not at the Upgrade step's erase notice";
    EXPECT_EQ (end.enabledButtons.joinIntoString (", "), "Activate, Select Version");
    EXPECT_EQ (end.title, "Firmware Upgrade");
    EXPECT_EQ (runsAtTheEnd, runsBeforeTheKey.load()) << "the tool ran after the key";
    EXPECT_TRUE (unitHoldsItsOldFirmware());
    EXPECT_TRUE (leftInDataHome.isEmpty()) << "the download went with the stop";
}

TEST_F (ToolFamilyUnderOpenbox, AClickWhileTheListDownloadHoldsTheWindowStartsNoStepAndTheRunFlashesTheListedVersion)
{
    std::atomic<bool> listAsked { false };
    firmware.server.setAnswers ("firmware.xml", listHeldFourSeconds (list, listAsked));
    firmware.server.setAnswer (imagePath, sim::LocalHttpServer::bytes (image));

    // The Activate button, under the held window's last picture of a busy step.
    runTheDialog (2054, [&] (User& user)
    {
        if (! start (user) || ! oneSecondAfter (listAsked))
            return;

        user.clickStep (2);
        waitForTheBox();
    });

    EXPECT_EQ (boxes.texts.joinIntoString ("\n"), "Firmware Upgrade Succeeded. Your firmware has been upgraded!");
    EXPECT_EQ (titles.count ("Starting stage 1 of compatibility checking"), 1) << titles.titles.joinIntoString (" | ");
    EXPECT_EQ (writes().joinIntoString (", "), "check, boot") << "one compatibility check, one flash";
    EXPECT_EQ (firmware.server.countRequests (imagePath), 1);
    EXPECT_FALSE (boxes.otherWindows.contains ("Choose The Firmware File"));
    EXPECT_TRUE (unitHoldsTheNewImage());
}

TEST_F (ToolFamilyUnderOpenbox, EscapeJustAfterARepetitionsResetEndsTheRepeatAndNothingMoreReachesTheUnit)
{
    firmware.server.setAnswer ("firmware.xml", list);
    firmware.server.setAnswer (imagePath, sim::LocalHttpServer::bytes (image));
    std::atomic<size_t> runsBeforeTheKey { 0 }, messagesBeforeTheKey { 0 };
    size_t runsAtTheEnd = 0, messagesAtTheEnd = 0;
    std::atomic<bool> repeating { false }, momentCame { false };

    runTheDialog (2054, [&] (User& user)
    {
        // S, typed into the window after a click on its status line: runs
        // repeat, and from the run's first status on the title counts them.
        user.clickAt (257, 20);
        user.type ("s");
        repeating = start (user) && eventually ([&] { return user.title().contains ("[0/20]"); }, 50, 20);

        // The flash's last command has ended: the unit restarts with its new
        // firmware, and the plain pauses before the next repetition begin.
        // Escape is typed whatever came, or the repetitions would go on.
        momentCame = eventually ([&] { return unit.describeRuns().contains ("-u -- reset") && ! toolIsRunning(); },
                                 4000, 10);

        // Past the 235 ms after the command, during which the window takes
        // keys at once, into the 900 ms of plain pauses that follow.
        juce::Thread::sleep (450);
        runsBeforeTheKey = unit.runs().size();
        messagesBeforeTheKey = (size_t) running.ports.messagesTo (unitPort).size();
        user.type ("Escape");

        // The next repetition would have reached the unit within about a second.
        juce::Thread::sleep (4000);
    },
    [&]
    {
        runsAtTheEnd = unit.runs().size();
        messagesAtTheEnd = (size_t) running.ports.messagesTo (unitPort).size();
    });

    ASSERT_TRUE (repeating);
    ASSERT_TRUE (momentCame) << "the flash never ended with its reset";
    EXPECT_EQ (runsAtTheEnd, runsBeforeTheKey.load()) << "the tool ran after the key";
    EXPECT_EQ (messagesAtTheEnd, messagesBeforeTheKey.load()) << "MIDI reached the unit after the key";
    EXPECT_FALSE (boxes.texts.contains (stoppedBox)) << "the repetition that ended did write the firmware";
    EXPECT_EQ (writes().joinIntoString (", "), "check, boot");
    EXPECT_TRUE (unitHoldsTheNewImage());
    EXPECT_EQ (end.enabledButtons.joinIntoString (", "), "Start");
}
