#pragma once

#include "support/TestProcess.h"
#include "support/TestSurroundings.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

/** A virtual X display of the test's own, so that windows, focus and key presses
    of other tests running at the same time cannot interfere; with the X client
    (xdotool) that looks at its windows and types and clicks into them. */
class PrivateDisplay
{
public:
    PrivateDisplay()
    {
        // JUCE needs a 24-bit screen. The server picks a free display number and
        // prints it on the given descriptor once it accepts connections.
        const juce::StringArray command { "/usr/bin/Xvfb", "-displayfd", "1", "-nolisten", "tcp",
                                          "-screen", "0", "1280x1024x24" };

        if (server.start (command, {}, {}, true))
            if (const auto number = server.readOutput (true); number.containsOnly ("0123456789") && number.isNotEmpty())
                name = ":" + number;
    }

    /** The display name (":N"), empty when the server could not be started. */
    const juce::String& getName() const noexcept { return name; }

    /** Runs an X client (from the system's folders, whatever PATH a test gave
        itself) on this display and returns what it printed. */
    juce::String run (juce::StringArray arguments) const
    {
        juce::StringPairArray environment;
        environment.set ("DISPLAY", name);
        arguments.set (0, "/usr/bin/" + arguments[0]);
        TestProcess client;
        return client.start (arguments, environment, {}, true) ? client.readOutput() : juce::String();
    }

    /** The ids of the mapped top-level windows of a process whose title matches. */
    juce::StringArray findVisibleWindows (int processId, const juce::String& title) const
    {
        auto lines = juce::StringArray::fromLines (run ({ "xdotool", "search", "--all", "--onlyvisible",
                                                          "--pid", juce::String (processId),
                                                          "--name", "^" + title + "$" }));
        lines.removeEmptyStrings();
        return lines;
    }

    juce::String titleOf (const juce::String& window) const
    {
        return run ({ "xdotool", "getwindowname", window }).trim();
    }

    juce::Rectangle<int> boundsOf (const juce::String& window) const
    {
        juce::StringPairArray values;

        for (auto& line : juce::StringArray::fromLines (run ({ "xdotool", "getwindowgeometry", "--shell", window })))
            values.set (line.upToFirstOccurrenceOf ("=", false, false), line.fromFirstOccurrenceOf ("=", false, false));

        return { values["X"].getIntValue(), values["Y"].getIntValue(),
                 values["WIDTH"].getIntValue(), values["HEIGHT"].getIntValue() };
    }

    /** A left click at a point of the window. */
    void clickAt (const juce::String& window, int x, int y) const
    {
        run ({ "xdotool", "mousemove", "--window", window, juce::String (x), juce::String (y), "click", "1" });
    }

    /** Focuses the window and types a key combination (xdotool's syntax, e.g.
        "ctrl+q") as real key presses, until the condition holds. A key typed
        before the focus has settled is lost, so it is typed again, but only
        once the last one has surely had no effect: five seconds, since a
        program built with a sanitizer can take seconds to show what a key
        opened, and a key typed twice would open it twice. */
    bool typeUntil (const juce::String& window, const juce::String& keys, std::function<bool()> condition) const
    {
        for (int attempt = 0; attempt < 5; ++attempt)
        {
            run ({ "xdotool", "windowfocus", "--sync", window });
            run ({ "xdotool", "key", keys });

            if (eventually (condition, 50, 100))
                return true;
        }

        return false;
    }

private:
    TestProcess server;
    juce::String name;

    JUCE_DECLARE_NON_COPYABLE (PrivateDisplay)
};

/** The openbox window manager on a private display, as a user's desktop has
    one: it frames, stacks and focuses the windows there. Ended with the object. */
class Openbox
{
public:
    explicit Openbox (const PrivateDisplay& display)
    {
        // Its own home, so that it neither reads nor writes the user's files.
        juce::StringPairArray environment;
        environment.set ("DISPLAY", display.getName());
        environment.set ("HOME", home.get().getFullPathName());
        environment.set ("XDG_CONFIG_HOME", home.get().getFullPathName());
        environment.set ("XDG_CACHE_HOME", home.get().getFullPathName());
        const auto started = process.start ({ "/usr/bin/openbox", "--sm-disable" }, environment,
                                            home.get().getChildFile ("log"));

        // It announces itself on the root window once it manages the screen.
        managing = started && eventually ([&]
        {
            return display.run ({ "xprop", "-root", "_NET_SUPPORTING_WM_CHECK" }).contains ("window id");
        });
    }

    /** True once it manages the display's windows. */
    bool isManaging() const noexcept    { return managing; }

private:
    TempFolder home;
    TestProcess process;
    bool managing = false;

    JUCE_DECLARE_NON_COPYABLE (Openbox)
};

/** For tests that start the real program: each test gets its own display and
    its own runtime and home folder, so that it neither meets nor disturbs any
    other running copy. */
class RealProgramFixture : public ::testing::Test
{
protected:
    void SetUp() override   { ASSERT_TRUE (display.getName().isNotEmpty()); }

    /** Starts the program with this test's display and user folders; what it
        prints goes to the process's output when captureOutput is set. */
    bool start (TestProcess& process, bool captureOutput = false) const
    {
        return start (process, own(), own(), captureOutput);
    }

    /** Starts the program with this test's display and the given folders (an
        empty runtime folder counts as none). */
    bool start (TestProcess& process, const juce::String& runtimeFolder, const juce::String& home,
                bool captureOutput = false) const
    {
        juce::StringPairArray environment;
        environment.set ("DISPLAY", display.getName());
        environment.set ("XDG_RUNTIME_DIR", runtimeFolder);
        environment.set ("HOME", home);
        return process.start ({ testpaths::programFile().getFullPathName() }, environment, {}, captureOutput);
    }

    /** The process's visible windows whose title matches; the editor adds its
        version and connection state to the main window's title. */
    juce::StringArray windowsOf (TestProcess& process, const juce::String& title = "Dravel Tavlo.*") const
    {
        return display.findVisibleWindows (process.getProcessId(), title);
    }

    /** Waits until the process shows its one main window. */
    bool showsOneWindow (TestProcess& process) const
    {
        return eventually ([&] { return windowsOf (process).size() == 1; });
    }

    /** Clicks the middle of the editor's "Firmware Upgrade" button until the
        upgrader's notice shows, and returns the notice's window (empty when it
        never showed). */
    juce::String openTheUpgradersNotice (TestProcess& process) const
    {
        const juce::String noticeTitle ("Firmware Upgrader about to start");
        const auto editorWindow = windowsOf (process)[0];

        eventually ([&]
        {
            display.clickAt (editorWindow, 71, 451);
            return windowsOf (process, noticeTitle).size() == 1;
        }, 50, 200);

        return windowsOf (process, noticeTitle)[0];
    }

    juce::String own() const    { return userFolder.get().getFullPathName(); }

    TempFolder userFolder;
    PrivateDisplay display;
};
