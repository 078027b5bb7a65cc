#include <gtest/gtest.h>

#include "app/CodeContent.h"
#include "app/DemoContentComponent.h"
#include "app/DemoList.h"
#include "app/DemoRegistry.h"
#include "app/MainComponent.h"
#include "app/SidePanelHeader.h"
#include "support/ProbeComponent.h"

namespace
{
    std::unique_ptr<MainComponent> makeMainComponent (std::shared_ptr<int> editorDestroyed = std::make_shared<int> (0))
    {
        auto main = std::make_unique<MainComponent> (ProbeComponent::factory (editorDestroyed));
        main->setSize (979, 473);
        return main;
    }
}

TEST (MainComponent, ShowsOnlyTheEditorWithTheSidePanelAndMenuButtonOutOfSight)
{
    auto main = makeMainComponent();

    ASSERT_TRUE (main->constructionSucceeded());
    auto* editor = main->getContentArea().getCurrentView();
    ASSERT_NE (editor, nullptr);
    EXPECT_EQ (editor->getScreenBounds(), main->getScreenBounds());

    EXPECT_FALSE (main->getSidePanel().isPanelShowing());
    EXPECT_LE (main->getSidePanel().getRight(), 0);
    EXPECT_EQ (main->getMenuButton().getHeight(), 0);
}

TEST (MainComponent, LeavesNoPendingLayoutBehindWhenDestroyed)
{
    // A heavyweight view makes hiding the panel lay the component out again
    // 250 ms later; the component may be gone by then.
    auto main = makeMainComponent();
    main->onContentChanged (true);

    main->onSidePanelShowHide (false);
    main.reset();

    juce::MessageManager::getInstance()->runDispatchLoopUntil (400);
    SUCCEED();
}

TEST (MainComponent, GoingHomeShowsTheWelcomePageInPlaceOfTheEditorAndClosesTheCategory)
{
    auto destroyed = std::make_shared<int> (0);
    auto main = makeMainComponent (destroyed);
    auto* list = dynamic_cast<DemoList*> (main->getSidePanel().getContent());
    auto* header = dynamic_cast<SidePanelHeader*> (main->getSidePanel().getTitleBarComponent());
    ASSERT_NE (list, nullptr);
    ASSERT_NE (header, nullptr);
    list->openCategory ("Keyboard");

    EXPECT_FALSE (header->getSettingsButton().isVisible());
    header->getHomeButton().triggerClick();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (50);

    EXPECT_TRUE (main->getContentArea().isIntroPageShown());
    EXPECT_EQ (*destroyed, 1);
    EXPECT_TRUE (list->getOpenCategory().isEmpty());
}

TEST (SideList, ListsTheCategoriesThenTheViewsOfAnOpenCategory)
{
    auto main = makeMainComponent();
    auto* list = dynamic_cast<DemoList*> (main->getSidePanel().getContent());
    ASSERT_NE (list, nullptr);
    auto* rows = list->getListBox().getModel();

    EXPECT_EQ (rows->getNumRows(), 0);

    const juce::File resources ("/nowhere/resources");

    for (auto path : { "Keyboard/Dravel", "Keyboard/Other", "Pads/One" })
        addDemoEntry ([] { return new juce::Component(); }, path, juce::String (path).upToFirstOccurrenceOf ("/", false, false),
                      false, resources);

    list->getListBox().updateContent();
    EXPECT_EQ (rows->getNumRows(), 2);

    list->openCategory ("Pads");
    EXPECT_EQ (rows->getNumRows(), 1);
    EXPECT_NE (list->getListBox().getHeaderComponent(), nullptr);
}
