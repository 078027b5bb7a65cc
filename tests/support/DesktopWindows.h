#pragma once

#include <juce_core/juce_core.h>
#include <memory>

/** A virtual X display of the test's own, so that windows, focus and key presses
    of other tests running at the same time cannot interfere. */
class PrivateDisplay
{
public:
    PrivateDisplay();
    ~PrivateDisplay();

    /** The display name (":N"), empty when the server could not be started. */
    const juce::String& getName() const noexcept { return name; }

    /** Runs an X client (e.g. xdotool) on this display and returns what it printed. */
    juce::String run (const juce::StringArray& arguments) const;

    /** The ids of the mapped top-level windows of a process whose title matches. */
    juce::StringArray findVisibleWindows (int processId, const juce::String& title) const;

    /** Focuses the window and types a key combination (xdotool's syntax, e.g.
        "ctrl+q") as real key presses. */
    void typeKeysInto (const juce::String& windowId, const juce::String& keys) const;

private:
    juce::ChildProcess server;
    juce::String name;

    JUCE_DECLARE_NON_COPYABLE (PrivateDisplay)
};
