#include "common/WaitingWindowEvents.h"
#include "editor/EditorState.h"
#include "editor/window/MainComp.h"
#include "firmware/UpgraderState.h"
#include "firmware/window/DeviceSelectComponent.h"
#include "firmware/window/FirmwareSelectComponent.h"
#include "firmware/window/UpgraderEntry.h"
#include "firmware/window/UpgraderPrompts.h"
#include "support/MessageLoop.h"
#include "support/RealProgramFixture.h"
#include "support/RunningApplication.h"
#include "support/WindowManagerView.h"

#include <atomic>
#include <thread>
#include <tuple>

// The program's modal windows (the upgrade dialog, its choosers, JUCE's message
// boxes) inside the test's process, on a display of the test's own, which
// openbox manages or no window manager at all. A user clicks a window that
// they block, once and then again, or its title bar again and again: they stay
// in front of it, in the order they opened, and the top one keeps the keyboard.

namespace
{
    /** What stands over the editor: the windows opened over the upgrade
        dialog, and the titles of all the modal windows, the bottom one first. */
    struct ModalStack
    {
        const char* name;
        std::function<void()> openOverTheDialog;    // message thread, inside the dialog's loop
        juce::StringArray titles;
        bool userClicksTheEditor;                   // else the upgrade dialog
    };

    void PrintTo (const ModalStack& stack, std::ostream* os)    { *os << stack.name; }

    juce::Component* upgradeDialogContent()
    {
        auto* dialog = dynamic_cast<juce::DialogWindow*> (testsupport::findWindowsTitled ("Firmware Upgrade")[0]);
        return dialog != nullptr ? dialog->getContentComponent() : nullptr;
    }

    bool upgradeDialogHasTheKeys()
    {
        auto* content = upgradeDialogContent();
        return content != nullptr && content->hasKeyboardFocus (true);
    }

    void showBox (const juce::String& title)
    {
        halvik::UpgraderPrompts::getCurrent().showMessage (juce::MessageBoxIconType::WarningIcon, title,
                                                           "The user has not closed this box yet.");
    }

    // With auto-advance off (the A key), as the user who reported it had it,
    // the choosers wait for the user.
    void runTheFirmwareChooser()
    {
        halvik::autoAdvance = false;
        juce::ValueTree list ("firmwares");
        list.appendChild (juce::ValueTree ("firmware", { { "pid", 4130 }, { "name", "Dravel 49" },
                                                         { "version", "1.05" }, { "fw", "fw.bin" } }), nullptr);
        halvik::FirmwareSelectComponent chooser (list, 0);
        halvik::UpgraderPrompts::getCurrent().runDialog (chooser, "Firmware Version", upgradeDialogContent(), true);
    }

    void runTheDeviceChooserWithABoxOverIt()
    {
        halvik::autoAdvance = false;
        juce::MessageManager::callAsync ([] { showBox ("Midi Device"); });
        halvik::DeviceSelectComponent chooser (4130, {});
        halvik::UpgraderPrompts::getCurrent().runDialog (chooser, "Choose Your Halvik Device",
                                                         upgradeDialogContent(), true);
    }

    // Finds no unit: warns that it cannot find it.
    void runTheDeviceChooserForAnAbsentUnit()
    {
        halvik::autoAdvance = false;
        halvik::DeviceSelectComponent chooser (94, {});
        halvik::UpgraderPrompts::getCurrent().runDialog (chooser, "Choose Your Halvik Device",
                                                         upgradeDialogContent(), true);
    }

    const ModalStack stacks[] {
        { "AChooserOverTheUpgradeDialog", runTheFirmwareChooser,
          { "Firmware Upgrade", "Firmware Version" }, false },
        { "AMessageBoxOverTheUpgradeDialog", [] { showBox ("Firmware Download"); },
          { "Firmware Upgrade", "Firmware Download" }, false },
        { "ABoxOverTheDeviceChooserOverTheUpgradeDialog", runTheDeviceChooserWithABoxOverIt,
          { "Firmware Upgrade", "Choose Your Halvik Device", "Midi Device" }, false },
        { "TheDeviceChoosersWarningOverTheChooserOverTheUpgradeDialog", runTheDeviceChooserForAnAbsentUnit,
          { "Firmware Upgrade", "Choose Your Halvik Device", "" }, false },
        // Last: the editor has no title bar of the window manager's.
        { "TheUpgradeDialogAloneOverTheEditor", [] {},
          { "Firmware Upgrade" }, true },
    };

    /** Counts the clicks that reach a window while a modal one blocks it; JUCE
        has answered each by the time it is counted. Message thread. */
    struct BlockedClicks final : private juce::MouseListener
    {
        BlockedClicks()     { juce::Desktop::getInstance().addGlobalMouseListener (this); }
        ~BlockedClicks()    { juce::Desktop::getInstance().removeGlobalMouseListener (this); }

        void mouseDown (const juce::MouseEvent& e) override
        {
            if (e.eventComponent->isCurrentlyBlockedByAnotherModalComponent())
                ++count;
        }

        std::atomic<int> count { 0 };
    };

    /** Runs the function on the message thread and waits until it has; false
        when it has not run within a generous limit. From another thread. */
    bool onMessageThread (std::function<void()> function)
    {
        auto done = std::make_shared<juce::WaitableEvent>();
        juce::MessageManager::callAsync ([function, done] { function(); done->signal(); });
        return done->wait (30000);
    }

    juce::String describe (const std::vector<unsigned long>& windows)
    {
        juce::StringArray ids;

        for (auto window : windows)
            ids.add (juce::String::toHexString ((juce::int64) window));

        return ids.joinIntoString (" ");
    }

    struct ModalWindowsInFront  : ::testing::TestWithParam<std::tuple<bool, ModalStack>>
    {
        bool underOpenbox() const           { return std::get<0> (GetParam()); }
        const ModalStack& stack() const     { return std::get<1> (GetParam()); }

        /** The editor's window and the modal windows by their titles, the
            bottom one first; empty until all are on the screen. Message thread. */
        std::vector<unsigned long> windowsFromTheBottom (sim::RunningApplication& running) const
        {
            std::vector<unsigned long> windows { WindowManagerView::windowOf (running.window()) };

            for (auto& title : stack().titles)
            {
                const auto found = testsupport::findWindowsTitled (title);

                if (found.size() != 1 || ! found[0]->isShowing())
                    return {};

                windows.push_back (WindowManagerView::windowOf (*found[0]));
            }

            return windows;
        }

        /** The user's side, on a thread of its own while the dialogs run:
            looks at the screen once the windows show, then clicks the blocked
            window (its title bar when asked), looking after each click. Then
            closes every modal window. */
        void actAsAUser (sim::RunningApplication& running, int clicks, bool onTheTitleBar)
        {
            const auto settled = [&]
            {
                return onMessageThread (handOverWaitingWindowEvents)
                        && (! underOpenbox() || view->windowManagerHasCaughtUp())
                        && onMessageThread (handOverWaitingWindowEvents);
            };

            // The user works in the upgrade dialog, which has the keys, before
            // anything opens over it; a window remembers what had its keys.
            eventually ([&]
            {
                bool hasTheKeys = false;
                onMessageThread ([&] { hasTheKeys = upgradeDialogHasTheKeys(); });
                return settled() && hasTheKeys;
            });

            juce::MessageManager::callAsync (stack().openOverTheDialog);

            eventually ([&]
            {
                onMessageThread ([&] { shown = windowsFromTheBottom (running); });
                return ! shown.empty();
            });

            const auto inFront = [&] { return view->stackedInOrderWithTheTopFocused (shown); };

            // As they opened, then after each click: in front, the top one
            // with the keyboard. Each look comes once the program has handled
            // all that reached it, and the window manager all that the
            // program asked of it. JUCE sees no click on a title bar: the
            // window manager's answer to it comes first.
            if (! shown.empty())
            {
                const size_t clicked = stack().userClicksTheEditor ? 0 : 1;
                const std::vector<unsigned long> above (shown.begin() + (long) clicked + 1, shown.end());
                const auto target = juce::String ((juce::int64) shown[clicked]);

                for (int click = 0; click <= clicks; ++click)
                {
                    bool clickedIt = true;

                    if (click > 0 && onTheTitleBar)
                    {
                        const auto point = view->titleBarPointOf (shown[clicked], above, click);
                        clickedIt = point.has_value();

                        if (clickedIt)
                            display.clickAt (juce::String ((juce::int64) view->frameOf (shown[clicked])),
                                             point->x, point->y);
                    }
                    else if (click > 0)
                    {
                        const auto point = view->uncoveredPointOf (shown[clicked], above);
                        display.clickAt (target, point.x, point.y);
                    }

                    const auto answered = clickedIt && eventually ([&]
                    {
                        return settled() && (onTheTitleBar || blockedClicks->count >= click);
                    });

                    inFrontAtEachLook.push_back (answered && eventually ([&] { return settled() && inFront(); }, 20));
                    stackAtEachLook.add (describe (view->inStackingOrder (shown))
                                         + ", focus " + describe ({ view->focusedWindow() }));
                }
            }

            onMessageThread ([]
            {
                while (auto* modal = juce::Component::getCurrentlyModalComponent())
                    modal->exitModalState (0);
            });
        }

        /** Starts the program on the test's display, under openbox when asked,
            opens the modal windows, and has the user click as actAsAUser does. */
        void openTheWindowsAndClick (int clicks, bool onTheTitleBar)
        {
            ASSERT_TRUE (display.getName().isNotEmpty());

            if (underOpenbox())
            {
                if (ownOpenbox() == nullptr)
                    ownOpenbox() = std::make_unique<Openbox> (display);

                ASSERT_TRUE (ownOpenbox()->isManaging());
            }

            // The program opens its connection to the display with its first window.
            TempFolder dataFolder;
            ScopedEnvironment environment ("DISPLAY", display.getName());
            environment.set ("XDG_DATA_HOME", dataFolder.get().getFullPathName());
            view = std::make_unique<WindowManagerView>();
            ASSERT_TRUE (view->isOpen());

            sim::RunningApplication running;
            running.start();
            ASSERT_NE (NsDravel::theMainComp, nullptr);
            blockedClicks = std::make_unique<BlockedClicks>();

            std::thread user ([&] { actAsAUser (running, clicks, onTheTitleBar); });
            halvik::openFirmwareUpgrader (4130, NsDravel::theMainComp, false, false, 0);
            user.join();
        }

        /** Expects the windows in front at every look: as they opened, then after each click. */
        void expectInFrontAtEachLook (int clicks) const
        {
            ASSERT_EQ (inFrontAtEachLook.size(), (size_t) clicks + 1) << "the windows did not show";
            const auto expected = " (bottom first); expected " + describe (shown) + ", focus on the last";

            EXPECT_TRUE (inFrontAtEachLook[0]) << "as they opened: " << stackAtEachLook[0] << expected;

            for (int click = 1; click <= clicks; ++click)
                EXPECT_TRUE (inFrontAtEachLook[(size_t) click]) << "after click " << click << ": "
                                                                << stackAtEachLook[click] << expected;
        }

        /** The test's own display, with openbox on it when asked for. Both
            outlive the program's connection to the display, which stays open
            until the last test has run; one test runs in a process. */
        static const PrivateDisplay& ownDisplay()  { static PrivateDisplay d; return d; }
        static std::unique_ptr<Openbox>& ownOpenbox()  { static std::unique_ptr<Openbox> o; return o; }

        const PrivateDisplay& display = ownDisplay();
        std::unique_ptr<WindowManagerView> view;
        std::unique_ptr<BlockedClicks> blockedClicks;
        std::vector<unsigned long> shown;
        std::vector<bool> inFrontAtEachLook;
        juce::StringArray stackAtEachLook;
    };
}

TEST_P (ModalWindowsInFront, StayInFrontOfTheWindowTheyBlockWithTheKeyboardWhenItIsClickedOnceAndTwice)
{
    openTheWindowsAndClick (2, false);
    expectInFrontAtEachLook (2);
}

// A window manager's title bar takes clicks that JUCE never sees.
using ModalWindowsInFrontOfATitleBar = ModalWindowsInFront;

TEST_P (ModalWindowsInFrontOfATitleBar, StayInFrontWithTheKeyboardWhenTheBlockedWindowsTitleBarIsClickedAgainAndAgain)
{
    openTheWindowsAndClick (4, true);
    expectInFrontAtEachLook (4);
}

INSTANTIATE_TEST_SUITE_P (UnderOpenboxAndWithNoWindowManager, ModalWindowsInFront,
                          ::testing::Combine (::testing::Bool(), ::testing::ValuesIn (stacks)),
                          [] (const auto& info)
                          {
                              return std::string (std::get<0> (info.param) ? "UnderOpenbox_" : "NoWindowManager_")
                                     + std::get<1> (info.param).name;
                          });

INSTANTIATE_TEST_SUITE_P (UnderOpenbox, ModalWindowsInFrontOfATitleBar,
                          ::testing::Combine (::testing::Values (true),
                                              ::testing::ValuesIn (std::begin (stacks), std::end (stacks) - 1)),
                          [] (const auto& info) { return std::string (std::get<1> (info.param).name); });

//==============================================================================
// The real program under openbox: the build box (F1) over the upgrade dialog
// stays in front of the dialog and the editor, with the keys, when the user
// clicks the dialog, once and again, or its title bar again and again; Return
// typed then closes the box.

class ModalWindowsInFrontInTheProgram : public RealProgramFixture
{
protected:
    /** Starts the program, opens the upgrade dialog from its notice and the
        build box over it (F1); fills windows with the editor's, the dialog's
        and the box's. False when one of them did not show. */
    bool openTheBuildBoxOverTheUpgradeDialog()
    {
        if (! openbox.isManaging() || ! start (tavlo, true) || ! showsOneWindow (tavlo))
            return false;

        const auto editor = windowsOf (tavlo)[0];
        const auto notice = openTheUpgradersNotice (tavlo);
        const auto dialogShows = [&] { return windowsOf (tavlo, "Firmware Upgrade").size() == 1; };

        if (notice.isEmpty() || ! display.typeUntil (notice, "Return", dialogShows))
            return false;

        dialog = windowsOf (tavlo, "Firmware Upgrade")[0];

        // The box is the program's third window.
        if (! display.typeUntil (dialog, "F1", [&] { return allWindows().size() == 3; }))
            return false;

        auto box = allWindows();
        box.removeString (editor);
        box.removeString (dialog);

        for (auto& window : { editor, dialog, box[0] })
            windows.push_back ((unsigned long) window.getLargeIntValue());

        return true;
    }

    juce::StringArray allWindows()          { return windowsOf (tavlo, ".*"); }

    bool inFront() const                    { return view.stackedInOrderWithTheTopFocused (windows); }

    juce::String stackAndFocus() const
    {
        return describe (view.inStackingOrder (windows)) + ", focus " + describe ({ view.focusedWindow() });
    }

    // JUCE reads the events that reached the program only when more arrive, so
    // the mouse is nudged meanwhile, as a user's hand would. The program rings
    // its bell once it has answered a click on a blocked window.
    bool nudgedUntil (std::function<bool()> condition)
    {
        return eventually ([&]
        {
            display.run ({ "xdotool", "mousemove_relative", "--", ++nudges % 2 == 0 ? "1" : "-1", "0" });
            bells += tavlo.readArrivedOutput().retainCharacters ("\a").length();
            return condition();
        });
    }

    Openbox openbox { display };
    WindowManagerView view { display.getName() };
    TestProcess tavlo;
    juce::String dialog;
    std::vector<unsigned long> windows;
    int nudges = 0, bells = 0;
};

TEST_F (ModalWindowsInFrontInTheProgram, UnderOpenboxABoxOverTheUpgradeDialogKeepsFrontAndKeysWhenTheDialogIsClicked)
{
    ASSERT_TRUE (openTheBuildBoxOverTheUpgradeDialog());
    const auto point = view.uncoveredPointOf (windows[1], { windows[2] });

    for (int click = 1; click <= 2; ++click)
    {
        display.clickAt (dialog, point.x, point.y);
        ASSERT_TRUE (nudgedUntil ([&] { return bells >= click; })) << "click " << click << " was not answered";
        ASSERT_TRUE (view.windowManagerHasCaughtUp());
        EXPECT_TRUE (eventually ([&] { return inFront(); }, 20)) << "after click " << click << ": " << stackAndFocus();
    }

    display.run ({ "xdotool", "key", "Return" });
    EXPECT_TRUE (nudgedUntil ([&] { return allWindows().size() == 2; }));
}

// JUCE sees no click on the title bar: the look comes once the window manager
// has answered it and the program what that brought, and again after.
TEST_F (ModalWindowsInFrontInTheProgram, UnderOpenboxABoxOverTheUpgradeDialogKeepsFrontAndKeysWhenItsTitleBarIsClicked)
{
    ASSERT_TRUE (openTheBuildBoxOverTheUpgradeDialog());
    const auto frame = juce::String ((juce::int64) view.frameOf (windows[1]));

    for (int click = 1; click <= 4; ++click)
    {
        const auto point = view.titleBarPointOf (windows[1], { windows[2] }, click);
        ASSERT_TRUE (point.has_value()) << "the dialog's title bar is covered";
        display.clickAt (frame, point->x, point->y);

        const auto answered = [&] { return view.windowManagerHasCaughtUp(); };
        EXPECT_TRUE (nudgedUntil (answered) && eventually ([&] { return inFront(); }, 20)
                     && nudgedUntil (answered) && inFront()) << "after click " << click << ": " << stackAndFocus();
    }

    display.run ({ "xdotool", "key", "Return" });
    EXPECT_TRUE (nudgedUntil ([&] { return allWindows().size() == 2; }));
}
