#include <gtest/gtest.h>

#include "app/CodeContent.h"
#include "app/DemoContentComponent.h"
#include "app/DemoRegistry.h"
#include "app/IntroScreen.h"
#include "app/MainAppWindow.h"
#include "app/MainComponent.h"
#include "support/ProbeComponent.h"
#include "support/TempFolder.h"

//==============================================================================
TEST (MetadataBlock, IsRemovedWithTheTwoLinesAfterItsEndMarker)
{
    const juce::String text ("/*\nname: x\n END_JUCE_PIP_METADATA\n*/\n\nint main() {}\nreturn 0;");

    // Marker on line 2: lines 0 to 4 go.
    EXPECT_EQ (stripMetadataBlock (text), "int main() {}\nreturn 0;");
}

TEST (MetadataBlock, LeavesATextWithoutTheMarkerUnchanged)
{
    const juce::String text ("line one\r\nline two\r\n");

    EXPECT_EQ (stripMetadataBlock (text), text);
    EXPECT_EQ (stripMetadataBlock ({}), juce::String());
    EXPECT_EQ (stripMetadataBlock ("a\n END_JUCE_PIP_METADATA"), juce::String()) << "a marker near the end";
}

TEST (MetadataBlock, RecognisesOnlyTheExactMarkerLine)
{
    for (auto marker : { "END_JUCE_PIP_METADATA", "  END_JUCE_PIP_METADATA", " end_juce_pip_metadata",
                         " END_JUCE_PIP_METADATA ", "x END_JUCE_PIP_METADATA" })
    {
        const auto text = juce::String ("a\n") + marker + "\nb\nc\nd";
        EXPECT_EQ (stripMetadataBlock (text), text) << marker;
    }
}

//==============================================================================
namespace
{
    struct ContentArea : public ::testing::Test
    {
        std::shared_ptr<int> editorDestroyed = std::make_shared<int> (0);
        MainComponent owner { ProbeComponent::factory (editorDestroyed) };
        juce::Array<bool> changes;
        DemoContentComponent area { owner, [this] (bool heavy) { changes.add (heavy); } };
        TempFolder temp;

        /** Registers a view under a category of its own; counts how often it is built. */
        juce::String registerView (int& builds, bool heavyweight, const juce::String& notes)
        {
            temp.createFile ("resources/Views/Probe").replaceWithText (notes);

            const auto category = "Test " + juce::String (juce::Random::getSystemRandom().nextInt());
            addDemoEntry ([&builds] { ++builds; return new juce::Component ("view " + juce::String (builds)); },
                          "Views/Probe", category, heavyweight, temp.get().getChildFile ("resources"));
            return category;
        }
    };
}

TEST_F (ContentArea, ShowsAViewFillingItselfWithoutReportingAChange)
{
    auto* view = new juce::Component();
    area.setSize (300, 200);

    EXPECT_TRUE (area.setContentView (view));
    EXPECT_EQ (area.getCurrentView(), view);
    EXPECT_TRUE (view->isVisible());
    EXPECT_EQ (view->getLocalBounds(), juce::Rectangle<int> (300, 200));
    EXPECT_TRUE (changes.isEmpty());
}

TEST_F (ContentArea, ShowsARegisteredEntryWithItsNotesAndReportsItsWeight)
{
    int builds = 0;
    const auto category = registerView (builds, true, "/*\n END_JUCE_PIP_METADATA\n*/\n\nnotes text");

    area.showDemoEntry (category, 0);

    EXPECT_EQ (builds, 1);
    ASSERT_NE (area.getCurrentView(), nullptr);
    EXPECT_EQ (area.getCurrentView()->getName(), "view 1");
    EXPECT_EQ (area.getCodeViewer().getText(), "notes text");
    EXPECT_EQ (changes, juce::Array<bool> ({ true }));
}

TEST_F (ContentArea, DoesNotRebuildTheEntryThatIsAlreadyShown)
{
    int builds = 0;
    const auto category = registerView (builds, false, "notes");

    area.showDemoEntry (category, 0);
    auto* shown = area.getCurrentView();
    area.showDemoEntry (category, 0);

    EXPECT_EQ (builds, 1);
    EXPECT_EQ (area.getCurrentView(), shown);
    EXPECT_EQ (changes.size(), 1);
}

TEST_F (ContentArea, ShowsTheWelcomePageWithTheBannerInPlaceOfTheNotes)
{
    area.setContentView (new juce::Component());
    EXPECT_FALSE (area.isIntroPageShown());

    area.showIntroPage();

    EXPECT_TRUE (area.isIntroPageShown());
    EXPECT_TRUE (isIntroScreen (area.getCurrentView()));
    EXPECT_TRUE (area.getCodeViewer().getText().contains ("Select one of the Tavlos from the side panel on the left to see"));
    EXPECT_TRUE (area.getCodeViewer().getText().startsWith ("\n/*****"));
    EXPECT_EQ (changes, juce::Array<bool> ({ false }));
}

TEST_F (ContentArea, ClearingDeletesTheViewOnceAndReportsALightweightChange)
{
    auto destroyed = std::make_shared<int> (0);
    area.setContentView (new ProbeComponent (destroyed));

    area.clearContent();
    area.clearContent();

    EXPECT_EQ (*destroyed, 1);
    EXPECT_EQ (area.getCurrentView(), nullptr);
    EXPECT_EQ (changes, juce::Array<bool> ({ false, false }));
}

//==============================================================================
TEST (CodeViewer, FollowsTheDarkOrLightSchemeOfTheDefaultLookAndFeel)
{
    juce::LookAndFeel_V4 lookAndFeel (juce::LookAndFeel_V4::getDarkColourScheme());
    juce::LookAndFeel::setDefaultLookAndFeel (&lookAndFeel);

    CodeContent viewer;
    EXPECT_EQ (viewer.getColourScheme().types[0].colour, juce::Colour (0xffe60000));

    lookAndFeel.setColourScheme (juce::LookAndFeel_V4::getLightColourScheme());
    viewer.sendLookAndFeelChange();
    EXPECT_EQ (viewer.getColourScheme().types[2].colour, juce::Colour (0xff0000cc));

    juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
}

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
