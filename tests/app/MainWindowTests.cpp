#include <gtest/gtest.h>

#include "app/DemoContentComponent.h"
#include "app/MainAppWindow.h"
#include "app/MainComponent.h"
#include "support/ProbeComponent.h"

namespace
{
    struct MainWindow : public ::testing::Test
    {
        std::shared_ptr<int> editorDestroyed = std::make_shared<int> (0);
        std::unique_ptr<DemoRunnerApplication::MainAppWindow> window
            = std::make_unique<DemoRunnerApplication::MainAppWindow> ("Dravel Tavlo", ProbeComponent::factory (editorDestroyed));

        bool loopStopped() const { return juce::MessageManager::getInstance()->hasStopMessageBeenSent(); }
    };
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

TEST_F (MainWindow, EndsOnCtrlQDestroyingTheContentOnceWithoutConsumingTheKey)
{
    const auto ctrl = juce::ModifierKeys::ctrlModifier;

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
    using M = juce::ModifierKeys;
    const juce::KeyPress others[] = { { 'q', 0, 0 }, { 'Q', M::shiftModifier, 0 }, { 'q', M::ctrlModifier | M::shiftModifier, 0 },
                                      { 'q', M::altModifier, 0 }, { 'q', M::ctrlModifier | M::altModifier, 0 }, { 'w', M::ctrlModifier, 0 },
                                      { 'q', M::ctrlModifier | M::leftButtonModifier, 0 } };

    for (auto& key : others)
        EXPECT_FALSE (window->keyPressed (key)) << key.getTextDescription();

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
