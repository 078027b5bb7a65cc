#include "support/RealProgramFixture.h"

// The real program on a display of its own, driven by real key presses: the
// editor's hidden keys must reach it from the window as the user types them.
using HiddenKeysInTheProgram = RealProgramFixture;

TEST_F (HiddenKeysInTheProgram, F1TypedIntoTheWindowOpensTheAboutWindow)
{
    TestProcess tavlo;
    ASSERT_TRUE (start (tavlo));
    ASSERT_TRUE (showsOneWindow (tavlo));
    EXPECT_TRUE (windowsOf (tavlo, "About This Tavlo").isEmpty());

    // The focus settles on the editor a moment after the window is focused; a
    // key typed before that reaches only the window. Type again until it lands.
    const auto editorWindow = windowsOf (tavlo)[0];

    EXPECT_TRUE (eventually ([&]
    {
        display.typeKeysInto (editorWindow, "F1");
        return windowsOf (tavlo, "About This Tavlo").size() > 0;
    }, 50, 200));
}
