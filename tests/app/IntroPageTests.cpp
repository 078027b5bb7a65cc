#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include "app/IntroScreen.h"
#include "support/TempFolder.h"
#include "support/TestPaths.h"

namespace
{
    juce::StringArray labelTexts (juce::Component& page)
    {
        juce::StringArray texts;

        for (auto* child : page.getChildren())
            if (auto* label = dynamic_cast<juce::Label*> (child); label != nullptr && label->isVisible())
                texts.add (label->getText());

        return texts;
    }

    template <typename ChildType>
    ChildType* findChild (juce::Component& page)
    {
        for (auto* child : page.getChildren())
            if (auto* found = dynamic_cast<ChildType*> (child))
                return found;

        return nullptr;
    }

    bool hasAnyPaintedPixel (juce::Component& component)
    {
        juce::Image image (juce::Image::ARGB, component.getWidth(), component.getHeight(), true);

        {
            juce::Graphics g (image);
            component.paintEntireComponent (g, false);
        }

        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                if (image.getPixelAt (x, y).getAlpha() != 0)
                    return true;

        return false;
    }
}

TEST (IntroPage, WithoutTheLogoFileShowsEverythingButThePicture)
{
    TempFolder emptyResources;
    juce::ImageCache::releaseUnusedImages();

    IntroScreen page (emptyResources.get());
    page.setSize (800, 500);

    EXPECT_EQ (labelTexts (page), juce::StringArray ({ "Hello! You could choose a view from the menu on your left-hand side for getting started.",
                                                       "Dravel Tavlo",
                                                       "V1.00  Build 43, Jul 14 2025" }));

    auto* link = findChild<juce::HyperlinkButton> (page);
    ASSERT_NE (link, nullptr);
    EXPECT_TRUE (link->isVisible());
    EXPECT_TRUE (link->getURL().toString (false).contains (".example"));

    auto* logo = findChild<juce::ImageComponent> (page);
    ASSERT_NE (logo, nullptr);
    EXPECT_FALSE (logo->getImage().isValid());

    EXPECT_TRUE (isIntroScreen (&page));
    EXPECT_FALSE (isIntroScreen (link));
}

TEST (IntroPage, ShowsTheMakersLogoFromTheResourcesFolder)
{
    IntroScreen page (testpaths::buildFolder().getChildFile ("resources"));

    auto* logo = findChild<juce::ImageComponent> (page);
    ASSERT_NE (logo, nullptr);
    EXPECT_TRUE (logo->getImage().isValid());
}

TEST (IntroPage, WaveNarrowerThanFivePixelsDrawsNothing)
{
    IntroScreen::LogoDrawComponent narrow;
    narrow.setSize (4, 100);
    EXPECT_FALSE (hasAnyPaintedPixel (narrow));

    IntroScreen::LogoDrawComponent wide;
    wide.setSize (60, 100);
    EXPECT_TRUE (hasAnyPaintedPixel (wide));
}

TEST (IntroPage, LayingOutSizesAndTitlesTheWindowEveryTime)
{
    std::unique_ptr<juce::Component> page (createIntroScreen());

    juce::DocumentWindow window ("Something else", juce::Colours::black, juce::DocumentWindow::allButtons, false);
    window.setSize (400, 300);
    window.setContentNonOwned (page.get(), false);

    EXPECT_EQ (window.getWidth(), 850);
    EXPECT_EQ (window.getHeight(), 600);
    EXPECT_EQ (window.getName(), "Dravel Tavlo");

    window.setName ("Renamed");
    window.setSize (500, 400);

    EXPECT_EQ (window.getWidth(), 850);
    EXPECT_EQ (window.getHeight(), 600);
    EXPECT_EQ (window.getName(), "Dravel Tavlo");

    window.clearContentComponent();
}
