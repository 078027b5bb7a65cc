#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include <gtest/gtest.h>

#include "support/LocalFirmwareServer.h"
#include "support/UpgraderFixture.h"

#include "firmware/midi/UpgraderWaits.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <atomic>

using namespace halvik;
using sim::LocalHttpServer;

// What the user types and clicks while a run holds the window (a plain
// protocol pause, a download) is read before the run goes on: Escape stops it
// before the next command reaches the unit, in every family, and a click
// starts nothing.

namespace
{
    using Icon = juce::MessageBoxIconType;
    using Screen = sim::StepWindow::Screen;

    constexpr juce::int64 firmwareAddress = 0x60010000;
    const juce::String toolUnitPort ("R7-X1 MIDI 1");
    const juce::String stage1 ("Starting stage 1 of compatibility checking");

    /** Runs the action once, on the clock, in the first virtual millisecond in
        which the condition holds: while the program sits in one of its plain
        waits, say, which let no message through. */
    class ClockWatch
    {
    public:
        ClockWatch (sim::VirtualClock& clockToUse, std::function<bool()> conditionToWatch,
                    std::function<void()> actionToRun)
            : clock (clockToUse), condition (std::move (conditionToWatch)), action (std::move (actionToRun))
        {
            look();
        }

        ~ClockWatch()   { clock.cancel (this); }

        bool hasFired() const   { return fired; }

    private:
        void look()
        {
            clock.schedule (this, 1000.0, [this]
            {
                if (! condition())
                    return look();

                fired = true;
                action();
            });
        }

        sim::VirtualClock& clock;
        std::function<bool()> condition;
        std::function<void()> action;
        std::atomic<bool> fired { false };
    };

    /** A whole run from Start with the steps running on by themselves, for
        one of the three families, against the test's own firmware server and
        with the dialog on the screen: what reached the unit is kept. */
    struct HeldWindow : sim::UpgradeStepsFixture
    {
        enum class Family { keyboard, midiBootloader, tool };

        explicit HeldWindow (Family familyToRun = Family::keyboard) { plugIn (familyToRun); }

        /** A fresh window for a unit of the family, whatever an earlier row left. */
        void plugIn (Family familyToRun)
        {
            window.reset();
            units.clear();
            toolPorts.reset();
            firmware.server.clearRequests();
            family = familyToRun;
            unit = nullptr;
            prompts.dialogAnswer = sim::ChooserUser {};
            toolUnit.putFlashBytes (firmwareAddress, oldFirmware);

            if (family == Family::keyboard)
                unit = &addUnit (linuxUnit ("Dravel 49", 4130, true));
            else if (family == Family::midiBootloader)
                unit = &addUnit (linuxUnit ("Faderon Pro", 117, true));
            else
                toolPorts = std::make_unique<sim::NamedPorts> (ports, juce::StringArray (toolUnitPort),
                                                               juce::StringArray (toolUnitPort));

            window = std::make_unique<sim::StepWindow> (productId(), true, Screen::on);
            autoAdvance = true;
        }

        int productId() const
        {
            return family == Family::keyboard ? 4130 : (family == Family::midiBootloader ? 117 : 2056);
        }

        juce::String imagePath() const
        {
            return family == Family::keyboard ? "fw/dravel_49_v1.07.bin"
                                              : (family == Family::midiBootloader ? "fw/faderon_pro_v1.07.bin"
                                                                                   : "fw/r7_x_v2.01.bin");
        }

        /** The list and the image, each answered once the user has done what
            is given (on the server's thread) while the server holds it. */
        void serve (std::function<void()> whileTheListIsAsked = {}, std::function<void()> whileTheImageIsAsked = {})
        {
            auto list = LocalHttpServer::text (sim::LocalFirmwareServer::listText ({ { productId(), "Unit",
                                                                                     "1.07", imagePath() } }));
            auto served = LocalHttpServer::bytes (image);
            list.whenAsked = std::move (whileTheListIsAsked);
            served.whenAsked = std::move (whileTheImageIsAsked);
            firmware.server.setAnswer ("firmware.xml", list);
            firmware.server.setAnswer (imagePath(), served);
        }

        /** The user acts while the window is held: the action is posted to
            the window's thread, where it waits until the program reads its
            input. What had reached the unit so far is noted. Any thread. */
        void whileHeld (std::function<void (sim::StepWindow&)> action)
        {
            noteWhatTheUnitHad();
            juce::MessageManager::callAsync ([this, action]
            {
                if (window != nullptr)
                    action (*window);
            });
        }

        void noteWhatTheUnitHad()
        {
            toolRunsBefore = toolUnit.runs().size();
            messagesBefore = ports.messagesTo().size();
        }

        bool unitHoldsTheImage() const
        {
            if (unit == nullptr)
                return toolUnit.flashBytes (firmwareAddress, image.getSize()) == image;

            const auto* bytes = static_cast<const juce::uint8*> (image.getData());
            return unit->storedImage() == std::vector<juce::uint8> (bytes, bytes + image.getSize());
        }

        int countShown (const juce::String& status) const
        {
            const auto shown = window->statusTexts();
            return (int) std::count (shown.begin(), shown.end(), status);
        }

        const std::string stoppedBox = box (Icon::InfoIcon, "Firmware Upgrade",
                                            "Upgrade stopped: no firmware was written to the device.");
        const std::string upgradedBox = box (Icon::InfoIcon, "Firmware Upgrade Succeeded",
                                             "Your firmware has been upgraded!");

        Family family = Family::keyboard;
        sim::LocalFirmwareServer firmware;
        sim::FlashToolStandIn toolUnit;
        const juce::MemoryBlock image { randomBytes (3 * 512, 7) };
        const juce::MemoryBlock oldFirmware { image.getSize(), true };
        sim::SimulatedUnit* unit = nullptr;
        std::unique_ptr<sim::NamedPorts> toolPorts;
        std::unique_ptr<sim::StepWindow> window;
        size_t toolRunsBefore = 0;
        int messagesBefore = 0;
    };

    using Family = HeldWindow::Family;
}

//==============================================================================
// The X library reads events off the display's connection whenever the program
// waits for an answer from the server; JUCE's loop looks only at the
// connection. A key read in that way still reaches the window when the
// upgrader looks for the input that came while it held the window.
TEST (InputWhileTheWindowIsHeld, AKeyTheXLibraryHasAlreadyReadInReachesTheWindow)
{
    struct KeyTaker : juce::Component
    {
        bool keyPressed (const juce::KeyPress& key) override    { keys.add (key); return true; }
        juce::Array<juce::KeyPress> keys;
    };

    KeyTaker window;
    window.setBounds (10, 10, 100, 100);
    window.addToDesktop (juce::ComponentPeer::windowIsTemporary);
    window.setVisible (true);
    auto* ours = juce::XWindowSystem::getInstance()->getDisplay();
    ASSERT_NE (ours, nullptr) << "needs a display";
    const auto target = (::Window) (juce::pointer_sized_uint) window.getPeer()->getNativeHandle();

    // Another client sends the window a key press, as the server delivers one.
    auto* other = XOpenDisplay (nullptr);
    ASSERT_NE (other, nullptr);
    XEvent press {};
    press.xkey.type = 2;    // KeyPress: JUCE's headers take that name back from X's
    press.xkey.window = target;
    press.xkey.root = DefaultRootWindow (other);
    press.xkey.same_screen = True;
    press.xkey.keycode = XKeysymToKeycode (other, XK_Escape);
    XSendEvent (other, target, True, KeyPressMask, &press);
    XSync (other, False);
    XCloseDisplay (other);

    // The program's own connection reads it in while waiting for the server.
    {
        juce::XWindowSystemUtilities::ScopedXLock lock;
        XSync (ours, False);
        ASSERT_GT (XEventsQueued (ours, QueuedAlready), 0);
    }

    letQueuedInputThrough();

    ASSERT_EQ (window.keys.size(), 1);
    EXPECT_EQ (window.keys[0].getKeyCode(), juce::KeyPress::escapeKey);
}

//==============================================================================
// Escape typed while a plain wait or a download holds the window, after the
// choosers that the run confirmed by itself have come and gone, ends the run
// in the step that reads it: the box says so, nothing more reaches the unit,
// and no button is left on that can only fail.
TEST_F (HeldWindow, EscapeTypedWhileTheWindowIsHeldEndsTheRunBeforeTheNextCommandInEveryFamily)
{
    enum class When
    {
        startsRequest, entersRequest, entersWaitForTheUnit, activatesRequest, listDownload, imageDownload
    };
    struct Row { const char* what; Family family; When when; int stepAfter; const char* buttons; };

    const Row rows[] {
        { "a keyboard, while Start asks its version", Family::keyboard, When::startsRequest, 1, "10000" },
        { "a keyboard, while Enter asks its version", Family::keyboard, When::entersRequest, 2, "11000" },
        { "a keyboard, while Enter waits for it to come back", Family::keyboard, When::entersWaitForTheUnit, 2,
          "11000" },
        { "a keyboard, while Activate asks its version", Family::keyboard, When::activatesRequest, 4, "00110" },
        { "a keyboard, during the list's download", Family::keyboard, When::listDownload, 4, "00110" },
        { "a keyboard, during the image's download", Family::keyboard, When::imageDownload, 4, "00110" },
        { "a MIDI bootloader unit, during the image's download", Family::midiBootloader, When::imageDownload, 4,
          "00110" },
        { "a tool-family unit, during the image's download", Family::tool, When::imageDownload, 4, "00110" },
    };

    for (auto& row : rows)
    {
        SCOPED_TRACE (row.what);
        plugIn (row.family);

        const std::function<void()> typing = [this] { whileHeld ([] (auto& w) { w.typeEscape(); }); };
        serve (row.when == When::listDownload ? typing : nullptr, row.when == When::imageDownload ? typing : nullptr);

        // The keyboard's version requests: Start's, Enter's before and after it restarts, Activate's.
        ClockWatch duringAPlainWait (clock, [&]
        {
            switch (row.when)
            {
                case When::startsRequest:         return unit->versionRequests() >= 1;
                case When::entersRequest:         return unit->versionRequests() >= 2;
                case When::entersWaitForTheUnit:  return unit->log().contains ("left");
                case When::activatesRequest:      return unit->versionRequests() >= 4;
                case When::listDownload:
                case When::imageDownload:         return false;
            }

            return false;
        }, typing);

        (*window)->stepStart (1);

        EXPECT_EQ (boxes(), std::vector<std::string> { stoppedBox });
        EXPECT_EQ ((*window)->getStep(), row.stepAfter);
        EXPECT_EQ (window->enabledButtons(), juce::String (row.buttons));
        EXPECT_EQ (toolUnit.runs().size(), toolRunsBefore) << "no tool command after Escape";
        EXPECT_EQ (ports.messagesTo().size(), messagesBefore) << "no MIDI message after Escape";
        EXPECT_FALSE (unitHoldsTheImage());
        EXPECT_EQ (firmware.server.countRequests (imagePath()), row.when == When::imageDownload ? 1 : 0);
        EXPECT_TRUE (firmware.filesInDataHome().isEmpty()) << "no download is left";
    }
}

// A key lands on the dialog's own window when no component inside it holds
// JUCE's keyboard focus (a chooser that held it has gone), and on a window the
// dialog blocks when that one has the display's focus: either way it reaches
// the upgrader.
TEST_F (HeldWindow, AKeyLandingOnTheDialogOrOnAWindowItBlocksReachesTheUpgrader)
{
    juce::Component editor;
    editor.setBounds (0, 0, 200, 100);
    editor.addToDesktop (juce::ComponentPeer::windowIsTemporary);
    editor.setVisible (true);

    juce::Component::unfocusAllComponents();
    window->typeEscape();
    EXPECT_TRUE (abortRequested) << "typed on the dialog";

    abortRequested = false;
    (*window)->findParentComponentOfClass<juce::DialogWindow>()->enterModalState (false);
    editor.getPeer()->handleKeyPress (juce::KeyPress (juce::KeyPress::escapeKey));
    EXPECT_TRUE (abortRequested) << "typed on a window the dialog blocks";
    (*window)->findParentComponentOfClass<juce::DialogWindow>()->exitModalState (0);

    // A key that went through the upgrader is not handed to it again, though
    // the box it opened took the keyboard focus on the way: one box.
    auto* scripted = UpgraderPrompts::setCurrent (nullptr);
    (*window)->grabKeyboardFocus();
    (*window)->getPeer()->handleKeyPress (juce::KeyPress (juce::KeyPress::F1Key));
    UpgraderPrompts::setCurrent (scripted);

    int boxesShown = 0;

    for (int i = 0; i < juce::TopLevelWindow::getNumTopLevelWindows(); ++i)
        if (dynamic_cast<juce::AlertWindow*> (juce::TopLevelWindow::getTopLevelWindow (i)) != nullptr)
            ++boxesShown;

    EXPECT_EQ (boxesShown, 1);

    while (auto* box = juce::Component::getCurrentlyModalComponent())
        box->exitModalState (0);

    testsupport::dispatchUntil ([] { return juce::Component::getCurrentlyModalComponent() == nullptr; });
}

//==============================================================================
// A click read while a download holds the window was made while its buttons
// looked off: it starts no step inside the running one, which goes on to the
// one check and the one flash of the version listed.
TEST_F (HeldWindow, AClickMadeWhileADownloadHoldsTheWindowStartsNothing)
{
    struct Row { const char* what; Family family; int button; bool duringTheList; };

    const Row rows[] {
        { "Start, during a tool-family unit's image download", Family::tool, 0, false },
        { "Enter, during a tool-family unit's image download", Family::tool, 1, false },
        { "Activate, during a tool-family unit's image download", Family::tool, 2, false },
        { "Activate, during a MIDI bootloader unit's list download", Family::midiBootloader, 2, true },
    };

    for (auto& row : rows)
    {
        SCOPED_TRACE (row.what);
        plugIn (row.family);

        const std::function<void()> clicking = [this, &row]
        {
            whileHeld ([&row] (auto& w) { w->getStepButton (row.button).triggerClick(); });
        };

        serve (row.duringTheList ? clicking : nullptr, row.duringTheList ? nullptr : clicking);
        (*window)->stepStart (1);

        const auto midi = row.family != Family::tool;
        const auto choosers = midi ? juce::StringArray ("Choose Your Halvik Device", "Choose Your Halvik Device",
                                                        "Firmware Version")
                                   : juce::StringArray ("Firmware Version");
        EXPECT_EQ (boxes(), std::vector<std::string> { upgradedBox });
        EXPECT_EQ (dialogs(), sim::texts (choosers)) << "no chooser again, and no file chooser";
        EXPECT_EQ (countShown (stage1), midi ? 0 : 1) << "one compatibility check";
        EXPECT_EQ (firmware.server.countRequests (imagePath()), 1);
        EXPECT_TRUE (unitHoldsTheImage());
        EXPECT_EQ ((*window)->getStep(), 1);
    }
}

// The pauses after an upload hold the window too: a click on Start made then
// is read before the run ends, and starts no new one once it has.
TEST_F (HeldWindow, AClickMadeInThePausesAfterAnUploadStartsNoNewRun)
{
    plugIn (Family::midiBootloader);
    serve();

    ClockWatch afterTheUpload (clock, [this] { return unit->log().contains ("reset"); },
                               [this] { whileHeld ([] (auto& w) { w->getStepButton (0).triggerClick(); }); });

    (*window)->stepStart (1);
    testsupport::dispatchUntil ([] { return false; }, 200);

    EXPECT_TRUE (afterTheUpload.hasFired());
    EXPECT_TRUE (unitHoldsTheImage());
    EXPECT_EQ (ports.messagesTo().size(), messagesBefore) << "no MIDI message after the click";
    EXPECT_EQ (dialogs().size(), 3u) << "no new search for the unit";
}

// So does Activate's wait for a keyboard's answer, taken step by step: a click
// on Activate made then is read before the step ends, and starts it no second time.
TEST_F (HeldWindow, AClickMadeWhileActivateWaitsForAKeyboardStartsNoStepOnceItHasEnded)
{
    window.reset();
    units.clear();
    unit = &addUnit (linuxUnit ("Dravel 49", 4130, true, true));
    window = std::make_unique<sim::StepWindow> (4130, true, sim::StepWindow::Screen::on);
    (*window)->setStep (3);

    ClockWatch duringTheRequest (clock, [this] { return unit->versionRequests() >= 1; },
                                 [this] { whileHeld ([] (auto& w) { w->getStepButton (2).triggerClick(); }); });

    EXPECT_TRUE ((*window)->stepActivate (1));
    testsupport::dispatchUntil ([] { return false; }, 200);

    EXPECT_TRUE (duringTheRequest.hasFired());
    EXPECT_EQ (dialogs(), std::vector<std::string> { "Choose Your Halvik Device" }) << "Activate ran once";
    EXPECT_EQ (ports.messagesTo().size(), messagesBefore) << "no MIDI message after the click";
    EXPECT_EQ ((*window)->getStep(), 4);
}

// With the repeat mode on, Escape typed in the plain pauses after the flash's
// last command ends the repetition: nothing more reaches the unit.
TEST_F (HeldWindow, EscapeTypedAfterTheFlashesLastCommandEndsTheRepetition)
{
    plugIn (Family::tool);
    serve();
    repeatMode = true;

    ClockWatch afterTheReset (clock, [this]
    {
        const auto runs = toolUnit.describeRuns();
        return runs.size() > 0 && runs[runs.size() - 1].contains ("reset");
    }, [this] { whileHeld ([] (auto& w) { w.typeEscape(); }); });

    (*window)->stepStart (1);

    EXPECT_TRUE (afterTheReset.hasFired());
    EXPECT_TRUE (unitHoldsTheImage());
    EXPECT_EQ (toolUnit.runs().size(), toolRunsBefore) << "no tool command after Escape";
    EXPECT_EQ (ports.messagesTo().size(), messagesBefore) << "no MIDI message after Escape";
    EXPECT_FALSE (repeatMode);
    EXPECT_EQ ((*window)->getStep(), 1);
    EXPECT_TRUE (boxes().empty()) << "a repetition shows no box";
}

// A stop while Activate runs again after Select takes the downloaded image,
// and the mark that a firmware was selected goes with it: Upgrade, once
// Activate has passed again, finds nothing to write and says nothing.
TEST_F (HeldWindow, AStopAfterSelectLeavesUpgradeNothingToWrite)
{
    plugIn (Family::tool);
    serve();
    autoAdvance = false;
    toolModeEntered = true;
    activatedMarker = 1;
    (*window)->deviceReplyText = "2.00";
    (*window)->setStep (3);

    (*window)->stepSelectFirmware (1);
    ASSERT_EQ ((*window)->getStep(), 6) << "the image is ready";

    sim::MessageWatch duringTheCheck ([this] { return countShown (stage1) > 0; },
                                      [this] { (*window)->keyPressed (juce::KeyPress (juce::KeyPress::escapeKey)); });
    EXPECT_FALSE ((*window)->stepActivate (1));
    EXPECT_TRUE (duringTheCheck.hasFired());
    EXPECT_TRUE ((*window)->stepActivate (1));

    noteWhatTheUnitHad();
    EXPECT_FALSE ((*window)->stepUpgrade (1));
    EXPECT_EQ (toolUnit.runs().size(), toolRunsBefore);
    EXPECT_EQ (boxes(), (std::vector<std::string> { box (Icon::InfoIcon, "Firmware Upgrade", "OK"), stoppedBox }));
    EXPECT_FALSE (unitHoldsTheImage());
}
