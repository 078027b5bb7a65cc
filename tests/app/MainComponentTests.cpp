#include <gtest/gtest.h>

#include "app/DemoContentComponent.h"
#include "app/DemoList.h"
#include "app/DemoRegistry.h"
#include "app/IntroScreen.h"
#include "app/MainComponent.h"
#include "app/SidePanelHeader.h"
#include "support/ProbeComponent.h"

TEST (MainComponent, ShowsTheEditorFillingTheWholeComponent)
{
    auto destroyed = std::make_shared<int> (0);
    MainComponent main { ProbeComponent::factory (destroyed) };
    main.setSize (979, 473);

    ASSERT_TRUE (main.constructionSucceeded());
    auto* editor = main.getContentArea().getCurrentView();
    ASSERT_NE (editor, nullptr);
    EXPECT_EQ (editor->getScreenBounds(), main.getScreenBounds());
}

TEST (MainComponent, KeepsTheSidePanelAndItsMenuButtonOutOfSight)
{
    MainComponent main { ProbeComponent::factory (std::make_shared<int> (0)) };
    main.setSize (979, 473);

    EXPECT_FALSE (main.getSidePanel().isPanelShowing());
    EXPECT_LE (main.getSidePanel().getRight(), 0);
    EXPECT_EQ (main.getMenuButton().getHeight(), 0);
    EXPECT_FALSE (main.getMenuButton().getBounds().contains (0, 0));
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

TEST (MainComponent, LaysAHeavyweightViewOutAroundTheVisiblePartOfThePanel)
{
    MainComponent main { ProbeComponent::factory (std::make_shared<int> (0)) };
    main.setSize (979, 473);

    main.onContentChanged (true);
    main.onSidePanelShowHide (true);

    EXPECT_EQ (main.getContentArea().getBounds(), juce::Rectangle<int> (200, 0, 779, 473));
    EXPECT_EQ (main.getContentArea().getTabBarIndent(), 0);

    main.onContentChanged (false);

    EXPECT_EQ (main.getContentArea().getBounds(), juce::Rectangle<int> (0, 0, 979, 473));
    EXPECT_EQ (main.getContentArea().getTabBarIndent(), 150);
}

TEST (MainComponent, GoingHomeShowsTheWelcomePageAndTheCategoryList)
{
    auto destroyed = std::make_shared<int> (0);
    MainComponent main { ProbeComponent::factory (destroyed) };
    auto* list = dynamic_cast<DemoList*> (main.getSidePanel().getContent());
    ASSERT_NE (list, nullptr);
    list->openCategory ("Keyboard");

    auto* header = dynamic_cast<SidePanelHeader*> (main.getSidePanel().getTitleBarComponent());
    ASSERT_NE (header, nullptr);
    EXPECT_FALSE (header->getSettingsButton().isVisible());
    header->getHomeButton().triggerClick();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (50);

    EXPECT_TRUE (main.getContentArea().isIntroPageShown());
    EXPECT_EQ (*destroyed, 1);
    EXPECT_TRUE (list->getOpenCategory().isEmpty());
}

TEST (SideList, ListsTheCategoriesThenTheViewsOfAnOpenCategory)
{
    MainComponent main { ProbeComponent::factory (std::make_shared<int> (0)) };
    auto* list = dynamic_cast<DemoList*> (main.getSidePanel().getContent());
    ASSERT_NE (list, nullptr);

    EXPECT_EQ (list->getListBox().getModel()->getNumRows(), 0);

    const juce::File resources ("/nowhere/resources");
    addDemoEntry ([] { return new juce::Component(); }, "Keyboard/Dravel", "Keyboard", false, resources);
    addDemoEntry ([] { return new juce::Component(); }, "Keyboard/Other", "Keyboard", false, resources);
    addDemoEntry ([] { return new juce::Component(); }, "Pads/One", "Pads", false, resources);
    list->getListBox().updateContent();

    EXPECT_EQ (list->getListBox().getModel()->getNumRows(), 2);

    list->openCategory ("Keyboard");

    EXPECT_EQ (list->getListBox().getModel()->getNumRows(), 2);
    EXPECT_NE (list->getListBox().getHeaderComponent(), nullptr);
}
