#include <gtest/gtest.h>

#include "editor/AboutComponent.h"

TEST (AboutWindow, DateDropsTheBlankThatPadsADayAndTheCopyrightSpansFrom2024)
{
    using NsDravel::AboutComponent;
    EXPECT_EQ (AboutComponent::makeVersionText ("Jul  4 2025"), "V1.06 (26C)\n\nBuilt on Jul 4, 2025");
    EXPECT_EQ (AboutComponent::makeVersionText ("Dec 14 2026"), "V1.06 (26C)\n\nBuilt on Dec 14, 2026");

    EXPECT_TRUE (AboutComponent::makeCopyrightText ("Mar  1 2024").contains ("(C) 2024,"));
    EXPECT_TRUE (AboutComponent::makeCopyrightText ("Jan  9 2027").contains ("(C) 2024-2027,"));
}
