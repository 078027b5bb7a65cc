#include <gtest/gtest.h>

#include "app/CodeContent.h"
#include "app/DemoContentComponent.h"
#include "app/DemoRegistry.h"
#include "app/MainComponent.h"
#include "support/ProbeComponent.h"
#include "support/TempFolder.h"

//==============================================================================
TEST (MetadataBlock, IsRemovedWithTheTwoLinesAfterItsExactEndMarkerOnly)
{
    const struct { const char* text; const char* expected; } cases[] =
    {
        { "/*\nname: x\n END_JUCE_PIP_METADATA\n*/\n\nint main() {}\nreturn 0;", "int main() {}\nreturn 0;" },
        { "a\n END_JUCE_PIP_METADATA", "" },
        { "", "" },
        // Without the exact marker line the text stays as it is.
        { "a\nEND_JUCE_PIP_METADATA\nb\nc\nd", nullptr },
        { "a\n end_juce_pip_metadata\nb\nc\nd", nullptr },
        { "a\n END_JUCE_PIP_METADATA \nb\nc\nd", nullptr },
    };

    for (auto& c : cases)
        EXPECT_EQ (stripMetadataBlock (c.text), juce::String (c.expected != nullptr ? c.expected : c.text)) << c.text;
}

//==============================================================================
namespace
{
    struct ContentArea : public ::testing::Test
    {
        MainComponent owner { ProbeComponent::factory (std::make_shared<int> (0)) };
        juce::Array<bool> changes;
        DemoContentComponent area { owner, [this] (bool heavy) { changes.add (heavy); } };
        TempFolder temp;
    };
}

TEST_F (ContentArea, ShowsARegisteredEntryOnceWithItsNotesAndReportsItsWeight)
{
    temp.createFile ("resources/Views/Probe").replaceWithText ("/*\n END_JUCE_PIP_METADATA\n*/\n\nnotes text");
    int builds = 0;
    addDemoEntry ([&builds] { ++builds; return new juce::Component ("view " + juce::String (builds)); },
                  "Views/Probe", "Probes", true, temp.get().getChildFile ("resources"));

    area.showDemoEntry ("Probes", 0);
    auto* shown = area.getCurrentView();
    area.showDemoEntry ("Probes", 0);

    EXPECT_EQ (builds, 1);
    ASSERT_NE (shown, nullptr);
    EXPECT_EQ (area.getCurrentView(), shown);
    EXPECT_EQ (shown->getName(), "view 1");
    EXPECT_EQ (area.getCodeViewer().getText(), "notes text");
    EXPECT_EQ (changes, juce::Array<bool> ({ true }));
}

TEST_F (ContentArea, ClearingDeletesTheViewOnceAndReportsALightweightChange)
{
    auto destroyed = std::make_shared<int> (0);
    area.setContentView (new ProbeComponent (destroyed));
    EXPECT_TRUE (changes.isEmpty()) << "putting a view in directly reports nothing";

    area.clearContent();
    area.clearContent();

    EXPECT_EQ (*destroyed, 1);
    EXPECT_EQ (area.getCurrentView(), nullptr);
    EXPECT_EQ (changes, juce::Array<bool> ({ false, false }));
}
