#include <gtest/gtest.h>

#include "app/DemoRegistry.h"
#include "support/TestPaths.h"

TEST (ViewRegistry, RegistersTheKeyboardEditorUnderItsPathInTheKeyboardCategory)
{
    registerAllDemoEntries();

    auto& categories = getDemoCategoryList();
    ASSERT_EQ (categories.size(), 1u);
    EXPECT_EQ (categories[0].name, "Keyboard");
    ASSERT_EQ (categories[0].entries.size(), 1u);

    auto& entry = categories[0].entries[0];
    EXPECT_EQ (entry.file, testpaths::buildFolder().getChildFile ("resources/Keyboard/Dravel"));
    EXPECT_FALSE (entry.isHeavyweight);

    std::unique_ptr<juce::Component> editor (entry.factory());
    EXPECT_NE (editor, nullptr);
}
