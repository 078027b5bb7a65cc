#include <gtest/gtest.h>

#include "app/DemoContentComponent.h"
#include "app/MainAppWindow.h"
#include "app/MainComponent.h"
#include "editor/Host.h"
#include "support/DispatchUntil.h"
#include "support/ProbeComponent.h"
#include "support/SimulatedKeyboard.h"

namespace
{
    bool loopStopped() { return juce::MessageManager::getInstance()->hasStopMessageBeenSent(); }

    struct Application : public ::testing::Test
    {
        std::shared_ptr<int> editorDestroyed = std::make_shared<int> (0);
        DemoRunnerApplication app { ProbeComponent::factory (editorDestroyed) };
    };
}

TEST_F (Application, StartsWithTheEditorAloneInItsWindow)
{
    app.initialise ({});

    EXPECT_FALSE (app.moreThanOneInstanceAllowed());
    auto* window = app.getMainWindow();
    ASSERT_NE (window, nullptr);
    EXPECT_TRUE (window->isOnDesktop() && window->isVisible());
    auto* main = window->findMainComponent();
    ASSERT_NE (main, nullptr);
    EXPECT_NE (main->getContentArea().getCurrentView(), nullptr);
    EXPECT_FALSE (main->getSidePanel().isPanelShowing());
    EXPECT_FALSE (main->isUsingOpenGL());

    EXPECT_FALSE (loopStopped());
    EXPECT_EQ (app.getApplicationReturnValue(), 0);
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

TEST_F (Application, AQuitRequestHidesTheWindowAndASecondStartShowsItWhileClosingItEndsTheContentOnce)
{
    app.initialise ({});
    auto* window = app.getMainWindow();
    ASSERT_NE (window, nullptr);

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

TEST (ApplicationWithTheEditor, ClosesTheKeyboardsPortsAndFreesTheDeviceHostAtShutdown)
{
    sim::SimulatedMidiPorts ports;
    ports.setRealPauses (false);
    sim::SimulatedKeyboard keyboard (ports);
    DemoRunnerApplication app;

    app.initialise ({});
    ASSERT_TRUE (testsupport::dispatchUntil ([&] { return ports.openInputsNow (keyboard.secondInputName()) == 1; }));

    // As Ctrl+Q ends the program: the window closes, the loop stops, then shutdown.
    app.getMainWindow()->closeButtonPressed();
    app.shutdown();

    EXPECT_EQ (ports.openInputsNow (keyboard.secondInputName()), 0);
    EXPECT_EQ (ports.openOutputsNow (keyboard.secondOutputName()), 0);
    EXPECT_EQ (NsDravel::Host::getInstanceWithoutCreating(), nullptr);
}
