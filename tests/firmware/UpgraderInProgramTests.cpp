#include <gtest/gtest.h>
#include <juce_graphics/juce_graphics.h>

#include "support/DesktopWindows.h"
#include "support/TempFolder.h"
#include "support/TestPaths.h"
#include "support/TestProcess.h"

// The real program on a display of its own, driven with the mouse and real
// key presses: the editor's "Firmware Upgrade" button leads through the notice
// to the upgrade dialog, or back to the editor.

TEST (UpgraderInProgram, TheNoticeLeadsBackOrToTheDialogOverTheEditorWhereEscapeEndsALongStep)
{
    TempFolder userFolder;
    PrivateDisplay display;
    ASSERT_TRUE (display.getName().isNotEmpty());

    juce::StringPairArray environment;
    environment.set ("DISPLAY", display.getName());
    environment.set ("XDG_RUNTIME_DIR", userFolder.get().getFullPathName());
    environment.set ("HOME", userFolder.get().getFullPathName());
    environment.set ("XDG_DATA_HOME", userFolder.get().getChildFile ("data").getFullPathName());

    TestProcess tavlo;
    ASSERT_TRUE (tavlo.start ({ testpaths::programFile().getFullPathName() }, environment));

    const juce::String noticeTitle ("Firmware Upgrader about to start"), dialogTitle ("Firmware Upgrade");
    const auto windowsTitled = [&] (const juce::String& title) { return display.findVisibleWindows (tavlo.getProcessId(), title); };
    const auto titleOf = [&] (const juce::String& window) { return display.run ({ "xdotool", "getwindowname", window }).trim(); };

    const auto boundsOf = [&] (const juce::String& window)
    {
        juce::StringPairArray values;

        for (auto& line : juce::StringArray::fromLines (display.run ({ "xdotool", "getwindowgeometry", "--shell", window })))
            values.set (line.upToFirstOccurrenceOf ("=", false, false), line.fromFirstOccurrenceOf ("=", false, false));

        return juce::Rectangle<int> (values["X"].getIntValue(), values["Y"].getIntValue(),
                                     values["WIDTH"].getIntValue(), values["HEIGHT"].getIntValue());
    };

    // A key typed before the focus has settled is lost, so it is typed again,
    // but only once the last one has surely had no effect.
    const auto typeUntil = [&] (const juce::String& window, const juce::String& key, std::function<bool()> condition)
    {
        for (int attempt = 0; attempt < 5; ++attempt)
        {
            display.typeKeysInto (window, key);

            if (eventually (condition, 15, 100))
                return true;
        }

        return false;
    };

    ASSERT_TRUE (eventually ([&] { return windowsTitled ("Dravel Tavlo.*").size() == 1; }));
    const auto editorWindow = windowsTitled ("Dravel Tavlo.*")[0];

    // Clicks the middle of the editor's "Firmware Upgrade" button until the notice shows.
    const auto openTheNotice = [&]
    {
        const bool shown = eventually ([&]
        {
            display.run ({ "xdotool", "mousemove", "--window", editorWindow, "71", "451", "click", "1" });
            return windowsTitled (noticeTitle).size() == 1;
        }, 50, 200);

        return shown ? windowsTitled (noticeTitle)[0] : juce::String();
    };

    // Escape on the notice: back to the editor as it was, and the button works again.
    // The title settles at the first timer tick; compare with the settled one.
    ASSERT_TRUE (eventually ([&] { return titleOf (editorWindow).contains ("[disconnected]"); })) << titleOf (editorWindow);
    const auto titleBefore = titleOf (editorWindow);
    auto notice = openTheNotice();
    ASSERT_TRUE (notice.isNotEmpty());

    ASSERT_TRUE (typeUntil (notice, "Escape", [&] { return windowsTitled (noticeTitle).isEmpty(); }));
    EXPECT_TRUE (windowsTitled (dialogTitle).isEmpty());
    EXPECT_EQ (titleOf (editorWindow), titleBefore);

    // Return on it: the dialog, centred over the editor.
    notice = openTheNotice();
    ASSERT_TRUE (notice.isNotEmpty());
    ASSERT_TRUE (typeUntil (notice, "Return", [&] { return windowsTitled (dialogTitle).size() == 1; }));
    EXPECT_TRUE (windowsTitled (noticeTitle).isEmpty());

    const auto dialog = windowsTitled (dialogTitle)[0];
    const auto bounds = boundsOf (dialog);
    EXPECT_EQ (bounds.getWidth(), 514);
    EXPECT_EQ (bounds.getHeight(), 450);
    EXPECT_LE (bounds.getCentre().getDistanceFrom (boundsOf (editorWindow).getCentre()), 2);

    // No unit is plugged in here: the Start step's search counts its polls in
    // the title, one a second, sixteen for a keyboard, unless Escape ends it.
    int highestPoll = 0;

    const auto pollShown = [&]
    {
        const auto title = titleOf (dialog);

        if (title.startsWith ("Firmware Upgrade: ("))
            highestPoll = juce::jmax (highestPoll, title.fromFirstOccurrenceOf ("(", false, false).getIntValue());

        return highestPoll;
    };

    // The middle of the "Start" button; clicks while the step runs meet a disabled button.
    const auto clickStart = [&] { display.run ({ "xdotool", "mousemove", "--window", dialog, "62", "102", "click", "1" }); };

    ASSERT_TRUE (eventually ([&] { clickStart(); return pollShown() >= 1; }, 50, 200)) << titleOf (dialog);

    // The search ends with its box, titled like the dialog, which is back to its plain title.
    ASSERT_TRUE (typeUntil (dialog, "Escape", [&] { pollShown(); return windowsTitled (dialogTitle).size() == 2; }));
    EXPECT_LT (highestPoll, 16) << "the search went on to its end";

    // The box goes with Return; the Start button works again.
    const auto windows = windowsTitled (dialogTitle);
    const auto box = windows[0] == dialog ? windows[1] : windows[0];
    ASSERT_TRUE (typeUntil (box, "Return", [&] { return windowsTitled (dialogTitle).size() == 1; }));

    highestPoll = 0;
    EXPECT_TRUE (eventually ([&] { clickStart(); return pollShown() >= 1; }, 50, 200)) << titleOf (dialog);
    EXPECT_TRUE (tavlo.isRunning());
}
