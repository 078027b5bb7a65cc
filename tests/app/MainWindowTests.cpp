#include <gtest/gtest.h>

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

TEST_F (MainWindow, EndsOnCtrlQOfEitherCaseOnlyDestroyingTheContentOnceWithoutConsumingTheKey)
{
    using M = juce::ModifierKeys;
    const juce::KeyPress others[] = { { 'q', 0, 0 }, { 'Q', M::shiftModifier, 0 }, { 'q', M::ctrlModifier | M::shiftModifier, 0 },
                                      { 'q', M::altModifier, 0 }, { 'q', M::ctrlModifier | M::altModifier, 0 }, { 'w', M::ctrlModifier, 0 },
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

    window.reset();
    EXPECT_EQ (*editorDestroyed, 1);
}

TEST_F (MainWindow, IsCentredDuringItsFirstFiveLayoutsOnly)
{
    const auto* screen = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay();
    ASSERT_NE (screen, nullptr);

    juce::String centred;    // one letter per layout: c = centred, - = left in place

    for (int i = 0; i < 8; ++i)
    {
        window->setTopLeftPosition (3, 4);
        window->setSize (400 + 2 * i, 300);
        centred << (window->getBounds().getCentre() == screen->userArea.getCentre() ? "c" : "-");
    }

    // Opening the window may already have used some of its five turns.
    const auto turnsLeft = centred.indexOfChar ('-');
    EXPECT_GE (turnsLeft, 1) << centred;
    EXPECT_LE (turnsLeft, 5) << centred;
    EXPECT_FALSE (centred.substring (turnsLeft).containsChar ('c')) << centred;
}

TEST (MainComponent, LeavesNoPendingLayoutBehindWhenDestroyed)
{
    // A heavyweight view makes hiding the panel lay the component out again
    // 250 ms later; the component may be gone by then.
    auto main = std::make_unique<MainComponent> (ProbeComponent::factory (std::make_shared<int> (0)));
    main->setSize (979, 473);
    main->onContentChanged (true);

    main->onSidePanelShowHide (false);
    main.reset();

    juce::MessageManager::getInstance()->runDispatchLoopUntil (400);
    SUCCEED();
}
