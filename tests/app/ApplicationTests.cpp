#include <gtest/gtest.h>

#include "app/DemoRegistry.h"
#include "app/MainAppWindow.h"
#include "app/MainComponent.h"
#include "support/ProbeComponent.h"

namespace
{
    struct Application : public ::testing::Test
    {
        std::shared_ptr<int> editorDestroyed = std::make_shared<int> (0);
        DemoRunnerApplication app { ProbeComponent::factory (editorDestroyed) };

        bool loopStopped() const { return juce::MessageManager::getInstance()->hasStopMessageBeenSent(); }
    };
}

TEST_F (Application, StartsWithTheEditorEntryRegisteredAndItsWindowShown)
{
    app.initialise ({});

    EXPECT_FALSE (app.moreThanOneInstanceAllowed());
    EXPECT_EQ (findOrAddDemoCategory ("Keyboard").entries.size(), 1u);
    auto* window = app.getMainWindow();
    ASSERT_NE (window, nullptr);
    EXPECT_EQ (window->getName(), "Dravel Tavlo");
    EXPECT_TRUE (window->isVisible());
    EXPECT_FALSE (loopStopped());
    EXPECT_EQ (app.getApplicationReturnValue(), 0);
}

TEST (ApplicationWithoutEditor, EndsWithoutAWindowAndWithAFailureCode)
{
    DemoRunnerApplication app { [] { return static_cast<juce::Component*> (nullptr); } };

    app.initialise ({});

    EXPECT_EQ (app.getMainWindow(), nullptr);
    EXPECT_EQ (juce::Desktop::getInstance().getNumComponents(), 0);
    EXPECT_TRUE (juce::MessageManager::getInstance()->hasStopMessageBeenSent());
    EXPECT_NE (app.getApplicationReturnValue(), 0);
}

TEST_F (Application, ShowsItsHiddenWindowAgainWhenStartedASecondTime)
{
    app.initialise ({});
    auto* window = app.getMainWindow();
    ASSERT_NE (window, nullptr);
    window->setVisible (false);

    app.anotherInstanceStarted ("--anything");

    EXPECT_TRUE (window->isVisible());
    EXPECT_EQ (*editorDestroyed, 0);
}

TEST_F (Application, HidesItsWindowAndStopsWhenTheSystemAsksItToQuit)
{
    app.initialise ({});
    auto* window = app.getMainWindow();
    ASSERT_NE (window, nullptr);

    app.systemRequestedQuit();

    EXPECT_FALSE (window->isVisible());
    EXPECT_TRUE (loopStopped());
    EXPECT_EQ (*editorDestroyed, 0);

    app.shutdown();

    EXPECT_EQ (app.getMainWindow(), nullptr);
    EXPECT_EQ (*editorDestroyed, 1);
}

TEST_F (Application, ClosingTheWindowHidesItAndTheContentIsGoneOnceAfterShutdown)
{
    app.initialise ({});
    auto* window = app.getMainWindow();
    ASSERT_NE (window, nullptr);

    window->closeButtonPressed();

    EXPECT_FALSE (window->isVisible());
    EXPECT_TRUE (loopStopped());
    EXPECT_EQ (*editorDestroyed, 1);
    EXPECT_EQ (window->findMainComponent(), nullptr);

    // Later layout requests and the window's own end leave the gone content alone.
    window->parentSizeChanged();
    app.shutdown();
    EXPECT_EQ (*editorDestroyed, 1);
}

TEST_F (Application, KeepsTheSidePanelHiddenOnTheBackButton)
{
    app.initialise ({});

    EXPECT_TRUE (app.backButtonPressed());
    EXPECT_FALSE (app.getMainWindow()->findMainComponent()->getSidePanel().isPanelShowing());
}
