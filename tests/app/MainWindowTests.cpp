#include <gtest/gtest.h>

#include "app/DemoContentComponent.h"
#include "app/DemoTaskbarComponent.h"
#include "app/MainAppWindow.h"
#include "app/MainComponent.h"
#include "support/ProbeComponent.h"

namespace
{
    using MainAppWindow = DemoRunnerApplication::MainAppWindow;

    struct MainWindow : public ::testing::Test
    {
        std::shared_ptr<int> editorDestroyed = std::make_shared<int> (0);
        std::unique_ptr<MainAppWindow> window = std::make_unique<MainAppWindow> ("Dravel Tavlo", ProbeComponent::factory (editorDestroyed));

        bool loopStopped() const { return juce::MessageManager::getInstance()->hasStopMessageBeenSent(); }
    };

    const auto ctrl  = juce::ModifierKeys::ctrlModifier;
    const auto shift = juce::ModifierKeys::shiftModifier;
    const auto alt   = juce::ModifierKeys::altModifier;
}

TEST_F (MainWindow, OpensOnTheDesktopWithItsTitleAndTheEditorInside)
{
    ASSERT_TRUE (window->constructionSucceeded());
    EXPECT_TRUE (window->isOnDesktop());
    EXPECT_TRUE (window->isVisible());
    EXPECT_EQ (window->getName(), "Dravel Tavlo");
    EXPECT_TRUE (window->isUsingNativeTitleBar());
    EXPECT_TRUE (window->isResizable());
    ASSERT_NE (window->findMainComponent(), nullptr);
    EXPECT_NE (window->findMainComponent()->getContentArea().getCurrentView(), nullptr);
    EXPECT_NE (dynamic_cast<DemoTaskbarComponent*> (window->getTrayComponent()), nullptr);
}

TEST_F (MainWindow, OffersItsPeersEnginesAndNeverChoosesOpenGL)
{
    auto* main = window->findMainComponent();
    ASSERT_NE (main, nullptr);
    auto* peer = window->getPeer();
    ASSERT_NE (peer, nullptr);

    auto expected = peer->getAvailableRenderingEngines();
    expected.add ("OpenGL Renderer");

    EXPECT_EQ (main->getRenderingEngines(), expected);
    EXPECT_EQ (main->getCurrentRenderingEngine(), peer->getCurrentRenderingEngine());
    EXPECT_FALSE (main->isUsingOpenGL());
}

TEST (MainWindowWithoutEditor, StaysOffTheDesktopWithNoContent)
{
    MainAppWindow window ("Dravel Tavlo", [] { return static_cast<juce::Component*> (nullptr); });

    EXPECT_FALSE (window.constructionSucceeded());
    EXPECT_FALSE (window.isOnDesktop());
    EXPECT_EQ (window.getContentComponent(), nullptr);
    EXPECT_EQ (juce::Desktop::getInstance().getNumComponents(), 0);
}

TEST_F (MainWindow, EndsOnCtrlQDestroyingTheContentOnceWithoutConsumingTheKey)
{
    EXPECT_FALSE (window->keyPressed (juce::KeyPress ('q', ctrl, 0)));
    EXPECT_FALSE (window->keyPressed (juce::KeyPress ('Q', ctrl, 0))) << "as with Caps Lock on";

    EXPECT_EQ (*editorDestroyed, 1);
    EXPECT_EQ (window->getContentComponent(), nullptr);
    EXPECT_TRUE (loopStopped());

    window.reset();
    EXPECT_EQ (*editorDestroyed, 1);
}

TEST_F (MainWindow, IgnoresQWithAnyOtherCombinationOfModifiers)
{
    const juce::KeyPress others[] = { { 'q', 0, 0 }, { 'Q', shift, 0 }, { 'Q', ctrl | shift, 0 }, { 'q', ctrl | shift, 0 },
                                      { 'q', alt, 0 }, { 'q', ctrl | alt, 0 }, { 'w', ctrl, 0 },
                                      { 'q', ctrl | juce::ModifierKeys::leftButtonModifier, 0 } };

    for (auto& key : others)
    {
        EXPECT_FALSE (window->keyPressed (key)) << key.getTextDescription();
        EXPECT_FALSE (MainAppWindow::isQuitKey (key)) << key.getTextDescription();
    }

    EXPECT_EQ (*editorDestroyed, 0);
    EXPECT_NE (window->findMainComponent(), nullptr);
    EXPECT_FALSE (loopStopped());
}

TEST_F (MainWindow, LaysTheContentOutAgainWhenTheDesktopChangesSize)
{
    auto* main = window->findMainComponent();
    ASSERT_NE (main, nullptr);
    main->getContentArea().setBounds (0, 0, 10, 10);

    window->parentSizeChanged();

    EXPECT_EQ (main->getContentArea().getBounds(), main->getLocalBounds());
}
