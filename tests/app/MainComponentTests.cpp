#include <gtest/gtest.h>

#include "app/DemoContentComponent.h"
#include "app/DemoList.h"
#include "app/MainComponent.h"
#include "app/SidePanelHeader.h"
#include "support/ProbeComponent.h"

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

TEST (MainComponent, GoingHomeShowsTheWelcomePageInPlaceOfTheEditorAndClosesTheCategory)
{
    auto destroyed = std::make_shared<int> (0);
    MainComponent main (ProbeComponent::factory (destroyed));
    main.setSize (979, 473);
    auto* list = dynamic_cast<DemoList*> (main.getSidePanel().getContent());
    auto* header = dynamic_cast<SidePanelHeader*> (main.getSidePanel().getTitleBarComponent());
    ASSERT_TRUE (list != nullptr && header != nullptr);
    list->openCategory ("Keyboard");

    header->getHomeButton().triggerClick();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (50);

    EXPECT_TRUE (main.getContentArea().isIntroPageShown());
    EXPECT_EQ (*destroyed, 1);
    EXPECT_TRUE (list->getOpenCategory().isEmpty());
}
