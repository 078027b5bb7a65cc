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

TEST (ViewRegistry, AppendsEntriesToTheirCategoryInOrderAndNoneWithoutAResourcesFolder)
{
    const juce::File resources ("/somewhere/resources");
    auto view = [] { return new juce::Component(); };

    addDemoEntry (view, "A/one", "A", false, juce::File());
    EXPECT_TRUE (getDemoCategoryList().empty());

    addDemoEntry (view, "A/one", "A", false, resources);
    addDemoEntry (view, "B/two", "B", true, resources);
    addDemoEntry (view, "A/three", "A", false, resources);

    auto& categories = getDemoCategoryList();
    ASSERT_EQ (categories.size(), 2u);
    EXPECT_EQ (categories[1].name, "B");
    ASSERT_EQ (categories[0].entries.size(), 2u);
    EXPECT_EQ (categories[0].entries[1].file, resources.getChildFile ("A/three"));
    EXPECT_TRUE (findOrAddDemoCategory ("b").entries.empty()) << "names match exactly";
}
