#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include "app/IntroScreen.h"
#include "support/TempFolder.h"
#include "support/TestPaths.h"

namespace
{
    template <typename ChildType>
    juce::Array<ChildType*> childrenOf (juce::Component& page)
    {
        juce::Array<ChildType*> found;

        for (auto* child : page.getChildren())
            if (auto* c = dynamic_cast<ChildType*> (child); c != nullptr && c->isVisible())
                found.add (c);

        return found;
    }
}

TEST (IntroPage, WithoutTheLogoFileShowsEverythingButThePicture)
{
    TempFolder emptyResources;
    IntroScreen page (emptyResources.get());

    juce::StringArray texts;
    for (auto* label : childrenOf<juce::Label> (page))
        texts.add (label->getText());

    EXPECT_EQ (texts, juce::StringArray ({ "Hello! You could choose a view from the menu on your left-hand side for getting started.",
                                           "Dravel Tavlo", "V1.00  Build 43, Jul 14 2025" }));
    ASSERT_EQ (childrenOf<juce::HyperlinkButton> (page).size(), 1);
    EXPECT_TRUE (childrenOf<juce::HyperlinkButton> (page)[0]->getURL().toString (false).contains (".example"));
    EXPECT_FALSE (childrenOf<juce::ImageComponent> (page)[0]->getImage().isValid());

    IntroScreen withLogo (testpaths::buildFolder().getChildFile ("resources"));
    EXPECT_TRUE (childrenOf<juce::ImageComponent> (withLogo)[0]->getImage().isValid());
}

TEST (IntroPage, LayingOutSizesAndTitlesTheWindowEveryTime)
{
    std::unique_ptr<juce::Component> page (createIntroScreen());
    EXPECT_TRUE (isIntroScreen (page.get()));

    juce::DocumentWindow window ("Something else", juce::Colours::black, juce::DocumentWindow::allButtons, false);
    window.setContentNonOwned (page.get(), false);
    EXPECT_EQ (window.getBounds().withZeroOrigin(), juce::Rectangle<int> (850, 600));
    EXPECT_EQ (window.getName(), "Dravel Tavlo");

    window.setName ("Renamed");
    window.setSize (500, 400);
    EXPECT_EQ (window.getBounds().withZeroOrigin(), juce::Rectangle<int> (850, 600));
    EXPECT_EQ (window.getName(), "Dravel Tavlo");
    window.clearContentComponent();
}
