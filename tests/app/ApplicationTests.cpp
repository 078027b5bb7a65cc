#include <gtest/gtest.h>

#include "support/MessageLoop.h"
#include "support/RunningApplication.h"
#include "support/TestProcess.h"
#include "support/TestSurroundings.h"
#include "support/WindowManagerView.h"

#include "app/DemoContentComponent.h"
#include "app/DemoTaskbarComponent.h"
#include "app/MainComponent.h"
#include "editor/device/Host.h"

#include <map>

namespace
{
    bool loopStopped() { return juce::MessageManager::getInstance()->hasStopMessageBeenSent(); }

    /** Stand-in editors that count how often the shell destroys them. */
    std::function<juce::Component*()> probes (std::shared_ptr<int> destructions)
    {
        struct Probe : public juce::Component
        {
            explicit Probe (std::shared_ptr<int> counter) : destructions (std::move (counter))   { setSize (979, 473); }
            ~Probe() override   { ++*destructions; }
            std::shared_ptr<int> destructions;
        };

        return [destructions] { return new Probe (destructions); };
    }

    struct Application : public ::testing::Test
    {
        std::shared_ptr<int> editorDestroyed = std::make_shared<int> (0);
        DemoRunnerApplication app { probes (editorDestroyed) };
    };

    /** A tray that keeps the menus it was asked to show instead of opening them. */
    struct RecordingTray : public DemoTaskbarComponent
    {
        using DemoTaskbarComponent::DemoTaskbarComponent;
        void showMenu (const juce::PopupMenu& menu) override   { shown.push_back (menu); }
        std::vector<juce::PopupMenu> shown;
    };
}

TEST (ApplicationWithoutEditor, EndsWithoutAWindowAndWithAFailureCode)
{
    DemoRunnerApplication app { [] { return static_cast<juce::Component*> (nullptr); } };

    app.initialise ({});

    EXPECT_EQ (app.getMainWindow(), nullptr);
    EXPECT_EQ (juce::Desktop::getInstance().getNumComponents(), 0);
    EXPECT_TRUE (loopStopped());
    EXPECT_NE (app.getApplicationReturnValue(), 0);
}

TEST_F (Application,
        StartsWithTheEditorAloneAQuitRequestHidesTheWindowASecondStartShowsItAndClosingItEndsTheContentOnce)
{
    app.initialise ({});
    auto* window = app.getMainWindow();
    ASSERT_TRUE (window != nullptr && window->isOnDesktop() && window->isVisible());
    auto* main = window->findMainComponent();
    ASSERT_NE (main, nullptr);
    EXPECT_NE (main->getContentArea().getCurrentView(), nullptr);
    EXPECT_FALSE (main->getSidePanel().isPanelShowing() || main->isUsingOpenGL());
    EXPECT_FALSE (loopStopped() || app.moreThanOneInstanceAllowed());

    app.systemRequestedQuit();
    EXPECT_FALSE (window->isVisible());
    EXPECT_TRUE (loopStopped());

    app.anotherInstanceStarted ("--anything");
    EXPECT_TRUE (window->isVisible());
    EXPECT_EQ (*editorDestroyed, 0);

    window->closeButtonPressed();
    EXPECT_FALSE (window->isVisible());
    EXPECT_EQ (*editorDestroyed, 1);
    EXPECT_EQ (window->findMainComponent(), nullptr);

    // Later layout requests and the window's own end leave the gone content alone.
    window->parentSizeChanged();
    app.shutdown();
    EXPECT_EQ (app.getMainWindow(), nullptr);
    EXPECT_EQ (*editorDestroyed, 1);
}

TEST_F (Application, EndsOnCtrlQOfEitherCaseOnlyDestroyingTheContentOnceWithoutConsumingTheKey)
{
    app.initialise ({});
    auto* window = app.getMainWindow();
    ASSERT_NE (window, nullptr);

    using M = juce::ModifierKeys;
    const juce::KeyPress others[] = { { 'q', 0, 0 }, { 'Q', M::shiftModifier, 0 },
                                      { 'q', M::ctrlModifier | M::shiftModifier, 0 }, { 'q', M::altModifier, 0 },
                                      { 'q', M::ctrlModifier | M::altModifier, 0 }, { 'w', M::ctrlModifier, 0 },
                                      { 'q', M::ctrlModifier | M::leftButtonModifier, 0 } };

    for (auto& key : others)
        EXPECT_FALSE (window->keyPressed (key)) << key.getTextDescription();

    EXPECT_EQ (*editorDestroyed, 0);
    EXPECT_FALSE (loopStopped());

    EXPECT_FALSE (window->keyPressed (juce::KeyPress ('q', M::ctrlModifier, 0)));
    EXPECT_FALSE (window->keyPressed (juce::KeyPress ('Q', M::ctrlModifier, 0))) << "as with Caps Lock on";

    EXPECT_EQ (*editorDestroyed, 1);
    EXPECT_EQ (window->getContentComponent(), nullptr);
    EXPECT_TRUE (loopStopped());

    app.shutdown();
    EXPECT_EQ (*editorDestroyed, 1);
}

TEST_F (Application, TwoQuickClicksOnTheTrayOpenOneMenuWhoseShowHideAndQuitActOnTheWindowAndTheApplication)
{
    app.initialise ({});
    auto& window = *app.getMainWindow();
    RecordingTray tray (window.getContentComponent());
    const auto choose = [&] (int id) { DemoTaskbarComponent::handleTrayMenuResult (id, &tray); };

    const auto click = testsupport::mouseEventAt (tray, {}, juce::ModifierKeys::leftButtonModifier);
    tray.mouseDown (click);
    tray.mouseDown (click);

    // Timers fire in the order they fall due: once one set well past the
    // clicks' menu delay has fired, every menu the clicks open has been shown.
    auto clicksOver = std::make_shared<bool> (false);
    juce::Timer::callAfterDelay (150, [clicksOver] { *clicksOver = true; });
    ASSERT_TRUE (testsupport::dispatchUntil ([&] { return *clicksOver; }));
    ASSERT_EQ (tray.shown.size(), 1u);

    std::map<juce::String, int> ids;

    for (juce::PopupMenu::MenuItemIterator it (tray.shown.front()); it.next();)
        ids[it.getItem().text] = it.getItem().itemID;

    ASSERT_EQ (ids.size(), 3u);

    // "" stands for dismissing the menu.
    for (auto [item, visibleAfter] : { std::pair ("Hide", false), std::pair ("", false),
                                       std::pair ("Show", true), std::pair ("", true) })
    {
        choose (ids[item]);
        EXPECT_EQ (window.isVisible(), visibleAfter) << "after " << item;
    }

    // Once Ctrl+Q has destroyed the content, the menu leaves the window alone.
    window.clearContentComponent();
    choose (ids["Hide"]);
    EXPECT_TRUE (window.isVisible() && ! loopStopped());

    choose (ids["Quit"]);
    EXPECT_TRUE (loopStopped());
}

TEST (ApplicationWithTheEditor, ClosesTheKeyboardsPortsAndFreesTheDeviceHostAtShutdown)
{
    sim::RunningApplication running;
    auto& ports = running.ports;
    const auto input = running.keyboard.secondInputName(), output = running.keyboard.secondOutputName();

    running.start();
    ASSERT_TRUE (testsupport::dispatchUntil ([&] { return ports.openInputsNow (input) == 1; }));

    // As Ctrl+Q ends the program: the window closes, the loop stops, then shutdown.
    running.window().closeButtonPressed();
    running.shutdown();

    EXPECT_EQ (ports.openInputsNow (input), 0);
    EXPECT_EQ (ports.openOutputsNow (output), 0);
    EXPECT_EQ (NsDravel::Host::getInstanceWithoutCreating(), nullptr);
}

// The editor has one size: a window manager must not be offered to maximise or
// resize the window, or it shows the editor in a corner of an unpainted window.
TEST (FixedSizeWindow, OffersTheWindowManagerNeitherMaximisingNorResizing)
{
    WindowManagerView windowManager;
    ASSERT_TRUE (windowManager.isOpen());
    sim::RunningApplication running;
    running.start();
    auto& window = running.window();

    const auto decorationsSet = [&] { return windowManager.motifFunctionsAndDecorations (window).first >= 0; };
    ASSERT_TRUE (testsupport::dispatchUntil (decorationsSet));
    const auto [functions, decorations] = windowManager.motifFunctionsAndDecorations (window);
    EXPECT_EQ (functions & (0x10 | 0x02), 0) << "no maximise, no resize";
    EXPECT_EQ (decorations & (0x40 | 0x04), 0) << "no maximise button, no resize handles";

    const auto actions = windowManager.allowedActions (window);
    EXPECT_EQ (actions, juce::StringArray ("_NET_WM_ACTION_MINIMIZE", "_NET_WM_ACTION_CLOSE"));
}

TEST (MainComponent, LaysAHeavyweightViewOutAgainOnceThePanelHasSlidAwayUnlessItIsGoneByThen)
{
    // A heavyweight view is laid out beside the visible part of the side panel.
    MainComponent kept (probes (std::make_shared<int> (0)));
    kept.setSize (979, 473);
    kept.onContentChanged (true);
    kept.onSidePanelShowHide (true);
    EXPECT_EQ (kept.getContentArea().getBounds(), juce::Rectangle<int> (200, 0, 779, 473));
    EXPECT_EQ (kept.getContentArea().getTabBarIndent(), 0);

    // Hiding the panel lays it out again 250 ms later, once the panel has slid
    // away; a component may be gone by then.
    auto gone = std::make_unique<MainComponent> (probes (std::make_shared<int> (0)));
    gone->setSize (979, 473);
    gone->onContentChanged (true);
    gone->onSidePanelShowHide (false);
    gone.reset();

    kept.onSidePanelShowHide (false);
    EXPECT_EQ (kept.getContentArea().getX(), 200) << "not while the panel slides";

    // Timers fire in the order they fall due: the gone component's layout has
    // had its turn before the kept one's.
    EXPECT_TRUE (testsupport::dispatchUntil ([&] { return kept.getContentArea().getX() == 0; }));
    EXPECT_EQ (kept.getContentArea().getBounds(), juce::Rectangle<int> (0, 0, 979, 473));
    EXPECT_EQ (kept.getContentArea().getTabBarIndent(), 150);

    // The panel's own notice that it hid asked for one more layout, due within
    // 250 ms: it runs before the test ends, so that no timer outlives the test.
    juce::MessageManager::getInstance()->runDispatchLoopUntil (300);
}

TEST (ProgramWithoutADisplay, SaysItNeedsOneAndEndsWithAFailureCode)
{
    TempFolder user;
    ScopedEnvironment noDisplay;
    noDisplay.unset ("DISPLAY");
    juce::StringPairArray ownFolders;
    ownFolders.set ("HOME", user.get().getFullPathName());
    ownFolders.set ("XDG_RUNTIME_DIR", user.get().getFullPathName());
    const auto errors = user.get().getChildFile ("errors.txt");

    TestProcess tavlo;
    ASSERT_TRUE (tavlo.start ({ testpaths::programFile().getFullPathName() }, ownFolders, errors));

    EXPECT_EQ (tavlo.waitForExit (30000), 1) << "128 + the signal for a crash";
    const juce::String saysWhy ("there is no display to show its window on: DISPLAY is not set.\n");
    EXPECT_TRUE (errors.loadFileAsString().contains (saysWhy))
        << errors.loadFileAsString();
}
