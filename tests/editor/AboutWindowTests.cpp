#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include "editor/AboutComponent.h"
#include "support/DispatchUntil.h"

namespace
{
    template <typename ChildType>
    ChildType* findChild (juce::Component& parent, const juce::String& name = {})
    {
        for (auto* child : parent.getChildren())
            if (auto* found = dynamic_cast<ChildType*> (child); found != nullptr && (name.isEmpty() || child->getName() == name))
                return found;

        return nullptr;
    }
}

TEST (AboutWindow, EachRequestOpensAWindowThatEscapeCloses)
{
    juce::Component::SafePointer<juce::DialogWindow> window (NsDravel::showAboutWindow());
    ASSERT_NE (window, nullptr);
    EXPECT_EQ (window->getName(), "About This Tavlo");

    juce::Component::SafePointer<juce::DialogWindow> second (NsDravel::showAboutWindow());
    EXPECT_NE (second, window) << "each request opens a new window";

    static_cast<juce::Component*> (window.getComponent())->keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
    EXPECT_TRUE (testsupport::dispatchUntil ([&] { return window == nullptr; }));
    EXPECT_NE (second, nullptr);
    delete second.getComponent();
}

TEST (AboutWindow, DateDropsTheBlankThatPadsADayAndTheCopyrightSpansFrom2024)
{
    using NsDravel::AboutComponent;
    EXPECT_EQ (AboutComponent::makeVersionText ("Jul  4 2025"), "V1.06 (26C)\n\nBuilt on Jul 4, 2025");
    EXPECT_EQ (AboutComponent::makeVersionText ("Dec 14 2026"), "V1.06 (26C)\n\nBuilt on Dec 14, 2026");

    EXPECT_TRUE (AboutComponent::makeCopyrightText ("Mar  1 2024").contains ("(C) 2024,"));
    EXPECT_TRUE (AboutComponent::makeCopyrightText ("Jan  9 2027").contains ("(C) 2024-2027,"));
}
