#include "support/EditorFixture.h"
#include "support/MessageLoop.h"

#include "editor/window/AboutComponent.h"

using namespace sim;

// The maker's logo at the editor's top left: the pointer over it shows an
// "About.." hint, and a click on it opens the about window.

namespace
{
    // The logo is drawn at (34, 10, 120, 30). Over its right end the hint lies
    // beside it, on nothing but the editor's background (0xEEEEEE).
    const juce::Point<float> overLogoEnd (150.0f, 38.0f), besideLogo (200.0f, 38.0f);
    const juce::Rectangle<int> besideLogoArea (156, 29, 45, 19);

    struct EditorLogo : public EditorFixture
    {
        EditorLogo()    { editor->setSize (979, 473); }

        juce::MouseEvent at (juce::Point<float> p)   { return testsupport::mouseEventAt (*editor, p); }

        /** From the darkest to the brightest level beside the logo, as the editor paints it now. */
        juce::Range<int> levelsBesideLogo()
        {
            const auto shot = editor->createComponentSnapshot (besideLogoArea, false);
            auto levels = juce::Range<int>::emptyRange (shot.getPixelAt (0, 0).getGreen());

            for (int y = 0; y < shot.getHeight(); ++y)
                for (int x = 0; x < shot.getWidth(); ++x)
                    levels = levels.getUnionWith ((int) shot.getPixelAt (x, y).getGreen());

            return levels;
        }

        /** Nothing but the plain background beside the logo. */
        bool hintHidden()   { return levelsBesideLogo() == juce::Range<int>::emptyRange (0xEE); }

        /** A box lighter than the background, with dark text in it. */
        bool hintShown()    { return levelsBesideLogo().getStart() < 0x60 && levelsBesideLogo().getEnd() > 0xF5; }

        static juce::Array<juce::TopLevelWindow*> aboutWindows()
        {
            return testsupport::findWindowsTitled ("About This Tavlo");
        }
    };

    juce::String labelText (juce::Component& parent, const juce::String& name)
    {
        for (auto* child : parent.getChildren())
            if (auto* label = dynamic_cast<juce::Label*> (child); label != nullptr && label->getName() == name)
                return label->getText();

        return "(no label " + name + ")";
    }
}

TEST_F (EditorLogo, ThePointerOverTheLogoShowsTheHintUntilItMovesOffTheLogoOrLeavesTheEditor)
{
    ASSERT_TRUE (hintHidden());

    editor->mouseMove (at (overLogoEnd));
    EXPECT_TRUE (hintShown());

    editor->mouseMove (at (besideLogo));
    EXPECT_TRUE (hintHidden());

    editor->mouseMove (at (overLogoEnd));
    editor->mouseExit (at (overLogoEnd));
    EXPECT_TRUE (hintHidden());
}

TEST_F (EditorLogo, AClickOnTheLogoAloneOpensTheAboutWindowWhichShowsTheProgramAndCloses)
{
    editor->mouseDown (at ({ 440.0f, 30.0f }));     // the product picture
    editor->mouseDown (at ({ 20.0f, 30.0f }));      // left of the logo
    EXPECT_TRUE (aboutWindows().isEmpty());

    editor->mouseMove (at (overLogoEnd));
    editor->mouseDown (at (overLogoEnd));
    EXPECT_TRUE (hintHidden());
    ASSERT_EQ (aboutWindows().size(), 1);

    juce::Component::SafePointer<juce::DialogWindow> window (dynamic_cast<juce::DialogWindow*> (aboutWindows()[0]));
    ASSERT_NE (window, nullptr);
    auto& about = *window->getContentComponent();

    EXPECT_EQ (labelText (about, "Name"), "Dravel Tavlo");
    const auto version = labelText (about, "Version");
    EXPECT_TRUE (version.startsWith ("V1.06 (26C)\n\nBuilt on ")) << version;
    EXPECT_TRUE (labelText (about, "Copyright").endsWith (version.getLastCharacters (4) + ", Halvik Audio"));

    juce::HyperlinkButton* link = nullptr;

    for (auto* child : about.getChildren())
        if (auto* button = dynamic_cast<juce::HyperlinkButton*> (child))
            link = button;

    ASSERT_NE (link, nullptr);
    EXPECT_EQ (link->getButtonText(), "About Us");
    // Compared as text: JUCE's URL equality hands an empty post-data block to
    // memcmp, which the undefined-behaviour checker stops.
    EXPECT_EQ (link->getURL().toString (true), juce::String (NsDravel::AboutComponent::aboutUsAddress));

    window->getCloseButton()->triggerClick();
    EXPECT_TRUE (testsupport::dispatchUntil ([&] { return window == nullptr; }));
}

TEST (AboutBox, TheVersionAndTheCopyrightYearsFollowTheBuildDate)
{
    using NsDravel::AboutComponent;

    // The compiler pads a day below 10 with a blank.
    EXPECT_EQ (AboutComponent::makeVersionText ("Jul  4 2025"), "V1.06 (26C)\n\nBuilt on Jul 4, 2025");
    EXPECT_EQ (AboutComponent::makeVersionText ("Dec 31 2024"), "V1.06 (26C)\n\nBuilt on Dec 31, 2024");

    EXPECT_EQ (AboutComponent::makeCopyrightText ("Dec 31 2024"), "Copyright (C) 2024, Halvik Audio");
    EXPECT_EQ (AboutComponent::makeCopyrightText ("Jan  2 2026"), "Copyright (C) 2024-2026, Halvik Audio");
}
