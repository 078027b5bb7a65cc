#include <gtest/gtest.h>

#include "support/MessageLoop.h"
#include "support/RunningApplication.h"
#include "support/TestSurroundings.h"

#include "app/CodeContent.h"
#include "app/DemoContentComponent.h"
#include "app/DemoList.h"
#include "app/IntroScreen.h"
#include "app/MainComponent.h"
#include "editor/window/MainComp.h"

// The pages behind the shell's side panel, which the program keeps hidden: the
// intro page, the list of views, the notes viewer and the content area.

namespace
{
    /** The first child of that type (and name, when one is given), or nullptr. */
    template <typename ChildType>
    ChildType* findChild (juce::Component& parent, const juce::String& name = {})
    {
        for (auto* child : parent.getChildren())
            if (auto* found = dynamic_cast<ChildType*> (child);
                found != nullptr && (name.isEmpty() || child->getName() == name))
                return found;

        return nullptr;
    }

    juce::StringArray labelTexts (juce::Component& page)
    {
        juce::StringArray texts;

        for (auto* child : page.getChildren())
            if (auto* label = dynamic_cast<juce::Label*> (child))
                texts.add (label->getText());

        return texts;
    }

    juce::Image picture (juce::Component& component)
    {
        return component.createComponentSnapshot (component.getLocalBounds());
    }

    bool samePictures (const juce::Image& a, const juce::Image& b)
    {
        for (int y = 0; y < a.getHeight(); ++y)
            for (int x = 0; x < a.getWidth(); ++x)
                if (a.getPixelAt (x, y) != b.getPixelAt (x, y))
                    return false;

        return true;
    }

    /** Clicks a row of the side panel's list as the mouse does. */
    void clickRow (DemoList& list, int row)
    {
        auto& listBox = *findChild<juce::ListBox> (list);
        auto* rowComponent = listBox.getComponentAt (listBox.getRowPosition (row, true).getCentre());
        const auto click = testsupport::mouseEventAt (*rowComponent, { 5.0f, 5.0f },
                                                      juce::ModifierKeys::leftButtonModifier);
        rowComponent->mouseDown (click);
        rowComponent->mouseUp (click);
    }
}

//==============================================================================
TEST (IntroPage, ShowsItsTextsOnADarkPageAndTheLogoOnlyWhenTheLogoFileIsThere)
{
    TempFolder noLogo;
    IntroScreen withoutLogo (noLogo.createFolder ("resources/Assets").getParentDirectory());
    std::unique_ptr<IntroScreen> withLogo (createIntroScreen());

    EXPECT_EQ (labelTexts (withoutLogo),
               juce::StringArray ("Hello! You could choose a view from the menu on your left-hand side "
                                  "for getting started.",
                                  "Dravel Tavlo", "V1.00  Build 43, Jul 14 2025"));
    EXPECT_TRUE (findChild<juce::ImageComponent> (withoutLogo)->getImage().isNull());
    EXPECT_TRUE (findChild<juce::ImageComponent> (*withLogo)->getImage().isValid());

    withoutLogo.setSize (850, 600);
    EXPECT_EQ (picture (withoutLogo).getPixelAt (5, 5), juce::Colour::greyLevel (0.11f)) << "the page's background";
}

TEST (IntroPage, SizesTheWindowTo850By600AndTitlesItEachTimeItIsLaidOut)
{
    juce::DocumentWindow window ("Another title", juce::Colours::black, 0, false);
    IntroScreen page;
    window.setContentNonOwned (&page, false);

    for (auto size : { juce::Point<int> (400, 300), juce::Point<int> (1000, 700) })
    {
        window.setName ("Another title");
        window.setSize (size.x, size.y);

        EXPECT_EQ (window.getWidth(), 850);
        EXPECT_EQ (window.getHeight(), 600);
        EXPECT_EQ (window.getName(), "Dravel Tavlo");
    }

    // The link sits at the right of the version line along the bottom.
    const auto& link = *findChild<juce::HyperlinkButton> (page);
    EXPECT_EQ (link.getBounds(), juce::Rectangle<int> (page.getWidth() - 10 - page.getWidth() / 4,
                                                       page.getHeight() - 34, page.getWidth() / 4, 24));
}

TEST (IntroPage, WaveDrawsNothingWhenNarrowerThanFivePixelsAndMovesOnWithItsTimer)
{
    IntroScreen::LogoDrawComponent narrow, wide;
    narrow.setSize (4, 100);
    wide.setSize (300, 100);

    EXPECT_TRUE (samePictures (picture (narrow), juce::Image (juce::Image::ARGB, 4, 100, true)));

    const auto first = picture (wide);
    EXPECT_FALSE (samePictures (first, juce::Image (juce::Image::ARGB, 300, 100, true)));
    EXPECT_TRUE (testsupport::dispatchUntil ([&] { return ! samePictures (picture (wide), first); }));
}

//==============================================================================
TEST (NotesText, LosesItsMetadataBlockAndTheTextAboveItOnlyAtTheExactMarkerLine)
{
    const juce::String marker (" END_JUCE_PIP_METADATA");
    const juce::String code ("int a;\n\nint b;");

    // An empty "shown": the text is shown unchanged.
    const struct { const char* what; juce::String text, shown; } cases[] =
    {
        { "marker first: three lines go",      marker + "\n*/\n\n" + code,                          code },
        { "marker at 2: five lines go",        "/*\nname: x\n" + marker + "\n*/\n\n" + code,        code },
        { "lines ended by CR LF",              "/*\r\n" + marker + "\r\n*/\r\n\r\nint a;\r\nint b;", "int a;\nint b;" },
        { "no marker",                         code,                                                 {} },
        { "marker without its space",          "END_JUCE_PIP_METADATA\n*/\n\n" + code,              {} },
        { "marker with two spaces",            "  END_JUCE_PIP_METADATA\n*/\n\n" + code,            {} },
        { "marker in lower case",              " end_juce_pip_metadata\n*/\n\n" + code,             {} },
    };

    for (auto& c : cases)
        EXPECT_EQ (stripMetadataBlock (c.text), c.shown.isEmpty() ? c.text : c.shown) << c.what;
}

TEST (NotesViewer, ShowsATextFromItsFirstLineOrThePlaceholderBanner)
{
    CodeContent viewer;
    viewer.setSize (400, 100);
    auto& editor = *findChild<juce::CodeEditorComponent> (viewer);

    const auto lines = [] (const juce::String& word) { return juce::String::repeatedString (word + "\n", 200); };
    viewer.showText (lines ("first"));
    editor.scrollToLine (50);
    viewer.showText (lines ("second"));

    EXPECT_EQ (viewer.getText(), lines ("second"));
    EXPECT_EQ (editor.getFirstLineOnScreen(), 0);

    viewer.showPlaceholderText();
    const auto stars = juce::String::repeatedString ("*", 79);
    EXPECT_EQ (viewer.getText(), "\n/" + stars + "\n"
                                 "          Select one of the Tavlos from the side panel on the left to see\n"
                                 "            its notes here and an instance running in the first tab!\n"
                                 + stars + "/\n");
}

TEST (NotesViewer, ColoursFollowTheLookAndFeelsDarkOrLightScheme)
{
    CodeContent viewer;
    const auto& editor = *findChild<juce::CodeEditorComponent> (viewer);
    juce::LookAndFeel_V4 light (juce::LookAndFeel_V4::getLightColourScheme());
    juce::LookAndFeel_V2 older;
    using Tokens = juce::CPlusPlusCodeTokeniser;

    // Keywords and comments; no look-and-feel set is the default one, in its dark scheme.
    const struct { juce::LookAndFeel* lookAndFeel; juce::uint32 keyword, comment; } cases[] =
    {
        { &light,  0xff0000cc, 0xff00aa00 },
        { nullptr, 0xffee6f6f, 0xff72d20c },
        { &older,  0xff0000cc, 0xff00aa00 },
    };

    for (auto& c : cases)
    {
        juce::LookAndFeel::setDefaultLookAndFeel (c.lookAndFeel);
        viewer.sendLookAndFeelChange();

        EXPECT_EQ (editor.getColourForTokenType (Tokens::tokenType_keyword), juce::Colour (c.keyword));
        EXPECT_EQ (editor.getColourForTokenType (Tokens::tokenType_comment), juce::Colour (c.comment));
    }

    juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
}

//==============================================================================
TEST (ContentArea, CentresItsWindowOnTheScreenDuringItsFirstFiveLayoutsOnly)
{
    juce::DocumentWindow window ("Tavlo", juce::Colours::black, 0, false);
    MainComponent main ([] { return new juce::Component(); });
    const auto screenCentre = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay()->userArea.getCentre();

    for (int layout = 1; layout <= 6; ++layout)
    {
        // Putting the content in lays it out first; then each new size lays it out once.
        if (layout == 1)
            window.setContentNonOwned (&main, false);
        else
            window.setBounds (0, 0, 400 + layout * 10, 300);

        if (layout <= 5)
            EXPECT_LE (window.getBounds().getCentre().getDistanceFrom (screenCentre), 1) << "layout " << layout;
        else
            EXPECT_EQ (window.getPosition(), juce::Point<int>()) << "layout " << layout;
    }
}

//==============================================================================
/** The program as it starts, with its side panel brought out. */
struct ShownSidePanel : public ::testing::Test
{
    ShownSidePanel()    { panel.showOrHide (true); }

    static MainComponent& start (sim::RunningApplication& running)
    {
        // The pointer away from the window: over the view, it would hide the panel itself.
        juce::Desktop::setMousePosition ({ 0, 0 });
        running.start();
        return *running.window().findMainComponent();
    }

    juce::Button& headerButton (const juce::String& name)
    {
        return *findChild<juce::Button> (*panel.getTitleBarComponent(), name);
    }

    sim::RunningApplication running;
    MainComponent& main = start (running);
    DemoContentComponent& content = main.getContentArea();
    juce::SidePanel& panel = main.getSidePanel();
};

TEST_F (ShownSidePanel, HomeBringsTheIntroPageAndTheListsKeyboardDravelEntryBringsTheEditorBackOnce)
{
    auto& window = running.window();
    auto& list = dynamic_cast<DemoList&> (*panel.getContent());

    headerButton ("Home").triggerClick();
    ASSERT_TRUE (testsupport::dispatchUntil ([&] { return content.isIntroPageShown(); }));
    EXPECT_EQ (window.getBounds().getWidth(), 850);
    EXPECT_EQ (window.getBounds().getHeight(), 600);
    EXPECT_EQ (window.getName(), "Dravel Tavlo");
    EXPECT_FALSE (panel.isPanelShowing()) << "a new view hides the panel";

    // "Keyboard", then the header's "<" back to the categories: "Keyboard" again.
    clickRow (list, 0);
    auto* header = findChild<juce::ListBox> (list)->getHeaderComponent();
    ASSERT_NE (header, nullptr);
    header->mouseDown (testsupport::mouseEventAt (*header, { 10.0f, 10.0f }, juce::ModifierKeys::leftButtonModifier));
    clickRow (list, 0);
    EXPECT_TRUE (content.isIntroPageShown()) << "opening a category shows no view";

    // "Dravel"; asked for again, the editor is not rebuilt.
    clickRow (list, 0);
    auto* editor = dynamic_cast<NsDravel::MainComp*> (content.getCurrentView());
    ASSERT_NE (editor, nullptr);
    clickRow (list, 0);
    EXPECT_EQ (content.getCurrentView(), editor);

    // Home also takes the list back to the categories: "Keyboard" shows no view.
    headerButton ("Home").triggerClick();
    ASSERT_TRUE (testsupport::dispatchUntil ([&] { return content.isIntroPageShown(); }));
    clickRow (list, 0);
    EXPECT_TRUE (content.isIntroPageShown());
}

TEST_F (ShownSidePanel, MenuButtonHidesItAndSettingsStaysOutOfSightLeavingTheViewInPlace)
{
    auto* view = content.getCurrentView();

    EXPECT_EQ (main.getCurrentRenderingEngine(), running.window().getPeer()->getCurrentRenderingEngine());

    testsupport::findButton (main, "Menu")->triggerClick();
    EXPECT_TRUE (testsupport::dispatchUntil ([&] { return ! panel.isPanelShowing(); }));

    EXPECT_TRUE (headerButton ("Home").isVisible());
    EXPECT_FALSE (headerButton ("Settings").isVisible());
    headerButton ("Settings").onClick();
    EXPECT_EQ (content.getCurrentView(), view);
}
