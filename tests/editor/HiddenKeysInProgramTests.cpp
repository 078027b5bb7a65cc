#include <gtest/gtest.h>

#include "support/DesktopWindows.h"
#include "support/TempFolder.h"
#include "support/TestPaths.h"
#include "support/TestProcess.h"

// The real program on a display of its own, driven by real key presses: the
// editor's hidden keys must reach it from the window as the user types them.

TEST (HiddenKeysInTheProgram, F1TypedIntoTheWindowOpensTheAboutWindow)
{
    TempFolder userFolder;
    PrivateDisplay display;
    ASSERT_TRUE (display.getName().isNotEmpty());

    juce::StringPairArray environment;
    environment.set ("DISPLAY", display.getName());
    environment.set ("XDG_RUNTIME_DIR", userFolder.get().getFullPathName());
    environment.set ("HOME", userFolder.get().getFullPathName());

    TestProcess tavlo;
    ASSERT_TRUE (tavlo.start ({ testpaths::programFile().getFullPathName() }, environment));

    auto windowsTitled = [&] (const juce::String& title)
    {
        return display.findVisibleWindows (tavlo.getProcessId(), title);
    };

    ASSERT_TRUE (eventually ([&] { return windowsTitled ("Dravel Tavlo.*").size() == 1; }));
    EXPECT_TRUE (windowsTitled ("About This Tavlo").isEmpty());

    const auto editorWindow = windowsTitled ("Dravel Tavlo.*")[0];

    // The focus settles on the editor a moment after the window is focused; a
    // key typed before that reaches only the window. Type again until it lands.
    EXPECT_TRUE (eventually ([&]
    {
        display.typeKeysInto (editorWindow, "F1");
        return windowsTitled ("About This Tavlo").size() > 0;
    }, 50, 200));
}
