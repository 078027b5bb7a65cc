#include <gtest/gtest.h>

#include "app/CodeContent.h"
#include "app/DemoContentComponent.h"
#include "app/DemoRegistry.h"
#include "app/MainAppWindow.h"
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
        { "line one\r\nline two\r\n", nullptr },
        { "a\nEND_JUCE_PIP_METADATA\nb\nc\nd", nullptr },
        { "a\n  END_JUCE_PIP_METADATA\nb\nc\nd", nullptr },
        { "a\n end_juce_pip_metadata\nb\nc\nd", nullptr },
        { "a\n END_JUCE_PIP_METADATA \nb\nc\nd", nullptr },
        { "a\nx END_JUCE_PIP_METADATA\nb\nc\nd", nullptr },
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

//==============================================================================
//==============================================================================
TEST (WindowCentring, CentresTheWindowDuringItsFirstFiveLayoutsOnly)
{
    DemoRunnerApplication::MainAppWindow window ("Dravel Tavlo", ProbeComponent::factory (std::make_shared<int> (0)));
    const auto* screen = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay();
    ASSERT_NE (screen, nullptr);

    juce::String centred;    // one letter per layout: c = centred, - = left in place

    for (int i = 0; i < 8; ++i)
    {
        window.setTopLeftPosition (3, 4);
        window.setSize (400 + 2 * i, 300);
        centred << (window.getBounds().getCentre() == screen->userArea.getCentre() ? "c" : "-");
    }

    // Opening the window may already have used some of its five turns.
    const auto turnsLeft = centred.indexOfChar ('-');
    EXPECT_GE (turnsLeft, 1) << centred;
    EXPECT_LE (turnsLeft, 5) << centred;
    EXPECT_FALSE (centred.substring (turnsLeft).containsChar ('c')) << centred;
    EXPECT_EQ (window.getPosition(), juce::Point<int> (3, 4));
}
