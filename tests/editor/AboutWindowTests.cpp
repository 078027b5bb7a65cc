#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>
#include <regex>

#include "editor/AboutComponent.h"
#include "support/DispatchUntil.h"

namespace
{
    juce::String labelText (juce::Component& parent, const juce::String& name)
    {
        for (auto* child : parent.getChildren())
            if (auto* label = dynamic_cast<juce::Label*> (child); label != nullptr && label->getName() == name)
                return label->getText();

        return "<no label " + name + ">";
    }

    juce::HyperlinkButton* findLink (juce::Component& parent)
    {
        for (auto* child : parent.getChildren())
            if (auto* link = dynamic_cast<juce::HyperlinkButton*> (child))
                return link;

        return nullptr;
    }

    struct ClosesOpenWindows  : public ::testing::Test
    {
        ~ClosesOpenWindows() override
        {
            for (auto& window : opened)
                delete window.getComponent();
        }

        juce::DialogWindow* open()
        {
            auto* window = NsDravel::showAboutWindow();
            opened.add (window);
            return window;
        }

        juce::Array<juce::Component::SafePointer<juce::DialogWindow>> opened;
    };

    using AboutWindow = ClosesOpenWindows;
}

TEST_F (AboutWindow, ShowsNameVersionBuildDateAndMakerLink)
{
    auto* window = open();
    ASSERT_NE (window, nullptr);
    EXPECT_EQ (window->getName(), "About This Tavlo");

    auto* about = dynamic_cast<NsDravel::AboutComponent*> (window->getContentComponent());
    ASSERT_NE (about, nullptr);
    EXPECT_EQ (about->getWidth(), 500);
    EXPECT_EQ (about->getHeight(), 278);

    EXPECT_EQ (labelText (*about, "Name"), "Dravel Tavlo");

    const auto version = labelText (*about, "Version").toStdString();
    EXPECT_TRUE (std::regex_match (version, std::regex ("V1\\.06 \\(26C\\)\n\nBuilt on [A-Z][a-z]{2} [1-9][0-9]?, 20[0-9]{2}")))
        << version;

    auto* link = findLink (*about);
    ASSERT_NE (link, nullptr);
    EXPECT_EQ (link->getButtonText(), "About Us");
    EXPECT_TRUE (link->getURL().toString (false).contains (".example"));
    EXPECT_EQ (link->getTooltip(), link->getURL().toString (false));
}

TEST (AboutTexts, BuildDateLosesTheBlankThatPadsAOneDigitDay)
{
    EXPECT_EQ (NsDravel::AboutComponent::makeVersionText ("Jul  4 2025"), "V1.06 (26C)\n\nBuilt on Jul 4, 2025");
    EXPECT_EQ (NsDravel::AboutComponent::makeVersionText ("Dec 14 2026"), "V1.06 (26C)\n\nBuilt on Dec 14, 2026");
}

TEST (AboutTexts, CopyrightShowsOneYearIn2024AndASpanLater)
{
    const auto in2024 = NsDravel::AboutComponent::makeCopyrightText ("Mar  1 2024");
    EXPECT_TRUE (in2024.contains ("2024"));
    EXPECT_FALSE (in2024.contains ("-"));

    EXPECT_TRUE (NsDravel::AboutComponent::makeCopyrightText ("Jan  9 2027").contains ("2024-2027"));
}

TEST_F (AboutWindow, EscapeClosesTheWindowAndEachRequestOpensANewOne)
{
    const auto before = juce::TopLevelWindow::getNumTopLevelWindows();
    auto* first = open();
    auto* second = open();
    ASSERT_NE (first, second);
    EXPECT_EQ (juce::TopLevelWindow::getNumTopLevelWindows(), before + 2);

    juce::Component::SafePointer<juce::DialogWindow> closing (first);
    static_cast<juce::Component*> (first)->keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
    EXPECT_TRUE (testsupport::dispatchUntil ([&] { return closing == nullptr; }));
    EXPECT_EQ (juce::TopLevelWindow::getNumTopLevelWindows(), before + 1);
}
